#include "platform/standard_output.h"

namespace korvalesen::platform {

// Linux writes the bytes as they are, and terminals read UTF-8.
void WriteStandardOutputAsUtf8Bytes() {}

}  // namespace korvalesen::platform
