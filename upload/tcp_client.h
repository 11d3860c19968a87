#pragma once

// The client side of a TCP connection: host, port and the opening of the connection.

#include <cstdint>
#include <string>

#include "upload/tcp_connection.h"

namespace korvalesen {

class TIdTCPClient : public TIdTCPConnection {
 public:
  std::string Host;
  std::uint16_t Port = 0;
  // Local address to bind before connecting; empty: any.
  std::string BoundIP;

  // Binds, looks the host up, connects and reports stResolving (for a name), stConnecting and
  // stConnected. On failure the socket is closed again and the first error goes on.
  void OpenConnection();
};

}  // namespace korvalesen
