#include "tests/upload/ftp_servers.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/support/hex_text.h"
#include "tests/support/loopback.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::testing {

PyftpdlibServer::PyftpdlibServer(const std::string& user, const std::string& password,
                                 const std::string& masquerade, const std::string& python) {
  server_ = {"pyftpdlib", 0, user, password, "falsch", folder_.Path()};
  std::vector<std::string> command = {
      python, std::string(KORVALESEN_TEST_SOURCE_DIR) + "/pyftpd_server.py",
      "0",    ChildPath(folder_.Path()),
      user,   HexText(password)};
  if (!masquerade.empty()) command.push_back(masquerade);
  process_ = std::make_unique<ChildProcess>(command);
  const std::string line = process_->ReadLine();
  if (line.rfind("PORT ", 0) != 0) throw std::runtime_error("pyftpdlib said: " + line);
  server_.port = static_cast<std::uint16_t>(std::stoi(line.substr(5)));
}

VsftpdServer::VsftpdServer(const std::string& program) {
  const auto root = folder_.Path() / "root";
  std::filesystem::create_directory(root);
  server_ = {"vsftpd", FreeLoopbackPort(), "anonymous", "KorvalesenTest", "falsch", root};
  WriteFileBytes(folder_.Path() / "banned", server_.wrongPassword + "\n");
  std::ostringstream config;
  config << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << server_.port
         << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES\n"
            "anon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_other_write_enable=YES\n"
            "anon_root="
         << ChildPath(root)
         << "\nseccomp_sandbox=NO\nrun_as_launching_user=YES\npasv_enable=YES\n"
            "xferlog_enable=NO\ndeny_email_enable=YES\nbanned_email_file="
         << ChildPath(folder_.Path() / "banned") << "\n";
  WriteFileBytes(folder_.Path() / "vsftpd.conf", config.str());
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{program, ChildPath(folder_.Path() / "vsftpd.conf")});
  AwaitListening(server_.port);
  // The anonymous root must not be writable; the upload's folder "import" is.
  std::filesystem::permissions(root, std::filesystem::perms(0555));
}

std::uint16_t FreeLoopbackPort() {
  std::uint16_t port = 0;
  loopback::Close(loopback::Listen(port));
  return port;
}

void AwaitListening(std::uint16_t port) {
  for (int i = 0; i < 200; ++i) {
    const loopback::Socket connection = loopback::Connect(port);
    loopback::Close(connection);
    if (connection != loopback::kNone) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  throw std::runtime_error("FTP server does not listen on its port");
}

}  // namespace korvalesen::testing
