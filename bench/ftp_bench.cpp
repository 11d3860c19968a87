// Times StoreFile of one file, or runs the standard upload of the three result files from the
// working directory, against an FTP server on 127.0.0.1.
//   ftp_bench store <port> <user> <password> <local file>
//   ftp_bench upload <port> <user> <password>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "common/result_file_names.h"
#include "upload/id_errors.h"
#include "upload/result_upload.h"

namespace {

class SilentWindow : public korvalesen::WindowOperations {
 public:
  void EnableControls(bool) override {}
  void SetStatusText(std::string_view text) override { Print("status", text); }
  void ShowErrorBox(std::string_view text) override { Print("error", text); }
  void ShowInfoBox(std::string_view text) override { Print("info", text); }
  void ProcessMessages() override {}
  void SetProgress(int) override {}

 private:
  static void Print(const char* kind, std::string_view text) {
    std::printf("%s: %s\n", kind, korvalesen::W1252ToUtf8(text).c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: ftp_bench store|upload <port> <user> <password> [file]\n");
    return 2;
  }
  const std::string mode = argv[1];
  korvalesen::UploadSettings settings;
  settings.host = "127.0.0.1";
  settings.port = static_cast<std::uint16_t>(std::stoi(argv[2]));
  settings.user = argv[3];
  settings.password = korvalesen::Utf8ToW1252(argv[4]);
  korvalesen::TIdFTP ftp;
  korvalesen::SetUpIdFTP1(ftp);
  try {
    if (mode == "upload") {
      SilentWindow window;
      korvalesen::Readout readout{"0042", {}};
      for (const std::string_view name : korvalesen::kResultFileNames) {
        std::ifstream file{std::string(name), std::ios::binary};
        readout.files.push_back(
            {std::string(name),
             std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>())});
      }
      korvalesen::UploadResults(window, ftp, readout, settings);
      return 0;
    }
    if (argc < 6) return 2;
    ftp.Host = settings.host;
    ftp.Port = settings.port;
    ftp.User = settings.user;
    ftp.Password = settings.password;
    ftp.OpenAndLogIn(true);
    const auto start = std::chrono::steady_clock::now();
    ftp.StoreFile(argv[5], "bench.bin", false);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    ftp.CloseConnection();
    std::printf("StoreFile: %.3f s\n", took.count());
  } catch (const korvalesen::Error& error) {
    std::fprintf(stderr, "%s\n", korvalesen::W1252ToUtf8(error.Message()).c_str());
    return 1;
  }
  return 0;
}
