// Base of every request/response message exchanged with the array. A message serves one
// operation: the session builds its request, sends each page, and lets it parse each answer into
// its records. Messages live on the stack of one operation and are used by one thread.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace jsondoc {
class Object;
}
class FieldMapReader;
class DirectListPage;

// HTTP method of a message; the numbers are also the transport's method codes.
enum _UNITY_http_req_type_ : int {
  UNITY_HTTP_GET = 0,
  UNITY_HTTP_POST = 1,
  UNITY_HTTP_PUT = 2,
  UNITY_HTTP_DELETE = 3,
};

// Operation type of a message (`opType`): the session treats login and logout specially.
enum _UNITY_OP_TYPE_ : int {
  UNITY_OP_REQUEST = 0,
  UNITY_OP_LOGIN = 1,
  UNITY_OP_LOGOUT = 2,
};

// The JSON value a list read straight from the answer text (UnityListOptions::directKeys) takes
// for an attribute, as the record's ReadField call reads it without a word: a string, an integer
// in [0, 2^64) or a boolean; or any value, which is then read by the document reader alone.
enum class UnityFieldType : unsigned char { kUnchecked, kText, kUnsigned, kBoolean, kAnyValue };

// One requested answer attribute: a dotted key path and whether the array may omit it (or send
// null). Messages list theirs in a static table and enter it with SetFieldKeys.
struct UnityFieldKey {
  const char* path;
  bool nullable;
  UnityFieldType type = UnityFieldType::kUnchecked;
};
constexpr bool kRequiredKey = false;
constexpr bool kNullableKey = true;

// How the shared list-answer parsing treats its input; see ParseListResponse.
struct UnityListOptions {
  // An element without a "content" object is appended with the record's defaults, or skipped.
  bool skipElementsWithoutContent = false;
  // Only the first element is read, and an answer without any element fails.
  bool firstElementOnly = false;
  // An element of "entries" that is not a JSON object fails the parse instead of counting as an
  // element without content.
  bool failOnNonObjectElements = false;
  // When set, a failed field-map extraction logs "Failed to parse values from json" under this
  // tag at level -1 before failing.
  const char* extractionFailureTag = nullptr;
  // The field map's keys with their types, when every record reads only those, with ReadField
  // and FieldEntry (not its content object, nor fieldKeys itself). A page whose elements all
  // hold exactly these, plainly written, is then read straight from the text of a page the
  // request road announced, with no document of its entries; any other page goes the usual
  // way, with the same records and log lines.
  const UnityFieldKey* directKeys = nullptr;
  std::size_t directKeyCount = 0;
};

// Options under which a non-object element of "entries" fails the parse instead of becoming an
// empty record.
inline UnityListOptions StrictElements() {
  UnityListOptions options;
  options.failOnNonObjectElements = true;
  return options;
}

// `options` with the records of a plainly written page read straight from its text (see
// UnityListOptions::directKeys); `keys` must be the field map's, each with its type.
inline UnityListOptions DirectlyReadable(UnityListOptions options, const UnityFieldKey* keys,
                                         std::size_t count) {
  options.directKeys = keys;
  options.directKeyCount = count;
  return options;
}
template <std::size_t N>
UnityListOptions DirectlyReadable(UnityListOptions options, const UnityFieldKey (&keys)[N]) {
  return DirectlyReadable(options, keys, N);
}

// The last answer text a message read and its parsed document, so that the error check, the
// records and the paging links of one answer share a single parse. An answer is recognised by
// equal bytes, for which a copy of the text is kept; or, once announced with `expect`, by being
// that very string, which its announcer leaves unchanged while it is read (the request road, for
// the page it reads: no copy of answers of up to tens of MB). Copies of the cache start empty.
class ParsedAnswerCache {
 public:
  ParsedAnswerCache();
  ~ParsedAnswerCache();
  ParsedAnswerCache(const ParsedAnswerCache&);
  ParsedAnswerCache& operator=(const ParsedAnswerCache&);

  // The document read from `text` (parsed once per distinct text); `ok` is the reader's result.
  jsondoc::Object& get(const std::string& text, bool& ok);
  // Announces `text` as the answer read next, unchanged until the next announcement.
  void expect(const std::string& text);
  // True when `text` is the announced answer and has not been read yet.
  bool unread(const std::string& text) const;
  // Reads `standIn` as the document of the announced, unread answer; the reader's result.
  bool readInstead(const std::string& standIn);

 private:
  bool isExpected(const std::string& text) const;
  // Reads `source` as the document of the announced answer.
  bool readExpected(const std::string& source);

  std::string text_;  // what the document was read from, unless it was read from `expected_`
  std::unique_ptr<jsondoc::Object> document_;
  bool ok_ = false;
  bool haveCopy_ = false;
  const std::string* expected_ = nullptr;
  const char* expectedData_ = nullptr;
  std::size_t expectedSize_ = 0;
  bool expectedRead_ = false;
};

class EMCUnityJsonBase {
 public:
  EMCUnityJsonBase() = default;
  EMCUnityJsonBase(const EMCUnityJsonBase&) = default;
  EMCUnityJsonBase& operator=(const EMCUnityJsonBase&) = default;

  // The virtual operations below keep this order (slots 0 to 13); the destructor comes last so
  // it does not move them.
  virtual int getOpType();
  virtual void Initialize(const std::string& fileServer);
  virtual bool BuildRequest(std::string& body);
  virtual void InitNullableKeys();
  virtual _UNITY_http_req_type_ getHttpReqType();
  virtual void ParseNextURI(std::string& response);
  virtual bool ParseResponse(std::string& response);
  virtual bool ParseError(std::string& response);
  virtual void getError(unsigned long long& code, std::string& text);
  virtual void setError(const unsigned long long& code, const std::string& text);
  virtual void setTimeout(const long& value);
  virtual bool isSuccess();
  virtual std::string GetNextURI();
  virtual void MakeURI(std::string& uri, const std::string& query);
  virtual ~EMCUnityJsonBase() = default;

  void Init(unsigned long long jobId, std::string apiVersion);
  // Announces the answer the next error check, records and paging links read (see
  // ParsedAnswerCache::expect): the caller changes it no more until its next announcement.
  void ExpectAnswer(const std::string& response) { parsedAnswer_.expect(response); }

 protected:
  // The parsed answer (see ParsedAnswerCache); valid until the next call with another text.
  jsondoc::Object& ParsedAnswer(const std::string& response, bool& ok);
  jsondoc::Object& ParsedAnswer(const std::string& response) {
    bool ok = false;
    return ParsedAnswer(response, ok);
  }

  // "https://" + fileServer + the path and query of `base` (see ParseNextURI).
  std::string OnThisArray(const std::string& base) const;

  // The compact JSON text of a request body.
  static std::string WriteBody(const jsondoc::Object& request);

  // The reading of a creation answer after a successful error check: the new object's id from
  // "content.id" into instanceId. False, with instanceId unchanged, when there is none.
  bool ReadCreatedId(const std::string& response);

  // Logs the request trace "URI : [...], \n Request Body : [...]" at level 5 under `tag`.
  void LogRequest(const char* tag, const std::string& body) const;

  // Empties the field map and enters `count` keys: required ones with null, nullable ones with
  // the nullable marker.
  void SetFieldKeys(const UnityFieldKey* keys, std::size_t count);
  template <std::size_t N>
  void SetFieldKeys(const UnityFieldKey (&keys)[N]) {
    SetFieldKeys(keys, N);
  }
  // Sets the nullable marker again on those nullable keys of `keys` that are in the field map
  // (extraction overwrites it); the body of an InitNullableKeys override.
  void MarkNullableKeys(const UnityFieldKey* keys, std::size_t count);
  template <std::size_t N>
  void MarkNullableKeys(const UnityFieldKey (&keys)[N]) {
    MarkNullableKeys(keys, N);
  }

  // Typed reads of a filled field map (GetFieldValue with the matching JSON type). False when the
  // key is unknown, absent, null, of another JSON type or out of the field's range; `out` is then
  // unchanged.
  bool ReadField(std::string_view key, std::string& out);
  bool ReadField(std::string_view key, bool& out);
  bool ReadField(std::string_view key, int& out);
  bool ReadField(std::string_view key, long& out);
  bool ReadField(std::string_view key, unsigned long long& out);

  // The field map's entry of `key`, or null when the map has none.
  std::map<std::string, void*>::value_type* FieldEntry(std::string_view key);

  // Shared parsing of a query answer: error check, then every element of "entries" (or the whole
  // answer as the only element) read into one record of `out` (any container with push_back).
  //   bool readRecord(jsondoc::Object& content, Record& record)
  // is called with the field map resolved in the element's content (InitNullableKeys
  // and GetJsonValues done); it reads the fields with ReadField in the record's order and returns
  // false when a required one fails, which ends parsing with false (records of earlier elements
  // stay). Defined in unity/ListResponse.h.
  template <typename Container, typename ReadRecord>
  bool ParseListResponse(std::string& response, Container& out, ReadRecord readRecord,
                         const UnityListOptions& options = UnityListOptions());

  // The non-template core of ParseListResponse: `visit` gets each element's content (inside the
  // parsed answer) with the field map resolved, or null for an element without a "content" object.
  // `expect`, when given, learns the number of elements before the first visit.
  bool ParseListElements(std::string& response,
                         const std::function<bool(jsondoc::Object* content)>& visit,
                         const UnityListOptions& options,
                         const std::function<void(std::size_t count)>& expect = nullptr);

  std::string fileServer;
  std::string apiVersion = "4.0";
  bool success = false;
  int opType = UNITY_OP_REQUEST;
  _UNITY_http_req_type_ httpReqType = UNITY_HTTP_GET;
  std::string resourceType;
  std::string instanceId;
  std::string actionName;
  std::map<std::string, void*> fieldKeys;
  std::string nextURI;
  long timeout = -1;
  std::string errorText;
  unsigned long long errorCode = 0;
  unsigned long long jobId = 0;

 private:
  // The field map's fast paths while ParseListElements reads records; copies start without one.
  struct ActiveFieldReader {
    FieldMapReader* reader = nullptr;
    DirectListPage* page = nullptr;  // the page read straight from its text, while visited
    ActiveFieldReader() = default;
    ActiveFieldReader(const ActiveFieldReader&) {}
    ActiveFieldReader& operator=(const ActiveFieldReader&) { return *this; }
  };

  template <typename T, typename R>
  bool ReadFieldAs(std::string_view key, R& out);
  // The records of a page read straight from its text (UnityListOptions::directKeys), when the
  // page is announced and plainly written; the cache then holds its document without entries.
  std::unique_ptr<DirectListPage> ReadPageDirectly(const std::string& response,
                                                   const UnityListOptions& options);
  // Visits the records of a page read directly, as the document loop visits elements.
  bool VisitDirectPage(DirectListPage& page,
                       const std::function<bool(jsondoc::Object* content)>& visit,
                       const std::function<void(std::size_t count)>& expect);

  ParsedAnswerCache parsedAnswer_;
  ActiveFieldReader fieldReader_;
};
