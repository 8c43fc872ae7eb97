#include "SimClient.h"

namespace simtest {
namespace {

size_t onBody(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

size_t onHeader(char* data, size_t size, size_t count, void* out) {
  std::string line(data, size * count);
  const size_t colon = line.find(':');
  if (colon != std::string::npos) {
    std::string value = line.substr(colon + 1);
    value.erase(0, value.find_first_not_of(' '));
    value.erase(value.find_last_not_of("\r\n ") + 1);
    static_cast<Reply*>(out)->headers.emplace_back(line.substr(0, colon), value);
  }
  return size * count;
}

}  // namespace

std::string Reply::header(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (unitysim::equalsIgnoreCase(k, name)) return v;
  return {};
}

unitysim::Json Reply::json() const {
  return unitysim::Json::parse(body, nullptr, false);
}

unsigned long long Reply::errorCode() const {
  const auto j = json();
  if (j.is_discarded() || !j.is_object() || !j.contains("error")) return 0;
  return j["error"].value("errorCode", 0ULL);
}

SimClient::SimClient(unitysim::Simulator& sim) : sim_(sim), curl_(curl_easy_init()) {
  curl_easy_setopt(curl_, CURLOPT_COOKIEFILE, "");  // in-memory cookie engine
}

SimClient::~SimClient() {
  curl_easy_cleanup(curl_);
}

void SimClient::forgetCookies() {
  curl_easy_setopt(curl_, CURLOPT_COOKIELIST, "ALL");
}

Reply SimClient::login() {
  return get("/api/types/loginSessionInfo/instances");
}

Reply SimClient::get(const std::string& target, const RequestOptions& o) {
  return send("GET", target, "", o);
}
Reply SimClient::post(const std::string& target, const std::string& body, const RequestOptions& o) {
  return send("POST", target, body, o);
}
Reply SimClient::del(const std::string& target, const RequestOptions& o) {
  return send("DELETE", target, "", o);
}

Reply SimClient::send(const std::string& method, const std::string& target, const std::string& body,
                      const RequestOptions& o) {
  Reply r;
  const std::string url = sim_.baseUrl() + target;
  curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl_, CURLOPT_CAINFO, sim_.caFile().c_str());
  curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, method.c_str());
  curl_easy_setopt(curl_, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(curl_, CURLOPT_POST, method == "GET" ? 0L : 1L);
  if (method == "GET") curl_easy_setopt(curl_, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &onBody);
  curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &r.body);
  curl_easy_setopt(curl_, CURLOPT_HEADERFUNCTION, &onHeader);
  curl_easy_setopt(curl_, CURLOPT_HEADERDATA, &r);
  curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
  curl_easy_setopt(curl_, CURLOPT_USERPWD, o.credentials ? "admin:Password123!" : nullptr);

  curl_slist* headers = nullptr;
  headers = curl_slist_append(headers, "Accept: application/json; version=4.0");
  if (o.restClientHeader) headers = curl_slist_append(headers, "X-EMC-REST-CLIENT: true");
  headers = curl_slist_append(headers, "Content-Type: application/json");
  if (o.csrf && !csrf_.empty())
    headers = curl_slist_append(headers, ("EMC-CSRF-TOKEN: " + csrf_).c_str());
  for (const auto& h : o.extraHeaders) headers = curl_slist_append(headers, h.c_str());
  curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers);
  r.code = curl_easy_perform(curl_);
  curl_slist_free_all(headers);
  curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &r.status);
  const std::string token = r.header("EMC-CSRF-TOKEN");
  if (!token.empty()) csrf_ = token;
  return r;
}

}  // namespace simtest
