# as_sf(): a result of convert() as sf points in one of its systems, with
# the EPSG code of the core's tables.

as_sf <- function(x, system = c("degrees", "lambert72", "lambert2008"),
                  datum = attr(x, "morvane")$datum_to) {
  if (!requireNamespace("sf", quietly = TRUE)) {
    stop(structure(class = c("morvane_no_sf", "error", "condition"),
                   list(message = "as_sf() needs the package sf", call = NULL)))
  }
  if (!is.data.frame(x)) {
    .argument_error(sprintf("as_sf() takes a result of convert(), not %s", .describe(x)),
                    call = NULL)
  }
  system <- match.arg(system)
  kinds <- .table("kinds")
  if (system == "degrees") {
    if (is.null(datum)) datum <- "wgs84"
    number <- .resolve(datum, "datum", "datums", .datum_by_name)
    datums <- .table("datums")
    epsg <- datums$epsg[datums$number == number]
    coords <- c("Longitude", "Latitude")
  } else if (system == "lambert72") {
    epsg <- kinds$epsg[kinds$number == .kind_by_name("lambert")]
    coords <- c("X", "Y")
  } else {
    epsg <- kinds$epsg[kinds$number == .kind_by_name("lambert2008")]
    coords <- c("X2008", "Y2008")
  }
  absent <- setdiff(c(coords, "Error", "Failure"), names(x))
  if (length(absent)) {
    .argument_error(sprintf("as_sf(system = %s) needs the columns %s", sQuote(system, FALSE),
                            paste(absent, collapse = ", ")), call = NULL)
  }
  if (length(epsg) != 1L || epsg == 0) {
    .argument_error(sprintf("the core has no EPSG code for %s", system), call = NULL)
  }
  # A point with a message or a failure has no position: an empty point,
  # never the zeros its columns hold.
  lost <- x$Error != "" | x$Failure != ""
  positions <- data.frame(.x = x[[coords[1]]], .y = x[[coords[2]]])
  positions$.x[lost] <- NA_real_
  positions$.y[lost] <- NA_real_
  geometry <- sf::st_as_sf(positions, coords = c(".x", ".y"), crs = epsg, na.fail = FALSE)
  sf::st_sf(as.data.frame(x), geometry = sf::st_geometry(geometry))
}
