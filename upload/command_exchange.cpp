// The command and reply exchange of line protocols on a TCP connection.

#include <algorithm>

#include "common/support_log.h"
#include "platform/socket_error_codes.h"
#include "upload/ftp_reply.h"
#include "upload/id_errors.h"
#include "upload/tcp_connection.h"

namespace korvalesen {

std::int16_t TIdTCPConnection::AwaitReply(std::initializer_list<std::int16_t> accepted) {
  ReplyLines.clear();
  std::size_t budget = MaxReplySize;
  ReplyLines.push_back(ReceiveNonEmptyLine(budget));
  const std::string first_line = ReplyLines.front();
  if (StartsMultiLineReply(first_line)) {
    do {
      if (ReplyLines.size() >= MaxReplyLines) throw EIdSocketError(platform::kWsaMessageSize);
      ReplyLines.push_back(ReceiveNonEmptyLine(budget));
    } while (!EndsMultiLineReply(first_line, ReplyLines.back()));
  }
  for (const std::string& line : ReplyLines) LogEvent("< " + line);
  ReplyCode = ReplyCodeOf(LastReplyLine());
  if (accepted.size() != 0 &&
      std::find(accepted.begin(), accepted.end(), ReplyCode) == accepted.end()) {
    throw EIdProtocolReplyError(ReplyCode, LastReplyLine());
  }
  return ReplyCode;
}

std::int16_t TIdTCPConnection::SendCommand(std::string_view line,
                                           std::initializer_list<std::int16_t> accepted) {
  if (line != std::string_view("\0", 1)) SendLine(line);
  return AwaitReply(accepted);
}

}  // namespace korvalesen
