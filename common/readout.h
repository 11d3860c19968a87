#pragma once

// One readout's result files as the run wrote them, and the readouts of earlier runs that wait
// in "nicht gesendet" to be sent with the next upload.

#include <functional>
#include <string>
#include <vector>

namespace korvalesen {

struct ResultFile {
  std::string name;
  std::string bytes;  // exactly what the file holds
};

struct Readout {
  std::string serialNumber;  // the server folder below "import"
  std::vector<ResultFile> files;
};

struct WaitingReadout {
  Readout readout;
  // Takes the readout off the waiting list once all its files are stored.
  std::function<void()> sent;
};

struct WaitingReadouts {
  std::vector<WaitingReadout> sendable;  // oldest first
  int kept = 0;                          // those never sent: serial "unbekannt" or unreadable
};

}  // namespace korvalesen
