// The typed reads and writes of the port, all on Read and Write.

#include "common/utf16.h"
#include "serial/com_port.h"

namespace korvalesen {

namespace {

constexpr char kCarriageReturn = 13;

// What is waiting in the receive queue, read at once.
template <class Buffer>
Buffer ReadWaiting(TCustomComPort& port) {
  Buffer buffer(static_cast<std::size_t>(port.InputCount()), 0);
  port.Read(buffer.data(), static_cast<std::int32_t>(buffer.size()), true);
  return buffer;
}

template <class Buffer>
Buffer ReadUntilByte(TCustomComPort& port, typename Buffer::value_type terminator) {
  Buffer buffer;
  for (;;) {
    typename Buffer::value_type c = 0;
    port.Read(&c, 1, true);
    buffer.push_back(c);
    if (c == terminator) return buffer;
  }
}

}  // namespace

char TCustomComPort::ReadChar() {
  return static_cast<char>(ReadByte());
}
char TCustomComPort::ReadAnsiChar() {
  return ReadChar();
}

std::uint16_t TCustomComPort::ReadWord() {
  std::uint8_t bytes[2] = {};
  Read(bytes, 2, true);
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t TCustomComPort::ReadDWord() {
  std::uint8_t bytes[4] = {};
  Read(bytes, 4, true);
  return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
         (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24);
}

void TCustomComPort::WriteChar(char value) {
  Write(&value, 1, false);
}
void TCustomComPort::WriteAnsiChar(char value) {
  WriteChar(value);
}

void TCustomComPort::WriteWord(std::uint16_t value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value),
                                 static_cast<std::uint8_t>(value >> 8)};
  Write(bytes, 2, false);
}

void TCustomComPort::WriteDWord(std::uint32_t value) {
  const std::uint8_t bytes[4] = {
      static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
      static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  Write(bytes, 4, false);
}

std::string TCustomComPort::ReadString() {
  return ReadAnsiString();
}
std::string TCustomComPort::ReadAnsiString() {
  WaitForReadCompletion();
  return ReadWaiting<std::string>(*this);
}
TBytes TCustomComPort::ReadBytes() {
  return ReadWaiting<TBytes>(*this);
}
std::u16string TCustomComPort::ReadUtf8() {
  return Utf8ToUtf16(ReadAnsiString());
}

void TCustomComPort::WriteString(const std::string& value) {
  WriteAnsiString(value);
}
void TCustomComPort::WriteAnsiString(const std::string& value) {
  Write(value.data(), static_cast<std::int32_t>(value.size()), false);
}
void TCustomComPort::WriteUtf8(const std::u16string& value) {
  WriteAnsiString(Utf16ToUtf8(value));
}
void TCustomComPort::WriteBytes(const TBytes& value) {
  Write(value.data(), static_cast<std::int32_t>(value.size()), false);
}

std::string TCustomComPort::ReadUntil(char terminator) {
  return ReadAnsiUntil(terminator);
}
std::string TCustomComPort::ReadAnsiUntil(char terminator) {
  return ReadUntilByte<std::string>(*this, terminator);
}
TBytes TCustomComPort::ReadUntilBytes(std::uint8_t terminator) {
  return ReadUntilByte<TBytes>(*this, terminator);
}
std::u16string TCustomComPort::ReadUntilUtf8(char terminator) {
  return Utf8ToUtf16(ReadAnsiUntil(terminator));
}

std::string TCustomComPort::ReadLine() {
  return ReadUntil(kCarriageReturn);
}
std::string TCustomComPort::ReadAnsiLine() {
  return ReadAnsiUntil(kCarriageReturn);
}
std::u16string TCustomComPort::ReadLineUtf8() {
  return ReadUntilUtf8(kCarriageReturn);
}
TBytes TCustomComPort::ReadLineBytes() {
  return ReadUntilBytes(kCarriageReturn);
}

void TCustomComPort::WriteLine(const std::string& value) {
  WriteString(value);
  WriteChar(kCarriageReturn);
}
void TCustomComPort::WriteAnsiLine(const std::string& value) {
  WriteAnsiString(value);
  WriteAnsiChar(kCarriageReturn);
}
void TCustomComPort::WriteLineUtf8(const std::u16string& value) {
  WriteUtf8(value);
  WriteChar(kCarriageReturn);
}
void TCustomComPort::WriteLineBytes(const TBytes& value) {
  WriteBytes(value);
  WriteByte(kCarriageReturn);
}

}  // namespace korvalesen
