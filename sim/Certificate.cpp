#include "sim/Certificate.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace unitysim {
namespace {

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("certificate generation failed: ") + what);
}

void addExtension(X509* cert, int nid, const char* value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
  check(ext != nullptr, "extension");
  const int added = X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
  check(added == 1, "add extension");
}

}  // namespace

void SelfSignedCertificate::FreeX509::operator()(X509* p) const {
  X509_free(p);
}
void SelfSignedCertificate::FreeKey::operator()(EVP_PKEY* p) const {
  EVP_PKEY_free(p);
}

SelfSignedCertificate::SelfSignedCertificate() {
  key_.reset(EVP_EC_gen("P-256"));
  check(key_ != nullptr, "key");
  cert_.reset(X509_new());
  X509* c = cert_.get();
  check(c != nullptr, "X509_new");
  check(X509_set_version(c, 2) == 1, "version");

  // Random serial: two certificates with the same issuer name and serial would confuse a client
  // that has seen the other one.
  unsigned char serial[16];
  check(RAND_bytes(serial, sizeof serial) == 1, "serial");
  serial[0] &= 0x7f;
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  check(bn != nullptr, "serial");
  ASN1_INTEGER* sn = BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(c));
  BN_free(bn);
  check(sn != nullptr, "serial");

  check(X509_gmtime_adj(X509_getm_notBefore(c), -3600) != nullptr, "notBefore");
  check(X509_gmtime_adj(X509_getm_notAfter(c), 365L * 24 * 3600) != nullptr, "notAfter");
  check(X509_set_pubkey(c, key_.get()) == 1, "pubkey");

  X509_NAME* name = X509_get_subject_name(c);
  const auto addName = [name](const char* field, const char* value) {
    check(X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(value), -1, -1, 0) == 1,
          "name");
  };
  addName("O", "unity-sim");
  addName("CN", "unity-sim array");
  check(X509_set_issuer_name(c, name) == 1, "issuer");

  addExtension(c, NID_basic_constraints, "critical,CA:TRUE");
  addExtension(c, NID_key_usage, "critical,digitalSignature,keyCertSign");
  addExtension(c, NID_ext_key_usage, "serverAuth");
  addExtension(c, NID_subject_key_identifier, "hash");
  addExtension(c, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
  check(X509_sign(c, key_.get(), EVP_sha256()) > 0, "sign");
}

SelfSignedCertificate::~SelfSignedCertificate() {
  if (!file_.empty()) std::remove(file_.c_str());
  if (!dir_.empty()) ::rmdir(dir_.c_str());
}

std::string SelfSignedCertificate::pem() const {
  BIO* bio = BIO_new(BIO_s_mem());
  check(bio != nullptr, "BIO");
  std::string out;
  if (PEM_write_bio_X509(bio, cert_.get()) == 1) {
    char* data = nullptr;
    const long len = BIO_get_mem_data(bio, &data);
    if (len > 0) out.assign(data, static_cast<size_t>(len));
  }
  BIO_free(bio);
  check(!out.empty(), "PEM");
  return out;
}

const std::string& SelfSignedCertificate::caFile() {
  if (!file_.empty()) return file_;
  const char* tmp = std::getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/unity-sim-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  check(::mkdtemp(buf.data()) != nullptr, "temporary directory");
  dir_ = buf.data();
  const std::string path = dir_ + "/ca.pem";
  std::ofstream out(path, std::ios::binary);
  out << pem();
  out.close();
  check(static_cast<bool>(out), "writing the PEM file");
  file_ = path;
  return file_;
}

std::string SelfSignedCertificate::publicKeyPin() const {
  unsigned char* der = nullptr;
  const int len = i2d_PUBKEY(key_.get(), &der);
  check(len > 0, "public key");
  const std::string pin = "sha256//" + sha256Base64(std::string(reinterpret_cast<const char*>(der),
                                                                static_cast<size_t>(len)));
  OPENSSL_free(der);
  return pin;
}

std::string sha256Base64(const std::string& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestLen = 0;
  check(EVP_Digest(data.data(), data.size(), digest, &digestLen, EVP_sha256(), nullptr) == 1,
        "digest");
  std::vector<unsigned char> b64(4 * ((digestLen + 2) / 3) + 1);
  EVP_EncodeBlock(b64.data(), digest, static_cast<int>(digestLen));
  return reinterpret_cast<const char*>(b64.data());
}

}  // namespace unitysim
