#pragma once
// A key pair and a self-signed CA-style certificate generated in memory, for the simulator's TLS
// endpoint and for tests that need a certificate nobody trusts.

#include <memory>
#include <string>

typedef struct x509_st X509;
typedef struct evp_pkey_st EVP_PKEY;

namespace unitysim {

// Base64 of the SHA-256 digest of data. Throws std::runtime_error if OpenSSL fails.
std::string sha256Base64(const std::string& data);

class SelfSignedCertificate {
 public:
  // Generates a P-256 key and a certificate valid for a year, with subject alternative names
  // IP 127.0.0.1 and DNS localhost. Throws std::runtime_error if OpenSSL fails.
  SelfSignedCertificate();
  // Removes the PEM file and its directory if caFile() wrote them.
  ~SelfSignedCertificate();
  SelfSignedCertificate(const SelfSignedCertificate&) = delete;
  SelfSignedCertificate& operator=(const SelfSignedCertificate&) = delete;

  // Borrowed; valid for the lifetime of this object.
  X509* certificate() const { return cert_.get(); }
  EVP_PKEY* key() const { return key_.get(); }

  std::string pem() const;
  // Path of a PEM file holding the certificate, written on first call into a fresh private
  // temporary directory. Clients use it as their CA bundle.
  const std::string& caFile();
  // "sha256//<base64 of SHA-256 of the DER SubjectPublicKeyInfo>", libcurl's pinned-key syntax.
  std::string publicKeyPin() const;

 private:
  struct FreeX509 {
    void operator()(X509* p) const;
  };
  struct FreeKey {
    void operator()(EVP_PKEY* p) const;
  };
  std::unique_ptr<EVP_PKEY, FreeKey> key_;
  std::unique_ptr<X509, FreeX509> cert_;
  std::string dir_;
  std::string file_;
};

}  // namespace unitysim
