// The C interface: an opaque handle on a ZedizAdo object, status codes
// instead of exceptions, texts copied into the caller's buffers.
#include <morvane/morvane.h>
#include <morvane/version.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include <morvane/batch.hpp>
#include "base/checks.hpp"
#include "component/batch_lanes.hpp"
#include "component/c_text.hpp"
#include "datum/grid_table.hpp"
#include <morvane/zediz_ado.hpp>

struct morvane_object {
  morvane::ZedizAdo object;
};

namespace {

using morvane::ZedizAdo;

// Runs body on the object of a handle, turning every exception into a
// status: nothing thrown ever crosses the C boundary.
template <typename Handle, typename Body>
int Guarded(Handle* handle, Body&& body) noexcept {
  if (!handle) return MORVANE_E_NULL_HANDLE;
  try {
    body(handle->object);
    return MORVANE_OK;
  } catch (const morvane::Failure& failure) {
    return static_cast<int>(failure.kind());
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

}  // namespace

// Copies text into buffer as snprintf would; the full length, or a code.
ptrdiff_t morvane::CopyText(const std::string& text, char* buffer, size_t size) noexcept {
  if (!buffer && size != 0) return MORVANE_E_NULL_POINTER;
  if (size != 0) {
    const size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
  }
  return static_cast<ptrdiff_t>(text.size());
}

namespace {

template <typename Getter>
ptrdiff_t GetText(const morvane_object* handle, char* buffer, size_t size, Getter get) noexcept {
  if (!handle) return MORVANE_E_NULL_HANDLE;
  if (!buffer && size != 0) return MORVANE_E_NULL_POINTER;
  try {
    return morvane::CopyText(get(handle->object), buffer, size);
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

}  // namespace

extern "C" {

const char* morvane_version(void) { return MORVANE_VERSION_STRING; }

const char* morvane_batch_path(void) {
  return morvane::batch::PathName(morvane::batch::SelectedPath());
}

int morvane_set_batch_path(const char* name) {
  morvane::batch::Path path{};
  if (!morvane::batch::PathByName(name, path)) return MORVANE_E_KIND;
  morvane::batch::ForcePath(path);
  return MORVANE_OK;
}

const char* morvane_failure_name(int code) {
  switch (code) {
    case MORVANE_OK: return "OK";
    case MORVANE_INDEX_OUT_OF_RANGE:
    case MORVANE_INTEGER_OVERFLOW:
    case MORVANE_INVALID_OPERATION:
    case MORVANE_DIVISION_BY_ZERO:
    case MORVANE_FLOAT_OVERFLOW: return morvane::FailureName(static_cast<morvane::FailureKind>(code));
    case MORVANE_E_NULL_HANDLE: return "null object handle";
    case MORVANE_E_NULL_POINTER: return "null pointer argument";
    case MORVANE_E_COUNT: return "negative number of points";
    case MORVANE_E_KIND: return "unknown input kind";
    case MORVANE_E_DATUM: return "unknown datum";
    case MORVANE_E_WIDTH: return "text column too narrow";
    case MORVANE_E_THREADS: return "negative number of threads";
    case MORVANE_E_NO_MEMORY: return "out of memory";
    case MORVANE_E_INTERNAL: return "internal error";
    case MORVANE_E_STOPPED: return "stopped by the progress callback";
    case MORVANE_E_SETTING: return "unknown method or height kind";
    case MORVANE_E_COLUMNS: return "no columns to read in the header, or several";
    default: return "Unknown";
  }
}

morvane_object* morvane_new(void) {
  try {
    return new morvane_object;
  } catch (...) {
    return nullptr;
  }
}

void morvane_free(morvane_object* object) { delete object; }

int morvane_conversion(morvane_object* object) {
  return Guarded(object, [](ZedizAdo& o) { o.Conversion(); });
}

int morvane_reset(morvane_object* object) {
  return Guarded(object, [](ZedizAdo& o) { o.Reset(); });
}

// A number property: the get writes *value, the put stores value.
#define MORVANE_NUMBER_ACCESSORS(Name, Type, Get, Put)                      \
  int morvane_get_##Name(const morvane_object* object, Type* value) {       \
    if (!object) return MORVANE_E_NULL_HANDLE;                              \
    if (!value) return MORVANE_E_NULL_POINTER;                              \
    const ZedizAdo& o = object->object;                                     \
    *value = static_cast<Type>(Get);                                        \
    return MORVANE_OK;                                                      \
  }                                                                         \
  int morvane_set_##Name(morvane_object* object, Type value) {              \
    if (!object) return MORVANE_E_NULL_HANDLE;                              \
    ZedizAdo& o = object->object;                                           \
    Put;                                                                    \
    return MORVANE_OK;                                                      \
  }
#define MORVANE_PROPERTY(Name, Type) MORVANE_NUMBER_ACCESSORS(Name, Type, o.Name(), o.Name(value))

MORVANE_PROPERTY(Latitude, double)
MORVANE_PROPERTY(Longitude, double)
MORVANE_PROPERTY(X, double)
MORVANE_PROPERTY(Y, double)
MORVANE_PROPERTY(Northing, double)
MORVANE_PROPERTY(Easting, double)
MORVANE_PROPERTY(LatDmsDeg, int16_t)
MORVANE_PROPERTY(LatDmsMin, int16_t)
MORVANE_PROPERTY(LatDmsSec, float)
MORVANE_PROPERTY(LonDmsDeg, int16_t)
MORVANE_PROPERTY(LonDmsMin, int16_t)
MORVANE_PROPERTY(LonDmsSec, float)
MORVANE_NUMBER_ACCESSORS(OrigType, int32_t, o.OrigType(),
                         o.OrigType(static_cast<morvane::OriginalCoordinates>(value)))
MORVANE_NUMBER_ACCESSORS(mgrsPrecision, int32_t, o.mgrsPrecision, o.mgrsPrecision = value)
MORVANE_NUMBER_ACCESSORS(IfblPrecision, int16_t, o.IfblPrecision, o.IfblPrecision = value)
#undef MORVANE_PROPERTY
#undef MORVANE_NUMBER_ACCESSORS

int morvane_set_DatumFrom(morvane_object* object, int32_t value) {
  return Guarded(object, [value](ZedizAdo& o) {
    o.DatumFrom(static_cast<morvane::InternalDatums>(value));
  });
}

int morvane_set_DatumDest(morvane_object* object, int32_t value) {
  return Guarded(object, [value](ZedizAdo& o) {
    o.DatumDest(static_cast<morvane::InternalDatums>(value));
  });
}

ptrdiff_t morvane_get_MGRS(const morvane_object* object, char* buffer, size_t size) {
  return GetText(object, buffer, size, [](const ZedizAdo& o) { return o.MGRS(); });
}

ptrdiff_t morvane_get_IFBL(const morvane_object* object, char* buffer, size_t size) {
  return GetText(object, buffer, size, [](const ZedizAdo& o) { return o.IFBL(); });
}

ptrdiff_t morvane_get_Error(const morvane_object* object, char* buffer, size_t size) {
  return GetText(object, buffer, size, [](const ZedizAdo& o) { return o.Error(); });
}

int morvane_set_MGRS(morvane_object* object, const char* value) {
  if (object && !value) return MORVANE_E_NULL_POINTER;
  return Guarded(object, [value](ZedizAdo& o) { o.MGRS(value); });
}

ptrdiff_t morvane_set_IFBL(morvane_object* object, const char* value, char* tidied, size_t size) {
  if (!object) return MORVANE_E_NULL_HANDLE;
  if (!value || (!tidied && size != 0)) return MORVANE_E_NULL_POINTER;
  try {
    std::string text = value;
    object->object.IFBL(text);
    return morvane::CopyText(text, tidied, size);
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

int morvane_batch_widths(const morvane_batch_input* input, ptrdiff_t count, size_t* mgrs_width,
                         size_t* ifbl_width, size_t* error_width) {
  if (!input) return MORVANE_E_NULL_POINTER;
  morvane::TextWidths widths;
  const int status = morvane::BatchWidths(*input, count, widths);
  if (status != MORVANE_OK) return status;
  if (mgrs_width) *mgrs_width = widths.MGRS;
  if (ifbl_width) *ifbl_width = widths.IFBL;
  if (error_width) *error_width = widths.Error;
  return MORVANE_OK;
}

int morvane_convert_batch(const morvane_batch_input* input, const morvane_batch_output* output,
                          ptrdiff_t count, int threads) {
  if (!input || !output) return MORVANE_E_NULL_POINTER;
  return morvane::ConvertBatch(*input, *output, count, threads);
}

// The caller's extra structure as this version knows it: the fields of the
// versions it was built for, the later ones at their defaults (a caller
// built against a later version may know more: only these are read).
// Refused when it is shorter than the first version.
static int KnownExtra(const morvane_batch_extra* extra, morvane_batch_extra& known) {
  known = morvane_batch_extra{};
  known.size = sizeof(morvane_batch_extra);
  if (!extra) return MORVANE_OK;
  if (extra->size < MORVANE_BATCH_EXTRA_V1_SIZE) return MORVANE_E_NULL_POINTER;
  std::memcpy(&known, extra, std::min(extra->size, sizeof(morvane_batch_extra)));
  known.size = sizeof(morvane_batch_extra);
  return MORVANE_OK;
}

int morvane_convert_batch_extra(const morvane_batch_input* input,
                                const morvane_batch_output* output,
                                const morvane_batch_extra* extra, ptrdiff_t count, int threads) {
  if (!input || !output) return MORVANE_E_NULL_POINTER;
  morvane_batch_extra known{};
  const int status = KnownExtra(extra, known);
  if (status != MORVANE_OK) return status;
  return morvane::ConvertBatch(*input, *output, known, count, threads);
}

int morvane_batch_widths_extra(const morvane_batch_input* input, const morvane_batch_extra* extra,
                               ptrdiff_t count, size_t* mgrs_width, size_t* ifbl_width,
                               size_t* error_width) {
  if (!input) return MORVANE_E_NULL_POINTER;
  morvane_batch_extra known{};
  int status = KnownExtra(extra, known);
  if (status != MORVANE_OK) return status;
  morvane::TextWidths widths;
  status = morvane::BatchWidths(*input, known, count, widths);
  if (status != MORVANE_OK) return status;
  if (mgrs_width) *mgrs_width = widths.MGRS;
  if (ifbl_width) *ifbl_width = widths.IFBL;
  if (error_width) *error_width = widths.Error;
  return MORVANE_OK;
}

int morvane_load_grids(const void* data, size_t size) {
  if (!data) return MORVANE_E_NULL_POINTER;
  try {
    return morvane::datum::LoadGridTable(static_cast<const unsigned char*>(data), size)
               ? MORVANE_OK
               : MORVANE_E_NULL_POINTER;
  } catch (const std::bad_alloc&) {
    return MORVANE_E_NO_MEMORY;
  } catch (...) {
    return MORVANE_E_INTERNAL;
  }
}

int morvane_grids_loaded(void) {
  try {
    const morvane::datum::GridSet* grids = morvane::datum::Grids();
    return grids && grids->shift && grids->geoid ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
