#include "board/port_discovery.h"

#include "board/port_found_tone.h"
#include "common/format_text.h"
#include "common/support_log.h"
#include "common/windows1252.h"

namespace korvalesen {

namespace {

std::string Bounded(std::string_view name) {
  return std::string(name.substr(0, kNameBufferLength));
}

// Every failure after the port list has been filled leaves "suchen" and the list usable.
bool FailSearch(BoardLink& link, std::string_view message) {
  link.window.ShowErrorBox(message);
  link.window.EnableSearch();
  return false;
}

void SelectPortDevice(BoardLink& link) {
  link.portName = link.window.PortListText();
  link.port.SetDeviceName(platform::DevicePath(link.portName));
}

// Selects the adapter's port in the list and opens it; true when it is open.
bool OpenAdapterPort(BoardLink& link, const std::string& adapter_port) {
  BoardLinkWindow& window = link.window;
  for (int index = 0; index < window.PortItemCount(); ++index) {
    if (window.PortItem(index) != adapter_port) continue;
    link.port.SetActive(false);
    window.SelectPortItem(index);
    SelectPortDevice(link);
    if (!TestOpenPort(link, link.portName)) return false;
    link.port.SetActive(true);
    PlayPortFoundTone(link.tone);
    return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> FindAdapterSerial(const std::vector<std::string>& device_names) {
  for (const std::string& device_name : device_names) {
    const std::string name = Bounded(device_name);
    if (name.starts_with(AdapterDevicePrefix)) return name.substr(AdapterDevicePrefix.size(), 9);
  }
  return std::nullopt;
}

bool IsAdapterNotice(std::string_view name) {
  constexpr std::string_view kAdapterDevice = "USB#VID_0403&PID_6001#";
  constexpr std::string_view kWin32Prefix = "\\\\?\\";
  if (name.starts_with(kWin32Prefix)) name.remove_prefix(kWin32Prefix.size());
  std::string upper(name.substr(0, kAdapterDevice.size()));
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper == kAdapterDevice;
}

bool FindBoardPort(BoardLink& link) {
  BoardLinkWindow& window = link.window;
  window.EnableControls(false);
  link.port.SetActive(false);

  std::vector<std::string> ports;
  link.port.EnumComDevicesFromRegistry(ports);
  if (ports.empty()) {
    window.ShowErrorBox("Keinen ComPort auf dem PC gefunden!"_w1252);
    return false;
  }
  window.ClearPortItems();
  for (const std::string& port : ports) window.AddPortItem(port);

  std::vector<std::string> device_names;
  link.port.EnumDevices(device_names);
  if (!device_names.empty()) {
    const std::optional<std::string> adapter_serial = FindAdapterSerial(device_names);
    if (!adapter_serial) return FailSearch(link, "USB-Port der LCD-Platine nicht gefunden!"_w1252);
    const platform::AdapterPortLookup lookup = link.devices.LookUpAdapterPort(*adapter_serial);
    using Outcome = platform::AdapterPortLookup::Outcome;
    if (lookup.outcome == Outcome::kKeyMissing) {
      return FailSearch(link, "RegSchlüssel nicht gefunden !"_w1252);
    }
    if (lookup.outcome == Outcome::kValueMissing) {
      return FailSearch(link, "RegWert (PortName) nicht gefunden !"_w1252);
    }
    if (OpenAdapterPort(link, Bounded(lookup.portName))) {
      LogEvent("Port gefunden: " + link.portName + ", Adapter " + *adapter_serial);
      window.EnableSearch();
      return true;
    }
  }
  return FailSearch(link, "PortSuche nicht erfolgreich !"_w1252);
}

bool TestOpenPort(BoardLink& link, const std::string& name) {
  BoardLinkWindow& window = link.window;
  if (!link.devices.TestOpenExclusive(platform::DevicePath(name))) {
    window.ShowErrorBox(FormatText(
        "ComPortError:  %s !\n\nDer Port kann nicht geöffnet werden."_w1252.data(), name.c_str()));
    window.EnableControls(false);
    window.EnableSearch();
    return false;
  }
  window.SetPortListText(name);
  link.port.SetDeviceName(platform::DevicePath(name));
  window.EnableControls(true);
  return true;
}

void ComboBoxChange(BoardLink& link) {
  link.port.SetActive(false);
  SelectPortDevice(link);
  if (TestOpenPort(link, link.portName)) link.port.SetActive(true);
}

void PlayPortFoundTone(platform::TonePlayer& player) {
  // The tone plays from this buffer after the call has returned; built once, it never changes
  // while it plays.
  static const PortFoundToneImage tone = BuildPortFoundTone();
  player.PlayAsync(tone);
}

}  // namespace korvalesen
