// The IFBL grid: codes of known points, the refusals of both routines, and
// every square of the grid decoded and encoded back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "base/checks.hpp"
#include "ifbl/ifbl.hpp"

namespace morvane::ifbl {
namespace {

constexpr const char* kRowLetters = "MLKJHGFEDCBA";  // from the south

// The code of (X, Y), or "refused".
std::string Encode(double X, double Y, std::int16_t precision) {
  std::string text = "refused";
  std::int32_t status = 0;
  LambertToIfbl(X, Y, text, status, precision);
  EXPECT_EQ(status, text == "refused" ? 1 : 0) << X << ", " << Y;
  return text;
}

TEST(IfblEncode, KnownPointsAtEachPrecision) {
  struct Case {
    double X, Y;
    std::int16_t precision;
    const char* code;
  } const cases[] = {
      {180512, 167680, 6, "E53541"},
      {180512, 167680, 4, "E535"},
      {180512, 167680, 2, "E5"},
      {180512, 167680, 0, "E53541"},  // any precision but 2 and 4 gives 6 characters
      {180512, 167680, 5, "E53541"},
      {180512, 167680, -1, "E53541"},
      {2012, 18180, 6, "M05133"},     // the grid origin
      {2012, 38180, 6, "L05133"},     // on a row line: the square north of it
      {34012, 18180, 6, "M15133"},    // on a column line: the square east of it
      {150000, 150000, 6, "F43522"},
      {std::nextafter(322012.0, 0.0), std::nextafter(258180.0, 0.0), 6, "A91822"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Encode(c.X, c.Y, c.precision), c.code) << c.X << ", " << c.Y << " @" << c.precision;
  }
}

TEST(IfblEncode, PointsOutsideTheGridAreRefusedAndTextKept) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const double points[][2] = {
      {0, 0},           {2011.999, 100000}, {322012, 100000}, {350000.5, 100000},
      {100000, -0.5},   {100000, 18179.999}, {100000, 258180}, {100000, 270000},
      {nan, 100000},    {100000, nan},      {inf, 100000},    {-inf, 100000},
  };
  for (const auto& p : points) {
    for (std::int16_t precision : {2, 4, 6}) {
      std::string text = "E53541";
      std::int32_t status = 0;
      LambertToIfbl(p[0], p[1], text, status, precision);
      EXPECT_EQ(status, 1) << p[0] << ", " << p[1];
      EXPECT_EQ(text, "E53541");
    }
  }
  EXPECT_EQ(fp::PendingBits(), 0u);  // refusing a NaN raises no fault
}

TEST(IfblEncode, StatusIsLeftAloneOnSuccess) {
  std::string text;
  std::int32_t status = 7;
  LambertToIfbl(180512, 167680, text, status, 6);
  EXPECT_EQ(status, 7);
}

TEST(IfblDecode, CentresOfKnownSquares) {
  struct Case {
    const char* code;
    const char* tidied;
    double X, Y;
  } const cases[] = {
      {" e5 35 41 ", "E53541", 180512, 167680},
      {"E5", "E5", 178012, 168180},
      {"E535", "E535", 180012, 168180},
      {"M05133", "M05133", 2512, 18680},
      {"a91822", "A91822", 321512, 257680},
  };
  for (const auto& c : cases) {
    std::string text = c.code;
    double X = 0, Y = 0;
    std::int32_t status = 7;
    IfblToLambert(text, X, Y, status);
    EXPECT_EQ(text, c.tidied);
    EXPECT_EQ(X, c.X) << c.code;
    EXPECT_EQ(Y, c.Y) << c.code;
    EXPECT_EQ(status, 7) << c.code;
  }
}

TEST(IfblDecode, CodesNamingNoSquareAreRefusedAndPositionKept) {
  struct Case {
    const char* code;
    const char* tidied;  // what the caller's text holds afterwards
  } const cases[] = {
      {"I5", "I5"},         {"N5", "N5"},         {"Z5", "Z5"},
      {"55", "55"},         {"E5.35", "E5.35"},   {"e5.35", "e5.35"},  // length 5: not upper-cased
      {"", ""},             {"   ", ""},          {"E", "E"},
      {"E53", "E53"},       {"E5354", "E5354"},   {"E535411", "E535411"},
      {"E5-35", "E5-35"},   {"E\t5", "E\t5"},     {"EA", "EA"},
      {"E53555", "E53555"}, {"E53500", "E53500"}, {"E53545", "E53545"},
      {"E5354A", "E5354A"}, {"E5AB", "E5AB"},     {"E590", "E590"},
      {"E560", "E560"},     {"E509", "E509"},     {"E5 0 5", "E505"},
      {"e5 6 1 ", "E561"},  {"e5 3 a", "E53A"},   {"E5-3", "E5-3"},
  };
  for (const auto& c : cases) {
    std::string text = c.code;
    double X = 1, Y = 2;
    std::int32_t status = 0;
    IfblToLambert(text, X, Y, status);
    EXPECT_EQ(status, -1) << '"' << c.code << '"';
    EXPECT_EQ(text, c.tidied);
    EXPECT_EQ(X, 1) << c.code;
    EXPECT_EQ(Y, 2) << c.code;
  }
}

// Decodes code, checks that the centre and the south-west corner encode
// back to it and the east and north edges do not (they belong to the next
// square), and that the centre lies in the squares the code's prefixes name.
void CheckRoundTrip(const std::string& code, double width, double height) {
  std::string text = code;
  double X = 0, Y = 0;
  std::int32_t status = 0;
  IfblToLambert(text, X, Y, status);
  ASSERT_EQ(status, 0) << code;
  const auto precision = static_cast<std::int16_t>(code.size());
  ASSERT_EQ(Encode(X, Y, precision), code);
  ASSERT_EQ(Encode(X - width / 2, Y - height / 2, precision), code);
  ASSERT_NE(Encode(X + width / 2, Y, precision), code);
  ASSERT_NE(Encode(X, Y + height / 2, precision), code);
  for (std::int16_t coarser = 2; coarser < precision; coarser += 2) {
    ASSERT_EQ(Encode(X, Y, coarser), code.substr(0, static_cast<std::size_t>(coarser)));
  }
}

// The code by the grid's definition: kilometres rounded from divisions by
// 1000, the big square's row from a division by 20.  The encoder reaches
// the same integers from products where it can; near every kilometre line
// it must not differ.
std::string ByDivision(double X, double Y) {
  const double x = (X - 2012.0) / 1000.0, y = (Y - 18180.0) / 1000.0;
  const int row = static_cast<int>(std::floor(y / 20.0)), column = static_cast<int>(std::floor(x / 32.0));
  const double yr = y - row * 20.0, xr = x - column * 32.0;
  const int kmRow = static_cast<int>(std::floor(yr - std::floor(yr / 4.0) * 4.0));
  const int kmColumn = static_cast<int>(std::floor(xr - std::floor(xr / 4.0) * 4.0));
  const int km = KmSquareNumbers[static_cast<std::size_t>(kmColumn)][static_cast<std::size_t>(kmRow)];
  return {kRowLetters[row], static_cast<char>('0' + column),
          static_cast<char>('0' + 5 - static_cast<int>(std::floor(yr / 4.0))),
          static_cast<char>('0' + 1 + static_cast<int>(std::floor(xr / 4.0))),
          static_cast<char>('0' + km / 10), static_cast<char>('0' + km % 10)};
}

// Points on every kilometre line of the grid, up to four ulps either side
// and a micrometre and a millimetre either side (where the products
// decide), in both directions, against a point well inside the other
// axis's kilometre (and on its lines too).
TEST(IfblEncode, KilometreLinesAsByDivision) {
  // Every precision gives the code's first characters: 2 and 4 theirs,
  // any other value the whole code.
  const auto expectCodes = [](double X, double Y) {
    const std::string whole = ByDivision(X, Y);
    for (const std::int16_t precision : {2, 4, 6, 0, 5, -1}) {
      const std::size_t length = precision == 2 || precision == 4 ? std::size_t(precision) : 6;
      ASSERT_EQ(Encode(X, Y, precision), whole.substr(0, length)) << X << ", " << Y << " at " << precision;
    }
  };
  const auto near = [](double v, int step) {
    if (step > 4) return v + (step == 5 ? 1e-6 : 1e-3);
    if (step < -4) return v - (step == -5 ? 1e-6 : 1e-3);
    for (; step > 0; --step) v = std::nextafter(v, 1e9);
    for (; step < 0; ++step) v = std::nextafter(v, -1e9);
    return v;
  };
  int checked = 0;
  for (int km = 0; km <= 320; ++km) {
    for (int ulps = -6; ulps <= 6; ++ulps) {
      for (const double other : {0.37, 0.0}) {
        const double X = near(2012.0 + 1000.0 * km, ulps);
        const double Yx = 18180.0 + 1000.0 * ((km * 7) % 240 + other);
        if (X >= 2012.0 && X < 322012.0) {
          expectCodes(X, Yx);
          ++checked;
        }
        if (km > 240) continue;
        const double Y = near(18180.0 + 1000.0 * km, ulps);
        const double Xy = 2012.0 + 1000.0 * ((km * 13) % 320 + other);
        if (Y >= 18180.0 && Y < 258180.0) {
          expectCodes(Xy, Y);
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 10000);
}

TEST(IfblGrid, EverySquareRoundTripsAtEachPrecision) {
  int squares[7] = {};
  for (int row = 0; row < 12; ++row) {
    for (char column = '0'; column <= '9'; ++column) {
      const std::string big{kRowLetters[row], column};
      CheckRoundTrip(big, 32000, 20000);
      ++squares[2];
      for (char rowDigit = '1'; rowDigit <= '5'; ++rowDigit) {
        for (char columnDigit = '1'; columnDigit <= '8'; ++columnDigit) {
          const std::string small = big + rowDigit + columnDigit;
          CheckRoundTrip(small, 4000, 4000);
          ++squares[4];
          for (const auto& byColumn : KmSquareNumbers) {
            for (int number : byColumn) {
              CheckRoundTrip(small + std::to_string(number), 1000, 1000);
              ++squares[6];
            }
          }
        }
      }
    }
  }
  EXPECT_EQ(squares[2], 120);
  EXPECT_EQ(squares[4], 4800);
  EXPECT_EQ(squares[6], 76800);
}

}  // namespace
}  // namespace morvane::ifbl
