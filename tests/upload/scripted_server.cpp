#include "tests/upload/scripted_server.h"

namespace korvalesen::testing {
namespace {

// Accepts within 10 s, so that a client that never comes cannot hang the test.
constexpr int kAcceptLimitMs = 10000;

void FloodUntilClosed(loopback::Socket socket, std::string_view unit) {
  std::string block;
  while (block.size() < 65536) block += unit;
  for (std::size_t sent = 0; sent < (std::size_t{1} << 30) && loopback::SendAll(socket, block);) {
    sent += block.size();
  }
}

}  // namespace

void ScriptedSession::Send(std::string_view bytes) {
  loopback::SendAll(control_, bytes);
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
    char block[4096];
    if (!loopback::WaitReadable(control_, 10000)) return {};
    const long got = loopback::Receive(control_, block, sizeof block);
    if (got <= 0) return {};
    pending_.append(block, static_cast<std::size_t>(got));
  }
}

void ScriptedSession::ReplyPassive(std::string_view address_fields) {
  ReadLine();
  std::uint16_t port = 0;
  data_listener_ = loopback::Listen(port);
  Send("227 Entering Passive Mode (" + std::string(address_fields) + "," +
       std::to_string(port / 256) + "," + std::to_string(port % 256) + ")\r\n");
}

void ScriptedSession::SendData(std::string_view bytes) {
  const loopback::Socket data = loopback::Accept(data_listener_, kAcceptLimitMs);
  loopback::SendAll(data, bytes);
  loopback::Close(data);
  loopback::Close(data_listener_);
}

std::string ScriptedSession::ReceiveData() {
  const loopback::Socket data = loopback::Accept(data_listener_, kAcceptLimitMs);
  std::string received;
  char block[65536];
  long got = 0;
  while ((got = loopback::Receive(data, block, sizeof block)) > 0) {
    received.append(block, static_cast<std::size_t>(got));
  }
  loopback::Close(data);
  loopback::Close(data_listener_);
  return received;
}

void ScriptedSession::Flood(std::string_view prefix, std::string_view unit) {
  if (loopback::SendAll(control_, prefix)) FloodUntilClosed(control_, unit);
}

void ScriptedSession::FloodData(std::string_view unit) {
  const loopback::Socket data = loopback::Accept(data_listener_, kAcceptLimitMs);
  FloodUntilClosed(data, unit);
  loopback::Close(data);
  loopback::Close(data_listener_);
}

void ScriptedSession::LogIn() {
  Send("220 scripted\r\n");
  Expect("331 password\r\n");
  Expect("230 in\r\n");
  Expect("200 type\r\n");
  Expect("215 UNIX Type: L8\r\n");
}

void ScriptedSession::Close() {
  loopback::Close(control_);
  control_ = loopback::kNone;
}

ScriptedServer::ScriptedServer(std::function<void(ScriptedSession&)> script) {
  listener_ = loopback::Listen(port_);
  thread_ = std::thread([this, script] {
    ScriptedSession session(loopback::Accept(listener_, kAcceptLimitMs));
    script(session);
    session.Close();
    lines_ = session.lines;
  });
}

ScriptedServer::~ScriptedServer() {
  if (thread_.joinable()) thread_.join();
  loopback::Close(listener_);
}

std::vector<std::string> ScriptedServer::Lines() {
  if (thread_.joinable()) thread_.join();
  return lines_;
}

}  // namespace korvalesen::testing
