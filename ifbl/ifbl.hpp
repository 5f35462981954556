// Module IFBL: the floristic-survey grid of Belgium and Luxembourg, laid on
// Lambert 72 metres.  Codes are 2, 4 or 6 upper-case characters ('E5',
// 'E535', 'E53541').
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace morvane::ifbl {

// 1 km square numbers inside a 4 km square, by kilometre column (0 west)
// and kilometre row (0 south): KmSquareNumbers[column][row].
extern const std::array<std::array<int, 4>, 4> KmSquareNumbers;

// Names the square holding (X, Y) at the given precision (2, 4, anything
// else 6).  A point outside the grid sets status to 1 and leaves text.
void LambertToIfbl(double X, double Y, std::string& text, std::int32_t& status,
                   const std::int16_t& precision);

// Centre of the square a code names.  Tidies the caller's text (blanks
// removed, upper case); a code that names no square sets status to -1 and
// leaves X and Y.
void IfblToLambert(std::string& text, double& X, double& Y, std::int32_t& status);

}  // namespace morvane::ifbl
