// A socket on 127.0.0.1 that never accepts, for peers that refuse, queue or stay silent.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace unitytest {

class Listener {
 public:
  // backlog < 0: bound but not listening, so connections are refused.
  explicit Listener(int backlog) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    addr_.sin_family = AF_INET;
    addr_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr_;
    if (bind(fd_, address(), size) != 0 || (backlog >= 0 && listen(fd_, backlog) != 0) ||
        getsockname(fd_, address(), &size) != 0)
      addr_.sin_port = 0;
  }
  ~Listener() {
    if (filler_ >= 0) close(filler_);
    close(fd_);
  }
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  std::string host() const { return "127.0.0.1:" + std::to_string(ntohs(addr_.sin_port)); }

  // Connects one client and waits until the kernel has queued it: with a backlog of 0 the queue
  // is then full, and the kernel drops every further connection attempt unanswered.
  bool fill() {
    filler_ = socket(AF_INET, SOCK_STREAM, 0);
    if (addr_.sin_port == 0 || connect(filler_, address(), sizeof addr_) != 0) return false;
    for (;;) {
      tcp_info info{};
      socklen_t size = sizeof info;
      if (getsockopt(fd_, IPPROTO_TCP, TCP_INFO, &info, &size) != 0) return false;
      if (info.tcpi_unacked > info.tcpi_sacked) return true;  // queued > backlog: full
      sched_yield();
    }
  }

 private:
  sockaddr* address() { return reinterpret_cast<sockaddr*>(&addr_); }

  int fd_;
  int filler_ = -1;
  sockaddr_in addr_{};
};

}  // namespace unitytest
