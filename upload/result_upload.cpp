#include "upload/result_upload.h"

#include <filesystem>
#include <vector>

#include "common/errors.h"
#include "common/folder_names.h"
#include "common/format_text.h"
#include "common/pumping_sleeper.h"
#include "common/windows1252.h"
#include "upload/listing.h"

namespace korvalesen {

bool ftpConnected = false;

namespace {

constexpr int kAttempts = 3;

// A fresh detailed listing of the current directory ("list").
std::vector<std::string> ListCurrentDirectory(TIdFTP& ftp) {
  std::vector<std::string> lines;
  ftp.ListDirectory(lines, " ", true);
  return lines;
}

bool AnyLineNames(const std::vector<std::string>& lines, std::string_view name) {
  for (const auto& line : lines) {
    if (ListingLineNames(line, name)) return true;
  }
  return false;
}

// Up to three attempts with a pause between them that keeps the window answering; false after
// the third failure.
bool ConnectWithRetries(TIdFTP& ftp, const UploadSettings& settings) {
  PumpingSleeper pause;
  int attempt = 0;
  do {
    ++attempt;
    try {
      ftp.OpenAndLogIn(true);
    } catch (const SilentAbort&) {
      ftpConnected = false;
      throw;  // the run ends (the window was closed), no attempt follows
    } catch (...) {
      // Whatever ended the attempt (a reply, a socket error, lack of memory) costs one try.
      ftpConnected = false;
      if (attempt >= kAttempts) return false;
      pause.Sleep(settings.retryPause, ftp.OnWaiting);
    }
  } while (!ftpConnected);
  return true;
}

// The FTP client processes the window's messages while it waits, for the length of the upload.
class PumpWhileUploading {
 public:
  PumpWhileUploading(TIdFTP& ftp, WindowOperations& window) : ftp_(ftp) {
    ftp_.OnWaiting = [&window] { window.ProcessMessages(); };
  }
  ~PumpWhileUploading() { ftp_.OnWaiting = nullptr; }
  PumpWhileUploading(const PumpWhileUploading&) = delete;
  PumpWhileUploading& operator=(const PumpWhileUploading&) = delete;

 private:
  TIdFTP& ftp_;
};

}  // namespace

void IdFTP1Status(TIdComponent& /*axSender*/, TIdStatus axStatus,
                  std::string_view /*asStatusText*/) {
  if (axStatus == TIdStatus::stConnected) ftpConnected = true;
}

void SetUpIdFTP1(TIdFTP& ftp) {
  ftp.OnStatus = IdFTP1Status;
}

bool UploadResults(WindowOperations& window, TIdFTP& ftp, const std::string& serialNumber,
                   const UploadSettings& settings) {
  const std::string folder = serialNumber.substr(0, serialNumber.find('\0'));
  // The serial number becomes a folder name in commands: a garbled one must neither leave
  // "import" nor break a command line.
  if (!IsServerFolderName(folder)) {
    window.ShowErrorBox(FormatText("Seriennummer \"%s\" ist als Ordnername ungültig!"_w1252.data(),
                                   PrintableText(folder).c_str()));
    return false;
  }
  ftp.Host = settings.host;
  ftp.Password = settings.password;
  ftp.User = settings.user;
  ftp.Port = settings.port;
  ftp.InactivityTimeout = settings.inactivityTimeout;
  const PumpWhileUploading pumping(ftp, window);

  if (!ConnectWithRetries(ftp, settings)) {
    window.ShowErrorBox("Verbindung zum Server konnte nicht hergestellt werden."_w1252);
    return false;
  }
  ftpConnected = false;
  window.SetStatusText("Mit Server verbunden"_w1252);

  if (!AnyLineNames(ListCurrentDirectory(ftp), "import")) {
    window.ShowErrorBox("Ordner auf Server nicht gefunden."_w1252);
    ftp.CloseConnection();
    return false;
  }
  ftp.ChangeDirectory("import");
  window.ProcessMessages();

  if (!AnyLineNames(ListCurrentDirectory(ftp), folder)) ftp.MakeDirectory(folder);
  ftp.ChangeDirectory(folder);
  window.ProcessMessages();

  const std::vector<std::string> present = ListCurrentDirectory(ftp);
  for (const std::string_view name : kResultFileNames) {
    if (AnyLineNames(present, name)) ftp.DeleteRemoteFile(name);
    ftp.StoreFile(std::string(name), name, false);
  }
  for (const std::string_view name : kResultFileNames) {
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(name), ignored);
  }
  ftp.CloseConnection();
  window.SetStatusText("Verbindung beendet"_w1252);
  window.ShowInfoBox("Übertragung erfolgreich beendet!"_w1252);
  return true;
}

}  // namespace korvalesen
