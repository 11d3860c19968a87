#pragma once

// The German texts of the board's fault numbers.

#include <array>
#include <cstdint>
#include <string_view>

#include "board/config_image.h"

namespace korvalesen {

inline constexpr int FaultTextCount = 40;

struct FaultTextTable {
  std::array<std::string_view, FaultTextCount> texts;

  // The text of a stored fault number; a number beyond the table (a negative number in the
  // dump keeps its low 8 bits) shows the text of InvalidFaultNumber.
  std::string_view Text(std::uint8_t number) const {
    return texts[number < FaultTextCount ? number : InvalidFaultNumber];
  }
};

FaultTextTable BuildFaultTexts();

}  // namespace korvalesen
