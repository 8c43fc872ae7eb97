#pragma once
// An HTTPS server on 127.0.0.1 with a certificate generated at construction. Clients trust it
// through caFile() (or pin publicKeyPin()), so they keep certificate and host-name verification on.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/Certificate.h"

namespace httplib {
class SSLServer;
}

namespace unitysim {

class TlsServer {
 public:
  // Generates the key and certificate and writes the certificate to a fresh temporary directory.
  // Throws std::runtime_error on failure.
  TlsServer();
  // Stops the server and removes the certificate file.
  ~TlsServer();
  TlsServer(const TlsServer&) = delete;
  TlsServer& operator=(const TlsServer&) = delete;

  // Connections served at once (kept-alive ones included); more wait for a free worker.
  static constexpr int kWorkers = 64;

  // Register handlers before start(). The server object lives as long as this one.
  httplib::SSLServer& http() { return *server_; }

  // Binds 127.0.0.1 on `port` (0: an ephemeral one) and serves on a thread of its own; returns
  // once the server accepts requests. Throws std::runtime_error if it cannot bind.
  void start(int port = 0);
  // Stops accepting, closes idle keep-alive connections and joins the serving thread. Idempotent.
  void stop();

  int port() const { return port_; }
  std::string baseUrl() const;  // "https://127.0.0.1:<port>"
  const std::string& caFile() const { return caFile_; }
  std::string publicKeyPin() const { return cert_.publicKeyPin(); }
  const SelfSignedCertificate& certificate() const { return cert_; }

  // TLS handshakes completed (full or resumed), one per connection.
  long handshakeCount() const { return counters_.handshakes.load(); }
  // Connections that began a TLS handshake, including those the client then abandoned.
  long connectionCount() const { return counters_.connections.load(); }

  // Updated from OpenSSL's info callback on the serving threads.
  struct Counters {
    std::atomic<long> handshakes{0};
    std::atomic<long> connections{0};
  };

 private:
  SelfSignedCertificate cert_;
  std::string caFile_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  int port_ = 0;
  bool started_ = false;
  std::atomic<bool> loopEnded_{false};
  Counters counters_;
};

}  // namespace unitysim
