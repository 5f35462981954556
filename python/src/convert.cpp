// morvane._morvane._convert: whole columns through the batch call.
//
// The points go through morvane::ConvertBatch in chunks of small pieces,
// which worker threads take one at a time, with the GIL released
// throughout.  Numbers are written straight into the result's numpy
// arrays; texts come out of the batch call as fixed-width UTF-8 columns in
// a scratch space of the chunk's size and are decoded into numpy unicode
// arrays whose width is, at the end, exactly that of the longest text.
// A column grows wider (the rows written so far moved once) only when a
// chunk holds a longer text than every chunk before it, so the memory a
// call takes is its result arrays and a scratch space of fixed size.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <barrier>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <latch>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <stdexcept>
#include <thread>
#include <vector>

#include "bindings.hpp"
#include <morvane/batch.hpp>
#include <morvane/names.hpp>
#include "text_column.hpp"
#include "base/utf8.hpp"

namespace morvane::python {

namespace {

// The points go in chunks of kPiecesPerWorker pieces per worker, and the
// workers take the pieces of a chunk one at a time, so that a thread that
// the system runs less (a busy machine) does less of the work.  A chunk is
// large enough to make its two hand-overs negligible, small enough to keep
// the scratch space small.
constexpr std::ptrdiff_t kPiece = 2048;
constexpr std::ptrdiff_t kPiecesPerWorker = 8;
// No more workers than this many points each would keep busy.
constexpr std::ptrdiff_t kMinPointsPerWorker = 4096;
constexpr int kMaxWorkers = 256;

// An input column: a 1-D numpy array of the right type, any stride.
struct Column {
  const char* data = nullptr;
  std::ptrdiff_t stride = 0;
  std::size_t itemsize = 0;
  char kind = 0;  // 'f', 'i', 'U', 'S'
};

enum Text { kMgrs, kIfbl, kError, kFailure, kTexts };

// What a thread needs while it converts a piece.
struct Worker {
  std::array<Scratch, 6> gathered;  // inputs that are not contiguous
  Scratch textIn;                   // text input as fixed-width UTF-8
};

// A piece of a chunk, converted and waiting for its texts to be decoded.
struct Piece {
  std::array<Scratch, 3> textOut;  // MGRS, IFBL, Error as fixed-width UTF-8
  std::array<std::size_t, 3> outWidth{};
  std::vector<std::int32_t> failure;
  std::array<std::size_t, kTexts> longest{};  // code points
  std::array<bool, 3> ascii{};                // the piece's texts are all ASCII
  std::ptrdiff_t begin = 0, count = 0;
};

struct Outputs {
  double* Latitude;
  double* Longitude;
  std::int16_t* LatDmsDeg;
  std::int16_t* LatDmsMin;
  float* LatDmsSec;
  std::int16_t* LonDmsDeg;
  std::int16_t* LonDmsMin;
  float* LonDmsSec;
  double* X;
  double* Y;
  double* Northing;
  double* Easting;
};

const char* FailureText(std::int32_t code) {
  return code == 0 ? "" : morvane_failure_name(code);
}

class Job {
 public:
  Job(const BatchInput& settings, std::vector<Column> inputs, const Outputs& outputs,
      std::ptrdiff_t count)
      : settings_(settings), inputs_(std::move(inputs)), outputs_(outputs), count_(count) {}

  ~Job() {
    for (TextColumn& t : texts_) Free(t.block);
  }

  // Runs on `threads` workers (the calling thread one of them).  Returns
  // MORVANE_OK or a negative code.
  int Run(int threads);

  // Hands a text column's buffer over (the caller frees it).
  TextColumn Release(Text which) {
    TextColumn t = texts_[which];
    texts_[which] = {};
    return t;
  }

 private:
  void Work(int index);
  void Prepare(Worker& w, Piece& piece);
  void Decode(const Piece& piece);
  void Widen() noexcept;
  void BetweenPhases() noexcept;
  void Fail(int code) {
    int expected = MORVANE_OK;
    status_.compare_exchange_strong(expected, code);
  }
  template <typename T>
  const T* Numbers(int column, Worker& w, const Piece& piece);
  void TextInput(Worker& w, const Piece& piece, BatchInput& in);

  BatchInput settings_;
  std::vector<Column> inputs_;
  Outputs outputs_;
  std::ptrdiff_t count_;
  std::array<TextColumn, kTexts> texts_{};
  std::vector<Worker> workers_;
  std::vector<Piece> pieces_;  // of the chunk under way
  std::optional<std::barrier<std::function<void()>>> barrier_;
  std::ptrdiff_t chunkBegin_ = 0;
  bool decoding_ = false;                    // the phase that the barrier ends
  std::atomic<std::size_t> nextPrepare_{0};  // the next piece to convert
  std::atomic<std::size_t> nextDecode_{0};   // the next piece to decode
  std::atomic<int> status_{MORVANE_OK};
};

template <typename T>
const T* Job::Numbers(int column, Worker& w, const Piece& piece) {
  const Column& c = inputs_[column];
  const char* first = c.data + piece.begin * c.stride;
  if (c.stride == static_cast<std::ptrdiff_t>(sizeof(T)) &&
      reinterpret_cast<std::uintptr_t>(first) % alignof(T) == 0) {
    return reinterpret_cast<const T*>(first);
  }
  char* g = w.gathered[column].Get(static_cast<std::size_t>(piece.count) * sizeof(T));
  for (std::ptrdiff_t i = 0; i < piece.count; ++i) {
    std::memcpy(g + i * sizeof(T), first + i * c.stride, sizeof(T));
  }
  return reinterpret_cast<const T*>(g);
}

void Job::TextInput(Worker& w, const Piece& piece, BatchInput& in) {
  const Column& c = inputs_[0];
  const std::ptrdiff_t count = piece.count;
  const char* first = c.data + piece.begin * c.stride;
  in.Texts = nullptr;
  if (c.kind == 'S') {
    if (c.stride == static_cast<std::ptrdiff_t>(c.itemsize) && c.itemsize > 0) {
      in.TextData = first;
      in.TextWidth = c.itemsize;
      return;
    }
    const std::size_t width = std::max<std::size_t>(c.itemsize, 1);
    char* text = w.textIn.Get(static_cast<std::size_t>(count) * width);
    std::memset(text, 0, static_cast<std::size_t>(count) * width);
    for (std::ptrdiff_t i = 0; i < count; ++i) {
      std::memcpy(text + i * width, first + i * c.stride, c.itemsize);
    }
    in.TextData = w.textIn.data();
    in.TextWidth = width;
    return;
  }
  // Unicode: UTF-32 rows encoded as UTF-8, as wide as the longest.
  const std::size_t points = c.itemsize / sizeof(char32_t);
  const auto row = [&](std::ptrdiff_t i) {
    return reinterpret_cast<const char32_t*>(first + i * c.stride);
  };
  std::size_t width = 1;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char32_t* r = row(i);
    width = std::max(width, utf8::Utf8Size(r, EntryLength(r, points)));
  }
  char* text = w.textIn.Get(static_cast<std::size_t>(count) * width);
  std::memset(text, 0, static_cast<std::size_t>(count) * width);
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char32_t* r = row(i);
    utf8::EncodeUtf8(r, EntryLength(r, points), text + i * width);
  }
  in.TextData = w.textIn.data();
  in.TextWidth = width;
}

// Converts a piece into its scratch space and measures its texts.
void Job::Prepare(Worker& w, Piece& piece) {
  piece.longest.fill(0);
  if (piece.count == 0) return;
  BatchInput in = settings_;
  switch (in.OrigType) {
    case MORVANE_mvDeg:
      in.Latitude = Numbers<double>(0, w, piece);
      in.Longitude = Numbers<double>(1, w, piece);
      break;
    case MORVANE_mvLambert72:
      in.X = Numbers<double>(0, w, piece);
      in.Y = Numbers<double>(1, w, piece);
      break;
    case MORVANE_mvDegMinSec:
      in.LatDmsDeg = Numbers<std::int16_t>(0, w, piece);
      in.LatDmsMin = Numbers<std::int16_t>(1, w, piece);
      in.LatDmsSec = Numbers<float>(2, w, piece);
      in.LonDmsDeg = Numbers<std::int16_t>(3, w, piece);
      in.LonDmsMin = Numbers<std::int16_t>(4, w, piece);
      in.LonDmsSec = Numbers<float>(5, w, piece);
      break;
    default:
      TextInput(w, piece, in);
      break;
  }
  TextWidths widths;
  int status = BatchWidths(in, piece.count, widths);
  if (status != MORVANE_OK) return Fail(status);
  piece.outWidth = {std::max<std::size_t>(widths.MGRS, 1), std::max<std::size_t>(widths.IFBL, 1),
                std::max<std::size_t>(widths.Error, 1)};
  for (int t = 0; t < 3; ++t) piece.textOut[t].Get(static_cast<std::size_t>(piece.count) * piece.outWidth[t]);
  piece.failure.resize(static_cast<std::size_t>(piece.count));

  const std::ptrdiff_t b = piece.begin;
  BatchOutput out{};
  out.Latitude = outputs_.Latitude + b;
  out.Longitude = outputs_.Longitude + b;
  out.LatDmsDeg = outputs_.LatDmsDeg + b;
  out.LatDmsMin = outputs_.LatDmsMin + b;
  out.LatDmsSec = outputs_.LatDmsSec + b;
  out.LonDmsDeg = outputs_.LonDmsDeg + b;
  out.LonDmsMin = outputs_.LonDmsMin + b;
  out.LonDmsSec = outputs_.LonDmsSec + b;
  out.X = outputs_.X + b;
  out.Y = outputs_.Y + b;
  out.Northing = outputs_.Northing + b;
  out.Easting = outputs_.Easting + b;
  out.MGRS = {piece.textOut[kMgrs].data(), piece.outWidth[kMgrs]};
  out.IFBL = {piece.textOut[kIfbl].data(), piece.outWidth[kIfbl]};
  out.Error = {piece.textOut[kError].data(), piece.outWidth[kError]};
  out.Failure = piece.failure.data();
  status = ConvertBatch(in, out, piece.count, 1);
  if (status != MORVANE_OK) return Fail(status);

  for (int t = 0; t < 3; ++t) {
    piece.ascii[t] = Measure(piece.textOut[t].data(), piece.count, piece.outWidth[t], piece.longest[t]);
  }
  for (const std::int32_t code : piece.failure) {
    piece.longest[kFailure] = std::max(piece.longest[kFailure], std::strlen(FailureText(code)));
  }
}

// Writes a piece's texts into the result's text columns.
void Job::Decode(const Piece& piece) {
  for (int t = 0; t < 3; ++t) {
    DecodeColumn(piece.textOut[t].data(), piece.count, piece.outWidth[t], piece.ascii[t], texts_[t],
                 piece.begin);
  }
  const TextColumn& to = texts_[kFailure];
  for (std::ptrdiff_t i = 0; i < piece.count; ++i) {
    const char* name = FailureText(piece.failure[i]);
    char32_t* row = to.data() + (piece.begin + i) * static_cast<std::ptrdiff_t>(to.width);
    std::size_t n = 0;
    for (; name[n] != '\0'; ++n) row[n] = static_cast<unsigned char>(name[n]);
    std::fill(row + n, row + to.width, U'\0');
  }
}

// The text columns grow to the longest texts of the chunk's pieces.
void Job::Widen() noexcept {
  if (status_.load() != MORVANE_OK) return;
  for (int t = 0; t < kTexts; ++t) {
    std::size_t longest = 1;
    for (const Piece& piece : pieces_) longest = std::max(longest, piece.longest[t]);
    if (!texts_[t].Widen(count_, chunkBegin_, longest)) return Fail(MORVANE_E_NO_MEMORY);
  }
}

// Ends a phase, on one thread: after the pieces of a chunk are converted,
// the text columns grow to their longest texts and the decoding starts;
// after they are decoded, the next chunk starts.
void Job::BetweenPhases() noexcept {
  if (!decoding_) {
    Widen();
    nextDecode_.store(0);
  } else {
    nextPrepare_.store(0);
    chunkBegin_ += static_cast<std::ptrdiff_t>(pieces_.size()) * kPiece;
  }
  decoding_ = !decoding_;
}

void Job::Work(int index) {
  Worker& w = workers_[static_cast<std::size_t>(index)];
  const std::size_t pieces = pieces_.size();
  const std::ptrdiff_t chunk = static_cast<std::ptrdiff_t>(pieces) * kPiece;
  for (std::ptrdiff_t start = 0; start < count_; start += chunk) {
    for (std::size_t p; (p = nextPrepare_.fetch_add(1)) < pieces;) {
      Piece& piece = pieces_[p];
      piece.begin = std::min(start + static_cast<std::ptrdiff_t>(p) * kPiece, count_);
      piece.count = std::min(kPiece, count_ - piece.begin);
      if (status_.load() != MORVANE_OK) {
        piece.count = 0;
        continue;
      }
      try {
        Prepare(w, piece);
      } catch (const std::bad_alloc&) {
        Fail(MORVANE_E_NO_MEMORY);
      } catch (...) {
        Fail(MORVANE_E_INTERNAL);
      }
    }
    barrier_->arrive_and_wait();  // Widen() runs here
    if (status_.load() == MORVANE_OK) {
      for (std::size_t p; (p = nextDecode_.fetch_add(1)) < pieces;) Decode(pieces_[p]);
    }
    barrier_->arrive_and_wait();  // every worker takes the same turns
  }
}

int Job::Run(int threads) {
  // Workers start together once every thread that could be had is there.
  std::latch go(1);
  std::atomic<bool> cancelled{false};
  std::vector<std::thread> spawned;
  const auto worker = [this, &go, &cancelled](int index) {
    go.wait();
    if (!cancelled.load()) Work(index);
  };
  int started = 1;
  try {
    for (; started < threads; ++started) spawned.emplace_back(worker, started);
  } catch (...) {
    // Fewer threads than asked: the same results, later.
  }
  try {
    workers_.resize(static_cast<std::size_t>(started));
    pieces_.resize(static_cast<std::size_t>(started * kPiecesPerWorker));
    barrier_.emplace(started, [this]() noexcept { BetweenPhases(); });
  } catch (...) {
    cancelled.store(true);
    Fail(MORVANE_E_NO_MEMORY);
  }
  go.count_down();
  if (!cancelled.load()) Work(0);
  for (std::thread& t : spawned) t.join();
  if (status_.load() == MORVANE_OK) {
    for (TextColumn& t : texts_) {
      if (!t.Widen(count_, count_, 1)) Fail(MORVANE_E_NO_MEMORY);  // n = 0: an empty column
    }
  }
  return status_.load();
}

// The names of a comma-separated list of the core's tables.
std::vector<std::string> Split(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    names.emplace_back(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
  }
  return names;
}

Column TakeColumn(const py::array& a, std::ptrdiff_t count, const std::string& name, std::int32_t type) {
  if (a.ndim() != 1 || a.shape(0) != count) throw py::value_error(name + " is not of the batch's length");
  const py::dtype dtype = a.dtype();
  if (!dtype.attr("isnative").cast<bool>()) throw py::type_error(name + " is not in native byte order");
  const char kind = dtype.kind();
  bool matches = false;
  switch (type) {
    case MORVANE_TYPE_TEXT: matches = kind == 'U' || kind == 'S'; break;
    case MORVANE_TYPE_DOUBLE: matches = dtype.equal(py::dtype::of<double>()); break;
    case MORVANE_TYPE_FLOAT: matches = dtype.equal(py::dtype::of<float>()); break;
    case MORVANE_TYPE_INT16: matches = dtype.equal(py::dtype::of<std::int16_t>()); break;
    default: break;  // no kind reads other types through the batch call
  }
  if (!matches) throw py::type_error(name + " is not of the type the core reads for it");
  return {static_cast<const char*>(a.data()), a.strides(0), static_cast<std::size_t>(a.itemsize()),
          kind};
}

py::array TextArray(TextColumn column, std::ptrdiff_t count) {
  auto* block = new Block(column.block);
  py::capsule owner(block, [](void* p) {
    auto* b = static_cast<Block*>(p);
    Free(*b);
    delete b;
  });
  const py::dtype dtype("U" + std::to_string(column.width));
  return py::array(dtype, {count}, {static_cast<std::ptrdiff_t>(column.width * sizeof(char32_t))},
                   column.data(), owner);
}

// The first row of a text column with a NUL character inside its text (a
// NUL followed by anything but padding), or -1.  The batch call reads a
// text up to its first NUL, so such a text would be read cut short.
std::ptrdiff_t InnerNul(const Column& c, std::ptrdiff_t count) {
  const std::size_t unit = c.kind == 'U' ? sizeof(char32_t) : 1;
  const std::size_t length = c.itemsize / unit;
  const std::ptrdiff_t rows = c.stride == 0 ? std::min<std::ptrdiff_t>(count, 1) : count;
  for (std::ptrdiff_t i = 0; i < rows; ++i) {
    const char* row = c.data + i * c.stride;
    bool nul = false;
    for (std::size_t k = 0; k < length; ++k) {
      bool zero = true;
      for (std::size_t b = 0; b < unit; ++b) zero = zero && row[k * unit + b] == 0;
      if (zero) nul = true;
      else if (nul) return i;
    }
  }
  return -1;
}

// A refusal of the batch call as a Python exception: arguments that make
// no sense raise ValueError.
[[noreturn]] void RaiseStatus(int status) {
  if (status == MORVANE_E_NO_MEMORY) throw std::bad_alloc();
  const std::string what = std::string("the batch call refused the points: ") +
                           morvane_failure_name(status);
  switch (status) {
    case MORVANE_E_COUNT:
    case MORVANE_E_KIND:
    case MORVANE_E_DATUM:
    case MORVANE_E_THREADS:
      throw py::value_error(what);
    default:
      throw std::runtime_error(what);
  }
}

py::dict Convert(int kind, int datumFrom, int datumDest, std::int32_t mgrsPrecision,
                 std::int16_t ifblPrecision, const py::tuple& columns, std::ptrdiff_t count,
                 int threads) {
  // The kind was resolved by the package; its columns are the core's.
  const KindName* kindName = KindByNumber(kind);
  if (kindName == nullptr) RaiseStatus(MORVANE_E_KIND);
  if (count < 0) RaiseStatus(MORVANE_E_COUNT);
  if (threads < 0) RaiseStatus(MORVANE_E_THREADS);
  const std::vector<std::string> names = Split(kindName->inputs);
  if (columns.size() != names.size()) throw py::value_error("the wrong number of columns");
  std::vector<py::array> arrays;
  std::vector<Column> inputs;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const PropertyName* property = PropertyByName(names[i]);
    if (property == nullptr) throw std::logic_error("a kind reads a property the core does not list");
    arrays.push_back(columns[i].cast<py::array>());
    inputs.push_back(TakeColumn(arrays.back(), count, names[i], property->type));
  }

  if (inputs.size() == 1 && (inputs[0].kind == 'U' || inputs[0].kind == 'S')) {
    if (const std::ptrdiff_t row = InnerNul(inputs[0], count); row >= 0) {
      throw py::value_error(names[0] + "[" + std::to_string(row) +
                            "] holds a NUL character inside its text, which no text of the "
                            "interface can hold");
    }
  }

  if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const std::ptrdiff_t useful = std::max<std::ptrdiff_t>(1, count / kMinPointsPerWorker);
  threads = static_cast<int>(std::min<std::ptrdiff_t>({threads, useful, kMaxWorkers}));

  py::array_t<double> latitude(count), longitude(count), x(count), y(count), northing(count),
      easting(count);
  py::array_t<std::int16_t> latDeg(count), latMin(count), lonDeg(count), lonMin(count);
  py::array_t<float> latSec(count), lonSec(count);
  const Outputs outputs{latitude.mutable_data(), longitude.mutable_data(), latDeg.mutable_data(),
                        latMin.mutable_data(),   latSec.mutable_data(),    lonDeg.mutable_data(),
                        lonMin.mutable_data(),   lonSec.mutable_data(),    x.mutable_data(),
                        y.mutable_data(),        northing.mutable_data(),  easting.mutable_data()};

  BatchInput settings{};
  settings.OrigType = kind;
  settings.DatumFrom = datumFrom;
  settings.DatumDest = datumDest;
  settings.mgrsPrecision = mgrsPrecision;
  settings.IfblPrecision = ifblPrecision;
  Job job(settings, std::move(inputs), outputs, count);
  int status;
  {
    py::gil_scoped_release released;
    status = job.Run(threads);
  }
  if (status != MORVANE_OK) RaiseStatus(status);

  py::dict result;
  result["Latitude"] = latitude;
  result["Longitude"] = longitude;
  result["LatDmsDeg"] = latDeg;
  result["LatDmsMin"] = latMin;
  result["LatDmsSec"] = latSec;
  result["LonDmsDeg"] = lonDeg;
  result["LonDmsMin"] = lonMin;
  result["LonDmsSec"] = lonSec;
  result["X"] = x;
  result["Y"] = y;
  result["Northing"] = northing;
  result["Easting"] = easting;
  result["MGRS"] = TextArray(job.Release(kMgrs), count);
  result["IFBL"] = TextArray(job.Release(kIfbl), count);
  result["Error"] = TextArray(job.Release(kError), count);
  result["Failure"] = TextArray(job.Release(kFailure), count);
  return result;
}

}  // namespace

void BindConvert(py::module_& m) {
  m.def("_convert", &Convert, py::arg("kind"), py::arg("datum_from"), py::arg("datum_to"),
        py::arg("mgrs_precision"), py::arg("ifbl_precision"), py::arg("columns"), py::arg("count"),
        py::arg("threads"),
        "Converts prepared columns through the batch call (use morvane.convert).");
}

}  // namespace morvane::python
