#pragma once

#include <optional>

#include "board/config_image.h"
#include "common/readout.h"
#include "common/window_operations.h"
#include "results/fault_texts.h"

namespace korvalesen {

// Writes the three result files in their order and returns them with the serial number, as
// written. When a writer fails (it has shown its message), the files written before it are
// deleted, in the order they were written, so that no partial set is left behind; returns
// nullopt then.
std::optional<Readout> WriteResultFiles(const ConfigImage& image, const FaultTextTable& fault_texts,
                                        WindowOperations& window);

}  // namespace korvalesen
