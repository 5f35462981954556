// The square an IFBL code names, in Lambert 72 metres: 32 x 20 km for a
// two-character code, 4 km for four characters, 1 km for six.
#pragma once

#include <string>

namespace morvane::ifbl {

struct IfblSquare {
  std::string code;       // tidied (blanks removed, upper case)
  double west = 0, south = 0;  // the south-west corner, Lambert 72 metres
  double width = 0, height = 0;
  double centreX = 0, centreY = 0;  // the centre the object gives for the code
};

// False when the text names no square.
bool ReadIfblSquare(const std::string& text, IfblSquare& square);

}  // namespace morvane::ifbl
