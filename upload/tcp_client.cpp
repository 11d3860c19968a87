#include "upload/tcp_client.h"

#include "upload/id_errors.h"
#include "upload/socket_stack.h"

namespace korvalesen {

void TIdTCPClient::OpenConnection() {
  if (SocketHandle().Allocated()) throw EIdAlreadyConnected();
  ResetConnectionState();
  SocketHandle().Allocate();
  try {
    SocketHandle().Bind(BoundIP);
    if (!IsDottedAddress(Host)) ReportStatus(TIdStatus::stResolving, Host);
    SocketHandle().SetPeer(SocketStack()->LookUpHostAddress(Host), Port);
    ReportStatus(TIdStatus::stConnecting, SocketHandle().PeerAddress());
    SocketHandle().Connect(InactivityLimitMs(), OnWaiting);
  } catch (...) {
    try {
      CloseConnection();
    } catch (...) {
      // The first error is the one that counts.
    }
    throw;
  }
  ReportStatus(TIdStatus::stConnected, SocketHandle().PeerAddress());
}

}  // namespace korvalesen
