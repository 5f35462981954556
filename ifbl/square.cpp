#include "ifbl/square.hpp"

#include "ifbl/ifbl.hpp"

namespace morvane::ifbl {

bool ReadIfblSquare(const std::string& text, IfblSquare& square) {
  // Codes are often written with separators ('f5.16.34', 'd6-54-42').
  std::string code;
  for (const char c : text)
    if (c != ' ' && c != '.' && c != '-' && c != '\t') code += c;
  double x = 0, y = 0;
  std::int32_t status = 0;
  IfblToLambert(code, x, y, status);
  if (status != 0) return false;
  const double width = code.size() == 2 ? 32000 : code.size() == 4 ? 4000 : 1000;
  const double height = code.size() == 2 ? 20000 : width;
  square.code = code;
  square.width = width;
  square.height = height;
  square.centreX = x;
  square.centreY = y;
  // The centre is the square's: its corners are half a side away (exact
  // for these whole and half kilometres).
  square.west = x - width / 2;
  square.south = y - height / 2;
  return true;
}

}  // namespace morvane::ifbl
