#pragma once

// A server on loopback whose packets are all dropped, as behind a firewall that drops: a
// listener with its one place of waiting connections taken, so that the system drops every
// further connection attempt, which then waits until its time limit.

#include <cstdint>

#include "tests/support/loopback.h"

namespace korvalesen::testing {

class DroppingServer {
 public:
  DroppingServer() : listener_(loopback::Listen(port_, 0)), waiting_(loopback::Connect(port_)) {}
  ~DroppingServer() {
    loopback::Close(waiting_);
    loopback::Close(listener_);
  }
  DroppingServer(const DroppingServer&) = delete;
  DroppingServer& operator=(const DroppingServer&) = delete;
  std::uint16_t Port() const { return port_; }

 private:
  std::uint16_t port_ = 0;
  loopback::Socket listener_;
  loopback::Socket waiting_;
};

}  // namespace korvalesen::testing
