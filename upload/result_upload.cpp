#include "upload/result_upload.h"

#include <filesystem>
#include <vector>

#include "common/errors.h"
#include "common/folder_names.h"
#include "common/format_text.h"
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

// Up to three attempts with a plain pause between them; false after the third failure.
bool ConnectWithRetries(TIdFTP& ftp, const UploadSettings& settings) {
  int attempt = 0;
  do {
    ++attempt;
    try {
      ftp.OpenAndLogIn(true);
    } catch (...) {
      // Whatever ended the attempt (a reply, a socket error, lack of memory) costs one try.
      ftpConnected = false;
      if (attempt >= kAttempts) return false;
      settings.pause->Sleep(settings.retryPause);
    }
  } while (!ftpConnected);
  return true;
}

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
