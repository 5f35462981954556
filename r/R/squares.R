# squares(), ifbl_squares(), mgrs_squares(): the squares that IFBL codes or
# MGRS references name, through the core's square functions
# (src/squares.cpp).  The arguments are checked and resolved here, before
# any square is made; every number and text comes from the core, the
# Darwin Core terms as its JSON gives them.

# The Darwin Core terms, in the order the core writes them; the first
# three of them are numbers.
.darwin_core <- c("decimalLatitude", "decimalLongitude", "geodeticDatum",
                  "coordinateUncertaintyInMeters", "footprintWKT", "footprintSRS",
                  "verbatimCoordinates", "verbatimCoordinateSystem", "verbatimSRS",
                  "georeferenceProtocol")
.darwin_core_numbers <- c("decimalLatitude", "decimalLongitude", "coordinateUncertaintyInMeters")
# The square's own numbers (NA for a row without a square).
.square_numbers <- c("zone", "hemisphere", "width", "height", "centre_x", "centre_y", "radius",
                     "uncertainty", "cut")
# Points along each edge of an outline that the core takes.
.max_densify <- 1000

# The codes as texts: a missing value is a code that names no square.
.codes <- function(codes) {
  if (is.factor(codes)) codes <- as.character(codes)
  if (.all_na(codes)) return(rep(NA_character_, length(codes)))
  if (!is.character(codes) || is.list(codes) || length(dim(codes)) > 1L) {
    .argument_error(sprintf("codes takes texts (a character vector), not %s", .describe(codes)),
                    call = NULL)
  }
  enc2utf8(as.vector(codes))
}

# The request as the core takes it, each argument checked.
.square_request <- function(kind, datum, code_datum, datum_known, method, densify) {
  if (!is.character(kind) || length(kind) != 1L || is.na(kind) ||
      !(kind %in% c("ifbl", "mgrs"))) {
    .argument_error(sprintf("kind must be 'ifbl' or 'mgrs' for squares, not %s",
                            if (is.character(kind) && length(kind) == 1L) sQuote(kind, FALSE)
                            else .describe(kind)), call = NULL)
  }
  if (!is.logical(datum_known) || length(datum_known) != 1L || is.na(datum_known)) {
    .argument_error(sprintf("datum_known must be TRUE or FALSE, not %s", .describe(datum_known)),
                    call = NULL)
  }
  list(kind = .kind_by_name(kind),
       code_datum = .resolve(code_datum, "code_datum", "datums", .datum_by_name),
       datum_known = datum_known,
       datum = .resolve(datum, "datum", "datums", .datum_by_name),
       method = .setting(method, "method", "methods", .method_by_name),
       densify = .whole(densify, "densify", c(0, .max_densify)))
}

# The Darwin Core terms of the core's JSON array as columns: a term a row
# lacks (a code with a message has only its verbatim terms) is NA.
.darwin_core_columns <- function(json, n) {
  rows <- jsonlite::fromJSON(json, simplifyVector = TRUE)
  lapply(stats::setNames(nm = .darwin_core), function(term) {
    value <- if (n > 0L && term %in% names(rows)) rows[[term]] else NULL
    if (term %in% .darwin_core_numbers) {
      if (is.null(value)) rep(NA_real_, n) else as.double(value)
    } else {
      if (is.null(value)) rep(NA_character_, n) else as.character(value)
    }
  })
}

# The core's answer for the codes: the columns and the outlines.
.squares <- function(codes, request) {
  codes <- .codes(codes)
  r <- .squares_core(codes, request$kind, request$code_datum, request$datum_known,
                     request$datum, request$method, request$densify)
  columns <- c(.darwin_core_columns(r$darwin_core, length(codes)), list(Error = r$Error),
               r[.square_numbers])
  list(columns = columns, outlines = r$outlines)
}

squares <- function(codes, kind = c("ifbl", "mgrs"), datum = "wgs84", code_datum = "wgs84",
                    datum_known = TRUE, method = "shift", densify = 0) {
  if (missing(kind)) kind <- "ifbl"
  request <- .square_request(kind, datum, code_datum, datum_known, method, densify)
  made <- .squares(codes, request)
  out <- .frame(made$columns)
  attr(out, "morvane") <- list(kind = kind, datum_to = .datum_key(request$datum))
  out
}

.datum_key <- function(number) {
  datums <- .table("datums")
  datums$key[datums$number == number]
}

# The squares as sf polygons on the EPSG system of `datum`.
.square_sf <- function(codes, kind, datum, code_datum, datum_known, method, densify, what) {
  if (!requireNamespace("sf", quietly = TRUE)) {
    stop(structure(class = c("morvane_no_sf", "error", "condition"),
                   list(message = sprintf("%s() needs the package sf", what), call = NULL)))
  }
  request <- .square_request(kind, datum, code_datum, datum_known, method, densify)
  datums <- .table("datums")
  epsg <- datums$epsg[datums$number == request$datum]
  if (length(epsg) != 1L || epsg == 0) {
    .argument_error(sprintf("the core has no EPSG code for the datum %s",
                            sQuote(.datum_key(request$datum), FALSE)), call = NULL)
  }
  made <- .squares(codes, request)
  # A row with a message has no outline: an empty polygon.
  polygons <- lapply(made$outlines, function(ring) {
    if (is.null(ring)) sf::st_polygon() else sf::st_polygon(list(ring))
  })
  sf::st_sf(.frame(made$columns), geometry = sf::st_sfc(polygons, crs = epsg))
}

ifbl_squares <- function(codes, datum = "wgs84", code_datum = "wgs84", datum_known = TRUE,
                         method = "shift", densify = 0) {
  .square_sf(codes, "ifbl", datum, code_datum, datum_known, method, densify, "ifbl_squares")
}

mgrs_squares <- function(codes, datum = "wgs84", code_datum = "wgs84", datum_known = TRUE,
                         method = "shift", densify = 0) {
  .square_sf(codes, "mgrs", datum, code_datum, datum_known, method, densify, "mgrs_squares")
}
