#include "upload/tcp_connection.h"

#include <algorithm>

#include "common/support_log.h"
#include "platform/socket_error_codes.h"
#include "upload/id_errors.h"
#include "upload/text_trim.h"

namespace korvalesen {
TIdTCPConnection::TIdTCPConnection() : receive_block_(RecvBufferSize) {}

std::string TIdTCPConnection::LastReplyLine() const {
  return ReplyLines.empty() ? std::string() : ReplyLines.back();
}

int TIdTCPConnection::InactivityLimitMs() const {
  return static_cast<int>(
      std::min<std::chrono::milliseconds::rep>(InactivityTimeout.count(), 0x7FFFFFFF));
}

void TIdTCPConnection::ResetConnectionState() {
  socket_handle_.Reset(true);
  input_buffer_.Clear();
  peer_closed_ = false;
}

void TIdTCPConnection::DropConnection() {
  if (!socket_handle_.Allocated()) return;
  ReportStatus(TIdStatus::stDisconnecting, socket_handle_.PeerAddress());
  socket_handle_.Close();
  socket_handle_.Reset(true);
  peer_closed_ = true;
  ReportStatus(TIdStatus::stDisconnected);
}

bool TIdTCPConnection::IsConnected() {
  CheckPeerClosed(false, false);
  return socket_handle_.Allocated();
}

void TIdTCPConnection::CheckPeerClosed(bool raise, bool ignore_buffer) {
  if (!peer_closed_ && socket_handle_.Allocated()) return;
  DropConnection();
  if (raise && (input_buffer_.Empty() || ignore_buffer)) throw EIdConnClosedGracefully();
}

long TIdTCPConnection::FillInputBuffer(bool raise, int timeout_ms, bool to_input_buffer) {
  CheckPeerClosed(raise, false);
  if (!IsConnected()) return 0;
  // Waiting "for ever" ends after the inactivity limit, so that a silent peer cannot hold the
  // program; a limited wait that ends empty is an ordinary result.
  if (timeout_ms == WaitForever) {
    if (socket_handle_.WaitReadable(InactivityLimitMs(), OnWaiting) !=
        platform::WaitOutcome::kReady) {
      throw EIdSocketError(platform::kWsaTimedOut);
    }
  } else if (socket_handle_.WaitReadable(timeout_ms, OnWaiting) != platform::WaitOutcome::kReady) {
    return 0;
  }
  receive_block_.resize(RecvBufferSize);
  const platform::SocketCall received =
      socket_handle_.Receive(receive_block_.data(), receive_block_.size());
  long count = received.value;
  if (!received.Failed() && count == 0) peer_closed_ = true;
  if (received.error == platform::kWsaShutDown) {
    count = 0;
    DropConnection();
    if (input_buffer_.Empty()) throw EIdSocketError(platform::kWsaShutDown);
  } else if (received.Failed()) {
    throw EIdSocketError(received.error);
  }
  if (to_input_buffer) {
    input_buffer_.Append({receive_block_.data(), static_cast<std::size_t>(count)});
  } else {
    DoWork(TWorkMode::wmRead, count);
  }
  CheckPeerClosed(raise, false);
  return count;
}

std::string TIdTCPConnection::ReceiveLine(std::string_view terminator, int timeout_ms) {
  const bool default_terminator = terminator.empty();
  if (default_terminator) terminator = "\n";
  read_line_timed_out_ = false;
  std::optional<std::size_t> end;
  std::size_t searched = 0;
  while (!(end = input_buffer_.Find(terminator, searched))) {
    // A terminator may straddle the old and the new bytes.
    searched = input_buffer_.Size() - std::min(input_buffer_.Size(), terminator.size() - 1);
    if (searched > MaxLineLength) throw EIdSocketError(platform::kWsaMessageSize);
    CheckPeerClosed(true, true);
    if (FillInputBuffer(true, timeout_ms) == 0) {
      read_line_timed_out_ = true;
      return {};
    }
  }
  if (*end > MaxLineLength) throw EIdSocketError(platform::kWsaMessageSize);
  const std::size_t taken = *end + terminator.size();
  std::string line = input_buffer_.Extract(taken);
  DoWork(TWorkMode::wmRead, static_cast<std::int64_t>(taken));
  line.resize(*end);
  if (default_terminator && !line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string TIdTCPConnection::ReceiveNonEmptyLine(std::size_t& budget) {
  for (;;) {
    const std::string line = ReceiveLine();
    if (line.size() >= budget) throw EIdSocketError(platform::kWsaMessageSize);
    budget -= line.size() + 1;
    const std::string_view trimmed = TrimBlanksAndControls(line);
    if (!trimmed.empty()) return std::string(trimmed);
  }
}

void TIdTCPConnection::ReceiveIntoStream(std::string& target, std::size_t limit) {
  BeginWork(TWorkMode::wmRead, 0);
  const std::size_t start = target.size();
  target.append(input_buffer_.View());
  input_buffer_.Clear();
  while (IsConnected()) {
    const long count = FillInputBuffer(false, WaitForever, false);
    if (target.size() - start + static_cast<std::size_t>(count) > limit) {
      throw EIdSocketError(platform::kWsaMessageSize);
    }
    target.append(receive_block_.data(), static_cast<std::size_t>(count));
  }
  EndWork(TWorkMode::wmRead);
}

void TIdTCPConnection::SendBytes(const char* bytes, std::size_t count) {
  if (count == 0) return;
  CheckPeerClosed(true, true);
  std::size_t done = 0;
  while (done < count) {
    const platform::SocketCall sent =
        socket_handle_.Send(bytes + done, count - done, InactivityLimitMs(), OnWaiting);
    if (!sent.Failed() && sent.value == 0) peer_closed_ = true;
    CheckPeerClosed(true, false);
    if (sent.error == platform::kWsaShutDown) {
      DropConnection();
      throw EIdSocketError(platform::kWsaShutDown);
    }
    if (sent.Failed()) throw EIdSocketError(sent.error);
    DoWork(TWorkMode::wmWrite, sent.value);
    done += static_cast<std::size_t>(sent.value);
  }
}

void TIdTCPConnection::SendText(std::string_view text) {
  SendBytes(text.data(), text.size());
}

void TIdTCPConnection::SendLine(std::string_view text) {
  // The password never goes into the log.
  const bool password = text.size() >= 5 && (text[0] == 'p' || text[0] == 'P') &&
                        (text[1] == 'a' || text[1] == 'A') && (text[2] == 's' || text[2] == 'S') &&
                        (text[3] == 's' || text[3] == 'S') && text[4] == ' ';
  LogEvent(password ? std::string("> pass ****") : "> " + std::string(text));
  std::string line(text);
  line += "\r\n";
  SendText(line);
}

void TIdTCPConnection::SendStream(std::istream& source, bool from_start) {
  if (from_start) source.seekg(0, std::ios::beg);
  const std::streamoff position = source.tellg();
  source.seekg(0, std::ios::end);
  std::streamoff rest = source.tellg() - position;
  source.seekg(position, std::ios::beg);
  BeginWork(TWorkMode::wmWrite, rest);
  std::vector<char> block(SendBufferSize);
  while (rest > 0) {
    const auto wanted = std::min<std::streamoff>(rest, static_cast<std::streamoff>(block.size()));
    source.read(block.data(), wanted);
    const std::streamsize got = source.gcount();
    if (got == 0) throw EIdNoDataToRead();
    SendBytes(block.data(), static_cast<std::size_t>(got));
    rest -= got;
  }
  EndWork(TWorkMode::wmWrite);
}

}  // namespace korvalesen
