#pragma once

// An FTP server on 127.0.0.1 port 0 that follows a script in its own thread, for the replies
// real servers rarely give. It records every line it receives, line ends included.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/loopback.h"

namespace korvalesen::testing {

class ScriptedSession {
 public:
  explicit ScriptedSession(loopback::Socket control) : control_(control) {}
  void Send(std::string_view bytes);
  // The next line with its line end; empty when the client has closed.
  std::string ReadLine();
  // Reads a line and checks nothing; for the log-in steps of the standard script.
  void Expect(std::string_view reply) {
    ReadLine();
    Send(reply);
  }
  // Answers the next line (PASV) with a 227 naming address_fields and a fresh data port.
  void ReplyPassive(std::string_view address_fields = "127,0,0,1");
  // Accepts the data connection, sends the bytes and closes it.
  void SendData(std::string_view bytes);
  // Accepts the data connection and reads it until the client closes it.
  std::string ReceiveData();
  // Sends the prefix, then the unit again and again until the client closes the connection
  // (or 1 GiB has gone): a server that never stops talking.
  void Flood(std::string_view prefix, std::string_view unit);
  // The same on the data connection, which is then closed.
  void FloodData(std::string_view unit);
  // Greeting, user, pass, type and syst answered as a willing server does.
  void LogIn();
  void Close();

  std::vector<std::string> lines;

 private:
  loopback::Socket control_;
  loopback::Socket data_listener_ = loopback::kNone;
  std::string pending_;
};

class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<void(ScriptedSession&)> script);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  std::uint16_t Port() const { return port_; }
  // Waits for the script to end and returns the lines the server received.
  std::vector<std::string> Lines();

 private:
  loopback::Socket listener_ = loopback::kNone;
  std::uint16_t port_ = 0;
  std::vector<std::string> lines_;
  std::thread thread_;
};

}  // namespace korvalesen::testing
