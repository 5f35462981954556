// morvane._morvane._convert: whole columns through the batch call.
//
// The points go through morvane::ConvertBatch a chunk at a time, on the
// threads that the batch call runs, with the GIL released throughout.
// Numbers are written straight into the result's numpy arrays; texts come
// out of the batch call as fixed-width UTF-8 columns in a scratch space of
// the chunk's size and are decoded into numpy unicode arrays whose width
// is, at the end, exactly that of the longest text.  A column grows wider
// (the rows written so far moved once) only when a chunk holds a longer
// text than every chunk before it, so the memory a call takes is its
// result arrays and a scratch space of fixed size.
//
// The input columns are the caller's arrays, which another thread may
// rewrite while the GIL is released.  Each chunk's rows are therefore
// copied under the GIL before anything reads them, and every later step
// (measuring texts, finding NUL characters, converting) reads that copy
// only: each point is converted from one consistent value.
//
// A text with a NUL character inside it cannot reach the batch call, whose
// texts end at their first NUL.  Such points go through an object of their
// own, which keeps the NUL as a put keeps it, after the batch call.
//
// The batch call's progress callback runs on the calling thread between
// the batch call's own chunks: it takes the GIL for a moment to run
// Python's signal handlers, so that Ctrl-C stops a long call at once.
//
// A call that uses Belgium's systems of today (Lambert 2008, ETRS89, the
// agency's grid, heights) fills version 2 of BatchExtra: its method, its
// height column (copied per chunk as the other inputs are) and the extra
// outputs, Lambert 2008, both heights, the Route of each point's datum
// changes (handed to Python as the core's text of its steps) and the
// accuracy that route states.
#include <Python.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "bindings.hpp"
#include <morvane/batch.hpp>
#include <morvane/failure.hpp>
#include <morvane/zediz_ado.hpp>
#include <morvane/names.hpp>
#include "text_column.hpp"
#include "base/utf8.hpp"

namespace morvane::python {

namespace {

// Points per worker in each batch call: as many as the batch call converts
// between two runs of its progress callback, so that each chunk checks for
// signals once.  Large enough that its calls and the decoding of its texts
// in one go cost little, small enough that the scratch space (about half a
// megabyte a worker) stays in the caches.
constexpr std::ptrdiff_t kChunkPerWorker = 8192;
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
  // Today's systems (null when the call does not ask for them).
  double* X2008 = nullptr;
  double* Y2008 = nullptr;
  double* EllipsoidalHeight = nullptr;
  double* OstendHeight = nullptr;
  std::int32_t* Route = nullptr;
  double* Accuracy = nullptr;
};

// The version-2 settings of a call: whether it asks for today's outputs,
// its method and height kind, and which input column holds the heights
// (-1: none).
struct Today {
  bool outputs = false;
  std::int32_t method = MORVANE_METHOD_SHIFT;
  std::int32_t heightKind = MORVANE_HEIGHT_NONE;
  int heightColumn = -1;
};

const char* FailureText(std::int32_t code) {
  return code == 0 ? "" : morvane_failure_name(code);
}

class Job {
 public:
  Job(const BatchInput& settings, const Today& today, std::vector<Column> inputs,
      const Outputs& outputs, std::ptrdiff_t count)
      : settings_(settings), today_(today), inputs_(std::move(inputs)), outputs_(outputs),
        count_(count) {}

  // With the GIL.
  ~Job() {
    for (TextColumn& t : texts_) Free(t.block);
    Py_XDECREF(errorType_);
    Py_XDECREF(errorValue_);
    Py_XDECREF(errorTrace_);
  }

  // Converts every point on `threads` threads, without the GIL.  Returns
  // MORVANE_OK or a negative code; MORVANE_E_STOPPED when a signal handler
  // raised an exception, which RaiseStopped() raises.
  int Run(int threads) noexcept;

  // With the GIL: raises the exception that stopped the call.
  [[noreturn]] void RaiseStopped() {
    PyErr_Restore(errorType_, errorValue_, errorTrace_);
    errorType_ = errorValue_ = errorTrace_ = nullptr;
    throw py::error_already_set();
  }

  // Hands a text column's buffer over (the caller frees it).
  TextColumn Release(Text which) {
    TextColumn t = texts_[which];
    texts_[which] = {};
    return t;
  }

 // A point whose text goes through an object: its row and its text.
  struct Lone {
    std::ptrdiff_t row;
    std::string text;  // UTF-8 (or the bytes of a bytes column)
  };
  std::vector<Lone>& Lones() { return lones_; }
  // With the GIL, after Run: converts the lone points, each on a fresh
  // object, into the result.
  int ConvertLones();

 private:
  int Chunk(std::ptrdiff_t begin, std::ptrdiff_t count, int threads);
  void Snapshot(std::ptrdiff_t begin, std::ptrdiff_t count);
  void SetAsideNuls(std::ptrdiff_t begin, std::ptrdiff_t count);
  bool PutText(Text which, std::ptrdiff_t row, const std::string& text);
  int Decode(std::ptrdiff_t begin, std::ptrdiff_t count);
  static int Progress(void* context, std::ptrdiff_t done) noexcept;
  template <typename T>
  const T* Numbers(int column) const {
    return reinterpret_cast<const T*>(copies_[column].data());
  }
  void TextInput(std::ptrdiff_t count, BatchInput& in);

  BatchInput settings_;
  Today today_;
  std::vector<Column> inputs_;
  Outputs outputs_;
  std::ptrdiff_t count_;
  std::array<TextColumn, kTexts> texts_{};
  // The chunk under way.
  std::array<Scratch, 7> copies_;    // the chunk's input rows, contiguous (DMS and a height)
  std::vector<Lone> lones_;
  Scratch textIn_;                   // text input as fixed-width UTF-8
  std::array<Scratch, 3> textOut_;   // MGRS, IFBL, Error as fixed-width UTF-8
  std::array<std::size_t, 3> outWidth_{};
  std::vector<std::int32_t> failure_;
  // What a signal handler raised (owned references), and that it did.
  PyObject* errorType_ = nullptr;
  PyObject* errorValue_ = nullptr;
  PyObject* errorTrace_ = nullptr;
  bool stopped_ = false;
};

// With the GIL: copies the chunk's rows of every input column.
void Job::Snapshot(std::ptrdiff_t begin, std::ptrdiff_t count) {
  for (std::size_t k = 0; k < inputs_.size(); ++k) {
    const Column& c = inputs_[k];
    char* to = copies_[k].Get(std::max<std::size_t>(static_cast<std::size_t>(count) * c.itemsize, 1));
    const char* first = c.data + begin * c.stride;
    if (c.stride == static_cast<std::ptrdiff_t>(c.itemsize)) {
      std::memcpy(to, first, static_cast<std::size_t>(count) * c.itemsize);
    } else {
      for (std::ptrdiff_t i = 0; i < count; ++i) {
        std::memcpy(to + i * c.itemsize, first + i * c.stride, c.itemsize);
      }
    }
  }
}

// Rows of the copied text column with a NUL before their last character
// are set aside for an object of their own and read as empty texts here.
void Job::SetAsideNuls(std::ptrdiff_t begin, std::ptrdiff_t count) {
  const Column& c = inputs_[0];
  const bool wide = c.kind == 'U';
  const std::size_t unit = wide ? sizeof(char32_t) : 1;
  const std::size_t length = c.itemsize / unit;
  char* rows = copies_[0].data();
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    char* row = rows + i * c.itemsize;
    const auto at = [&](std::size_t k) {
      std::uint32_t u = 0;
      if (wide) std::memcpy(&u, row + k * unit, unit);
      else u = static_cast<unsigned char>(row[k]);
      return u;
    };
    std::size_t end = length;
    while (end > 0 && at(end - 1) == 0) --end;
    std::size_t first = 0;
    while (first < end && at(first) != 0) ++first;
    if (first == end) continue;  // no NUL inside the text
    Lone lone{begin + i, {}};
    if (wide) {
      for (std::size_t k = 0; k < end; ++k) utf8::Append(lone.text, at(k));
    } else {
      lone.text.assign(row, end);
    }
    lones_.push_back(std::move(lone));
    std::memset(row, 0, c.itemsize);
  }
}

void Job::TextInput(std::ptrdiff_t count, BatchInput& in) {
  // The chunk's copy: contiguous rows.
  const Column c{copies_[0].data(), static_cast<std::ptrdiff_t>(inputs_[0].itemsize),
                 inputs_[0].itemsize, inputs_[0].kind};
  const char* first = c.data;
  in.Texts = nullptr;
  if (c.kind == 'S') {
    if (c.stride == static_cast<std::ptrdiff_t>(c.itemsize) && c.itemsize > 0) {
      in.TextData = first;
      in.TextWidth = c.itemsize;
      return;
    }
    const std::size_t width = std::max<std::size_t>(c.itemsize, 1);
    char* text = textIn_.Get(static_cast<std::size_t>(count) * width);
    std::memset(text, 0, static_cast<std::size_t>(count) * width);
    for (std::ptrdiff_t i = 0; i < count; ++i) {
      std::memcpy(text + i * width, first + i * c.stride, c.itemsize);
    }
    in.TextData = textIn_.data();
    in.TextWidth = width;
    return;
  }
  // Unicode: UTF-32 rows encoded as UTF-8.
  const std::size_t points = c.itemsize / sizeof(char32_t);
  const auto row = [&](std::ptrdiff_t i) {
    return reinterpret_cast<const char32_t*>(first + i * c.stride);
  };
  char32_t any = 0;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char32_t* r = row(i);
    for (std::size_t k = 0; k < points; ++k) any |= r[k];
  }
  if (any < 0x80) {
    // ASCII, the usual case: each code point is its byte, the null padding
    // included (no row holds a NUL inside its text).
    const std::size_t width = std::max<std::size_t>(points, 1);
    char* text = textIn_.Get(static_cast<std::size_t>(count) * width);
    for (std::ptrdiff_t i = 0; i < count; ++i) {
      const char32_t* r = row(i);
      char* to = text + i * static_cast<std::ptrdiff_t>(width);
      for (std::size_t k = 0; k < points; ++k) to[k] = static_cast<char>(r[k]);
      if (points == 0) to[0] = '\0';
    }
    in.TextData = text;
    in.TextWidth = width;
    return;
  }
  // Otherwise as wide as the longest row's UTF-8.
  std::size_t width = 1;
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char32_t* r = row(i);
    width = std::max(width, utf8::Utf8Size(r, EntryLength(r, points)));
  }
  char* text = textIn_.Get(static_cast<std::size_t>(count) * width);
  std::memset(text, 0, static_cast<std::size_t>(count) * width);
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char32_t* r = row(i);
    utf8::EncodeUtf8(r, EntryLength(r, points), text + i * width);
  }
  in.TextData = textIn_.data();
  in.TextWidth = width;
}

// On the calling thread, between the batch call's chunks: Python's signal
// handlers run here, and an exception one raises stops the call.
int Job::Progress(void* context, std::ptrdiff_t) noexcept {
  auto* job = static_cast<Job*>(context);
  const PyGILState_STATE gil = PyGILState_Ensure();
  if (PyErr_CheckSignals() != 0) {
    PyErr_Fetch(&job->errorType_, &job->errorValue_, &job->errorTrace_);
    job->stopped_ = true;
  }
  PyGILState_Release(gil);
  return job->stopped_ ? 1 : 0;
}

// Converts `count` points from `begin`: numbers into the result, texts into
// the scratch space, then decoded into the result's text columns.
int Job::Chunk(std::ptrdiff_t begin, std::ptrdiff_t count, int threads) {
  {
    const PyGILState_STATE gil = PyGILState_Ensure();
    try {
      Snapshot(begin, count);
    } catch (...) {
      PyGILState_Release(gil);
      throw;
    }
    PyGILState_Release(gil);
  }
  BatchInput in = settings_;
  switch (in.OrigType) {
    case MORVANE_mvDeg:
      in.Latitude = Numbers<double>(0);
      in.Longitude = Numbers<double>(1);
      break;
    case MORVANE_mvLambert72:
    case MORVANE_mvLambert2008:
      in.X = Numbers<double>(0);
      in.Y = Numbers<double>(1);
      break;
    case MORVANE_mvDegMinSec:
      in.LatDmsDeg = Numbers<std::int16_t>(0);
      in.LatDmsMin = Numbers<std::int16_t>(1);
      in.LatDmsSec = Numbers<float>(2);
      in.LonDmsDeg = Numbers<std::int16_t>(3);
      in.LonDmsMin = Numbers<std::int16_t>(4);
      in.LonDmsSec = Numbers<float>(5);
      break;
    default:  // MGRS and IFBL
      SetAsideNuls(begin, count);
      TextInput(count, in);
      break;
  }
  BatchExtra extra{};
  extra.size = sizeof(BatchExtra);
  extra.Progress = &Job::Progress;
  extra.ProgressContext = this;
  extra.Method = today_.method;
  extra.HeightKind = today_.heightKind;
  if (today_.heightColumn >= 0) extra.Height = Numbers<double>(today_.heightColumn);
  if (today_.outputs) {
    extra.X2008 = outputs_.X2008 + begin;
    extra.Y2008 = outputs_.Y2008 + begin;
    extra.EllipsoidalHeight = outputs_.EllipsoidalHeight + begin;
    extra.OstendHeight = outputs_.OstendHeight + begin;
    extra.Route = outputs_.Route + begin;
    extra.Accuracy = outputs_.Accuracy + begin;
  }
  // With the extra settings, the Error column holds today's messages too.
  TextWidths widths;
  int status = BatchWidths(in, extra, count, widths);
  if (status != MORVANE_OK) return status;
  outWidth_ = {std::max<std::size_t>(widths.MGRS, 1), std::max<std::size_t>(widths.IFBL, 1),
               std::max<std::size_t>(widths.Error, 1)};
  for (int t = 0; t < 3; ++t) textOut_[t].Get(static_cast<std::size_t>(count) * outWidth_[t]);
  failure_.resize(static_cast<std::size_t>(count));

  BatchOutput out{};
  out.Latitude = outputs_.Latitude + begin;
  out.Longitude = outputs_.Longitude + begin;
  out.LatDmsDeg = outputs_.LatDmsDeg + begin;
  out.LatDmsMin = outputs_.LatDmsMin + begin;
  out.LatDmsSec = outputs_.LatDmsSec + begin;
  out.LonDmsDeg = outputs_.LonDmsDeg + begin;
  out.LonDmsMin = outputs_.LonDmsMin + begin;
  out.LonDmsSec = outputs_.LonDmsSec + begin;
  out.X = outputs_.X + begin;
  out.Y = outputs_.Y + begin;
  out.Northing = outputs_.Northing + begin;
  out.Easting = outputs_.Easting + begin;
  out.MGRS = {textOut_[kMgrs].data(), outWidth_[kMgrs]};
  out.IFBL = {textOut_[kIfbl].data(), outWidth_[kIfbl]};
  out.Error = {textOut_[kError].data(), outWidth_[kError]};
  out.Failure = failure_.data();
  status = ConvertBatch(in, out, extra, count, threads);
  // A stop asked for after the last of the batch call's chunks is not its
  // business, but it is this call's.
  if (stopped_) return MORVANE_E_STOPPED;
  if (status != MORVANE_OK) return status;
  return Decode(begin, count);
}

// The text columns grow to the chunk's longest texts and take its rows.
int Job::Decode(std::ptrdiff_t begin, std::ptrdiff_t count) {
  std::array<std::size_t, kTexts> longest{};  // code points
  std::array<bool, 3> ascii{};                // the chunk's texts are all ASCII
  for (int t = 0; t < 3; ++t) {
    ascii[t] = Measure(textOut_[t].data(), count, outWidth_[t], longest[t]);
  }
  for (const std::int32_t code : failure_) {
    longest[kFailure] = std::max(longest[kFailure], std::strlen(FailureText(code)));
  }
  for (int t = 0; t < kTexts; ++t) {
    if (!texts_[t].Widen(count_, begin, std::max<std::size_t>(longest[t], 1))) {
      return MORVANE_E_NO_MEMORY;
    }
  }
  for (int t = 0; t < 3; ++t) {
    DecodeColumn(textOut_[t].data(), count, outWidth_[t], ascii[t], texts_[t], begin);
  }
  const TextColumn& to = texts_[kFailure];
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const char* name = FailureText(failure_[static_cast<std::size_t>(i)]);
    char32_t* row = to.data() + (begin + i) * static_cast<std::ptrdiff_t>(to.width);
    std::size_t n = 0;
    for (; name[n] != '\0'; ++n) row[n] = static_cast<unsigned char>(name[n]);
    std::fill(row + n, row + to.width, U'\0');
  }
  return MORVANE_OK;
}

int Job::Run(int threads) noexcept {
  try {
    const std::ptrdiff_t chunk = kChunkPerWorker * threads;
    for (std::ptrdiff_t begin = 0; begin < count_; begin += chunk) {
      const int status = Chunk(begin, std::min(chunk, count_ - begin), threads);
      if (status != MORVANE_OK) return status;
    }
    for (TextColumn& t : texts_) {
      // n = 0: an empty column.
      if (!t.Widen(count_, count_, 1)) return MORVANE_E_NO_MEMORY;
    }
    return MORVANE_OK;
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

// Writes a UTF-8 text into row `row` of a result text column, widening it
// when the text is longer than its rows.
bool Job::PutText(Text which, std::ptrdiff_t row, const std::string& text) {
  std::vector<char32_t> points(text.size() + 1);
  const std::size_t n = utf8::DecodeUtf8(text.data(), text.size(), points.data());
  TextColumn& column = texts_[which];
  if (!column.Widen(count_, count_, std::max<std::size_t>(n, 1))) return false;
  char32_t* to = column.data() + row * static_cast<std::ptrdiff_t>(column.width);
  std::copy(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(n), to);
  std::fill(to + n, to + column.width, U'\0');
  return true;
}

int Job::ConvertLones() {
  for (const Lone& lone : lones_) {
    // A fresh object with the call's settings, given the text as a put
    // gives it.  ETRS89, which the object does not take, is WGS 1984 to it,
    // as the batch call takes it for the object's outputs.  A text holding
    // a NUL names no position: today's columns keep the batch call's NaN.
    const auto own = [](std::int32_t datum) {
      return datum == MORVANE_mvETRS89 ? MORVANE_mvWGS1984 : datum;
    };
    ZedizAdo o;
    o.DatumFrom(static_cast<InternalDatums>(own(settings_.DatumFrom)));
    o.DatumDest(static_cast<InternalDatums>(own(settings_.DatumDest)));
    o.mgrsPrecision = settings_.mgrsPrecision;
    o.IfblPrecision = settings_.IfblPrecision;
    o.OrigType(static_cast<OriginalCoordinates>(settings_.OrigType));
    if (settings_.OrigType == MORVANE_mvMgrs) o.MGRS(lone.text);
    else o.IFBL(std::string(lone.text));
    std::int32_t failure = 0;
    try {
      o.Conversion();
    } catch (const Failure& f) {
      failure = static_cast<std::int32_t>(f.kind());
    }
    const std::ptrdiff_t i = lone.row;
    outputs_.Latitude[i] = o.Latitude();
    outputs_.Longitude[i] = o.Longitude();
    outputs_.LatDmsDeg[i] = o.LatDmsDeg();
    outputs_.LatDmsMin[i] = o.LatDmsMin();
    outputs_.LatDmsSec[i] = o.LatDmsSec();
    outputs_.LonDmsDeg[i] = o.LonDmsDeg();
    outputs_.LonDmsMin[i] = o.LonDmsMin();
    outputs_.LonDmsSec[i] = o.LonDmsSec();
    outputs_.X[i] = o.X();
    outputs_.Y[i] = o.Y();
    outputs_.Northing[i] = o.Northing();
    outputs_.Easting[i] = o.Easting();
    if (!PutText(kMgrs, i, o.MGRS()) || !PutText(kIfbl, i, o.IFBL()) ||
        !PutText(kError, i, o.Error()) || !PutText(kFailure, i, FailureText(failure))) {
      return MORVANE_E_NO_MEMORY;
    }
  }
  return MORVANE_OK;
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

// The Route column as the core's texts of its steps: "" for a point with a
// message or a failure (its Accuracy is NaN), the text of its steps
// otherwise ("none" when its position changed no datum).  A call has few
// distinct routes: each is made into text once.
py::array RouteTexts(const std::int32_t* routes, const double* accuracy, std::ptrdiff_t count) {
  std::vector<std::pair<std::int32_t, std::u32string>> texts;
  const auto textOf = [&](std::int32_t route) -> const std::u32string& {
    for (const auto& known : texts)
      if (known.first == route) return known.second;
    const std::string utf8 = RouteText(route);
    std::u32string points(utf8.size() + 1, U'\0');
    points.resize(utf8::DecodeUtf8(utf8.data(), utf8.size(), points.data()));
    texts.emplace_back(route, std::move(points));
    return texts.back().second;
  };
  static const std::u32string kEmpty;
  std::size_t width = 1;
  for (std::ptrdiff_t i = 0; i < count; ++i)
    if (!std::isnan(accuracy[i])) width = std::max(width, textOf(routes[i]).size());
  const py::dtype dtype("U" + std::to_string(width));
  py::array out(dtype, py::array::ShapeContainer{count});
  auto* rows = static_cast<char32_t*>(out.mutable_data());
  for (std::ptrdiff_t i = 0; i < count; ++i) {
    const std::u32string& text = std::isnan(accuracy[i]) ? kEmpty : textOf(routes[i]);
    char32_t* row = rows + i * static_cast<std::ptrdiff_t>(width);
    std::copy(text.begin(), text.end(), row);
    std::fill(row + text.size(), row + width, U'\0');
  }
  return out;
}

// A refusal of the batch call as a Python exception: arguments that make
// no sense raise ValueError.
[[noreturn]] void RaiseStatus(int status) {
  if (status == MORVANE_E_NO_MEMORY) throw std::bad_alloc();
  // The core's names of its codes, the setting code named here (a method or
  // height kind outside its table).
  const std::string what =
      std::string("the batch call refused the points: ") +
      (status == MORVANE_E_SETTING ? "a method or height kind outside its table"
                                   : morvane_failure_name(status));
  switch (status) {
    case MORVANE_E_COUNT:
    case MORVANE_E_KIND:
    case MORVANE_E_DATUM:
    case MORVANE_E_THREADS:
    case MORVANE_E_SETTING:
      throw py::value_error(what);
    default:
      throw std::runtime_error(what);
  }
}

py::dict Convert(int kind, int datumFrom, int datumDest, std::int32_t mgrsPrecision,
                 std::int16_t ifblPrecision, const py::tuple& columns, std::ptrdiff_t count,
                 int threads, const py::list& lones, std::int32_t method, std::int32_t heightKind,
                 const py::object& height, bool todayOutputs) {
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
  // The height column, read when the call says what it holds.
  Today today;
  today.outputs = todayOutputs;
  today.method = method;
  today.heightKind = heightKind;
  if (heightKind != MORVANE_HEIGHT_NONE) {
    if (height.is_none()) throw py::value_error("a height kind without a Height column");
    arrays.push_back(height.cast<py::array>());
    inputs.push_back(TakeColumn(arrays.back(), count, "Height", MORVANE_TYPE_DOUBLE));
    today.heightColumn = static_cast<int>(inputs.size()) - 1;
  } else if (!height.is_none()) {
    throw py::value_error("a Height column without a height kind");
  }

  if (threads == 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const std::ptrdiff_t useful = std::max<std::ptrdiff_t>(1, count / kMinPointsPerWorker);
  threads = static_cast<int>(std::min<std::ptrdiff_t>({threads, useful, kMaxWorkers}));

  py::array_t<double> latitude(count), longitude(count), x(count), y(count), northing(count),
      easting(count);
  py::array_t<std::int16_t> latDeg(count), latMin(count), lonDeg(count), lonMin(count);
  py::array_t<float> latSec(count), lonSec(count);
  Outputs outputs{latitude.mutable_data(), longitude.mutable_data(), latDeg.mutable_data(),
                  latMin.mutable_data(),   latSec.mutable_data(),    lonDeg.mutable_data(),
                  lonMin.mutable_data(),   lonSec.mutable_data(),    x.mutable_data(),
                  y.mutable_data(),        northing.mutable_data(),  easting.mutable_data()};
  // Today's columns: empty unless asked for.
  const std::ptrdiff_t extraCount = todayOutputs ? count : 0;
  py::array_t<double> x2008(extraCount), y2008(extraCount), ellipsoidal(extraCount),
      ostend(extraCount), accuracy(extraCount);
  py::array_t<std::int32_t> route(extraCount);
  if (todayOutputs) {
    outputs.X2008 = x2008.mutable_data();
    outputs.Y2008 = y2008.mutable_data();
    outputs.EllipsoidalHeight = ellipsoidal.mutable_data();
    outputs.OstendHeight = ostend.mutable_data();
    outputs.Route = route.mutable_data();
    outputs.Accuracy = accuracy.mutable_data();
  }

  BatchInput settings{};
  settings.OrigType = kind;
  settings.DatumFrom = datumFrom;
  settings.DatumDest = datumDest;
  settings.mgrsPrecision = mgrsPrecision;
  settings.IfblPrecision = ifblPrecision;
  const bool textKind = kind == MORVANE_mvMgrs || kind == MORVANE_mvIFBL;
  Job job(settings, today, std::move(inputs), outputs, count);
  for (const py::handle item : lones) {
    const auto pair = item.cast<std::pair<std::ptrdiff_t, py::bytes>>();
    if (!textKind || pair.first < 0 || pair.first >= count) {
      throw py::value_error("a point for an object of its own outside the batch");
    }
    job.Lones().push_back({pair.first, std::string(pair.second)});
  }
  int status;
  {
    py::gil_scoped_release released;
    status = job.Run(threads);
  }
  if (status == MORVANE_E_STOPPED) job.RaiseStopped();
  if (status != MORVANE_OK) RaiseStatus(status);
  status = job.ConvertLones();
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
  if (todayOutputs) {
    result["X2008"] = x2008;
    result["Y2008"] = y2008;
    result["EllipsoidalHeight"] = ellipsoidal;
    result["OstendHeight"] = ostend;
    result["Route"] = RouteTexts(route.data(), accuracy.data(), count);
    result["Accuracy"] = accuracy;
  }
  return result;
}

}  // namespace

void BindConvert(py::module_& m) {
  m.def("_convert", &Convert, py::arg("kind"), py::arg("datum_from"), py::arg("datum_to"),
        py::arg("mgrs_precision"), py::arg("ifbl_precision"), py::arg("columns"), py::arg("count"),
        py::arg("threads"), py::arg("lones") = py::list(), py::arg("method") = std::int32_t{MORVANE_METHOD_SHIFT},
        py::arg("height_kind") = std::int32_t{MORVANE_HEIGHT_NONE}, py::arg("height") = py::none(),
        py::arg("today") = false,
        "Converts prepared columns through the batch call (use morvane.convert).");
}

}  // namespace morvane::python
