#include "unity/messages/EMCUnityJsonBase.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <utility>
#include <vector>

#include "json/jsondoc.h"
#include "platform/DiagLog.h"
#include "unity/TextUtils.h"
#include "unity/messages/DirectListRead.h"
#include "unity/messages/FieldExtraction.h"
#include "unity/messages/FilterText.h"

ParsedAnswerCache::ParsedAnswerCache() = default;
ParsedAnswerCache::~ParsedAnswerCache() = default;
ParsedAnswerCache::ParsedAnswerCache(const ParsedAnswerCache&) {}
ParsedAnswerCache& ParsedAnswerCache::operator=(const ParsedAnswerCache&) {
  std::string().swap(text_);
  document_.reset();
  haveCopy_ = false;
  expected_ = nullptr;
  expectedRead_ = false;
  return *this;
}

void ParsedAnswerCache::expect(const std::string& text) {
  expected_ = &text;
  expectedData_ = text.data();
  expectedSize_ = text.size();
  expectedRead_ = false;
}

bool ParsedAnswerCache::isExpected(const std::string& text) const {
  return &text == expected_ && text.data() == expectedData_ && text.size() == expectedSize_;
}

bool ParsedAnswerCache::unread(const std::string& text) const {
  return isExpected(text) && !expectedRead_;
}

bool ParsedAnswerCache::readExpected(const std::string& source) {
  if (!document_) document_ = std::make_unique<jsondoc::Object>();
  ok_ = document_->parse(source);
  expectedRead_ = true;
  haveCopy_ = false;
  std::string().swap(text_);
  return ok_;
}

bool ParsedAnswerCache::readInstead(const std::string& standIn) {
  return readExpected(standIn);
}

jsondoc::Object& ParsedAnswerCache::get(const std::string& text, bool& ok) {
  if (isExpected(text)) {
    if (!expectedRead_) readExpected(text);
  } else if (!document_ || !haveCopy_ || text != text_) {
    if (!document_) document_ = std::make_unique<jsondoc::Object>();
    ok_ = document_->parse(text);
    text_ = text;
    haveCopy_ = true;
    expected_ = nullptr;
    expectedRead_ = false;
  }
  ok = ok_;
  return *document_;
}

jsondoc::Object& EMCUnityJsonBase::ParsedAnswer(const std::string& response, bool& ok) {
  return parsedAnswer_.get(response, ok);
}

int EMCUnityJsonBase::getOpType() {
  return opType;
}

void EMCUnityJsonBase::Initialize(const std::string& server) {
  fileServer = server;
}

bool EMCUnityJsonBase::BuildRequest(std::string& body) {
  body.clear();
  MakeURI(nextURI, "");
  LogRequest("virtual bool EMCUnityJsonBase::BuildRequest(std::string&)", body);
  return true;
}

void EMCUnityJsonBase::InitNullableKeys() {}

_UNITY_http_req_type_ EMCUnityJsonBase::getHttpReqType() {
  return httpReqType;
}

// The next page goes to the array this message addresses, over HTTPS, whatever scheme and host
// the answer's "@base" names: the request carries the session's credentials and token, so an
// answer must not be able to send them elsewhere (or in clear text). Only the path and query of
// "@base" are taken; for the array's usual answers this changes nothing.
std::string EMCUnityJsonBase::OnThisArray(const std::string& base) const {
  const std::string origin = "https://" + fileServer;
  if (base.compare(0, origin.size() + 1, origin + "/") == 0) return base;  // the usual answer
  std::string rest = base;
  const std::string::size_type scheme = base.find("://");
  if (scheme != std::string::npos) {
    const std::string::size_type path = base.find('/', scheme + 3);
    rest = path == std::string::npos ? "" : base.substr(path);
  }
  if (rest.empty() || rest[0] != '/') rest.insert(0, "/");
  DiagLog log;
  log.logLevel("virtual void EMCUnityJsonBase::ParseNextURI(std::string&)", 1, jobId,
               "Next page kept on [%s]; the answer named [%s]", fileServer.c_str(), base.c_str());
  return origin + rest;
}

void EMCUnityJsonBase::ParseNextURI(std::string& response) {
  nextURI.clear();
  if (httpReqType != UNITY_HTTP_GET || response.empty()) return;
  bool parsed = false;
  jsondoc::Object& answer = ParsedAnswer(response, parsed);
  if (!parsed || answer.empty()) return;

  jsondoc::Value* links = nullptr;
  if (!ParseJsonValue(&answer, "links", links) || !links->is<jsondoc::Array>()) return;
  std::string reference;
  for (jsondoc::Value* entry : links->get<jsondoc::Array>().values()) {
    jsondoc::Object* link = ObjectOf(entry);
    if (link == nullptr || !link->has<jsondoc::String>("rel")) return;  // malformed: stop paging
    if (link->get<jsondoc::String>("rel") != "next") continue;
    if (!link->has<jsondoc::String>("href")) return;
    reference = link->get<jsondoc::String>("href");
    break;
  }
  if (reference.empty()) return;
  if (!answer.has<jsondoc::String>("@base") || answer.get<jsondoc::String>("@base").empty()) {
    return;
  }
  nextURI = OnThisArray(answer.get<jsondoc::String>("@base")) + reference;
  Replace_All(nextURI, " ", "+");
}

bool EMCUnityJsonBase::ParseResponse(std::string& response) {
  return ParseError(response);
}

bool EMCUnityJsonBase::ParseError(std::string& response) {
  static const char kTag[] = "virtual bool EMCUnityJsonBase::ParseError(std::string&)";
  DiagLog log;
  success = false;
  log.logLevelUntagged(5, jobId, "Json response : [%s]",
                       response.empty() ? "EMPTY" : response.c_str());
  errorText.clear();
  errorCode = 0;
  // A truncated answer reads partly before the reader fails; taking that part for the whole
  // answer would report lost records as success, so any failed read counts as unparsable.
  bool parsed = false;
  jsondoc::Object& answer = ParsedAnswer(response, parsed);
  if (!response.empty() && (!parsed || answer.empty())) {
    log.logLevel(kTag, -1, jobId, "Failed to parse json");
    return false;
  }
  errorCode = ~0ULL;
  errorText = "undefined";
  if (!answer.has<jsondoc::Object>("error")) {
    success = true;
    return true;
  }
  jsondoc::Object& error = answer.get<jsondoc::Object>("error");
  if (error.has<jsondoc::Number>("errorCode")) {
    // A code outside [0, 2^64) cannot be an array code: the all-ones code stays.
    ReadPathValue<jsondoc::Number>(&error, "errorCode", errorCode);
  }
  if (error.has<jsondoc::Array>("messages")) {
    const jsondoc::Array& messages = error.get<jsondoc::Array>("messages");
    jsondoc::Object* first = messages.empty() ? nullptr : ObjectOf(messages.values().front());
    if (first != nullptr && !first->empty()) {
      // The array sends one object of message texts (one member per locale); the first is used.
      jsondoc::Value* text = first->kv_map().begin()->second;
      if (text->is<jsondoc::String>()) errorText = text->get<jsondoc::String>();
    }
  }
  log.logLevel(kTag, -1, jobId, "[%llu] : %s", errorCode, errorText.c_str());
  return true;
}

void EMCUnityJsonBase::getError(unsigned long long& code, std::string& text) {
  code = errorCode;
  text = errorText;
}

void EMCUnityJsonBase::setError(const unsigned long long& code, const std::string& text) {
  errorCode = code;
  errorText = text;
}

void EMCUnityJsonBase::setTimeout(const long& value) {
  timeout = value;
}

bool EMCUnityJsonBase::isSuccess() {
  return success;
}

std::string EMCUnityJsonBase::GetNextURI() {
  return nextURI;
}

void EMCUnityJsonBase::MakeURI(std::string& uri, const std::string& query) {
  uri = "https://" + fileServer + "/api/";
  // A POST without an action creates: it goes to the type collection even when an instance id
  // is set.
  if (!instanceId.empty() && (httpReqType != UNITY_HTTP_POST || !actionName.empty())) {
    // Ids can come from callers: bytes that would end the path segment or start the query or
    // fragment are percent-encoded, so an id can only ever name an instance.
    uri += "instances/" + resourceType + "/" + percent_encode_only(instanceId, "%/?#");
    if (!actionName.empty()) uri += "/action/" + actionName;
  } else {
    uri += "types/" + resourceType + "/instances";
  }
  uri += "?";
  if (httpReqType != UNITY_HTTP_GET) {
    if (timeout >= 0) {
      char text[32];
      std::snprintf(text, sizeof(text), "%ld", timeout);
      uri += "&timeout=";
      uri += text;
    }
  } else if (!fieldKeys.empty()) {
    uri += "&fields=";
    bool first = true;
    for (const std::map<std::string, void*>::value_type& entry : fieldKeys) {
      if (!first) uri += ",";
      uri += entry.first;
      first = false;
    }
  }
  if (!query.empty()) uri += "&" + query;
  Replace_All(uri, " ", "+");
}

void EMCUnityJsonBase::Init(unsigned long long job, std::string version) {
  jobId = job;
  apiVersion = std::move(version);
}

std::string EMCUnityJsonBase::WriteBody(const jsondoc::Object& request) {
  std::ostringstream text;
  text << request;
  return text.str();
}

bool EMCUnityJsonBase::ReadCreatedId(const std::string& response) {
  std::string id;
  if (!ReadPathValue<jsondoc::String>(&ParsedAnswer(response), "content.id", id)) return false;
  instanceId = id;
  return true;
}

void EMCUnityJsonBase::LogRequest(const char* tag, const std::string& body) const {
  DiagLog log;
  log.logLevel(tag, 5, jobId, "URI : [%s], \n Request Body : [%s]", nextURI.c_str(),
               body.empty() ? "EMPTY" : body.c_str());
}

void EMCUnityJsonBase::SetFieldKeys(const UnityFieldKey* keys, std::size_t count) {
  fieldKeys.clear();
  for (std::size_t i = 0; i < count; ++i) {
    fieldKeys[keys[i].path] = keys[i].nullable ? nullableKey : nullptr;
  }
}

void EMCUnityJsonBase::MarkNullableKeys(const UnityFieldKey* keys, std::size_t count) {
  FieldMapReader* reader = fieldReader_.reader;
  if (reader != nullptr && reader->remark(keys, count)) return;
  std::vector<void**> slots;
  for (std::size_t i = 0; i < count; ++i) {
    if (!keys[i].nullable) continue;
    const std::map<std::string, void*>::iterator it = fieldKeys.find(keys[i].path);
    if (it == fieldKeys.end()) continue;
    it->second = nullableKey;
    slots.push_back(&it->second);
  }
  if (reader != nullptr) reader->cacheMarks(keys, count, std::move(slots));
}

std::map<std::string, void*>::value_type* EMCUnityJsonBase::FieldEntry(std::string_view key) {
  if (fieldReader_.page != nullptr) {
    // The page's keys are the map's.
    const std::size_t index = fieldReader_.page->key(key);
    return index == DirectListPage::kNoKey ? nullptr : fieldReader_.page->entry(index);
  }
  if (fieldReader_.reader != nullptr) return fieldReader_.reader->find(key);
  const std::map<std::string, void*>::iterator it = fieldKeys.find(std::string(key));
  return it == fieldKeys.end() ? nullptr : &*it;
}

// GetFieldValue without its copies of the map and the key (it takes both by value), for the
// reads of every record field; a key never entered goes through GetFieldValue for its log line.
// On a page read straight from its text, a value there with the type read is read from the
// page; anything else takes the usual way, for the same result and log line.
template <typename T, typename R>
bool EMCUnityJsonBase::ReadFieldAs(std::string_view key, R& out) {
  DirectListPage* page = fieldReader_.page;
  const std::map<std::string, void*>::value_type* entry = nullptr;
  if (page != nullptr) {
    const std::size_t index = page->key(key);
    if (index != DirectListPage::kNoKey) {
      if (page->read(index, out)) return true;
      if (page->absentUnlogged(index)) return false;
      entry = page->entry(index);
    }
  } else {
    entry = FieldEntry(key);
  }
  if (entry == nullptr) return GetFieldValue<T>(fieldKeys, std::string(key), out);
  return ParseValue<T, R>(entry->second, out);
}

bool EMCUnityJsonBase::ReadField(std::string_view key, std::string& out) {
  return ReadFieldAs<jsondoc::String>(key, out);
}

bool EMCUnityJsonBase::ReadField(std::string_view key, bool& out) {
  return ReadFieldAs<jsondoc::Boolean>(key, out);
}

bool EMCUnityJsonBase::ReadField(std::string_view key, int& out) {
  return ReadFieldAs<jsondoc::Number>(key, out);
}

bool EMCUnityJsonBase::ReadField(std::string_view key, long& out) {
  return ReadFieldAs<jsondoc::Number>(key, out);
}

bool EMCUnityJsonBase::ReadField(std::string_view key, unsigned long long& out) {
  return ReadFieldAs<jsondoc::Number>(key, out);
}

bool EMCUnityJsonBase::ParseListElements(std::string& response,
                                         const std::function<bool(jsondoc::Object* content)>& visit,
                                         const UnityListOptions& options,
                                         const std::function<void(std::size_t count)>& expect) {
  // A page read straight from its text leaves the error check a document without entries; its
  // records are visited after the check, as those of the document would be.
  const std::unique_ptr<DirectListPage> direct = ReadPageDirectly(response, options);
  // The error check parses the answer; the records are read from the same document.
  if (!ParseError(response)) return false;
  if (!isSuccess()) return true;  // the array's error stays in the message for the session
  if (direct) return VisitDirectPage(*direct, visit, expect);

  jsondoc::Object& answer = ParsedAnswer(response);
  // Elements that are not objects are kept as null: they have no content.
  std::vector<jsondoc::Object*> elements;
  if (answer.has<jsondoc::Array>("entries")) {
    for (jsondoc::Value* entry : answer.get<jsondoc::Array>("entries").values()) {
      if (options.failOnNonObjectElements && ObjectOf(entry) == nullptr) return false;
      elements.push_back(ObjectOf(entry));
    }
  } else {
    elements.push_back(&answer);  // the answer to an instance-form request
  }
  if (options.firstElementOnly && elements.empty()) return false;
  if (expect) expect(options.firstElementOnly ? 1 : elements.size());

  // Records share one set of keys: the field map is prepared once for all of them. The reader
  // is only reachable through fieldReader_ while this loop runs.
  std::unique_ptr<FieldMapReader> reader;
  struct Detach {
    FieldMapReader*& active;
    ~Detach() { active = nullptr; }
  } detach{fieldReader_.reader};
  std::uint32_t contentHint = 0;  // the elements share their layout
  for (jsondoc::Object* object : elements) {
    jsondoc::Object* content = nullptr;
    if (object != nullptr) {
      content =
          ObjectOf(jsondoc::detail::DirectRead::find(object->kv_map(), "content", contentHint));
    }
    if (content == nullptr) {
      if (!visit(nullptr)) return false;
    } else {
      if (!reader || reader->stale()) {
        fieldReader_.reader = nullptr;
        reader = std::make_unique<FieldMapReader>(fieldKeys);
        fieldReader_.reader = reader.get();
      }
      // The field map points into the parsed answer while the record is read.
      InitNullableKeys();
      if (!reader->resolve(content)) {
        if (options.extractionFailureTag != nullptr) {
          DiagLog log;
          log.logLevel(options.extractionFailureTag, -1, jobId, "Failed to parse values from json");
        }
        return false;
      }
      if (!visit(content)) return false;
    }
    if (options.firstElementOnly) break;
  }
  return true;
}
