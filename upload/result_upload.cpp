#include "upload/result_upload.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "common/errors.h"
#include "common/folder_names.h"
#include "common/format_text.h"
#include "common/support_log.h"
#include "common/windows1252.h"
#include "upload/id_errors.h"
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

// The text of the exception being handled.
std::string CurrentErrorText() {
  try {
    throw;
  } catch (const Error& error) {
    return error.Message();
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "?";
  }
}

// Up to three attempts with a pause between them that keeps the window answering; false after
// the third failure.
bool ConnectWithRetries(TIdFTP& ftp, const UploadSettings& settings) {
  int attempt = 0;
  do {
    ++attempt;
    LogEvent(FormatText("Verbindungsversuch %d mit %s, Port %u", attempt, settings.host.c_str(),
                        static_cast<unsigned>(settings.port)));
    try {
      ftp.OpenAndLogIn(true);
    } catch (const SilentAbort&) {
      ftpConnected = false;
      throw;  // the run ends (the window was closed), no attempt follows
    } catch (...) {
      // Whatever ended the attempt (a reply, a socket error, lack of memory) costs one try.
      LogEvent(FormatText("Verbindungsversuch %d fehlgeschlagen: %s", attempt,
                          CurrentErrorText().c_str()));
      ftpConnected = false;
      if (attempt >= kAttempts) return false;
      settings.pause->Sleep(settings.retryPause, ftp.OnWaiting);
    }
  } while (!ftpConnected);
  return true;
}

// Enters the readout's folder below the current one, making it when it is not listed. A server
// that hides folders from its listing refuses MKD of one that exists: then CWD decides, and
// only when that fails too does the MKD's refusal stand.
void EnterFolder(TIdFTP& ftp, std::string_view folder) {
  if (!AnyLineNames(ListCurrentDirectory(ftp), folder)) {
    try {
      ftp.MakeDirectory(folder);
    } catch (const EIdProtocolReplyError& refused) {
      try {
        ftp.ChangeDirectory(folder);
      } catch (const EIdProtocolReplyError&) {
        throw refused;
      }
      return;
    }
  }
  ftp.ChangeDirectory(folder);
}

// Replaces the readout's files in the current folder with its bytes; a file whose size on the
// server differs from them fails (a server that does not know SIZE is taken at its 226).
void StoreReadout(TIdFTP& ftp, const Readout& readout) {
  const std::vector<std::string> present = ListCurrentDirectory(ftp);
  for (const ResultFile& file : readout.files) {
    if (AnyLineNames(present, file.name)) ftp.DeleteRemoteFile(file.name);
    ftp.StoreBytes(file.bytes, file.name);
  }
  for (const ResultFile& file : readout.files) {
    const std::optional<std::int64_t> stored = ftp.FileSize(file.name);
    if (stored && *stored != static_cast<std::int64_t>(file.bytes.size())) {
      throw EStoredSizeDiffers(file.name, *stored, file.bytes.size());
    }
  }
}

// Sends one waiting readout from "import" and returns there; false when the server refused
// it (the session goes on). A failure of the connection leaves as an exception.
bool SendWaitingReadout(TIdFTP& ftp, const Readout& readout) {
  try {
    EnterFolder(ftp, readout.serialNumber);
  } catch (const EIdProtocolReplyError&) {
    return false;
  }
  bool stored = true;
  try {
    StoreReadout(ftp, readout);
  } catch (const EIdProtocolReplyError&) {
    stored = false;
  } catch (const EStoredSizeDiffers& error) {
    LogEvent(error.Message());
    stored = false;
  }
  ftp.ChangeDirectory("..");
  return stored;
}

// Deletes the local files that still hold what was uploaded; a file that holds something else
// belongs to someone else and stays.
void DeleteUploadedFiles(const Readout& readout) {
  for (const ResultFile& file : readout.files) {
    std::ifstream local(file.name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(local)), std::istreambuf_iterator<char>());
    local.close();
    if (bytes != file.bytes) continue;
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(file.name), ignored);
  }
}

// The closing box's text, with the earlier readouts when there were any.
std::string ClosingText(int sent, int still_waiting) {
  // Through a string_view: clang 14 crashes on a std::string made straight from the literal.
  constexpr std::string_view kDone = "Übertragung erfolgreich beendet!"_w1252;
  std::string text(kDone);
  if (sent + still_waiting > 0) {
    text += FormatText(
        "\n\nFrühere Auslesungen gesendet: %d\nFrühere Auslesungen noch nicht "
        "gesendet: %d"_w1252.data(),
        sent, still_waiting);
  }
  return text;
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

EStoredSizeDiffers::EStoredSizeDiffers(std::string_view name, std::int64_t stored, std::size_t sent)
    : Error(
          FormatText("Datei \"%s\" auf dem Server unvollständig: %lld von %llu Bytes."_w1252.data(),
                     std::string(name).c_str(), static_cast<long long>(stored),
                     static_cast<unsigned long long>(sent))) {}

void IdFTP1Status(TIdComponent& /*axSender*/, TIdStatus axStatus, std::string_view asStatusText) {
  LogEvent("Status: " + std::string(asStatusText));
  if (axStatus == TIdStatus::stConnected) ftpConnected = true;
}

void SetUpIdFTP1(TIdFTP& ftp) {
  ftp.OnStatus = IdFTP1Status;
}

bool UploadResults(WindowOperations& window, TIdFTP& ftp, const Readout& readout,
                   const UploadSettings& settings, WaitingReadouts* waiting) {
  const std::string folder = readout.serialNumber.substr(0, readout.serialNumber.find('\0'));
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

  int sent = 0;
  int still_waiting = 0;
  if (waiting != nullptr) {
    still_waiting = waiting->kept;
    for (const WaitingReadout& earlier : waiting->sendable) {
      if (SendWaitingReadout(ftp, earlier.readout)) {
        earlier.sent();
        ++sent;
        LogEvent("Wartende Auslesung gesendet: " + earlier.readout.serialNumber);
      } else {
        ++still_waiting;
        LogEvent("Wartende Auslesung bleibt: " + earlier.readout.serialNumber);
      }
    }
  }

  Readout own = readout;
  own.serialNumber = folder;
  EnterFolder(ftp, folder);
  window.ProcessMessages();
  StoreReadout(ftp, own);
  DeleteUploadedFiles(own);
  ftp.CloseConnection();
  // The readout is on the server: a window closed from here on ends a complete run, only
  // without the closing box.
  try {
    window.SetStatusText("Verbindung beendet"_w1252);
  } catch (const SilentAbort&) {
    LogEvent("Fenster nach dem Hochladen geschlossen");
    return true;
  }
  window.ShowInfoBox(ClosingText(sent, still_waiting));
  return true;
}

}  // namespace korvalesen
