// Password decoder of the host product. Stored forms: "env:NAME" (an environment variable),
// "file:PATH" (the first line of a file only its owner may read) and "base64:TEXT".
#pragma once

class PasswordCodec {
 public:
  PasswordCodec() = default;

  // On entry *outLength is the size of out. Returns non-zero on success with the plain password
  // NUL-terminated in out; zero on failure (unknown form, unreadable source, too long).
  int decode(const char* stored, char* out, unsigned long* outLength);
};
