// The object, for scripts that convert a point at a time: a handle of the
// C interface (morvane_new) in an external pointer, its properties read
// and written through morvane_get_* and morvane_set_*.  R/object.R checks
// the names and types of what it is given; the checks here only keep a
// wrong call from reaching the core.
#include <Rcpp.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <morvane/morvane.h>

namespace {

void Free(SEXP handle) {
  morvane_free(static_cast<morvane_object*>(R_ExternalPtrAddr(handle)));
  R_ClearExternalPtr(handle);
}

morvane_object* Handle(SEXP handle) {
  if (TYPEOF(handle) != EXTPTRSXP || R_ExternalPtrAddr(handle) == nullptr)
    Rcpp::stop("morvane: not a live object (an object saved and loaded again is not)");
  return static_cast<morvane_object*>(R_ExternalPtrAddr(handle));
}

// A text property through the C interface's snprintf-like get.
template <typename Get>
std::string Text(const morvane_object* o, Get get) {
  const std::ptrdiff_t length = get(o, nullptr, 0);
  if (length < 0) Rcpp::stop(std::string("morvane: ") + morvane_failure_name(static_cast<int>(length)));
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  get(o, buffer.data(), buffer.size());
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

SEXP Utf8(const std::string& text) {
  return Rf_ScalarString(Rf_mkCharLenCE(text.data(), static_cast<int>(text.size()), CE_UTF8));
}

void Check(int status) {
  if (status != MORVANE_OK) Rcpp::stop(std::string("morvane: ") + morvane_failure_name(status));
}

}  // namespace

// [[Rcpp::export(.object_new)]]
SEXP ObjectNew() {
  morvane_object* o = morvane_new();
  if (o == nullptr) Rcpp::stop("morvane: no memory for an object");
  SEXP handle = PROTECT(R_MakeExternalPtr(o, R_NilValue, R_NilValue));
  R_RegisterCFinalizerEx(handle, Free, TRUE);
  UNPROTECT(1);
  return handle;
}

// [[Rcpp::export(.object_get)]]
SEXP ObjectGet(SEXP handle, std::string name) {
  const morvane_object* o = Handle(handle);
  double d = 0;
  float f = 0;
  std::int16_t s = 0;
  std::int32_t i = 0;
#define MORVANE_DOUBLE(Name) \
  if (name == #Name) { Check(morvane_get_##Name(o, &d)); return Rf_ScalarReal(d); }
#define MORVANE_FLOAT(Name) \
  if (name == #Name) { Check(morvane_get_##Name(o, &f)); return Rf_ScalarReal(f); }
#define MORVANE_INT16(Name) \
  if (name == #Name) { Check(morvane_get_##Name(o, &s)); return Rf_ScalarInteger(s); }
#define MORVANE_INT32(Name) \
  if (name == #Name) { Check(morvane_get_##Name(o, &i)); return Rf_ScalarInteger(i); }
  MORVANE_DOUBLE(Latitude)
  MORVANE_DOUBLE(Longitude)
  MORVANE_DOUBLE(X)
  MORVANE_DOUBLE(Y)
  MORVANE_DOUBLE(Northing)
  MORVANE_DOUBLE(Easting)
  MORVANE_INT16(LatDmsDeg)
  MORVANE_INT16(LatDmsMin)
  MORVANE_FLOAT(LatDmsSec)
  MORVANE_INT16(LonDmsDeg)
  MORVANE_INT16(LonDmsMin)
  MORVANE_FLOAT(LonDmsSec)
  MORVANE_INT32(OrigType)
  MORVANE_INT32(mgrsPrecision)
  MORVANE_INT16(IfblPrecision)
#undef MORVANE_DOUBLE
#undef MORVANE_FLOAT
#undef MORVANE_INT16
#undef MORVANE_INT32
  if (name == "MGRS") return Utf8(Text(o, morvane_get_MGRS));
  if (name == "IFBL") return Utf8(Text(o, morvane_get_IFBL));
  if (name == "Error") return Utf8(Text(o, morvane_get_Error));
  Rcpp::stop("morvane: the object has no readable property " + name);
}

// Numbers arrive as doubles that R has checked to fit the property's type.
// [[Rcpp::export(.object_set)]]
void ObjectSet(SEXP handle, std::string name, SEXP value) {
  morvane_object* o = Handle(handle);
  if (TYPEOF(value) == STRSXP && Rf_xlength(value) == 1 && STRING_ELT(value, 0) != NA_STRING) {
    const char* text = Rf_translateCharUTF8(STRING_ELT(value, 0));
    if (name == "MGRS") return Check(morvane_set_MGRS(o, text));
    if (name == "IFBL") {
      const std::ptrdiff_t length = morvane_set_IFBL(o, text, nullptr, 0);
      if (length < 0) Check(static_cast<int>(length));
      return;
    }
    Rcpp::stop("morvane: " + name + " takes a number");
  }
  if (TYPEOF(value) != REALSXP || Rf_xlength(value) != 1) Rcpp::stop("morvane: one value please");
  const double v = REAL(value)[0];
#define MORVANE_SET(Name, Type) \
  if (name == #Name) return Check(morvane_set_##Name(o, static_cast<Type>(v)));
  MORVANE_SET(Latitude, double)
  MORVANE_SET(Longitude, double)
  MORVANE_SET(X, double)
  MORVANE_SET(Y, double)
  MORVANE_SET(Northing, double)
  MORVANE_SET(Easting, double)
  MORVANE_SET(LatDmsSec, float)
  MORVANE_SET(LonDmsSec, float)
#undef MORVANE_SET
  // Whole numbers: R has checked them against the property's type.
  if (std::isnan(v)) Rcpp::stop("morvane: " + name + " takes a whole number, not NA");
#define MORVANE_SET(Name, Type) \
  if (name == #Name) return Check(morvane_set_##Name(o, static_cast<Type>(v)));
  MORVANE_SET(LatDmsDeg, std::int16_t)
  MORVANE_SET(LatDmsMin, std::int16_t)
  MORVANE_SET(LonDmsDeg, std::int16_t)
  MORVANE_SET(LonDmsMin, std::int16_t)
  MORVANE_SET(IfblPrecision, std::int16_t)
  MORVANE_SET(OrigType, std::int32_t)
  MORVANE_SET(mgrsPrecision, std::int32_t)
  MORVANE_SET(DatumFrom, std::int32_t)
  MORVANE_SET(DatumDest, std::int32_t)
#undef MORVANE_SET
  Rcpp::stop("morvane: the object has no writable property " + name);
}

// MORVANE_OK, or the failure kind (1..5) that left the object as it was.
// [[Rcpp::export(.object_conversion)]]
int ObjectConversion(SEXP handle) {
  const int status = morvane_conversion(Handle(handle));
  if (status < 0) Check(status);
  return status;
}

// [[Rcpp::export(.object_reset)]]
void ObjectReset(SEXP handle) { Check(morvane_reset(Handle(handle))); }

// [[Rcpp::export(.failure_name)]]
std::string FailureName(int code) { return morvane_failure_name(code); }
