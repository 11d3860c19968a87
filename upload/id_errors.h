#pragma once

// The errors of the TCP and FTP client layers, each with the text the user sees.

#include <cstdint>
#include <string>
#include <utility>

#include "common/errors.h"
#include "common/windows1252.h"

namespace korvalesen {

class EIdException : public Error {
 public:
  using Error::Error;
};

class EIdAlreadyConnected : public EIdException {
 public:
  EIdAlreadyConnected() : EIdException(std::string("Verbindung besteht bereits."_w1252)) {}
};

class EIdInvalidSocket : public EIdException {
 public:
  EIdInvalidSocket() : EIdException(std::string("Socket kann nicht zugewiesen werden."_w1252)) {}
};

// A socket call failed; the text is SocketErrorMessage(code).
class EIdSocketError : public EIdException {
 public:
  explicit EIdSocketError(int code);
  int LastError() const { return code_; }

 private:
  int code_;
};

// A reply outside the accepted codes; the text is the reply's last line.
class EIdProtocolReplyError : public EIdException {
 public:
  EIdProtocolReplyError(std::int16_t code, std::string last_line)
      : EIdException(std::move(last_line)), code_(code) {}
  std::int16_t ReplyErrorCode() const { return code_; }

 private:
  std::int16_t code_;
};

class EIdSilentException : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
 public:
  EIdConnClosedGracefully()
      : EIdSilentException(std::string("Die Verbindung wurde erfolgreich geschlossen."_w1252)) {}
};

class EIdTCPConnectionError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdNotEnoughDataInBuffer : public EIdTCPConnectionError {
 public:
  EIdNotEnoughDataInBuffer()
      : EIdTCPConnectionError(std::string("Nicht genügend Daten im Puffer."_w1252)) {}
};

class EIdNoDataToRead : public EIdTCPConnectionError {
 public:
  EIdNoDataToRead()
      : EIdTCPConnectionError(std::string("Keine Daten für den Lesezugriff."_w1252)) {}
};

class EIdSocketHandleError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdCouldNotBindSocket : public EIdSocketHandleError {
 public:
  EIdCouldNotBindSocket()
      : EIdSocketHandleError(std::string(
            "Socket konnte nicht gebunden werden. Adresse und Port werden bereits benutzt."_w1252)) {
  }
};

// The errors of starting the socket layer, raised on Windows when "wsock32.dll" cannot be loaded
// or started. Linux's sockets need no start-up.
class EIdStackError : public EIdException {
 public:
  using EIdException::EIdException;
};

class EIdStackInitializationFailed : public EIdStackError {
 public:
  EIdStackInitializationFailed()
      : EIdStackError(std::string("Fehler bei der Winsock-Initialisierung."_w1252)) {}
};

class EIdStackSetSizeExceeded : public EIdStackError {
 public:
  EIdStackSetSizeExceeded() : EIdStackError(std::string("Mengengröße überschritten."_w1252)) {}
};

class EIdStackCanNotLoadWinsock : public EIdStackError {
 public:
  explicit EIdStackCanNotLoadWinsock(const std::string& library);
};

// A command argument holding CR, LF or NUL, which would end the command line early and send
// the rest as a command of its own; refused before anything is sent.
class EIdInvalidCommandArgument : public EIdException {
 public:
  explicit EIdInvalidCommandArgument(const std::string& command);
};

// A text that should be a decimal number is not one.
class EConvertError : public Error {
 public:
  explicit EConvertError(const std::string& text);
};

// A local file could not be opened.
class EFOpenError : public Error {
 public:
  explicit EFOpenError(const std::string& path);
};

}  // namespace korvalesen
