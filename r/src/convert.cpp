// Whole columns of R vectors through the core's batch call.
//
// The R side (R/convert.R) has checked the arguments and resolved the
// kind, the datums, the method and the height kind; here the columns are
// handed to morvane::ConvertBatch (or to morvane::ConvertRows, for a
// table's rows that say their own kind and datum: convert_frame()) a
// chunk at a time, each chunk whole on one of the call's threads.  Double columns of the full length are read
// and written in place; 16-bit integers, 32-bit floats and recycled single
// values go through the thread's scratch space.  Texts come out of the
// batch call as fixed-width UTF-8 columns: the MGRS and IFBL columns keep
// them as they are, in character vectors whose strings R makes when it
// reads them (text_column.cpp: a million distinct strings cost several
// times the conversion); the Error, Failure and Route columns, mostly
// empty or few distinct texts, keep each point's number in a table of
// their texts, made into R strings at the end, on the calling thread.
// The other threads write R's vectors through plain pointers and never
// call R.
//
// Between its chunks the calling thread asks R whether the user pressed
// Ctrl-C, without letting R jump out of C++ code: the call then stops and
// R's interrupt is raised once every thread is done and everything freed.
#include <Rcpp.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <system_error>
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

// Points in each call of the batch call, on one thread: its scratch space
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
  // Enters the texts of another table; the number each of its texts has
  // in this one, by its number there.
  std::vector<int> Merge(const Coder& other) {
    std::vector<int> map(other.texts_.size(), 0);
    for (std::size_t k = 1; k < other.texts_.size(); ++k)
      map[k] = Code(other.texts_[k].data(), other.texts_[k].size());
    return map;
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

// A column of the rows' texts as UTF-8 strings, read through R on the
// calling thread; NA is the empty text.
struct RowTexts {
  SEXP values = R_NilValue;
  std::vector<const char*> pointers;
  void Read() {
    if (values == R_NilValue) return;
    const R_xlen_t n = Rf_xlength(values);
    pointers.resize(static_cast<std::size_t>(n));
    for (R_xlen_t i = 0; i < n; ++i) {
      SEXP s = STRING_ELT(values, i);
      pointers[static_cast<std::size_t>(i)] = s == NA_STRING ? "" : Rf_translateCharUTF8(s);
    }
  }
  const char* const* At(R_xlen_t begin) const {
    return values == R_NilValue ? nullptr : pointers.data() + begin;
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

  // The points go in chunks of kChunkPerThread, each converted whole by
  // one thread: the batch call on that thread alone, then the copies into
  // R's types, so that little but the start and the end of the call runs
  // on one thread.  Threads take the next chunk as they finish one; the
  // calling thread, the only one that may touch R, also looks for Ctrl-C
  // between its chunks.
  const R_xlen_t chunk = kChunkPerThread;
  const std::size_t chunks = static_cast<std::size_t>((count + chunk - 1) / chunk);
  mgrs.length = ifbl.length = count;
  mgrs.chunk = ifbl.chunk = chunk;
  mgrs.blocks.resize(chunks);
  ifbl.blocks.resize(chunks);
  // Text inputs are read through R on the calling thread, before the rest.
  std::vector<const char*> texts;
  if (textKind) {
    texts.resize(static_cast<std::size_t>(count));
    const Input& c = inputs[0];
    for (R_xlen_t i = 0; i < count; ++i) {
      SEXP s = STRING_ELT(c.values, c.recycled ? 0 : i);
      // NA is a text that names no position.
      texts[static_cast<std::size_t>(i)] = s == NA_STRING ? "" : Rf_translateCharUTF8(s);
    }
  }
  for (RowTexts& texts : rowTexts) texts.Read();
  int* const kindsOut = byRows ? INTEGER(kindRead) : nullptr;
  int* const datumsOut = byRows ? INTEGER(datumRead) : nullptr;
  // R's memory, as plain pointers the threads may write.
  double* const latitudeOut = REAL(latitude);
  double* const longitudeOut = REAL(longitude);
  double* const xOut = REAL(x);
  double* const yOut = REAL(y);
  double* const northingOut = REAL(northing);
  double* const eastingOut = REAL(easting);
  double* const secsOut[2] = {REAL(latSec), REAL(lonSec)};
  int* const intsOut[4] = {INTEGER(latDeg), INTEGER(latMin), INTEGER(lonDeg), INTEGER(lonMin)};
  int* const errorOut = INTEGER(error);
  int* const failureCodes = INTEGER(failure);
  int* const routeCodes = today ? INTEGER(route) : nullptr;
  double* const todayOut[5] = {today ? REAL(x2008) : nullptr, today ? REAL(y2008) : nullptr,
                               today ? REAL(ellipsoidal) : nullptr, today ? REAL(ostend) : nullptr,
                               today ? REAL(accuracy) : nullptr};
  const double* const heightValues =
      heightKind != MORVANE_HEIGHT_NONE ? REAL(heights.values) : nullptr;
  std::vector<const double*> doubleValues(inputs.size(), nullptr);
  std::vector<const int*> intValues(inputs.size(), nullptr);
  if (!textKind && !verbatim) {
    for (std::size_t k = 0; k < inputs.size(); ++k) {
      if (TYPEOF(inputs[k].values) == REALSXP) doubleValues[k] = REAL(inputs[k].values);
      else if (TYPEOF(inputs[k].values) == INTSXP) intValues[k] = INTEGER(inputs[k].values);
      else Rcpp::stop("morvane: a column of numbers is neither double nor integer");
    }
  }

  // What one thread keeps from chunk to chunk: its scratch space and the
  // tables of its texts (made one table once the threads are done).
  struct Worker {
    std::vector<std::vector<double>> doubleIn;
    std::vector<std::int16_t> dmsInt[4];
    std::vector<float> dmsSec[2];
    std::vector<double> heightIn;
    std::vector<std::int16_t> intOut[4];
    std::vector<float> secOut[2];
    std::vector<std::int32_t> failureOut, routeOut;
    std::vector<char> errorText;
    Coder errors, failures, routes;
    std::vector<std::size_t> done;  // the chunks it converted
    int status = MORVANE_OK;
    std::exception_ptr exception;
  };
  const std::size_t workerCount =
      std::max<std::size_t>(1, std::min<std::size_t>(static_cast<std::size_t>(threads), chunks));
  std::vector<Worker> workers(workerCount);
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  bool interrupted = false;

  const auto convertChunk = [&](Worker& w, std::size_t c) {
    const R_xlen_t begin = static_cast<R_xlen_t>(c) * chunk;
    const R_xlen_t n = std::min(chunk, count - begin);
    const std::size_t un = static_cast<std::size_t>(n);
    morvane_batch_input in{};
    in.OrigType = kind;
    in.DatumFrom = datumFrom;
    in.DatumDest = datumTo;
    in.mgrsPrecision = mgrsPrecision;
    in.IfblPrecision = static_cast<std::int16_t>(ifblPrecision);
    w.doubleIn.resize(inputs.size());
    // A double column: in place when it has every point, else copied.
    const auto doubles = [&](std::size_t k) -> const double* {
      if (!inputs[k].recycled) return doubleValues[k] + begin;
      w.doubleIn[k].assign(un, doubleValues[k][0]);
      return w.doubleIn[k].data();
    };
    const auto at = [&](const Input& col, R_xlen_t i) { return col.recycled ? 0 : begin + i; };
    if (textKind) {
      in.Texts = texts.data() + begin;
    } else if (dmsKind) {
      // Degrees and minutes as 16-bit integers (R checked their range),
      // seconds as 32-bit floats.  A missing degree or minute names no
      // position, as missing seconds do: 0 and NaN seconds.
      for (std::size_t h = 0; h < 2; ++h) {
        w.dmsInt[2 * h].resize(un);
        w.dmsInt[2 * h + 1].resize(un);
        w.dmsSec[h].resize(un);
        const std::size_t d0 = 3 * h;
        for (R_xlen_t i = 0; i < n; ++i) {
          const int d = intValues[d0][at(inputs[d0], i)];
          const int m = intValues[d0 + 1][at(inputs[d0 + 1], i)];
          const double sec = doubleValues[d0 + 2][at(inputs[d0 + 2], i)];
          const bool missing = d == NA_INTEGER || m == NA_INTEGER;
          const std::size_t u = static_cast<std::size_t>(i);
          w.dmsInt[2 * h][u] = static_cast<std::int16_t>(missing ? 0 : d);
          w.dmsInt[2 * h + 1][u] = static_cast<std::int16_t>(missing ? 0 : m);
          w.dmsSec[h][u] = missing ? std::nanf("") : static_cast<float>(sec);
        }
      }
      in.LatDmsDeg = w.dmsInt[0].data();
      in.LatDmsMin = w.dmsInt[1].data();
      in.LatDmsSec = w.dmsSec[0].data();
      in.LonDmsDeg = w.dmsInt[2].data();
      in.LonDmsMin = w.dmsInt[3].data();
      in.LonDmsSec = w.dmsSec[1].data();
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
      rowsIn.Coordinates = rowTexts[0].At(begin);
      rowsIn.Systems = rowTexts[1].At(begin);
      rowsIn.Datums = rowTexts[2].At(begin);
      rowsIn.KindsRead = kindsOut + begin;
      rowsIn.DatumsRead = datumsOut + begin;
    }

    morvane_batch_extra extra{};
    extra.size = sizeof extra;
    extra.Method = method;
    extra.HeightKind = heightKind;
    if (heightValues) {
      if (heights.recycled) {
        w.heightIn.assign(un, heightValues[0]);
        extra.Height = w.heightIn.data();
      } else {
        extra.Height = heightValues + begin;
      }
    }
    if (today) {
      w.routeOut.resize(un);
      extra.X2008 = todayOut[0] + begin;
      extra.Y2008 = todayOut[1] + begin;
      extra.EllipsoidalHeight = todayOut[2] + begin;
      extra.OstendHeight = todayOut[3] + begin;
      extra.Accuracy = todayOut[4] + begin;
      extra.Route = w.routeOut.data();
    }

    morvane::TextWidths widths;
    int status = byRows ? morvane::RowsWidths(in, rowsIn, &extra, n, widths.MGRS, widths.IFBL,
                                              widths.Error)
                        : morvane::BatchWidths(in, extra, n, widths);
    if (status != MORVANE_OK) {
      w.status = status;
      return;
    }
    morvane_r::TextColumn::Block& mgrsBlock = mgrs.blocks[c];
    morvane_r::TextColumn::Block& ifblBlock = ifbl.blocks[c];
    mgrsBlock.width = std::max<std::size_t>(widths.MGRS, 1);
    ifblBlock.width = std::max<std::size_t>(widths.IFBL, 1);
    const std::size_t errorWidth = std::max<std::size_t>(widths.Error, 1);
    mgrsBlock.data.resize(un * mgrsBlock.width);
    ifblBlock.data.resize(un * ifblBlock.width);
    w.errorText.resize(un * errorWidth);
    for (auto& column : w.intOut) column.resize(un);
    for (auto& column : w.secOut) column.resize(un);
    w.failureOut.resize(un);

    morvane_batch_output out{};
    out.Latitude = latitudeOut + begin;
    out.Longitude = longitudeOut + begin;
    out.LatDmsDeg = w.intOut[0].data();
    out.LatDmsMin = w.intOut[1].data();
    out.LatDmsSec = w.secOut[0].data();
    out.LonDmsDeg = w.intOut[2].data();
    out.LonDmsMin = w.intOut[3].data();
    out.LonDmsSec = w.secOut[1].data();
    out.X = xOut + begin;
    out.Y = yOut + begin;
    out.Northing = northingOut + begin;
    out.Easting = eastingOut + begin;
    out.MGRS = {mgrsBlock.data.data(), mgrsBlock.width};
    out.IFBL = {ifblBlock.data.data(), ifblBlock.width};
    out.Error = {w.errorText.data(), errorWidth};
    out.Failure = w.failureOut.data();
    status = byRows ? morvane::ConvertRows(in, rowsIn, out, &extra, n, 1)
                    : morvane::ConvertBatch(in, out, extra, n, 1);
    if (status != MORVANE_OK) {
      w.status = status;
      return;
    }

    // Into R's types: 16-bit integers and 32-bit floats exactly; the texts
    // of few values as numbers in this thread's tables.
    for (std::size_t k = 0; k < 4; ++k)
      std::copy(w.intOut[k].begin(), w.intOut[k].begin() + n, intsOut[k] + begin);
    for (std::size_t h = 0; h < 2; ++h)
      std::copy(w.secOut[h].begin(), w.secOut[h].begin() + n, secsOut[h] + begin);
    for (R_xlen_t i = 0; i < n; ++i) {
      const std::size_t u = static_cast<std::size_t>(i);
      const char* e = w.errorText.data() + u * errorWidth;
      errorOut[begin + i] = e[0] == '\0' ? 0 : w.errors.Code(e, TextLength(e, errorWidth));
      const std::int32_t code = w.failureOut[u];
      const char* name = code == 0 ? "" : morvane_failure_name(code);
      failureCodes[begin + i] = code == 0 ? 0 : w.failures.Code(name, std::strlen(name));
    }
    if (today) {
      // A point with a message or a failure has no route (NaN accuracy).
      const double* acc = todayOut[4] + begin;
      std::int32_t last = -1;
      int lastCode = 0;
      for (R_xlen_t i = 0; i < n; ++i) {
        if (std::isnan(acc[i])) {
          routeCodes[begin + i] = 0;
          continue;
        }
        const std::int32_t r = w.routeOut[static_cast<std::size_t>(i)];
        if (r != last) {
          const std::string text = morvane::RouteText(r);
          lastCode = w.routes.Code(text.data(), text.size());
          last = r;
        }
        routeCodes[begin + i] = lastCode;
      }
    }
    w.done.push_back(c);
  };
  // The chunks a thread takes until none is left, or the call stops.
  const auto work = [&](Worker& w, bool calling) {
    try {
      while (!stop.load()) {
        const std::size_t c = next++;
        if (c >= chunks) break;
        convertChunk(w, c);
        if (w.status != MORVANE_OK) stop = true;
        if (calling && Progress(&interrupted, 0) != 0) stop = true;
      }
    } catch (...) {
      w.exception = std::current_exception();
      stop = true;
    }
  };
  std::vector<std::thread> pool;
  for (std::size_t t = 1; t < workerCount; ++t) {
    try {
      pool.emplace_back(work, std::ref(workers[t]), false);
    } catch (const std::system_error&) {
      break;  // no thread to be had: the others convert its share
    }
  }
  work(workers[0], true);
  for (std::thread& thread : pool) thread.join();
  if (interrupted) throw Rcpp::internal::InterruptedException();
  for (const Worker& w : workers) {
    if (w.exception) std::rethrow_exception(w.exception);
    if (w.status != MORVANE_OK) Refused(w.status);
  }

  // One table of texts per column: each thread's numbers made the
  // table's, in the chunks it converted (the empty text is 0 in every
  // table, and most points have it).
  Coder errors, failures, routes;
  for (const Worker& w : workers) {
    const auto merge = [&](const Coder& local, Coder& global, int* codes) {
      const std::vector<int> map = global.Merge(local);
      bool same = true;
      for (std::size_t k = 0; k < map.size(); ++k) same = same && map[k] == static_cast<int>(k);
      if (same) return;
      for (const std::size_t c : w.done) {
        const R_xlen_t begin = static_cast<R_xlen_t>(c) * chunk;
        const R_xlen_t end = std::min(count, begin + chunk);
        for (R_xlen_t i = begin; i < end; ++i) codes[i] = map[static_cast<std::size_t>(codes[i])];
      }
    };
    merge(w.errors, errors, errorOut);
    merge(w.failures, failures, failureCodes);
    if (today) merge(w.routes, routes, routeCodes);
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
