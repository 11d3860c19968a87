#pragma once

// A blocking TCP connection: input buffer, line reading, sending, closed-peer detection, and
// the command and reply exchange of line protocols.

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "upload/id_buffer.h"
#include "upload/id_component.h"
#include "upload/socket_handle.h"

namespace korvalesen {

class TIdTCPConnection : public TIdComponent {
 public:
  // The time-out value of every wait of the program: wait until something happens, but at most
  // InactivityTimeout.
  static constexpr int WaitForever = -2;

  TIdTCPConnection();

  // Connecting, a wait for input and a wait for room to send give up after this time without
  // progress, with the socket error 10060.
  std::chrono::milliseconds InactivityTimeout{std::chrono::seconds(60)};
  std::size_t RecvBufferSize = 32768;
  std::size_t SendBufferSize = 32768;
  // Limits, generous for any real server, on what a peer that keeps talking may make the
  // program hold; past one the read fails with the socket error 10040.
  std::size_t MaxLineLength = 64 * 1024;
  std::size_t MaxReplySize = 1024 * 1024;
  std::size_t MaxReplyLines = 10000;
  // Called between the slices (at most kMessagePumpInterval long) of every wait for the
  // connection, for input and for room to send, so that the window keeps answering; its
  // exception ends the wait and leaves it. Unset: each wait blocks for its whole limit.
  TIdSocketHandle::WaitPump OnWaiting;

  TIdSocketHandle& SocketHandle() { return socket_handle_; }
  TIdBuffer& InputBuffer() { return input_buffer_; }
  bool PeerClosed() const { return peer_closed_; }
  // Whether the last ReceiveLine ended without a line.
  bool ReadLnTimedOut() const { return read_line_timed_out_; }

  // The reply state of AwaitReply.
  std::vector<std::string> ReplyLines;
  std::int16_t ReplyCode = 0;
  std::string LastReplyLine() const;

  void CloseConnection() { DropConnection(); }
  // Reports stDisconnecting, closes the socket, reports stDisconnected; no protocol command is
  // sent. Nothing without a socket.
  void DropConnection();
  bool IsConnected();
  // When the peer has closed (or there is no socket): drops the connection and, if raise is
  // set and the input buffer is empty or ignored, raises EIdConnClosedGracefully.
  void CheckPeerClosed(bool raise, bool ignore_buffer);
  // Receives once into the receive block and appends to InputBuffer (or reports the bytes as
  // read work). Returns the number of bytes received, 0 when nothing came within the time-out.
  long FillInputBuffer(bool raise, int timeout_ms, bool to_input_buffer = true);
  // One line up to the terminator (empty: LF, with a CR before it dropped), at most
  // MaxLineLength bytes long. Each pass searches only the bytes that arrived since the last.
  std::string ReceiveLine(std::string_view terminator = {}, int timeout_ms = WaitForever);
  // The next line that is not empty after trimming blanks and control characters, trimmed.
  // Every line read, the skipped empty ones too, is taken from budget (its bytes and one for
  // its end); a line that does not fit fails with 10040.
  std::string ReceiveNonEmptyLine(std::size_t& budget);
  // Everything until the peer closes the connection, appended to target; more than limit
  // bytes fail with 10040.
  void ReceiveIntoStream(std::string& target, std::size_t limit);
  void SendBytes(const char* bytes, std::size_t count);
  void SendText(std::string_view text);
  void SendLine(std::string_view text);
  // Sends the stream's rest (from its start when asked) in blocks of SendBufferSize.
  void SendStream(std::istream& source, bool from_start);

  // Reads one reply (multi-line replies whole, up to MaxReplySize bytes and MaxReplyLines
  // lines) into ReplyLines and ReplyCode; a code outside accepted (when accepted is not empty)
  // raises EIdProtocolReplyError with the last line.
  std::int16_t AwaitReply(std::initializer_list<std::int16_t> accepted);
  // Sends the line (unless it is the single character NUL), then AwaitReply.
  std::int16_t SendCommand(std::string_view line, std::initializer_list<std::int16_t> accepted);

 protected:
  void ResetConnectionState();
  int InactivityLimitMs() const;

 private:
  TIdSocketHandle socket_handle_;
  TIdBuffer input_buffer_;
  std::vector<char> receive_block_;
  bool peer_closed_ = false;
  bool read_line_timed_out_ = false;
};

}  // namespace korvalesen
