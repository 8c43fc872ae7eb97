#include "platform/PasswordCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A file longer than this cannot hold a sensible password; reading stops there.
constexpr size_t kMaxFileBytes = 64 * 1024;

// Overwrites a buffer that held password text before its memory is released.
void wipe(std::string& secret) {
  if (!secret.empty()) explicit_bzero(&secret[0], secret.size());
  secret.clear();
}

bool startsWith(const char* text, const char* prefix, const char** rest) {
  const size_t n = std::strlen(prefix);
  if (std::strncmp(text, prefix, n) != 0) return false;
  *rest = text + n;
  return true;
}

bool fromEnvironment(const char* name, std::string& out) {
  if (*name == '\0') return false;
  const char* value = std::getenv(name);
  if (value == nullptr) return false;
  out = value;
  return true;
}

// The first line of a regular file that neither group nor others may access. The checks run on
// the opened descriptor, so the file cannot be swapped between check and read; O_NONBLOCK keeps a
// FIFO planted at the path from blocking the open.
bool fromFile(const char* path, std::string& out) {
  if (*path == '\0') return false;
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 077) != 0) {
    ::close(fd);
    return false;
  }
  std::string content(kMaxFileBytes, '\0');
  size_t used = 0;
  bool ok = true;
  while (used < content.size()) {
    const ssize_t n = ::read(fd, &content[used], content.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    used += static_cast<size_t>(n);
    if (std::memchr(content.data(), '\n', used) != nullptr) break;
  }
  ::close(fd);
  if (ok) {
    size_t end = 0;
    while (end < used && content[end] != '\n') ++end;
    if (end > 0 && content[end - 1] == '\r') --end;
    out.assign(content.data(), end);
  }
  wipe(content);
  return ok;
}

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Strict standard Base64: length a multiple of 4, padding only at the end, no blanks, and the
// unused bits of the last group zero, so every text decodes to one value or fails.
bool fromBase64(const char* text, std::string& out) {
  const size_t length = std::strlen(text);
  if (length % 4 != 0) return false;
  size_t padding = 0;
  if (length > 0 && text[length - 1] == '=') {
    ++padding;
    if (text[length - 2] == '=') ++padding;
  }
  out.clear();
  out.reserve(length / 4 * 3);
  for (size_t i = 0; i < length; i += 4) {
    const bool last = i + 4 == length;
    unsigned int group = 0;
    for (size_t j = 0; j < 4; ++j) {
      const char c = text[i + j];
      int v = 0;
      if (c == '=' && last && j >= 4 - padding) {
        v = 0;
      } else {
        v = base64Value(c);
        if (v < 0) return false;
      }
      group = (group << 6) | static_cast<unsigned int>(v);
    }
    const size_t bytes = last ? 3 - padding : 3;
    if (last && padding == 1 && (group & 0xffu) != 0) return false;
    if (last && padding == 2 && (group & 0xffffu) != 0) return false;
    for (size_t b = 0; b < bytes; ++b) out += static_cast<char>((group >> (16 - 8 * b)) & 0xffu);
  }
  return true;
}

}  // namespace

int PasswordCodec::decode(const char* stored, char* out, unsigned long* outLength) {
  if (stored == nullptr || out == nullptr || outLength == nullptr || *outLength == 0) return 0;
  std::string plain;
  const char* rest = nullptr;
  bool ok = false;
  if (startsWith(stored, "env:", &rest)) {
    ok = fromEnvironment(rest, plain);
  } else if (startsWith(stored, "file:", &rest)) {
    ok = fromFile(rest, plain);
  } else if (startsWith(stored, "base64:", &rest)) {
    ok = fromBase64(rest, plain);
  }
  // An empty result means a missing or empty source, and an embedded NUL cannot be passed on as
  // text; both would only surface later as a refused login.
  ok = ok && !plain.empty() && plain.find('\0') == std::string::npos && plain.size() < *outLength;
  if (ok) {
    std::memcpy(out, plain.c_str(), plain.size() + 1);
    *outLength = plain.size();
  }
  wipe(plain);
  return ok ? 1 : 0;
}
