#include "sim/Sessions.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>
#include <vector>

namespace unitysim {
namespace {

std::string randomBase64(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  if (RAND_bytes(raw.data(), static_cast<int>(raw.size())) != 1)
    throw std::runtime_error("RAND_bytes failed");
  std::vector<unsigned char> out(4 * ((bytes + 2) / 3) + 1);
  EVP_EncodeBlock(out.data(), raw.data(), static_cast<int>(raw.size()));
  return reinterpret_cast<const char*>(out.data());
}

}  // namespace

std::string randomHex(size_t bytes) {
  std::vector<unsigned char> raw(bytes);
  if (RAND_bytes(raw.data(), static_cast<int>(raw.size())) != 1)
    throw std::runtime_error("RAND_bytes failed");
  static const char* kDigits = "0123456789abcdef";
  std::string out;
  for (unsigned char b : raw) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
  return out;
}

void Sessions::setCredentials(std::string user, std::string password) {
  std::lock_guard<std::mutex> g(mutex_);
  user_ = std::move(user);
  password_ = std::move(password);
}

bool Sessions::checkCredentials(const std::string& user, const std::string& password) const {
  std::lock_guard<std::mutex> g(mutex_);
  return user == user_ && password == password_;
}

void Sessions::setIdleTimeout(std::chrono::seconds t) {
  std::lock_guard<std::mutex> g(mutex_);
  idle_ = t;
}

std::chrono::seconds Sessions::idleTimeout() const {
  std::lock_guard<std::mutex> g(mutex_);
  return idle_;
}

Session Sessions::create(const std::string& user) {
  Session s;
  // The shape of a real array's cookie; 81 random bytes give the usual 108-character token.
  s.cookie = "value3&1&value1&" + randomBase64(48) + "&value2&" + randomHex(32);
  s.csrfToken = randomBase64(81);
  s.user = user;
  s.lastUsed = clock_.now();
  std::lock_guard<std::mutex> g(mutex_);
  sessions_[s.cookie] = s;
  return s;
}

std::optional<Session> Sessions::touch(const std::string& cookie) {
  std::lock_guard<std::mutex> g(mutex_);
  auto it = sessions_.find(cookie);
  if (it == sessions_.end()) return std::nullopt;
  const auto now = clock_.now();
  if (now - it->second.lastUsed > idle_) {
    sessions_.erase(it);
    return std::nullopt;
  }
  it->second.lastUsed = now;
  return it->second;
}

void Sessions::end(const std::string& cookie) {
  std::lock_guard<std::mutex> g(mutex_);
  sessions_.erase(cookie);
}

void Sessions::expireAll() {
  std::lock_guard<std::mutex> g(mutex_);
  sessions_.clear();
}

size_t Sessions::active() const {
  std::lock_guard<std::mutex> g(mutex_);
  return sessions_.size();
}

std::string Sessions::cookieFrom(const std::string& header) {
  size_t pos = 0;
  while (pos < header.size()) {
    size_t end = header.find(';', pos);
    if (end == std::string::npos) end = header.size();
    std::string part = header.substr(pos, end - pos);
    part.erase(0, part.find_first_not_of(' '));
    const std::string key = "mod_sec_emc=";
    if (part.compare(0, key.size(), key) == 0) {
      std::string value = part.substr(key.size());
      value.erase(value.find_last_not_of(' ') + 1);
      return value;
    }
    pos = end + 1;
  }
  return {};
}

std::optional<std::pair<std::string, std::string>> Sessions::basicFrom(const std::string& header) {
  const std::string prefix = "Basic ";
  if (header.size() <= prefix.size() || header.compare(0, prefix.size(), prefix) != 0)
    return std::nullopt;
  std::string encoded = header.substr(prefix.size());
  encoded.erase(encoded.find_last_not_of(" \t") + 1);
  if (encoded.empty() || encoded.size() % 4 != 0) return std::nullopt;
  std::vector<unsigned char> out(encoded.size() / 4 * 3 + 1);
  const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(encoded.data()),
                                static_cast<int>(encoded.size()));
  if (n < 0) return std::nullopt;
  size_t len = static_cast<size_t>(n);
  if (encoded.size() >= 1 && encoded[encoded.size() - 1] == '=') --len;
  if (encoded.size() >= 2 && encoded[encoded.size() - 2] == '=') --len;
  const std::string decoded(reinterpret_cast<const char*>(out.data()), len);
  const size_t colon = decoded.find(':');
  if (colon == std::string::npos) return std::nullopt;
  return std::make_pair(decoded.substr(0, colon), decoded.substr(colon + 1));
}

}  // namespace unitysim
