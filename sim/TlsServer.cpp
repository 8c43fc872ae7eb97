#include "sim/TlsServer.h"

#include <httplib.h>
#include <openssl/ssl.h>

#include <stdexcept>

namespace unitysim {
namespace {

// Per-connection marks so a connection is counted once: TLS 1.3 servers report "handshake done"
// again after post-handshake messages such as session tickets.
constexpr long kStarted = 1;
constexpr long kDone = 2;

int exIndex() {
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

int serverExIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

void infoCallback(const SSL* ssl, int where, int) {
  auto* counters =
      static_cast<TlsServer::Counters*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), serverExIndex()));
  if (counters == nullptr) return;
  SSL* s = const_cast<SSL*>(ssl);
  const long marks = reinterpret_cast<long>(SSL_get_ex_data(s, exIndex()));
  if ((where & SSL_CB_HANDSHAKE_START) && !(marks & kStarted)) {
    SSL_set_ex_data(s, exIndex(), reinterpret_cast<void*>(marks | kStarted));
    ++counters->connections;
  } else if ((where & SSL_CB_HANDSHAKE_DONE) && !(marks & kDone)) {
    SSL_set_ex_data(s, exIndex(), reinterpret_cast<void*>(marks | kDone));
    ++counters->handshakes;
  }
}

}  // namespace

TlsServer::TlsServer() : caFile_(cert_.caFile()) {
  server_ = std::make_unique<httplib::SSLServer>(cert_.certificate(), cert_.key());
  if (!server_->is_valid()) throw std::runtime_error("TLS server setup failed");
  SSL_CTX* ctx = server_->ssl_context();
  SSL_CTX_set_ex_data(ctx, serverExIndex(), &counters_);
  SSL_CTX_set_info_callback(ctx, &infoCallback);
  // A management client keeps one connection for a whole job; the default of 5 requests per
  // connection would make every sixth request pay a new handshake, which the array does not.
  server_->set_keep_alive_max_count(1000);
  server_->set_keep_alive_timeout(30);
  // Small answers written in pieces would otherwise wait for delayed ACKs (~40 ms each).
  server_->set_tcp_nodelay(true);
  // httplib serves a kept-alive connection on one worker until the client closes it, so each
  // client that keeps its connection holds a worker even while idle. A backup server runs dozens
  // of jobs against one array at once; fewer workers would queue new connections behind idle
  // ones until the keep-alive time-out.
  server_->new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
}

TlsServer::~TlsServer() {
  stop();
}

void TlsServer::start(int port) {
  if (started_) return;
  if (port > 0) {
    port_ = server_->bind_to_port("127.0.0.1", port) ? port : -1;
  } else {
    port_ = server_->bind_to_any_port("127.0.0.1");
  }
  if (port_ <= 0) throw std::runtime_error("cannot bind 127.0.0.1");
  started_ = true;
  loopEnded_ = false;
  thread_ = std::thread([this] {
    server_->listen_after_bind();
    loopEnded_ = true;
  });
  // The socket already listens, but stop() is only effective once the loop runs.
  while (!server_->is_running() && !loopEnded_) std::this_thread::yield();
  if (loopEnded_) {
    thread_.join();
    started_ = false;
    throw std::runtime_error("TLS server loop ended at start");
  }
}

void TlsServer::stop() {
  if (!started_) return;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  started_ = false;
}

std::string TlsServer::baseUrl() const {
  return "https://127.0.0.1:" + std::to_string(port_);
}

}  // namespace unitysim
