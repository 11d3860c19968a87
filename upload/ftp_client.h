#pragma once

// The FTP client: log-in, transfer type, directories, listings and storing files, each data
// transfer over a passive-mode connection of its own.

#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "upload/pasv_reply.h"
#include "upload/tcp_client.h"

namespace korvalesen {

enum class TIdFTPTransferType { ftBinary, ftASCII };

class TIdFTP : public TIdTCPClient {
 public:
  TIdFTP() { Port = 21; }

  std::string User;
  std::string Password;
  // What the server said about its system after log-in ("Unbekannt" after a 500 to "syst").
  std::string SystemDescription;
  // The largest listing taken, in bytes and in lines; a larger one fails with 10040.
  std::size_t MaxListingSize = 64 * 1024 * 1024;
  std::size_t MaxListingLines = 1000000;

  TIdFTPTransferType TransferType() const { return transfer_type_; }
  // Stores the type and announces it at once when connected; no effect during a transfer or
  // for the same value.
  void SetTransferType(TIdFTPTransferType type);
  // The data connection of the transfer in progress, or nullptr.
  TIdTCPClient* DataConnection() const { return data_connection_.get(); }

  // Connects, reads the greeting and, when asked, logs in ("user ", "pass " after 331), sends
  // the transfer type and "syst". Any failure closes the connection and goes on.
  void OpenAndLogIn(bool log_in);
  void SendTransferType();
  // "list " (detailed) or "nlst " with the specifier, trimmed; the listing split into lines.
  // Every command with an argument raises EIdInvalidCommandArgument, sending nothing, when
  // the argument holds CR, LF or NUL.
  void ListDirectory(std::vector<std::string>& lines, std::string_view specifier, bool detailed);
  void ChangeDirectory(std::string_view name);
  void MakeDirectory(std::string_view name);
  void DeleteRemoteFile(std::string_view name);
  // "SIZE ": the size of a remote file in bytes, or nullopt when the server does not know the
  // command (500, 502); any other reply raises EIdProtocolReplyError.
  std::optional<std::int64_t> FileSize(std::string_view name);
  // "STOR ", "APPE " (append) or "STOU " (empty remote name) with the local file's bytes.
  // A local file that cannot be opened raises EFOpenError and sends nothing.
  void StoreFile(const std::string& local_path, std::string_view remote_name, bool append);
  // "STOR " with the bytes held in memory.
  void StoreBytes(std::string_view bytes, std::string_view remote_name);
  // "PASV" and its 227 reply parsed.
  PassiveAddress EnterPassiveMode();
  // The data connection goes to the control connection's peer and takes only the port of the
  // 227 reply, so that a server behind NAT or a hostile one cannot steer it elsewhere.
  void ReceiveOverDataConnection(std::string_view command_line, std::string& target);
  void SendOverDataConnection(std::string_view command_line, std::istream& source);

 private:
  // Sends the command line, opens the data connection to the port of the 227 reply and waits
  // for the preliminary reply.
  void OpenDataConnection(std::string_view command_line,
                          std::initializer_list<std::int16_t> preliminary);
  // Closes and releases the data connection and reads the closing reply; 426 fails.
  void FinishTransfer();

  TIdFTPTransferType transfer_type_ = TIdFTPTransferType::ftBinary;
  std::unique_ptr<TIdTCPClient> data_connection_;
};

}  // namespace korvalesen
