#include "upload/ftp_client.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "platform/socket_error_codes.h"
#include "upload/id_errors.h"
#include "upload/listing.h"
#include "upload/text_trim.h"

namespace korvalesen {
namespace {

// The command line of a command and its argument; an argument that would break the line
// raises EIdInvalidCommandArgument.
std::string Joined(std::string_view command, std::string_view argument) {
  if (argument.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
    throw EIdInvalidCommandArgument(std::string(TrimBlanksAndControls(command)));
  }
  std::string line(command);
  line += argument;
  return line;
}

}  // namespace

void TIdFTP::SetTransferType(TIdFTPTransferType type) {
  if (data_connection_ || type == transfer_type_) return;
  transfer_type_ = type;
  if (IsConnected()) SendTransferType();
}

void TIdFTP::OpenAndLogIn(bool log_in) {
  try {
    OpenConnection();
    AwaitReply({220});
    if (log_in) {
      if (SendCommand(Joined("user ", User), {230, 331}) == 331) {
        SendCommand(Joined("pass ", Password), {230});
      }
      SendTransferType();
      if (SendCommand("syst", {200, 215, 500}) == 500) {
        SystemDescription = "Unbekannt";
      } else {
        const std::string line = LastReplyLine();
        SystemDescription = line.size() > 4 ? line.substr(4) : std::string();
      }
    }
  } catch (...) {
    CloseConnection();
    throw;
  }
}

void TIdFTP::SendTransferType() {
  SendCommand(transfer_type_ == TIdFTPTransferType::ftBinary ? "type I" : "type A", {200});
}

void TIdFTP::ListDirectory(std::vector<std::string>& lines, std::string_view specifier,
                           bool detailed) {
  const std::string command = Joined(detailed ? "list " : "nlst ", specifier);
  std::string listing;
  ReceiveOverDataConnection(TrimBlanksAndControls(command), listing);
  std::optional<std::vector<std::string>> split = SplitListing(listing, MaxListingLines);
  if (!split) throw EIdSocketError(platform::kWsaMessageSize);
  lines = std::move(*split);
}

void TIdFTP::ChangeDirectory(std::string_view name) {
  SendCommand(Joined("CWD ", name), {250});
}

void TIdFTP::MakeDirectory(std::string_view name) {
  SendCommand(Joined("MKD ", name), {257});
}

std::optional<std::int64_t> TIdFTP::FileSize(std::string_view name) {
  if (SendCommand(Joined("SIZE ", name), {213, 500, 502}) != 213) return std::nullopt;
  const std::string line = LastReplyLine();
  const std::string_view digits =
      line.size() > 4 ? TrimBlanksAndControls(std::string_view(line).substr(4)) : "";
  std::int64_t size = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
    throw EIdProtocolReplyError(ReplyCode, line);
  }
  return size;
}

void TIdFTP::DeleteRemoteFile(std::string_view name) {
  SendCommand(Joined("DELE ", name), {250});
}

namespace {

std::string StoreCommand(std::string_view remote_name, bool append) {
  if (remote_name.empty()) return "STOU ";
  return Joined(append ? "APPE " : "STOR ", remote_name);
}

}  // namespace

void TIdFTP::StoreFile(const std::string& local_path, std::string_view remote_name, bool append) {
  std::ifstream file(local_path, std::ios::binary);
  if (!file.is_open()) throw EFOpenError(local_path);
  SendOverDataConnection(StoreCommand(remote_name, append), file);
}

void TIdFTP::StoreBytes(std::string_view bytes, std::string_view remote_name) {
  std::istringstream source{std::string(bytes)};
  SendOverDataConnection(StoreCommand(remote_name, false), source);
}

PassiveAddress TIdFTP::EnterPassiveMode() {
  SendCommand("PASV", {227});
  return ParsePassiveReply(LastReplyLine());
}

void TIdFTP::OpenDataConnection(std::string_view command_line,
                                std::initializer_list<std::int16_t> preliminary) {
  const PassiveAddress passive = EnterPassiveMode();
  SendLine(command_line);
  data_connection_ = std::make_unique<TIdTCPClient>();
  data_connection_->OnWorkBegin = OnWorkBegin;
  data_connection_->OnWork = OnWork;
  data_connection_->OnWorkEnd = OnWorkEnd;
  data_connection_->InactivityTimeout = InactivityTimeout;
  data_connection_->OnWaiting = OnWaiting;
  data_connection_->Host = SocketHandle().PeerAddress();
  data_connection_->Port = static_cast<std::uint16_t>(passive.port);
  try {
    data_connection_->OpenConnection();
    AwaitReply(preliminary);
  } catch (...) {
    data_connection_.reset();
    throw;
  }
}

void TIdFTP::FinishTransfer() {
  data_connection_->CloseConnection();
  data_connection_.reset();
  // 426 ends the transfer as a failure and is the last word on it: no 226 follows, so waiting
  // for one would only run into the time-out.
  AwaitReply({225, 226, 250});
}

void TIdFTP::ReceiveOverDataConnection(std::string_view command_line, std::string& target) {
  OpenDataConnection(command_line, {125, 150});
  try {
    data_connection_->ReceiveIntoStream(target, MaxListingSize);
  } catch (...) {
    data_connection_.reset();
    throw;
  }
  FinishTransfer();
}

void TIdFTP::SendOverDataConnection(std::string_view command_line, std::istream& source) {
  OpenDataConnection(command_line, {110, 125, 150});
  try {
    data_connection_->SendStream(source, false);
  } catch (const EIdSocketError& error) {
    // WSAENOTSOCK: the data socket went away under the send; the closing reply tells the outcome.
    if (error.LastError() != platform::kWsaNotSocket) {
      data_connection_.reset();
      throw;
    }
  } catch (...) {
    data_connection_.reset();
    throw;
  }
  FinishTransfer();
}

}  // namespace korvalesen
