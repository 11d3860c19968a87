#include "tests/upload/scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace korvalesen::testing {
namespace {

// A listening socket on 127.0.0.1 with a port of the system's choice.
int Listen(std::uint16_t& port) {
  const int socket_id = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(socket_id, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(socket_id, 4) != 0) {
    throw std::runtime_error("scripted server cannot listen");
  }
  socklen_t length = sizeof address;
  getsockname(socket_id, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return socket_id;
}

// Accepts within 10 s, so that a client that never comes cannot hang the test.
int AcceptOne(int listener) {
  pollfd entry{listener, POLLIN, 0};
  if (poll(&entry, 1, 10000) != 1) return -1;
  return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

// False when the peer is gone.
bool SendAll(int socket_id, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = send(socket_id, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

void FloodUntilClosed(int socket_id, std::string_view unit) {
  std::string block;
  while (block.size() < 65536) block += unit;
  for (std::size_t sent = 0; sent < (std::size_t{1} << 30) && SendAll(socket_id, block);) {
    sent += block.size();
  }
}

}  // namespace

void ScriptedSession::Send(std::string_view bytes) {
  SendAll(control_, bytes);
}

std::string ScriptedSession::ReadLine() {
  for (;;) {
    const auto end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end + 1);
      pending_.erase(0, end + 1);
      lines.push_back(line);
      return line;
    }
    pollfd entry{control_, POLLIN, 0};
    char block[4096];
    if (poll(&entry, 1, 10000) != 1) return {};
    const ssize_t got = recv(control_, block, sizeof block, 0);
    if (got <= 0) return {};
    pending_.append(block, static_cast<std::size_t>(got));
  }
}

void ScriptedSession::ReplyPassive(std::string_view address_fields) {
  ReadLine();
  std::uint16_t port = 0;
  data_listener_ = Listen(port);
  Send("227 Entering Passive Mode (" + std::string(address_fields) + "," +
       std::to_string(port / 256) + "," + std::to_string(port % 256) + ")\r\n");
}

void ScriptedSession::SendData(std::string_view bytes) {
  const int data = AcceptOne(data_listener_);
  SendAll(data, bytes);
  close(data);
  close(data_listener_);
}

std::string ScriptedSession::ReceiveData() {
  const int data = AcceptOne(data_listener_);
  std::string received;
  char block[65536];
  ssize_t got = 0;
  while ((got = recv(data, block, sizeof block, 0)) > 0) {
    received.append(block, static_cast<std::size_t>(got));
  }
  close(data);
  close(data_listener_);
  return received;
}

void ScriptedSession::Flood(std::string_view prefix, std::string_view unit) {
  if (SendAll(control_, prefix)) FloodUntilClosed(control_, unit);
}

void ScriptedSession::FloodData(std::string_view unit) {
  const int data = AcceptOne(data_listener_);
  FloodUntilClosed(data, unit);
  close(data);
  close(data_listener_);
}

void ScriptedSession::LogIn() {
  Send("220 scripted\r\n");
  Expect("331 password\r\n");
  Expect("230 in\r\n");
  Expect("200 type\r\n");
  Expect("215 UNIX Type: L8\r\n");
}

void ScriptedSession::Close() {
  if (control_ >= 0) close(control_);
  control_ = -1;
}

ScriptedServer::ScriptedServer(std::function<void(ScriptedSession&)> script) {
  listener_ = Listen(port_);
  thread_ = std::thread([this, script] {
    ScriptedSession session(AcceptOne(listener_));
    script(session);
    session.Close();
    lines_ = session.lines;
  });
}

ScriptedServer::~ScriptedServer() {
  if (thread_.joinable()) thread_.join();
  close(listener_);
}

std::vector<std::string> ScriptedServer::Lines() {
  if (thread_.joinable()) thread_.join();
  return lines_;
}

}  // namespace korvalesen::testing
