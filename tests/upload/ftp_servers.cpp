#include "tests/upload/ftp_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace korvalesen::testing {
namespace {

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += digits[byte >> 4];
    text += digits[byte & 15];
  }
  return text;
}

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

PyftpdlibServer::PyftpdlibServer(const std::string& user, const std::string& password,
                                 const std::string& masquerade, const std::string& python) {
  server_ = {"pyftpdlib", 0, user, password, "falsch", folder_.Path()};
  std::vector<std::string> command = {
      python, std::string(KORVALESEN_TEST_SOURCE_DIR) + "/pyftpd_server.py",
      "0",    folder_.Path().string(),
      user,   Hex(password)};
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
         << root.string()
         << "\nseccomp_sandbox=NO\nrun_as_launching_user=YES\npasv_enable=YES\n"
            "xferlog_enable=NO\ndeny_email_enable=YES\nbanned_email_file="
         << (folder_.Path() / "banned").string() << "\n";
  WriteFileBytes(folder_.Path() / "vsftpd.conf", config.str());
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{program, (folder_.Path() / "vsftpd.conf").string()});
  AwaitListening(server_.port);
  // The anonymous root must not be writable; the upload's folder "import" is.
  std::filesystem::permissions(root, std::filesystem::perms(0555));
}

std::uint16_t FreeLoopbackPort() {
  const int socket_id = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  bind(socket_id, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(socket_id, reinterpret_cast<sockaddr*>(&address), &length);
  close(socket_id);
  return ntohs(address.sin_port);
}

void AwaitListening(std::uint16_t port) {
  for (int i = 0; i < 200; ++i) {
    const int socket_id = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    const bool up =
        connect(socket_id, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(socket_id);
    if (up) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  throw std::runtime_error("FTP server does not listen on its port");
}

}  // namespace korvalesen::testing
