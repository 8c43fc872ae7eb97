// nst/JSONTestSuite: every y_ text is read, none crashes; the lenient reader reads some n_ texts,
// and the list below pins which, so a change in leniency shows up here.
#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "tests/unit/json/JsonTestUtil.h"

namespace {

using jsondoc::Value;
using jsondoc_test::ReadBoth;

const char kDir[] = UNITY_JSON_SUITE_DIR "/test_parsing/";

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(kDir)) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0) names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The n_ texts (without ".json") the lenient reader accepts, and why.
const std::vector<std::string> kAcceptedInvalid = {
    // Trailing commas and empty elements (read as null).
    "n_array_comma_and_number", "n_array_double_comma", "n_array_double_extra_comma",
    "n_array_extra_comma", "n_array_just_comma", "n_array_missing_value",
    "n_array_number_and_comma", "n_array_number_and_several_commas", "n_object_trailing_comma",
    "n_object_lone_continuation_byte_in_key_and_trailing_comma",
    // Whatever follows the first value is ignored.
    "n_array_comma_after_close", "n_array_extra_close", "n_multidigit_number_then_00",
    "n_object_trailing_comment", "n_object_trailing_comment_open",
    "n_object_trailing_comment_slash_open", "n_object_trailing_comment_slash_open_incomplete",
    "n_object_with_trailing_garbage", "n_string_with_trailing_garbage",
    "n_structure_array_trailing_garbage", "n_structure_array_with_extra_array_close",
    "n_structure_close_unopened_array", "n_structure_double_array",
    "n_structure_number_with_trailing_garbage", "n_structure_object_followed_by_closing_object",
    "n_structure_object_with_trailing_garbage", "n_structure_trailing_#",
    // Numbers as the stream extraction reads them: "+1", "-01", "2.", ".2e-3", ...
    "n_number_+1", "n_number_-01", "n_number_-2.", "n_number_.2e-3", "n_number_0.e1",
    "n_number_2.e+3", "n_number_2.e-3", "n_number_2.e3", "n_number_neg_int_starting_with_zero",
    "n_number_neg_real_without_int_part", "n_number_real_without_fractional_part",
    "n_number_starting_with_dot", "n_number_with_leading_zero",
    // Single quotes.
    "n_object_single_quote", "n_string_single_quote",
    // Unknown escapes are kept (except right after a high surrogate), raw control bytes pass.
    "n_string_backslash_00", "n_string_escape_x", "n_string_escaped_ctrl_char_tab",
    "n_string_escaped_emoji", "n_string_invalid_backslash_esc",
    "n_string_invalid_utf8_after_escape", "n_string_unescaped_ctrl_char",
    "n_string_unescaped_newline", "n_string_unescaped_tab", "n_string_unicode_CapitalU",
    // Form feed is stream whitespace.
    "n_structure_whitespace_formfeed"};

TEST(JsonSuite, ConformanceTexts) {
  const std::vector<std::string> files = SuiteFiles();
  ASSERT_GT(files.size(), 300u) << "suite not found under " << kDir;
  std::vector<std::string> accepted_invalid;
  for (const std::string& name : files) {
    const bool ok = ReadBoth<Value>(Slurp(kDir + name)).ok;
    if (name[0] == 'y') {
      EXPECT_TRUE(ok) << name;
    }
    if (name[0] == 'n' && ok) accepted_invalid.push_back(name.substr(0, name.size() - 5));
  }
  std::vector<std::string> expected = kAcceptedInvalid;
  std::sort(expected.begin(), expected.end());
  std::sort(accepted_invalid.begin(), accepted_invalid.end());
  EXPECT_EQ(accepted_invalid, expected);
}

}  // namespace
