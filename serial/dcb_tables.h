#pragma once

// The values of the port's enumerations in a device control block, member by member in
// their order; both directions of TCustomComPort::CopyDCB read them.

#include <cstdint>
#include <utility>

#include "platform/comm_device.h"

namespace korvalesen::dcb {

using platform::DtrControl;
using platform::ParityCode;
using platform::RtsControl;
using platform::StopBitsCode;

inline constexpr std::uint8_t kByteSizes[] = {0, 4, 5, 6, 7, 8, 9, 16, 16};
inline constexpr ParityCode kParity[] = {ParityCode::kNone, ParityCode::kNone, ParityCode::kOdd,
                                         ParityCode::kEven, ParityCode::kMark, ParityCode::kSpace};
inline constexpr StopBitsCode kStopBits[] = {StopBitsCode::kOne, StopBitsCode::kOne,
                                             StopBitsCode::kOneAndHalf, StopBitsCode::kTwo};
inline constexpr DtrControl kDtr[] = {DtrControl::kDisable, DtrControl::kDisable,
                                      DtrControl::kEnable, DtrControl::kHandshake};
inline constexpr RtsControl kRts[] = {RtsControl::kDisable, RtsControl::kDisable,
                                      RtsControl::kEnable, RtsControl::kHandshake,
                                      RtsControl::kToggle};
// XON/XOFF on input, on output.
inline constexpr std::pair<bool, bool> kXOnXOff[] = {
    {false, false}, {false, false}, {true, false}, {false, true}, {true, true}};

}  // namespace korvalesen::dcb
