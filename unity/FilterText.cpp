#include "unity/FilterText.h"

#include "unity/TextUtils.h"

bool FilterValueIsQuotable(const std::string& value) {
  return value.find('"') == std::string::npos;
}

std::string FilterQuoteErrorText(const std::string& fieldName) {
  return fieldName + " contains a double quote, which a filter cannot carry";
}

bool CheckFilterValue(const std::string& fieldName, const std::string& value,
                      std::string& errorText) {
  if (FilterValueIsQuotable(value)) return true;
  errorText = FilterQuoteErrorText(fieldName);
  return false;
}

std::string filter_url_safe(const std::string& text) {
  return percent_encode_only(text, "%&#+");
}

std::string FilterEqTerm(const std::string& key, const std::string& value) {
  return "(" + key + " eq \"" + value + "\")";
}
