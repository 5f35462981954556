// The IFBL grid: big squares of 32 km by 20 km in rows A (north) to M
// (south, I left out) and columns 0 to 9, each cut into 5 x 8 squares of
// 4 km, each of those into 16 squares of 1 km numbered by 2 km quadrant and
// 1 km square.  The grid is laid directly on Lambert 72 metres.
#include "ifbl/ifbl.hpp"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace morvane::ifbl {

// Kilometre column (0 west) then kilometre row (0 south).
const std::array<std::array<int, 4>, 4> KmSquareNumbers = {{
    {33, 31, 13, 11},
    {34, 32, 14, 12},
    {43, 41, 23, 21},
    {44, 42, 24, 22},
}};

namespace {

constexpr double kOriginX = 2012.0;  // south-west corner of the grid, metres
constexpr double kOriginY = 18180.0;
constexpr double kMetresPerKm = 1000.0;
constexpr double kBigWidthKm = 32.0;
constexpr double kBigHeightKm = 20.0;
constexpr double kSmallSideKm = 4.0;

// Row letters from the south: M is row 0, A row 11.
constexpr std::string_view kRowLetters = "MLKJHGFEDCBA";
constexpr int kBigColumns = 10;   // columns 0 to 9
constexpr int kSmallRows = 5;     // 4 km row digits 1 (north) to 5 (south)
constexpr int kSmallColumns = 8;  // 4 km column digits 1 (west) to 8 (east)

constexpr double kEastEdge = kOriginX + kBigColumns * kBigWidthKm * kMetresPerKm;  // 322 012
constexpr double kNorthEdge =
    kOriginY + static_cast<double>(kRowLetters.size()) * kBigHeightKm * kMetresPerKm;  // 258 180
static_assert(kEastEdge == 322012.0 && kNorthEdge == 258180.0);

char Digit(int value) { return static_cast<char>('0' + value); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The squares' numbers of a point from its kilometres east and north of
// the grid origin, x = RN((X - 2012) / 1000) and y = RN((Y - 18180) /
// 1000), as LambertToIfbl takes them: the big square's row floor(RN(y /
// 20)) and column floor(x / 32); within it, from yr = y - 20 row and xr =
// x - 32 column (both exact), the 4 km row and column floor(yr / 4) and
// floor(xr / 4) and the kilometre row and column floor(yr) and floor(xr)
// modulo 4 (divisions by powers of two and these differences are exact).
// So all of them follow from three integers: floor(x), floor(y) and
// floor(RN(y / 20)).
struct SquareNumbers {
  int row, column, smallRow, smallColumn, kmRow, kmColumn;
};

// The three integers from products by 1/1000 and 1/20, without a
// division: each product is within 2^-43 of the quotient it stands for
// (two roundings of values below 2^9), so when none lies within 2^-30 of
// an integer, each floor is the quotient's.  False otherwise (about one
// point in 10^8): the caller divides.
bool SquareNumbersWithoutDivision(double dx, double dy, SquareNumbers& n) {
  constexpr double kMargin = 0x1p-30;
  const double a = dx * 1e-3, b = dy * 1e-3, c = b * 0.05;
  // All three are in [0, 330), where truncation is the floor.
  const auto ia = static_cast<int>(a), ib = static_cast<int>(b), ic = static_cast<int>(c);
  const double fa = a - ia, fb = b - ib, fc = c - ic;  // exact
  if (!(fa >= kMargin && fa <= 1 - kMargin && fb >= kMargin && fb <= 1 - kMargin &&
        fc >= kMargin && fc <= 1 - kMargin))
    return false;
  // Whole kilometres in the big square (unsigned: no sign to correct for).
  const auto yr = static_cast<unsigned>(ib - 20 * ic), xr = static_cast<unsigned>(ia) % 32;
  n = {ic, ia / 32, static_cast<int>(yr / 4), static_cast<int>(xr / 4), static_cast<int>(yr % 4),
       static_cast<int>(xr % 4)};
  return true;
}

// Kilometre column and row of a 1 km number; false when no square has it.
bool FindKmSquare(int number, int& kmColumn, int& kmRow) {
  for (int c = 0; c < 4; ++c) {
    for (int r = 0; r < 4; ++r) {
      if (KmSquareNumbers[c][r] == number) {
        kmColumn = c;
        kmRow = r;
        return true;
      }
    }
  }
  return false;
}

}  // namespace

void LambertToIfbl(double X, double Y, std::string& text, std::int32_t& status,
                   const std::int16_t& precision) {
  // Only points inside the grid have a square; a point on its east or north
  // edge would belong to one outside it.  The quiet comparisons refuse a NaN
  // without raising a fault for the caller's next check.
  if (!(std::isgreaterequal(X, kOriginX) && std::isless(X, kEastEdge) &&
        std::isgreaterequal(Y, kOriginY) && std::isless(Y, kNorthEdge))) {
    status = 1;
    return;
  }

  // Metres from the grid origin (both differences exact), then the squares.
  const double dx = X - kOriginX, dy = Y - kOriginY;
  SquareNumbers n;
  if (!SquareNumbersWithoutDivision(dx, dy, n)) {
    // Kilometres from the grid origin.
    const double x = dx / kMetresPerKm;
    const double y = dy / kMetresPerKm;
    n.row = static_cast<int>(std::floor(y / kBigHeightKm));
    n.column = static_cast<int>(std::floor(x / kBigWidthKm));
    const double yr = y - n.row * kBigHeightKm;  // km north of the big square's south edge
    n.smallRow = static_cast<int>(std::floor(yr / kSmallSideKm));
    n.kmRow = static_cast<int>(std::floor(yr - std::floor(yr / kSmallSideKm) * kSmallSideKm));
    const double xr = x - n.column * kBigWidthKm;  // km east of its west edge
    n.smallColumn = static_cast<int>(std::floor(xr / kSmallSideKm));
    n.kmColumn = static_cast<int>(std::floor(xr - std::floor(xr / kSmallSideKm) * kSmallSideKm));
  }

  // Written straight into the text: a copy of a buffer written byte by
  // byte would wait for each byte's store to reach it.
  const std::size_t length = precision == 2 ? 2 : precision == 4 ? 4 : 6;
  const int km = KmSquareNumbers[n.kmColumn][n.kmRow];
  text.resize(length);
  char* code = text.data();
  code[0] = kRowLetters[static_cast<std::size_t>(n.row)];
  code[1] = Digit(n.column);
  if (length == 2) return;
  code[2] = Digit(kSmallRows - n.smallRow);  // 4 km rows are numbered from the north
  code[3] = Digit(n.smallColumn + 1);
  if (length == 4) return;
  code[4] = Digit(km / 10);
  code[5] = Digit(km % 10);
}

void IfblToLambert(std::string& text, double& X, double& Y, std::int32_t& status) {
  // Blanks go wherever they are; dots and other separators stay.
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  const std::size_t length = text.size();
  if (length != 2 && length != 4 && length != 6) {
    status = -1;
    return;
  }
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }

  // A code is read only when every position names a square of the grid.
  const std::size_t row = kRowLetters.find(text[0]);
  bool sound = row != std::string_view::npos && IsDigit(text[1]);
  int rowDigit = 0, columnDigit = 0, kmColumn = 0, kmRow = 0;
  if (sound && length >= 4) {
    rowDigit = text[2] - '0';
    columnDigit = text[3] - '0';
    sound = rowDigit >= 1 && rowDigit <= kSmallRows && columnDigit >= 1 &&
            columnDigit <= kSmallColumns;
  }
  if (sound && length == 6) {
    sound = IsDigit(text[4]) && IsDigit(text[5]) &&
            FindKmSquare((text[4] - '0') * 10 + (text[5] - '0'), kmColumn, kmRow);
  }
  if (!sound) {
    status = -1;
    return;
  }

  // Kilometres from the grid origin to the centre of the square.
  double y = kBigHeightKm * static_cast<double>(row);
  double x = kBigWidthKm * (text[1] - '0');
  if (length == 2) {
    x = x + kBigWidthKm / 2;
    y = y + kBigHeightKm / 2;
  } else {
    y = y + kSmallSideKm * (kSmallRows - rowDigit);
    x = x + kSmallSideKm * (columnDigit - 1);
    if (length == 4) {
      x = x + kSmallSideKm / 2;
      y = y + kSmallSideKm / 2;
    } else {
      y = y + (kmRow + 0.5);  // centre of the 1 km square
      x = x + (kmColumn + 0.5);
    }
  }
  Y = y * kMetresPerKm + kOriginY;
  X = x * kMetresPerKm + kOriginX;
}

}  // namespace morvane::ifbl
