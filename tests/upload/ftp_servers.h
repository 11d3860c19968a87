#pragma once

// Real FTP servers for the tests: each runs as a child process on a free loopback port with a
// fresh temporary tree and is stopped when its object goes. A missing server program throws
// (the test fails), it never skips.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::testing {

struct FtpServer {
  std::string name;
  std::uint16_t port = 0;
  std::string user;
  std::string password;  // Windows-1252 bytes
  std::string wrongPassword;
  std::filesystem::path root;  // the login directory
};

// pyftpdlib (/usr/bin/python3): an account with the given password and, when masquerade is not
// empty, that address in its 227 replies.
class PyftpdlibServer {
 public:
  PyftpdlibServer(const std::string& user, const std::string& password,
                  const std::string& masquerade = {},
                  const std::string& python = "/usr/bin/python3");
  const FtpServer& Server() const { return server_; }

 private:
  TempFolder folder_;
  FtpServer server_;
  std::unique_ptr<ChildProcess> process_;
};

// vsftpd in the foreground, anonymous with upload, mkdir and delete rights. It refuses to run
// with a writable anonymous root, so the root is read-only and holds a writable "import"; the
// session runs as the launching user (root in the container) without the seccomp sandbox,
// which container kernels may refuse. The wrong password is a banned anonymous password.
class VsftpdServer {
 public:
  explicit VsftpdServer(const std::string& program = "/usr/sbin/vsftpd");
  const FtpServer& Server() const { return server_; }

 private:
  TempFolder folder_;
  FtpServer server_;
  std::unique_ptr<ChildProcess> process_;
};

// A port on 127.0.0.1 that was free a moment ago.
std::uint16_t FreeLoopbackPort();
// Connects until the port accepts (at most 10 s); throws when it never does.
void AwaitListening(std::uint16_t port);

}  // namespace korvalesen::testing
