// Whole columns of R vectors through the core's batch call.
//
// The R side (R/convert.R) has checked the arguments and resolved the
// kind, the datums, the method and the height kind; here the columns are
// handed to morvane::ConvertBatch a chunk at a time (or to
// morvane::ConvertRows, for a table's rows that say their own kind and
// datum: convert_frame()).  Double columns of
// the full length are read and written in place; 16-bit integers, 32-bit
// floats, texts and recycled single values go through scratch space of
// the chunk's size.  Texts come out of the batch call as fixed-width UTF-8
// columns: the MGRS and IFBL columns keep them as they are, in character
// vectors whose strings R makes when it reads them (text_column.cpp: a
// million distinct strings cost several times the conversion); the Error,
// Failure and Route columns, mostly empty or few distinct texts, keep each
// point's number in a table of their texts, made into R strings here, on
// the calling thread (the batch call's own threads never touch R).
//
// Between the batch call's chunks its progress callback asks R whether
// the user pressed Ctrl-C, without letting R jump out of C++ code: the
// call then stops and R's interrupt is raised once everything is freed.
#include <Rcpp.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <morvane/batch.hpp>
#include <morvane/columns.hpp>
#include <morvane/morvane.h>
#include <morvane/names.hpp>

#include "text_column.hpp"

namespace {

// Points per thread in each call of the batch call: its scratch space
// stays within the caches, and Ctrl-C is seen within milliseconds.
constexpr R_xlen_t kChunkPerThread = 16384;

void CheckInterrupt(void*) { R_CheckUserInterrupt(); }

// On the calling thread, between the batch call's chunks.
int Progress(void* context, std::ptrdiff_t) noexcept {
  bool* interrupted = static_cast<bool*>(context);
  if (R_ToplevelExec(CheckInterrupt, nullptr) == FALSE) *interrupted = true;
  return *interrupted ? 1 : 0;
}

// An input column: length 1 (recycled) or the call's length.
struct Input {
  SEXP values;
  bool recycled;
};

// A column of few distinct texts: each point's number in the table of
// its texts, the empty text first (text_column.cpp makes it a character
// vector).  A text is entered once, however many points have it.
class Coder {
 public:
  Coder() { texts_.emplace_back(); }
  int Code(const char* text, std::size_t length) {
    if (length == 0) return 0;
    std::string key(text, length);
    auto found = known_.find(key);
    if (found != known_.end()) return found->second;
    const int code = static_cast<int>(texts_.size());
    texts_.push_back(key);
    known_.emplace(std::move(key), code);
    return code;
  }
  // The table as an R character vector (UTF-8).
  SEXP Texts() const {
    SEXP table = PROTECT(Rf_allocVector(STRSXP, static_cast<R_xlen_t>(texts_.size())));
    for (std::size_t k = 1; k < texts_.size(); ++k) {
      SET_STRING_ELT(table, static_cast<R_xlen_t>(k),
                     Rf_mkCharLenCE(texts_[k].data(), static_cast<int>(texts_[k].size()), CE_UTF8));
    }
    UNPROTECT(1);
    return table;
  }

 private:
  std::vector<std::string> texts_;
  std::unordered_map<std::string, int> known_;
};

std::size_t TextLength(const char* entry, std::size_t width) {
  const void* nul = std::memchr(entry, '\0', width);
  return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - entry) : width;
}

// The columns a kind reads, from the core's table.
std::vector<std::string> InputNames(int kind) {
  const morvane::KindName* k = morvane::KindByNumber(kind);
  std::vector<std::string> names;
  if (k == nullptr) return names;
  std::string list = k->inputs;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = list.find(',', start);
    names.push_back(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return names;
}

// A column of the rows' texts, handed to the rows call a chunk at a time
// as UTF-8 strings; NA is the empty text.
struct RowTexts {
  SEXP values = R_NilValue;
  std::vector<const char*> pointers;
  bool Read(R_xlen_t begin, R_xlen_t n) {
    if (values == R_NilValue) return false;
    pointers.resize(static_cast<std::size_t>(n));
    for (R_xlen_t i = 0; i < n; ++i) {
      SEXP s = STRING_ELT(values, begin + i);
      pointers[static_cast<std::size_t>(i)] = s == NA_STRING ? "" : Rf_translateCharUTF8(s);
    }
    return true;
  }
};

[[noreturn]] void Refused(int status) {
  Rcpp::stop(std::string("the batch call refused the points: ") +
             (status == MORVANE_E_SETTING ? "a method or height kind outside its table"
                                          : morvane_failure_name(status)));
}

}  // namespace

// [[Rcpp::init]]
void RegisterClasses(DllInfo* dll) { morvane_r::RegisterTextColumn(dll); }

// [[Rcpp::export(.names_json)]]
std::string NamesJson() {
  const char* json = morvane_names_json();
  if (json == nullptr) Rcpp::stop("morvane: no memory for the names' tables");
  return json;
}

// [[Rcpp::export(.version)]]
std::string Version() { return morvane_version(); }

// [[Rcpp::export(.kind_by_name)]]
int KindByName(std::string name) { return morvane_kind_by_name(name.c_str()); }

// [[Rcpp::export(.datum_by_name)]]
int DatumByName(std::string name) { return morvane_datum_by_name(name.c_str()); }

// [[Rcpp::export(.method_by_name)]]
int MethodByName(std::string name) { return morvane_method_by_name(name.c_str()); }

// [[Rcpp::export(.height_kind_by_name)]]
int HeightKindByName(std::string name) { return morvane_height_kind_by_name(name.c_str()); }

// [[Rcpp::export(.route_text)]]
std::string RouteText(int route) { return morvane::RouteText(route); }

// [[Rcpp::export(.batch_path)]]
std::string BatchPath() { return morvane_batch_path(); }

// Converts `count` points of `kind`; `columns` holds the kind's input
// columns in the order of its table entry (double, integer or character
// vectors of length 1 or `count`), `height` the heights (NULL: none).
// `rows` (NULL: none) makes it the rows call (morvane_convert_rows): a
// list of character vectors of `count` texts or NULLs, `coordinates`
// (verbatimCoordinates: then `columns` is empty, and `kind` may be 0, the
// kind of rows that name no system), `systems` (verbatimCoordinateSystem)
// and `datums` (verbatimSRS or geodeticDatum); the result then also has
// KindRead and DatumRead, the kind and datum each row was read with.
// Returns a named list of the output columns.
// [[Rcpp::export(.convert)]]
Rcpp::List Convert(int kind, int datumFrom, int datumTo, int mgrsPrecision, int ifblPrecision,
                   Rcpp::List columns, double count_, int threads, int method, int heightKind,
                   SEXP height, bool today, SEXP rows = R_NilValue) {
  const R_xlen_t count = static_cast<R_xlen_t>(count_);
  const bool byRows = rows != R_NilValue;
  RowTexts rowTexts[3];
  if (byRows) {
    if (TYPEOF(rows) != VECSXP || Rf_xlength(rows) != 3) Rcpp::stop("morvane: rows must be a list of three");
    for (int k = 0; k < 3; ++k) {
      SEXP texts = VECTOR_ELT(rows, k);
      if (texts == R_NilValue) continue;
      if (TYPEOF(texts) != STRSXP || Rf_xlength(texts) != count)
        Rcpp::stop("morvane: a column of the rows' texts is not of the call's length");
      rowTexts[k].values = texts;
    }
  }
  const bool verbatim = rowTexts[0].values != R_NilValue;
  const std::vector<std::string> names = InputNames(kind);
  if (names.empty() && !(verbatim && kind == 0)) Refused(MORVANE_E_KIND);
  if (static_cast<std::size_t>(columns.size()) != (verbatim ? 0 : names.size()))
    Rcpp::stop("morvane: the wrong number of columns for this kind");
  if (threads < 0) Refused(MORVANE_E_THREADS);
  // 0: every core.  More threads than a chunk keeps busy change nothing.
  if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  threads = std::min(threads, 256);
  std::vector<Input> inputs;
  for (R_xlen_t k = 0; k < columns.size(); ++k) {
    SEXP c = columns[k];
    const R_xlen_t n = Rf_xlength(c);
    if (n != 1 && n != count) Rcpp::stop("morvane: a column is not of the call's length");
    inputs.push_back({c, n == 1 && count != 1});
  }
  Input heights{R_NilValue, false};
  if (heightKind != MORVANE_HEIGHT_NONE) {
    if (TYPEOF(height) != REALSXP) Rcpp::stop("morvane: heights must be a double vector");
    const R_xlen_t n = Rf_xlength(height);
    if (n != 1 && n != count) Rcpp::stop("morvane: the heights are not of the call's length");
    heights = {height, n == 1 && count != 1};
  }
  // With verbatim rows the points are in their texts, not in columns.
  const bool textKind = !verbatim && (kind == MORVANE_mvMgrs || kind == MORVANE_mvIFBL);
  const bool dmsKind = !verbatim && kind == MORVANE_mvDegMinSec;
  const bool pairKind = !verbatim && !textKind && !dmsKind;

  // The result's columns: the properties that the batch call writes, in
  // the order of the core's table, then Failure.
  // Numbers uninitialised: the batch call writes every entry (on its own
  // threads, which then also take the pages' first touch), or the copies
  // below do.
  const auto numbers = [](R_xlen_t n) { return Rcpp::NumericVector(Rcpp::no_init(n)); };
  const auto integers = [](R_xlen_t n) { return Rcpp::IntegerVector(Rcpp::no_init(n)); };
  Rcpp::NumericVector latitude = numbers(count), longitude = numbers(count), x = numbers(count),
                      y = numbers(count), northing = numbers(count), easting = numbers(count),
                      latSec = numbers(count), lonSec = numbers(count);
  Rcpp::IntegerVector latDeg = integers(count), latMin = integers(count),
                      lonDeg = integers(count), lonMin = integers(count);
  // Error, Failure (and Route): each point's number in its column's texts.
  Rcpp::IntegerVector error = integers(count), failure = integers(count);
  morvane_r::TextColumn mgrs, ifbl;
  const R_xlen_t extraCount = today ? count : 0;
  Rcpp::NumericVector x2008 = numbers(extraCount), y2008 = numbers(extraCount),
                      ellipsoidal = numbers(extraCount), ostend = numbers(extraCount),
                      accuracy = numbers(extraCount);
  Rcpp::IntegerVector route = integers(extraCount);
  const R_xlen_t rowCount = byRows ? count : 0;
  Rcpp::IntegerVector kindRead = integers(rowCount), datumRead = integers(rowCount);

  const R_xlen_t chunk = kChunkPerThread * threads;
  mgrs.length = ifbl.length = count;
  mgrs.chunk = ifbl.chunk = chunk;
  const std::size_t scratch = static_cast<std::size_t>(std::min(chunk, std::max<R_xlen_t>(count, 1)));
  // Inputs that need a copy: doubles recycled, DMS in the core's types.
  std::vector<std::vector<double>> doubleIn(inputs.size());
  std::vector<std::int16_t> dmsInt[4];
  std::vector<float> dmsSec[2];
  std::vector<const char*> texts;
  std::vector<double> heightIn;
  // Outputs in the core's types.
  std::vector<std::int16_t> intOut[4];
  std::vector<float> secOut[2];
  std::vector<std::int32_t> failureOut(scratch), routeOut(today ? scratch : 0);
  std::vector<char> textOut[3];
  std::size_t widthOut[3] = {0, 0, 0};
  Coder errors, failures, routes;
  bool interrupted = false;

  for (R_xlen_t begin = 0; begin < count; begin += chunk) {
    const R_xlen_t n = std::min(chunk, count - begin);
    const std::size_t un = static_cast<std::size_t>(n);
    morvane_batch_input in{};
    in.OrigType = kind;
    in.DatumFrom = datumFrom;
    in.DatumDest = datumTo;
    in.mgrsPrecision = mgrsPrecision;
    in.IfblPrecision = static_cast<std::int16_t>(ifblPrecision);
    // A double column: in place when it has every point, else copied.
    const auto doubles = [&](std::size_t k) -> const double* {
      const Input& c = inputs[k];
      if (!c.recycled) return REAL(c.values) + begin;
      doubleIn[k].assign(un, REAL(c.values)[0]);
      return doubleIn[k].data();
    };
    const auto at = [&](const Input& c, R_xlen_t i) { return c.recycled ? 0 : begin + i; };
    if (textKind) {
      texts.resize(un);
      const Input& c = inputs[0];
      for (R_xlen_t i = 0; i < n; ++i) {
        SEXP s = STRING_ELT(c.values, at(c, i));
        // NA is a text that names no position.
        texts[static_cast<std::size_t>(i)] = s == NA_STRING ? "" : Rf_translateCharUTF8(s);
      }
      in.Texts = texts.data();
    } else if (dmsKind) {
      // Degrees and minutes as 16-bit integers (R checked their range),
      // seconds as 32-bit floats.  A missing degree or minute names no
      // position, as missing seconds do: 0 and NaN seconds.
      for (int h = 0; h < 2; ++h) {
        dmsInt[2 * h].resize(un);
        dmsInt[2 * h + 1].resize(un);
        dmsSec[h].resize(un);
        const Input& deg = inputs[static_cast<std::size_t>(3 * h)];
        const Input& min = inputs[static_cast<std::size_t>(3 * h + 1)];
        const Input& sec = inputs[static_cast<std::size_t>(3 * h + 2)];
        for (R_xlen_t i = 0; i < n; ++i) {
          const int d = INTEGER(deg.values)[at(deg, i)];
          const int m = INTEGER(min.values)[at(min, i)];
          const double s = REAL(sec.values)[at(sec, i)];
          const bool missing = d == NA_INTEGER || m == NA_INTEGER;
          const std::size_t u = static_cast<std::size_t>(i);
          dmsInt[2 * h][u] = static_cast<std::int16_t>(missing ? 0 : d);
          dmsInt[2 * h + 1][u] = static_cast<std::int16_t>(missing ? 0 : m);
          dmsSec[h][u] = missing ? std::nanf("") : static_cast<float>(s);
        }
      }
      in.LatDmsDeg = dmsInt[0].data();
      in.LatDmsMin = dmsInt[1].data();
      in.LatDmsSec = dmsSec[0].data();
      in.LonDmsDeg = dmsInt[2].data();
      in.LonDmsMin = dmsInt[3].data();
      in.LonDmsSec = dmsSec[1].data();
    } else if (pairKind && kind == MORVANE_mvDeg) {
      in.Latitude = doubles(0);
      in.Longitude = doubles(1);
    } else if (pairKind) {  // Lambert 72, Lambert 2008
      in.X = doubles(0);
      in.Y = doubles(1);
    }
    morvane::RowsInput rowsIn{};
    rowsIn.size = sizeof rowsIn;
    if (byRows) {
      const char* const** targets[3] = {&rowsIn.Coordinates, &rowsIn.Systems, &rowsIn.Datums};
      for (int k = 0; k < 3; ++k)
        if (rowTexts[k].Read(begin, n)) *targets[k] = rowTexts[k].pointers.data();
      rowsIn.KindsRead = INTEGER(kindRead) + begin;
      rowsIn.DatumsRead = INTEGER(datumRead) + begin;
    }

    morvane_batch_extra extra{};
    extra.size = sizeof extra;
    extra.Progress = &Progress;
    extra.ProgressContext = &interrupted;
    extra.Method = method;
    extra.HeightKind = heightKind;
    if (heightKind != MORVANE_HEIGHT_NONE) {
      if (heights.recycled) {
        heightIn.assign(un, REAL(heights.values)[0]);
        extra.Height = heightIn.data();
      } else {
        extra.Height = REAL(heights.values) + begin;
      }
    }
    if (today) {
      extra.X2008 = REAL(x2008) + begin;
      extra.Y2008 = REAL(y2008) + begin;
      extra.EllipsoidalHeight = REAL(ellipsoidal) + begin;
      extra.OstendHeight = REAL(ostend) + begin;
      extra.Accuracy = REAL(accuracy) + begin;
      extra.Route = routeOut.data();
    }

    morvane::TextWidths widths;
    int status = byRows ? morvane::RowsWidths(in, rowsIn, &extra, n, widths.MGRS, widths.IFBL,
                                              widths.Error)
                        : morvane::BatchWidths(in, extra, n, widths);
    if (status != MORVANE_OK) Refused(status);
    widthOut[0] = std::max<std::size_t>(widths.MGRS, 1);
    widthOut[1] = std::max<std::size_t>(widths.IFBL, 1);
    widthOut[2] = std::max<std::size_t>(widths.Error, 1);
    for (int t = 0; t < 3; ++t) textOut[t].resize(un * widthOut[t]);
    for (int k = 0; k < 4; ++k) intOut[k].resize(un);
    for (int h = 0; h < 2; ++h) secOut[h].resize(un);

    morvane_batch_output out{};
    out.Latitude = REAL(latitude) + begin;
    out.Longitude = REAL(longitude) + begin;
    out.LatDmsDeg = intOut[0].data();
    out.LatDmsMin = intOut[1].data();
    out.LatDmsSec = secOut[0].data();
    out.LonDmsDeg = intOut[2].data();
    out.LonDmsMin = intOut[3].data();
    out.LonDmsSec = secOut[1].data();
    out.X = REAL(x) + begin;
    out.Y = REAL(y) + begin;
    out.Northing = REAL(northing) + begin;
    out.Easting = REAL(easting) + begin;
    out.MGRS = {textOut[0].data(), widthOut[0]};
    out.IFBL = {textOut[1].data(), widthOut[1]};
    out.Error = {textOut[2].data(), widthOut[2]};
    out.Failure = failureOut.data();
    status = byRows ? morvane::ConvertRows(in, rowsIn, out, &extra, n, threads)
                    : morvane::ConvertBatch(in, out, extra, n, threads);
    if (interrupted) throw Rcpp::internal::InterruptedException();
    if (status != MORVANE_OK) Refused(status);

    // Into R's types: 16-bit integers and 32-bit floats exactly, texts as
    // UTF-8 strings.
    int* ints[4] = {INTEGER(latDeg) + begin, INTEGER(latMin) + begin, INTEGER(lonDeg) + begin,
                    INTEGER(lonMin) + begin};
    for (int k = 0; k < 4; ++k) std::copy(intOut[k].begin(), intOut[k].begin() + n, ints[k]);
    std::copy(secOut[0].begin(), secOut[0].begin() + n, REAL(latSec) + begin);
    std::copy(secOut[1].begin(), secOut[1].begin() + n, REAL(lonSec) + begin);
    // MGRS and IFBL as they are: the block goes to the column.
    mgrs.blocks.push_back({std::move(textOut[0]), widthOut[0]});
    ifbl.blocks.push_back({std::move(textOut[1]), widthOut[1]});
    textOut[0].clear();
    textOut[1].clear();
    for (R_xlen_t i = 0; i < n; ++i) {
      const std::size_t u = static_cast<std::size_t>(i);
      const char* e = textOut[2].data() + u * widthOut[2];
      INTEGER(error)[begin + i] = e[0] == '\0' ? 0 : errors.Code(e, TextLength(e, widthOut[2]));
      const std::int32_t code = failureOut[u];
      const char* name = code == 0 ? "" : morvane_failure_name(code);
      INTEGER(failure)[begin + i] = failures.Code(name, std::strlen(name));
    }
    if (today) {
      // A point with a message or a failure has no route (NaN accuracy).
      const double* acc = REAL(accuracy) + begin;
      std::int32_t last = -1;
      int lastCode = 0;
      for (R_xlen_t i = 0; i < n; ++i) {
        if (std::isnan(acc[i])) {
          INTEGER(route)[begin + i] = 0;
          continue;
        }
        const std::int32_t r = routeOut[static_cast<std::size_t>(i)];
        if (r != last) {
          const std::string text = morvane::RouteText(r);
          lastCode = routes.Code(text.data(), text.size());
          last = r;
        }
        INTEGER(route)[begin + i] = lastCode;
      }
    }
  }

  // The texts' tables, each kept by the column made from it at once.
  Rcpp::RObject errorTexts(errors.Texts());
  Rcpp::RObject errorColumn(morvane_r::MakeCodedColumn(error, errorTexts));
  Rcpp::RObject failureTexts(failures.Texts());
  Rcpp::RObject failureColumn(morvane_r::MakeCodedColumn(failure, failureTexts));
  Rcpp::RObject mgrsColumn(morvane_r::MakeTextColumn(std::move(mgrs)));
  Rcpp::RObject ifblColumn(morvane_r::MakeTextColumn(std::move(ifbl)));
  Rcpp::List result = Rcpp::List::create(
      Rcpp::Named("Latitude") = latitude, Rcpp::Named("Longitude") = longitude,
      Rcpp::Named("LatDmsDeg") = latDeg, Rcpp::Named("LatDmsMin") = latMin,
      Rcpp::Named("LatDmsSec") = latSec, Rcpp::Named("LonDmsDeg") = lonDeg,
      Rcpp::Named("LonDmsMin") = lonMin, Rcpp::Named("LonDmsSec") = lonSec,
      Rcpp::Named("X") = x, Rcpp::Named("Y") = y, Rcpp::Named("Northing") = northing,
      Rcpp::Named("Easting") = easting,
      Rcpp::Named("MGRS") = mgrsColumn, Rcpp::Named("IFBL") = ifblColumn,
      Rcpp::Named("Error") = errorColumn, Rcpp::Named("Failure") = failureColumn);
  if (today) {
    result["X2008"] = x2008;
    result["Y2008"] = y2008;
    result["EllipsoidalHeight"] = ellipsoidal;
    result["OstendHeight"] = ostend;
    Rcpp::RObject routeTexts(routes.Texts());
    result["Route"] = morvane_r::MakeCodedColumn(route, routeTexts);
    result["Accuracy"] = accuracy;
  }
  if (byRows) {
    result["KindRead"] = kindRead;
    result["DatumRead"] = datumRead;
  }
  return result;
}
