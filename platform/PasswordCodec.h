// Password decoder of the host product. Stored forms: "env:NAME" (an environment variable),
// "file:PATH" (the first line of a file only its owner may read) and "base64:TEXT".
#pragma once

class PasswordCodec {
 public:
  PasswordCodec() = default;

  // On entry *outLength is the size of out. Returns non-zero on success with the plain password
  // NUL-terminated in out and its length (without the NUL) in *outLength; zero on failure, with
  // out and *outLength untouched: unknown form, unset variable, a file that is not a regular file
  // or that group or others may access, invalid Base64 (strict: no blanks, exact padding), an
  // empty password or one holding a NUL byte, or a password that does not fit with its NUL.
  // For files the first line is taken, without its LF or CRLF. Never logs anything.
  int decode(const char* stored, char* out, unsigned long* outLength);
};
