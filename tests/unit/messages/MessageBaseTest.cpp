#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/EMCUnityJSON.h"

namespace {

// A bare message whose protected state the tests set directly.
class ProbeMessage : public EMCUnityJsonBase {
 public:
  ProbeMessage(_UNITY_http_req_type_ method, const std::string& action = "") {
    httpReqType = method;
    resourceType = "snap";
    actionName = action;
    Initialize("array.example");
  }
  using EMCUnityJsonBase::fieldKeys;
  using EMCUnityJsonBase::instanceId;
};

struct UriCase {
  const char* name;
  _UNITY_http_req_type_ method;
  const char* action;
  const char* instance;
  long timeout;
  const char* keys;  // field keys, comma-separated
  const char* query;
  const char* uri;  // after "https://array.example/api/"
};

constexpr _UNITY_http_req_type_ GET = UNITY_HTTP_GET, POST = UNITY_HTTP_POST;

TEST(MakeURI, BuildsTheAddress) {
  const UriCase rows[] = {
      {"GetInstanceWithQuery", GET, "", "3 8", -1, "id", "filter=(a eq 1)",
       "instances/snap/3+8?&fields=id&filter=(a+eq+1)"},
      // A caller's id cannot leave its path segment: "/", "?", "#" and "%" are encoded.
      {"InstanceIdStaysOneSegment", POST, "sync", "a/b?x=1#y%", -1, "", "",
       "instances/snap/a%2Fb%3Fx=1%23y%25/action/sync?"},
      {"PostActionWithoutInstance", POST, "copy", "", -1, "", "", "types/snap/instances?"}};
  for (const UriCase& c : rows) {
    SCOPED_TRACE(c.name);
    ProbeMessage message(c.method, c.action);
    message.instanceId = c.instance;
    message.setTimeout(c.timeout);
    std::stringstream keys(c.keys);
    for (std::string key; std::getline(keys, key, ',');) message.fieldKeys[key] = nullptr;
    std::string uri;
    message.MakeURI(uri, c.query);
    EXPECT_EQ(uri, std::string("https://array.example/api/") + c.uri);
  }
}

TEST(BaseBuildRequest, EmptiesBodyAndLogsTheTrace) {
  ProbeMessage message(UNITY_HTTP_DELETE);
  message.instanceId = "7";
  DiagLogCapture capture;
  std::string body = "stale";
  ASSERT_TRUE(message.BuildRequest(body));
  EXPECT_EQ(body, "");
  EXPECT_TRUE(capture.contains(
      "URI : [https://array.example/api/instances/snap/7?], \n Request Body : [EMPTY]",
      "virtual bool EMCUnityJsonBase::BuildRequest(std::string&)"));
}

struct ErrorCase {
  const char* name;
  const char* answer;
  bool result;
  bool success;
  unsigned long long code;
  const char* text;
};

TEST(ParseError, ReadsTheErrorObject) {
  const ErrorCase rows[] = {
      {"FirstMemberInKeyOrder",
       R"({"error": {"errorCode": 1, "messages": [{"fr": "b", "de": "a"}, {"x": "c"}]}})", true,
       false, 1, "a"},
      {"WrongTypes", R"({"error": {"errorCode": "5", "messages": [{"en-US": 3}]}})", true, false,
       ~0ULL, "undefined"},
      {"EmptyAnswer", "", true, true, ~0ULL, "undefined"},
      {"EmptyObject", "{}", false, false, 0, ""},
      {"Truncated", R"({"@base": "x", "entries": [{"content": {"id": "1"}}, {"con)", false, false,
       0, ""}};
  for (const ErrorCase& c : rows) {
    SCOPED_TRACE(c.name);
    ProbeMessage message(UNITY_HTTP_GET);
    std::string answer = c.answer;
    EXPECT_EQ(message.ParseResponse(answer), c.result);
    EXPECT_EQ(message.isSuccess(), c.success);
    unsigned long long code = 1;
    std::string text = "x";
    message.getError(code, text);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(text, c.text);
  }
}

TEST(ParseError, LogsTheAnswerAndTheArrayError) {
  ProbeMessage message(UNITY_HTTP_GET);
  message.Init(42, "5.0");
  std::string answer = R"({"error": {"errorCode": 7, "messages": [{"en-US": "bad"}]}})";
  DiagLogCapture capture;
  ASSERT_TRUE(message.ParseError(answer));
  const std::vector<DiagLogRecord> lines = capture.records();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text, "Json response : [" + answer + "]");
  EXPECT_EQ(lines[0].tag, "");
  EXPECT_EQ(lines[0].jobId, 42);
  EXPECT_EQ(lines[1].level, -1);
  EXPECT_EQ(lines[1].tag, "virtual bool EMCUnityJsonBase::ParseError(std::string&)");
  EXPECT_EQ(lines[1].text, "[7] : bad");
}

struct PageCase {
  const char* name;
  _UNITY_http_req_type_ method;
  const char* links;
  const char* next;
};

// The usual pages (other links before "next", none on the last) are the paging tests' on the wire.
TEST(ParseNextURI, FollowsTheNextLink) {
  const PageCase rows[] = {
      // The credentials travel with the next page: it stays on this array, over HTTPS.
      {"OtherHostAndScheme", GET,
       R"("@base": "http://elsewhere:8080/api/y?a=1", "links": [{"rel": "next", "href": "&p=2"}]})",
       "https://array.example/api/y?a=1&p=2"},
      {"HostPrefixIsNotEnough", GET,
       R"("@base": "https://array.example.evil/api/y", "links": [{"rel": "next", "href": "?p=2"}]})",
       "https://array.example/api/y?p=2"},
      {"RelativeBase", GET, R"("@base": "api/y", "links": [{"rel": "next", "href": "?p=2"}]})",
       "https://array.example/api/y?p=2"},
      {"MissingBase", GET, R"("@base": null, "links": [{"rel": "next", "href": "&p=2"}]})", ""},
      {"NotAGet", POST, R"("links": [{"rel": "next", "href": "&p=2"}]})", ""}};
  for (const PageCase& c : rows) {
    SCOPED_TRACE(c.name);
    ProbeMessage message(c.method);
    std::string body;
    message.BuildRequest(body);
    std::string answer =
        std::string(R"({"@base": "https://array.example/api/x?filter=a eq 1", )") + c.links;
    message.ParseNextURI(answer);
    EXPECT_EQ(message.GetNextURI(), c.next);
  }
}

// Equal length, equal position in memory and any hash are no proof: only equal bytes are.
TEST(ParsedAnswerCache, RecognisesAnAnswerByItsBytes) {
  ParsedAnswerCache cache;
  bool ok = false;
  std::string answer = R"({"id": "a"})";
  EXPECT_EQ(cache.get(answer, ok).get<jsondoc::String>("id"), "a");
  EXPECT_TRUE(ok);
  answer[8] = 'b';  // the same string object, its length unchanged
  EXPECT_EQ(cache.get(answer, ok).get<jsondoc::String>("id"), "b");
  const std::string other = R"({"id": "c"})";
  EXPECT_EQ(cache.get(other, ok).get<jsondoc::String>("id"), "c");
  EXPECT_FALSE((cache.get("{\"id\": ", ok), ok));
  EXPECT_EQ(cache.get(other, ok).get<jsondoc::String>("id"), "c");
  EXPECT_TRUE(ok);

  // An announced answer is known by being that string until the next announcement, which
  // always reads it again; other texts between are still told by their bytes.
  cache.expect(answer);
  EXPECT_EQ(cache.get(answer, ok).get<jsondoc::String>("id"), "b");
  EXPECT_EQ(cache.get(other, ok).get<jsondoc::String>("id"), "c");
  answer[8] = 'd';
  cache.expect(answer);
  EXPECT_EQ(cache.get(answer, ok).get<jsondoc::String>("id"), "d");
  answer = R"({"id": "eee"})";  // announced no more: its length changed
  EXPECT_EQ(cache.get(answer, ok).get<jsondoc::String>("id"), "eee");
}

}  // namespace
