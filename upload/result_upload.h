#pragma once

// The upload of the three result files into "import/<serial number>" on the fixed server.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/pause.h"
#include "common/result_file_names.h"
#include "common/window_operations.h"
#include "common/windows1252.h"
#include "upload/ftp_client.h"
#include "upload/ftp_server_config.h"

namespace korvalesen {

// Where and how the upload connects. The defaults are the fixed server and account of the
// program; tests and the simulator-driven variant give a loopback server.
struct UploadSettings {
  std::string host = kFtpHost;
  std::uint16_t port = 21;
  std::string user = kFtpUser;
  std::string password = std::string("KpD#Ra27äMolch"_w1252);
  // The plain wait between two failed connection attempts, and what waits it.
  std::chrono::milliseconds retryPause{1000};
  Pause* pause = &RealPause();
  // How long connecting, reading or sending may go without progress (socket error 10060).
  std::chrono::milliseconds inactivityTimeout{std::chrono::seconds(60)};
};

// Set by IdFTP1Status when the control connection reports stConnected; cleared by the upload.
extern bool ftpConnected;

// The OnStatus handler of the window's FTP client.
void IdFTP1Status(TIdComponent& axSender, TIdStatus axStatus, std::string_view asStatusText);

// Gives the window's FTP client its design settings: OnStatus = IdFTP1Status (port 21, binary
// transfers and passive data connections are the client's own).
void SetUpIdFTP1(TIdFTP& ftp);

// Uploads the three result files from the working directory into import/<serialNumber> (the
// serial number taken up to its first NUL) and deletes them locally. Returns true after
// success, false (each with its box) when the serial number cannot be a folder name (before
// connecting), after three failed connection attempts and when "import" is missing; every other
// failure leaves as an exception.
bool UploadResults(WindowOperations& window, TIdFTP& ftp, const std::string& serialNumber,
                   const UploadSettings& settings = {});

}  // namespace korvalesen
