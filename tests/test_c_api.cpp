// The C interface: every property's get and put, texts in buffers too
// small and exact, the IFBL put's write-back, failures and refused calls.
#include <gtest/gtest.h>
#include <morvane/morvane.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

using Handle = std::unique_ptr<morvane_object, decltype(&morvane_free)>;
Handle New() { return Handle(morvane_new(), &morvane_free); }

template <typename T>
using Get = int (*)(const morvane_object*, T*);
template <typename T>
using Set = int (*)(morvane_object*, T);

template <typename T>
struct NumberProperty {
  const char* name;
  Get<T> get;
  Set<T> set;
  T value;
};

template <typename T>
void CheckNumbers(std::initializer_list<NumberProperty<T>> properties) {
  for (const auto& p : properties) {
    SCOPED_TRACE(p.name);
    const Handle o = New();
    T read{};
    EXPECT_EQ(p.set(o.get(), p.value), MORVANE_OK);
    EXPECT_EQ(p.get(o.get(), &read), MORVANE_OK);
    EXPECT_EQ(read, p.value);
    EXPECT_EQ(p.get(nullptr, &read), MORVANE_E_NULL_HANDLE);
    EXPECT_EQ(p.get(o.get(), nullptr), MORVANE_E_NULL_POINTER);
    EXPECT_EQ(p.set(nullptr, p.value), MORVANE_E_NULL_HANDLE);
  }
}

TEST(CInterface, EveryNumberPropertyReadsBackWhatWasPut) {
  CheckNumbers<double>({{"Latitude", morvane_get_Latitude, morvane_set_Latitude, 50.5},
                        {"Longitude", morvane_get_Longitude, morvane_set_Longitude, -4.25},
                        {"X", morvane_get_X, morvane_set_X, 150000.5},
                        {"Y", morvane_get_Y, morvane_set_Y, 170000.25},
                        {"Northing", morvane_get_Northing, morvane_set_Northing, 5.6e6},
                        {"Easting", morvane_get_Easting, morvane_set_Easting, 6.1e5}});
  CheckNumbers<int16_t>(
      {{"LatDmsDeg", morvane_get_LatDmsDeg, morvane_set_LatDmsDeg, -32768},
       {"LatDmsMin", morvane_get_LatDmsMin, morvane_set_LatDmsMin, 59},
       {"LonDmsDeg", morvane_get_LonDmsDeg, morvane_set_LonDmsDeg, 32767},
       {"LonDmsMin", morvane_get_LonDmsMin, morvane_set_LonDmsMin, -1},
       {"IfblPrecision", morvane_get_IfblPrecision, morvane_set_IfblPrecision, 4}});
  CheckNumbers<float>({{"LatDmsSec", morvane_get_LatDmsSec, morvane_set_LatDmsSec, 12.5f},
                       {"LonDmsSec", morvane_get_LonDmsSec, morvane_set_LonDmsSec, -0.25f}});
  CheckNumbers<int32_t>(
      {{"OrigType", morvane_get_OrigType, morvane_set_OrigType, MORVANE_mvLambert72},
       {"mgrsPrecision", morvane_get_mgrsPrecision, morvane_set_mgrsPrecision, 1000}});
}

TEST(CInterface, TextsAreCopiedAsSnprintfDoes) {
  const Handle o = New();
  ASSERT_EQ(morvane_set_MGRS(o.get(), "  31UES9521533649  "), MORVANE_OK);
  struct Case {
    size_t size;
    const char* expected;
  };
  for (const Case& c : {Case{0, nullptr}, Case{1, ""}, Case{5, "31UE"}, Case{15, "31UES952153364"},
                        Case{16, "31UES9521533649"}, Case{64, "31UES9521533649"}}) {
    SCOPED_TRACE(c.size);
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(morvane_get_MGRS(o.get(), c.size ? buffer : nullptr, c.size), 15);
    if (c.expected) {
      EXPECT_STREQ(buffer, c.expected);
    }
    if (c.size && c.size < sizeof buffer) {
      EXPECT_EQ(buffer[c.size], '#');  // nothing written beyond the buffer
    }
  }
  char small[4];
  EXPECT_EQ(morvane_get_MGRS(nullptr, small, sizeof small), MORVANE_E_NULL_HANDLE);
  EXPECT_EQ(morvane_get_MGRS(o.get(), nullptr, 4), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_get_Error(o.get(), nullptr, 0), 0);
  EXPECT_EQ(morvane_set_MGRS(o.get(), nullptr), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_set_MGRS(nullptr, "x"), MORVANE_E_NULL_HANDLE);
}

TEST(CInterface, IfblPutHandsTheTidiedTextBack) {
  const Handle o = New();
  char tidied[8];
  EXPECT_EQ(morvane_set_IFBL(o.get(), " e4.25-43 ", tidied, sizeof tidied), 6);
  EXPECT_STREQ(tidied, "e42543");
  char read[8];
  EXPECT_EQ(morvane_get_IFBL(o.get(), read, sizeof read), 6);
  EXPECT_STREQ(read, "e42543");
  EXPECT_EQ(morvane_set_IFBL(o.get(), "f5.16.34", tidied, 3), 6);  // cut, length still whole
  EXPECT_STREQ(tidied, "f5");
  EXPECT_EQ(morvane_set_IFBL(o.get(), "E4", nullptr, 0), 2);
  EXPECT_EQ(morvane_set_IFBL(o.get(), nullptr, tidied, sizeof tidied), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_set_IFBL(o.get(), "E4", nullptr, 4), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_set_IFBL(nullptr, "E4", tidied, sizeof tidied), MORVANE_E_NULL_HANDLE);
}

TEST(CInterface, ConversionGivesMessagesFailuresAndResults) {
  const Handle o = New();
  morvane_object* h = o.get();
  ASSERT_EQ(morvane_set_DatumFrom(h, MORVANE_mvWGS1984), MORVANE_OK);
  ASSERT_EQ(morvane_set_DatumDest(h, MORVANE_mvBelgium1972), MORVANE_OK);
  ASSERT_EQ(morvane_set_OrigType(h, MORVANE_mvDeg), MORVANE_OK);
  morvane_set_Latitude(h, 50.8467);
  morvane_set_Longitude(h, 4.3525);
  EXPECT_EQ(morvane_conversion(h), MORVANE_OK);
  double x = 0;
  morvane_get_X(h, &x);
  EXPECT_NEAR(x, 149800, 1000);
  char ifbl[8];
  EXPECT_EQ(morvane_get_IFBL(h, ifbl, sizeof ifbl), 6);

  // A message is no failure.
  morvane_set_Latitude(h, 91);
  EXPECT_EQ(morvane_conversion(h), MORVANE_OK);
  char error[64];
  morvane_get_Error(h, error, sizeof error);
  EXPECT_STREQ(error, "Coordonnées DEG incorrectes");

  // A type outside its table fails, and leaves the object as it was.
  EXPECT_EQ(morvane_reset(h), MORVANE_OK);
  morvane_set_OrigType(h, 6);
  double before = 0, after = 0;
  morvane_get_Latitude(h, &before);
  EXPECT_EQ(morvane_conversion(h), MORVANE_INDEX_OUT_OF_RANGE);
  morvane_get_Latitude(h, &after);
  EXPECT_EQ(before, after);
  morvane_get_Error(h, error, sizeof error);
  EXPECT_STREQ(error, "Type de coordonnées originales inconnu");

  // A datum outside its table: a message on the put, a failure on use.
  morvane_set_OrigType(h, MORVANE_mvDeg);
  morvane_set_DatumFrom(h, 9);
  morvane_get_Error(h, error, sizeof error);
  EXPECT_STREQ(error, "Datum de départ inconnu");
  EXPECT_EQ(morvane_conversion(h), MORVANE_INDEX_OUT_OF_RANGE);

  EXPECT_EQ(morvane_conversion(nullptr), MORVANE_E_NULL_HANDLE);
  EXPECT_EQ(morvane_reset(nullptr), MORVANE_E_NULL_HANDLE);
  EXPECT_EQ(morvane_set_DatumDest(nullptr, 1), MORVANE_E_NULL_HANDLE);
  morvane_free(nullptr);
}

TEST(CInterface, EveryCodeHasAName) {
  struct Case {
    int code;
    const char* name;
  };
  for (const Case& c : {Case{0, "OK"}, Case{1, "IndexOutOfRange"}, Case{2, "IntegerOverflow"},
                        Case{3, "InvalidOperation"}, Case{4, "DivisionByZero"},
                        Case{5, "FloatOverflow"}, Case{6, "Unknown"}, Case{-100, "Unknown"}})
    EXPECT_STREQ(morvane_failure_name(c.code), c.name);
  for (int code = MORVANE_E_INTERNAL; code <= MORVANE_E_NULL_HANDLE; ++code)
    EXPECT_STRNE(morvane_failure_name(code), "Unknown") << code;
  EXPECT_STREQ(morvane_version(), "0.3.0");
}

TEST(CInterface, BatchRefusesNullStructs) {
  morvane_batch_input in{};
  morvane_batch_output out{};
  in.OrigType = MORVANE_mvDeg, in.DatumFrom = in.DatumDest = MORVANE_mvWGS1984;
  EXPECT_EQ(morvane_convert_batch(nullptr, &out, 0, 1), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_convert_batch(&in, nullptr, 0, 1), MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_convert_batch(&in, &out, 0, 1), MORVANE_OK);
  size_t widths[3] = {};
  EXPECT_EQ(morvane_batch_widths(nullptr, 0, widths, widths + 1, widths + 2),
            MORVANE_E_NULL_POINTER);
  EXPECT_EQ(morvane_batch_widths(&in, 0, widths, widths + 1, widths + 2), MORVANE_OK);
  EXPECT_EQ(widths[0], 15u);
  EXPECT_EQ(widths[1], 6u);
  EXPECT_GE(widths[2], std::strlen("Type de coordonnées originales inconnu"));
}

TEST(CInterface, BatchPathsAreChosenByNameAndUnknownNamesChangeNothing) {
  const std::string initial = morvane_batch_path();
  const bool avx2 = morvane_set_batch_path("avx2") == MORVANE_OK;
  struct Case {
    const char* name;
    int status;
    const char* after;  // the path's name afterwards; null: as before the call
  };
  const char* vector = sizeof(void*) == 4 || !avx2 ? nullptr : "sse2";
  const Case cases[] = {
      {"scalar", MORVANE_OK, "scalar"},
      {"sse2", MORVANE_OK, vector},
      {"vector", MORVANE_OK, vector},
      {"simd128", MORVANE_OK, vector},
      {"AVX2", MORVANE_E_KIND, nullptr},
      {"avx512", MORVANE_E_KIND, nullptr},
      {"scalar ", MORVANE_E_KIND, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(morvane_set_batch_path("scalar"), MORVANE_OK);
    EXPECT_EQ(morvane_set_batch_path(c.name), c.status);
    const std::string now = morvane_batch_path();
    if (c.status != MORVANE_OK) EXPECT_EQ(now, "scalar");
    else if (c.after) EXPECT_EQ(now, c.after);
    else EXPECT_NE(now, "scalar");
  }
  // The default comes back with null and with "".
  for (const char* name : {static_cast<const char*>(nullptr), ""}) {
    ASSERT_EQ(morvane_set_batch_path("scalar"), MORVANE_OK);
    EXPECT_EQ(morvane_set_batch_path(name), MORVANE_OK);
    EXPECT_STRNE(morvane_batch_path(), "scalar");
  }
  EXPECT_EQ(morvane_set_batch_path(initial.c_str()), MORVANE_OK);
  EXPECT_EQ(morvane_batch_path(), initial);
}

}  // namespace
