#pragma once

// The upload of the three result files into "import/<serial number>" on the fixed server.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/errors.h"
#include "common/pause.h"
#include "common/readout.h"
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
  // The wait between two failed connection attempts (it keeps the window answering), and what
  // waits it.
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

// A stored file whose size on the server differs from the bytes sent: the server kept only
// part of it.
class EStoredSizeDiffers : public Error {
 public:
  EStoredSizeDiffers(std::string_view name, std::int64_t stored, std::size_t sent);
};

// Uploads the readout's files, from its bytes, into import/<serial number> (the serial number
// taken up to its first NUL), checks their sizes where the server can tell them, and deletes
// the local files that still hold those bytes. Before the readout, in the same session, the
// waiting readouts are sent the same way, oldest first; each one stored completely is taken off
// the waiting list, one refused by the server stays and the others go on. Returns true after
// success, false (each with its box) when the serial number cannot be a folder name (before
// connecting), after three failed connection attempts and when "import" is missing; every other
// failure leaves as an exception.
bool UploadResults(WindowOperations& window, TIdFTP& ftp, const Readout& readout,
                   const UploadSettings& settings = {}, WaitingReadouts* waiting = nullptr);

}  // namespace korvalesen
