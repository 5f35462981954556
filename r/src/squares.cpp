// The squares that a column of IFBL codes or MGRS references names,
// through the core's C functions: morvane_square_of for the numbers,
// morvane_square_outline for the ring, morvane_square_darwin_core for the
// Darwin Core terms as JSON.  Nothing of a square is computed here.
//
// R/squares.R has checked the request; a negative status of the core (a
// request it refuses) still stops here, and a floating-point fault on one
// code gives that row the failure's name as its message.
#include <Rcpp.h>

#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include <morvane/morvane.h>

namespace {

// A code as UTF-8; a missing value is the empty code, which names no
// square and so gets the core's message.
std::string Code(SEXP text) {
  if (text == NA_STRING) return std::string();
  return std::string(Rf_translateCharUTF8(text));
}

// The Darwin Core JSON of one code, at its full length.
std::string DarwinCore(const char* code, const morvane_square_request& request) {
  std::string json(1024, '\0');
  ptrdiff_t n = morvane_square_darwin_core(code, &request, json.data(), json.size());
  if (n >= 0 && static_cast<std::size_t>(n) >= json.size()) {
    json.assign(static_cast<std::size_t>(n) + 1, '\0');
    n = morvane_square_darwin_core(code, &request, json.data(), json.size());
  }
  if (n < 0) Rcpp::stop("morvane: the core refused the request (status %d)", static_cast<int>(n));
  json.resize(static_cast<std::size_t>(n));
  return json;
}

}  // namespace

// The squares of `codes`: a list of the Darwin Core objects as one JSON
// array, Error, the square's numbers and the outlines (a two-column
// matrix, longitude then latitude, or NULL for a row without a square).
// [[Rcpp::export(.squares_core)]]
Rcpp::List Squares(Rcpp::CharacterVector codes, int kind, int codeDatum, bool datumKnown,
                   int datumOut, int method, int densify) {
  morvane_square_request request{};
  request.size = sizeof request;
  request.kind = kind;
  request.datum_code = codeDatum;
  request.datum_known = datumKnown ? 1 : 0;
  request.datum_out = datumOut;
  request.method = method;
  request.densify = densify;

  const R_xlen_t count = codes.size();
  Rcpp::CharacterVector error(count), hemisphere(count);
  Rcpp::IntegerVector zone(count);
  Rcpp::LogicalVector cut(count);
  Rcpp::NumericVector width(count), height(count), centreX(count), centreY(count),
      radius(count), uncertainty(count);
  Rcpp::List outlines(count);
  std::string json = "[";
  std::vector<double> longitude, latitude;
  for (R_xlen_t i = 0; i < count; ++i) {
    if (i % 1024 == 0) Rcpp::checkUserInterrupt();
    const std::string code = Code(codes[i]);
    morvane_square square{};
    char message[512] = "";
    const int status = morvane_square_of(code.c_str(), &request, &square, message, sizeof message);
    if (status < 0) Rcpp::stop("morvane: the core refused the request (status %d)", status);
    if (i > 0) json += ',';
    json += DarwinCore(code.c_str(), request);
    const bool made = status == MORVANE_OK && message[0] == '\0';
    error[i] = status != MORVANE_OK ? Rcpp::String(morvane_failure_name(status))
                                    : Rcpp::String(message, CE_UTF8);
    if (!made) {
      zone[i] = NA_INTEGER;
      hemisphere[i] = NA_STRING;
      cut[i] = NA_LOGICAL;
      width[i] = height[i] = centreX[i] = centreY[i] = radius[i] = uncertainty[i] = NA_REAL;
      outlines[i] = R_NilValue;
      continue;
    }
    zone[i] = square.zone != 0 ? square.zone : NA_INTEGER;
    hemisphere[i] = square.hemisphere != 0 ? Rcpp::String(std::string(1, square.hemisphere))
                                           : Rcpp::String(NA_STRING);
    cut[i] = square.cut != 0;
    width[i] = square.width;
    height[i] = square.height;
    centreX[i] = square.centre_x;
    centreY[i] = square.centre_y;
    radius[i] = square.radius;
    uncertainty[i] = square.uncertainty;

    std::size_t capacity = static_cast<std::size_t>(square.corner_count) *
                               (static_cast<std::size_t>(densify) + 1) + 1;
    longitude.resize(capacity);
    latitude.resize(capacity);
    ptrdiff_t n = morvane_square_outline(code.c_str(), &request, longitude.data(),
                                         latitude.data(), capacity);
    if (n > static_cast<ptrdiff_t>(capacity)) {
      capacity = static_cast<std::size_t>(n);
      longitude.resize(capacity);
      latitude.resize(capacity);
      n = morvane_square_outline(code.c_str(), &request, longitude.data(), latitude.data(),
                                 capacity);
    }
    if (n < 0) Rcpp::stop("morvane: the core refused the request (status %d)", static_cast<int>(n));
    Rcpp::NumericMatrix ring(static_cast<int>(n), 2);
    for (ptrdiff_t k = 0; k < n; ++k) {
      ring(k, 0) = longitude[k];
      ring(k, 1) = latitude[k];
    }
    outlines[i] = ring;
  }
  json += ']';
  return Rcpp::List::create(
      Rcpp::Named("darwin_core") = Rcpp::String(json, CE_UTF8), Rcpp::Named("Error") = error,
      Rcpp::Named("zone") = zone, Rcpp::Named("hemisphere") = hemisphere,
      Rcpp::Named("width") = width, Rcpp::Named("height") = height,
      Rcpp::Named("centre_x") = centreX, Rcpp::Named("centre_y") = centreY,
      Rcpp::Named("radius") = radius, Rcpp::Named("uncertainty") = uncertainty,
      Rcpp::Named("cut") = cut, Rcpp::Named("outlines") = outlines);
}
