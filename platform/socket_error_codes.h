#pragma once

// The Windows socket error codes. The socket layer reports every failure with one of them
// (platform/posix/bsd_sockets.cpp maps errno onto them; platform/win32/winsock.cpp passes on
// WSAGetLastError's) and the texts of the socket errors are bound to them. The comment names
// the Windows constant.

namespace korvalesen::platform {

inline constexpr int kWsaInterrupted = 10004;                 // WSAEINTR
inline constexpr int kWsaBadHandle = 10009;                   // WSAEBADF
inline constexpr int kWsaAccessDenied = 10013;                // WSAEACCES
inline constexpr int kWsaBadAddress = 10014;                  // WSAEFAULT
inline constexpr int kWsaInvalidArgument = 10022;             // WSAEINVAL
inline constexpr int kWsaTooManyFiles = 10024;                // WSAEMFILE
inline constexpr int kWsaWouldBlock = 10035;                  // WSAEWOULDBLOCK
inline constexpr int kWsaInProgress = 10036;                  // WSAEINPROGRESS
inline constexpr int kWsaAlready = 10037;                     // WSAEALREADY
inline constexpr int kWsaNotSocket = 10038;                   // WSAENOTSOCK
inline constexpr int kWsaDestinationRequired = 10039;         // WSAEDESTADDRREQ
inline constexpr int kWsaMessageSize = 10040;                 // WSAEMSGSIZE
inline constexpr int kWsaProtocolType = 10041;                // WSAEPROTOTYPE
inline constexpr int kWsaNoProtocolOption = 10042;            // WSAENOPROTOOPT
inline constexpr int kWsaProtocolNotSupported = 10043;        // WSAEPROTONOSUPPORT
inline constexpr int kWsaSocketTypeNotSupported = 10044;      // WSAESOCKTNOSUPPORT
inline constexpr int kWsaOperationNotSupported = 10045;       // WSAEOPNOTSUPP
inline constexpr int kWsaProtocolFamilyNotSupported = 10046;  // WSAEPFNOSUPPORT
inline constexpr int kWsaAddressFamilyNotSupported = 10047;   // WSAEAFNOSUPPORT
inline constexpr int kWsaAddressInUse = 10048;                // WSAEADDRINUSE
inline constexpr int kWsaAddressNotAvailable = 10049;         // WSAEADDRNOTAVAIL
inline constexpr int kWsaNetworkDown = 10050;                 // WSAENETDOWN
inline constexpr int kWsaNetworkUnreachable = 10051;          // WSAENETUNREACH
inline constexpr int kWsaNetworkReset = 10052;                // WSAENETRESET
inline constexpr int kWsaConnectionAborted = 10053;           // WSAECONNABORTED
inline constexpr int kWsaConnectionReset = 10054;             // WSAECONNRESET
inline constexpr int kWsaNoBuffers = 10055;                   // WSAENOBUFS
inline constexpr int kWsaIsConnected = 10056;                 // WSAEISCONN
inline constexpr int kWsaNotConnected = 10057;                // WSAENOTCONN
inline constexpr int kWsaShutDown = 10058;                    // WSAESHUTDOWN
inline constexpr int kWsaTooManyReferences = 10059;           // WSAETOOMANYREFS
inline constexpr int kWsaTimedOut = 10060;                    // WSAETIMEDOUT
inline constexpr int kWsaConnectionRefused = 10061;           // WSAECONNREFUSED
inline constexpr int kWsaLoop = 10062;                        // WSAELOOP
inline constexpr int kWsaNameTooLong = 10063;                 // WSAENAMETOOLONG
inline constexpr int kWsaHostDown = 10064;                    // WSAEHOSTDOWN
inline constexpr int kWsaHostUnreachable = 10065;             // WSAEHOSTUNREACH
inline constexpr int kWsaNotEmpty = 10066;                    // WSAENOTEMPTY
// The resolver's codes.
inline constexpr int kWsaHostNotFound = 11001;  // WSAHOST_NOT_FOUND
inline constexpr int kWsaTryAgain = 11002;      // WSATRY_AGAIN
inline constexpr int kWsaNoRecovery = 11003;    // WSANO_RECOVERY
inline constexpr int kWsaNoData = 11004;        // WSANO_DATA

}  // namespace korvalesen::platform
