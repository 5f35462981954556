# convert_frame(): tables as people and standards write them.  Each row
# must come out as convert() converts its point with its own kind and
# datum, the frame's own columns untouched.

# A GBIF occurrence download, as read.delim reads it: degrees on WGS 1984
# among many other columns, some rows without coordinates.
gbif_text <- paste(
  "gbifID\tdatasetKey\tscientificName\tdecimalLatitude\tdecimalLongitude\tgeodeticDatum\tcoordinateUncertaintyInMeters\tcountryCode\teventDate",
  "4011\td1\tBufo bufo (Linnaeus, 1758)\t50.8467\t4.3525\tWGS84\t30\tBE\t2021-04-02",
  "4012\td1\tRana temporaria Linnaeus, 1758\t\t\t\t\tBE\t2021-04-03",
  "4013\td2\tTriturus cristatus (Laurenti, 1768)\t51.05\t3.72\tWGS84\t\tBE\t2022-05-14",
  "4014\td2\tLissotriton vulgaris (Linnaeus, 1758)\t49.6\t5.9\tWGS84\t100\tBE\t2022-05-15",
  "4015\td3\tAlytes obstetricans (Laurenti, 1768)\t\t4.1\tWGS84\t\tBE\t2023-06-01",
  sep = "\n")
read_gbif <- function() read.delim(text = gbif_text, sep = "\t", stringsAsFactors = FALSE)

# The columns convert() returns, in the frame.
expect_rows_as <- function(frame, expected, rows = seq_len(nrow(expected)), label = "") {
  for (name in names(expected)) {
    expect_identical(frame[[name]][rows], expected[[name]],
                     label = sprintf("%s %s", label, name))
  }
}

test_that("a GBIF download converts without hints, as convert() converts its degrees", {
  cases <- list(
    list(),
    list(datum_to = "bd72", ifbl_precision = 4),
    list(datum_to = "ed50", mgrs_precision = 100, threads = 2),
    list(datum_to = "etrs89", method = "grid")
  )
  for (settings in cases) {
    gbif <- read_gbif()
    out <- do.call(convert_frame, c(list(gbif), settings))
    expected <- do.call(convert, c(list("deg", gbif$decimalLatitude, gbif$decimalLongitude),
                                   settings))
    label <- paste(deparse(settings), collapse = "")
    expect_identical(names(out), c(names(gbif), names(expected)), label = label)
    expect_identical(as.list(out[names(gbif)]), as.list(gbif), label = label)
    expect_rows_as(out, expected, label = label)
    # The rows without coordinates are kept, with their message.
    expect_true(all(nzchar(out$Error[c(2, 5)])), label = label)
    expect_identical(out$Error[c(1, 3, 4)], rep("", 3), label = label)
  }
  expect_identical(attr(convert_frame(read_gbif()), "morvane")$columns,
                   c(Latitude = "decimalLatitude", Longitude = "decimalLongitude",
                     geodeticDatum = "geodeticDatum"))
})

test_that("a table read as texts converts as read as numbers", {
  gbif <- read_gbif()
  texts <- read.delim(text = gbif_text, sep = "\t", colClasses = "character")
  texts$decimalLatitude[1] <- " 50.8467 "
  texts$decimalLongitude[3] <- "+3.72e0"
  expect_identical(as.list(convert_frame(texts, datum_to = "bd72")[-seq_along(texts)]),
                   as.list(convert_frame(gbif, datum_to = "bd72")[-seq_along(gbif)]))
  # Texts that are not numbers are refused, naming the first.
  texts$decimalLongitude[4] <- "5,9"
  expect_error(convert_frame(texts), "column 'decimalLongitude' takes numbers, not the text '5,9' (row 4)",
               fixed = TRUE, class = "morvane_argument_error")
  # A datum a reader took for a number: its EPSG code.
  codes <- data.frame(lat = c(50.8, 50.8), lon = 4.35, geodeticDatum = c(4230L, 4326L))
  expect_identical(convert_frame(codes, datum_to = "bd72")$X,
                   c(convert("deg", 50.8, 4.35, datum_from = "ed50", datum_to = "bd72")$X,
                     convert("deg", 50.8, 4.35, datum_to = "bd72")$X))
})

test_that("a tibble stays a tibble, and a frame without rows converts", {
  skip_if_not_installed("tibble")
  sites <- tibble::tibble(lat = c(50.8, 51.0), lon = c(4.35, 3.7), name = c("a", "b"))
  out <- convert_frame(sites, datum_to = "bd72")
  expect_s3_class(out, "tbl_df")
  expect_identical(out$X, convert("deg", sites$lat, sites$lon, datum_to = "bd72")$X)
  empty <- convert_frame(sites[0, ], datum_to = "bd72")
  expect_identical(nrow(empty), 0L)
  expect_true("IFBL" %in% names(empty))
})

# A Darwin Core file whose rows say their own system and datum, and what
# convert() gives each row's point with that kind and datum (or the text
# its message names).
dwc_rows <- list(
  list("E4.25", "IFBL", "", list("ifbl", "E4.25")),
  list("E4.25.13", "ifbl", "BD72", list("ifbl", "E4.25.13")),
  list(NA, "IFBL", "", list("ifbl", NA_character_)),
  list("31UES9512933823", "MGRS", "ED50", list("mgrs", "31UES9512933823", datum_from = "ed50")),
  list("31UES95123382", "MGRS", "unknown", list("mgrs", "31UES95123382")),
  list("149186.41, 170810.74", "Lambert 72", "EPSG:31370", list("lambert", 149186.41, 170810.74)),
  list("X=149186.41 Y=170810.74", "EPSG:31370", "", list("lambert", 149186.41, 170810.74)),
  list("649186.04, 670811.17", "Lambert 2008", "EPSG:3812",
       list("lambert2008", 649186.04, 670811.17, datum_from = "etrs89")),
  list("50.8467, 4.3525", "decimal degrees", "WGS84", list("deg", 50.8467, 4.3525)),
  list("50.8467N 4.3525E", "EPSG:4326", "EPSG:4326", list("deg", 50.8467, 4.3525)),
  list("51.0, 3.7", "decimal degrees", "ED50", list("deg", 51, 3.7, datum_from = "ed50")),
  list("50\u00b050'48.1\"N 4\u00b021'9\"E", "degrees minutes seconds", "not recorded",
       list("dms", 50, 50, 48.1, 4, 21, 9)),
  list("50 50 48.1 N, 4 21 9 E", "DMS", "Belge 1972", list("dms", 50, 50, 48.1, 4, 21, 9,
                                                            datum_from = "bd72")),
  list("1 2", "UTM", "", "(UTM)"),
  list("50.1, 4.2", "decimal degrees", "Potsdam", "(Potsdam)"),
  list("E4.25", "", "", "Type de coordonn")
)
dwc_frame <- function() {
  data.frame(
    occurrenceID = sprintf("occ-%02d", seq_along(dwc_rows)),
    verbatimCoordinates = vapply(dwc_rows, function(r) as.character(r[[1]]), ""),
    verbatimCoordinateSystem = vapply(dwc_rows, `[[`, "", 2),
    verbatimSRS = vapply(dwc_rows, `[[`, "", 3),
    stringsAsFactors = FALSE)
}

test_that("Darwin Core rows of several kinds and datums convert in one pass, row by row", {
  dwc <- dwc_frame()
  for (datum_to in c("wgs84", "bd72")) {
    out <- convert_frame(dwc, datum_to = datum_to, ifbl_precision = 4)
    expect_identical(as.list(out[names(dwc)]), as.list(dwc))
    expect_identical(attr(out, "morvane")$kind, "verbatim")
    for (i in seq_along(dwc_rows)) {
      row <- dwc_rows[[i]]
      label <- sprintf("row %d (%s, %s) to %s", i, row[[2]], row[[3]], datum_to)
      if (is.character(row[[4]])) {
        expect_true(grepl(row[[4]], out$Error[i], fixed = TRUE), label = label)
        expect_true(is.nan(out$Latitude[i]), label = label)
        next
      }
      args <- row[[4]]
      if (is.null(args$datum_from)) args$datum_from <- "wgs84"
      expected <- do.call(convert, c(args, list(datum_to = datum_to, ifbl_precision = 4)))
      expect_rows_as(out, expected, rows = i, label = label)
    }
  }
})

test_that("a verbatim text that is not of its kind gets the kind's message, the row kept", {
  dwc <- data.frame(verbatimCoordinates = c("not a point", "50.8, 4.3", "12"),
                    verbatimCoordinateSystem = c("decimal degrees", "decimal degrees", "Lambert 72"))
  out <- convert_frame(dwc)
  expect_identical(out$Error[1], convert("deg", NA_real_, NA_real_)$Error)
  expect_identical(out$Error[2], "")
  expect_identical(out$Error[3], convert("lambert", NA_real_, NA_real_)$Error)
  # A default kind for the rows that name none.
  bare <- data.frame(verbatimCoordinates = c("E4.25", "D3.22"))
  expect_identical(convert_frame(bare, kind = "ifbl")$X, convert("ifbl", bare[[1]])$X)
  expect_true(all(nzchar(convert_frame(bare)$Error)))
})

test_that("the degrees' datum is read per row from geodeticDatum", {
  sites <- data.frame(lat = c(50.8, 50.8, 50.8, 50.8), lon = 4.35,
                      geodeticDatum = c("WGS84", "EPSG:4230", "", "Belge 1972"))
  out <- convert_frame(sites, datum_from = "ntf", datum_to = "bd72")
  from <- c("wgs84", "ed50", "ntf", "bd72")
  for (i in seq_along(from)) {
    expected <- convert("deg", 50.8, 4.35, datum_from = from[i], datum_to = "bd72")
    expect_rows_as(out, expected, rows = i, label = from[i])
  }
})

test_that("headers the core cannot choose from are refused, naming the candidates", {
  headers <- list(
    list(c("Breedte", "lengte", "Lat"),
         "more than one column could be the latitude: 'Breedte' (1), 'Lat' (3)"),
    list(c("lat", "lon", "x", "y"), "more than one input kind"),
    list(c("species", "eventDate"), "no coordinate columns"),
    list(c("verbatimCoordinates", "verbatim_coordinates"),
         "more than one column could be the verbatim coordinates"),
    list(c("lat", "lon", "geodeticDatum", "Geodetic Datum"),
         "more than one column could be the geodetic datum")
  )
  for (h in headers) {
    df <- as.data.frame(stats::setNames(as.list(rep(1, length(h[[1]]))), h[[1]]),
                        check.names = FALSE)
    error <- tryCatch(convert_frame(df), morvane_columns_error = function(e) e)
    expect_s3_class(error, "morvane_argument_error")
    expect_true(grepl(h[[2]], conditionMessage(error), fixed = TRUE), label = h[[2]])
    expect_true(endsWith(conditionMessage(error), "; give them with columns ="), label = h[[2]])
  }
})

test_that("columns given by hand are the ones read", {
  df <- data.frame(Breedte = c(50.8, 51), lengte = c(4.35, 3.7), Lat = c(1, 2),
                   x = c(150000, 160000), y = c(170000, 180000))
  out <- convert_frame(df, columns = c(Latitude = "Breedte", Longitude = "lengte"))
  expected <- convert("deg", df$Breedte, df$lengte)
  expect_rows_as(out, expected[setdiff(names(expected), c("X", "Y"))])
  expect_identical(out$X_2, expected$X)  # the frame has an x
  # Any name of the role will do for its key; the other kind by hand.
  lambert <- convert_frame(df, columns = c(x = "x", y = "y"))
  expect_identical(lambert$Latitude, convert("lambert", df$x, df$y)$Latitude)
  expect_identical(attr(lambert, "morvane")$columns, c(X = "x", Y = "y"))
  # A datum column by hand.
  df$datum <- c("ED50", "")
  by_hand <- convert_frame(df, columns = c(Latitude = "Breedte", Longitude = "lengte",
                                           geodeticDatum = "datum"))
  expect_identical(by_hand$X[1], convert("deg", 50.8, 4.35, datum_from = "ed50")$X)
  expect_identical(by_hand$X[2], convert("deg", 51, 3.7)$X)
})

test_that("Darwin Core outputs: degrees on datum_to, its EPSG code, the uncertainty, the message", {
  dwc <- dwc_frame()
  out <- convert_frame(dwc, datum_to = "bd72", darwin_core = TRUE)
  terms <- c("decimalLatitude", "decimalLongitude", "geodeticDatum",
             "coordinateUncertaintyInMeters", "Error")
  expect_identical(names(out), c(names(dwc), terms))
  plain <- convert_frame(dwc, datum_to = "bd72", today = TRUE)
  positioned <- plain$Error == ""
  expect_identical(out$decimalLatitude[positioned], plain$Latitude[positioned])
  expect_true(all(is.na(out$decimalLatitude[!positioned])))
  expect_identical(unique(out$geodeticDatum[positioned]), "EPSG:4313")
  expect_identical(out$Error, as.character(plain$Error))
  # IFBL and MGRS rows: the square's uncertainty; others the route's.
  squares_of <- list(
    list(1, squares("E4.25", "ifbl", datum = "bd72", code_datum = "wgs84", datum_known = FALSE)),
    list(2, squares("E4.25.13", "ifbl", datum = "bd72", code_datum = "bd72")),
    list(4, squares("31UES9512933823", "mgrs", datum = "bd72", code_datum = "ed50")),
    list(5, squares("31UES95123382", "mgrs", datum = "bd72", datum_known = FALSE))
  )
  for (s in squares_of) {
    expect_identical(out$coordinateUncertaintyInMeters[s[[1]]],
                     s[[2]]$coordinateUncertaintyInMeters, label = paste("row", s[[1]]))
  }
  others <- setdiff(which(positioned), vapply(squares_of, `[[`, 0, 1))
  accuracy <- plain$Accuracy[others]
  expect_identical(out$coordinateUncertaintyInMeters[others],
                   ifelse(accuracy > 0, accuracy, NA_real_))
  expect_true(all(is.na(out$coordinateUncertaintyInMeters[!positioned])))
  # Beside a GBIF download's own terms.
  gbif <- read_gbif()
  named <- convert_frame(gbif, darwin_core = TRUE, outputs = c("decimalLatitude", "Error"))
  expect_identical(names(named), c(names(gbif), "decimalLatitude_2", "Error"))
})

test_that("an output that a column already has is suffixed as the tool's CSV does", {
  cases <- list(
    list(c("lat", "lon", "X", "error"), c(X = "X_2", Y = "Y", Error = "Error_2")),
    list(c("lat", "lon", "X", "x_2"), c(X = "X_3", Y = "Y")),
    list(c("lat", "lon", "Northing ", "EASTING", "easting_2"),
         c(Northing = "Northing_2", Easting = "Easting_3"))
  )
  for (case in cases) {
    df <- as.data.frame(stats::setNames(as.list(c(50.8, 4.35, rep(0, length(case[[1]]) - 2))),
                                        case[[1]]), check.names = FALSE)
    out <- convert_frame(df, outputs = names(case[[2]]))
    expect_identical(names(out), c(case[[1]], unname(case[[2]])))
    expect_identical(as.list(out[seq_along(case[[1]])]), as.list(df))
    for (k in seq_along(case[[2]])) {
      expect_identical(out[[case[[2]][k]]], convert("deg", 50.8, 4.35)[[names(case[[2]])[k]]])
    }
  }
})

test_that("arguments that make no sense are R errors before any work", {
  df <- data.frame(lat = c(50.8, 51), lon = c(4.35, 3.7), name = c("a", "b"))
  bad <- list(
    list(as.list(df)),
    list(df, columns = c(Latitude = "nowhere", Longitude = "lon")),
    list(df, columns = c(Nowhere = "lat", Longitude = "lon")),
    list(df, columns = c("lat", "lon")),
    list(df, columns = c(Latitude = "lat", Longitude = "lat")),
    list(df, columns = c(Latitude = "lat", lat = "lon")),
    list(df, columns = c(Latitude = "lat", Longitude = "lon", Height = "name")),
    list(df, datum_from = "mars"),
    list(df, datum_to = 9),
    list(df, kind = "nowhere"),
    list(df, outputs = "Nowhere"),
    list(df, outputs = "decimalLatitude"),
    list(df, outputs = c("X", "X")),
    list(df, darwin_core = NA),
    list(df, threads = -1),
    list(df, method = "magic"),
    list(df, today = "yes"),
    list(df, 42),
    list(df, speed = "fast"),
    list(data.frame(lat = c("50,8", "51"), lon = c(4.35, 3.7)))
  )
  for (args in bad) {
    expect_error(do.call(convert_frame, args), class = "morvane_argument_error",
                 label = paste(deparse(args[-1]), collapse = ""))
  }
  expect_error(convert_frame(df, columns = c(Latitude = "nowhere", Longitude = "lon")),
               "no column 'nowhere'")
  expect_error(convert_frame(data.frame(lat = "50,8", lon = 4)), "column 'lat'")
})

test_that("column_names() is the core's table, every role with its names", {
  names <- column_names()
  expect_named(names, c("role", "label", "name", "language"))
  roles <- unique(names$role)
  expect_true(all(c("Latitude", "X", "IFBL", "verbatimCoordinates", "geodeticDatum") %in% roles))
  expect_true(all(names$language %in% c("en", "nl", "fr", "de", "dwc")))
  # Every name finds its role, as convert_frame() reads headers.
  for (i in seq_len(nrow(names))) {
    expect_identical(morvane:::.role_key(morvane:::.role_of(names$name[i])), names$role[i],
                     label = names$name[i])
  }
})
