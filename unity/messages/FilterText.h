// Caller text inside URLs: filter expressions and instance ids. Every message that puts caller text
// into a "filter=" query goes through these helpers, so the rules live in one place:
//  - the filter language has no escape for a double quote inside a quoted constant, so a value
//    holding one cannot be expressed; operations refuse it before sending anything;
//  - a filter sent without percent-encoding still must not change the URL's meaning, so the bytes
//    that would (%, &, #, +, control bytes and bytes above 0x7E) are percent-encoded. Spaces stay:
//    the URI rules turn them into "+". Every other byte passes unchanged.
#pragma once

#include <string>
#include <vector>

// True when `value` can sit between the double quotes of a filter constant.
bool FilterValueIsQuotable(const std::string& value);

// The error text for a value that cannot be quoted, naming the field, e.g.
// "Snap name contains a double quote, which a filter cannot carry".
std::string FilterQuoteErrorText(const std::string& fieldName);

// Checks `value` for the field `fieldName`; on refusal fills `errorText` and returns false.
bool CheckFilterValue(const std::string& fieldName, const std::string& value,
                      std::string& errorText);

// Makes `text` safe for a filter that travels without percent-encoding (see above).
std::string filter_url_safe(const std::string& text);

// "(" key " eq \"" value "\")": one string comparison term, the value unchanged.
std::string FilterEqTerm(const std::string& key, const std::string& value);
// The same term appended to `filter`, joined to a term before it by " OR ": filters of many
// values are built in one string.
void AppendFilterOrTerm(std::string& filter, const char* key, const std::string& value);
// "filter=" + url_encode of the terms of `ids` (decimal) under `key` joined as above, written in
// its encoded form at once: a listing by id sends thousands of terms.
std::string EncodedIdFilterQuery(const char* key, const std::vector<unsigned long long>& ids);

// Percent-encodes (uppercase hex) control bytes, DEL, bytes above 0x7E and every byte listed in
// `reserved`; all other bytes pass unchanged. Used where caller text enters a URL that is not
// otherwise encoded, so that it cannot change the URL's meaning.
std::string percent_encode_only(const std::string& text, const char* reserved);
