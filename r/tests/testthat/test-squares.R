test_that("squares() gives the core's uncertainty and Darwin Core terms", {
  cases <- list(
    list("E42544", 708, 1000),
    list("E4.25", 2829, 4000),
    list("e4.25.44", 708, 1000)
  )
  r <- squares(vapply(cases, `[[`, "", 1))
  expect_identical(names(r)[1:11], c(
    "decimalLatitude", "decimalLongitude", "geodeticDatum", "coordinateUncertaintyInMeters",
    "footprintWKT", "footprintSRS", "verbatimCoordinates", "verbatimCoordinateSystem",
    "verbatimSRS", "georeferenceProtocol", "Error"))
  for (k in seq_along(cases)) {
    expect_identical(r$coordinateUncertaintyInMeters[k], cases[[k]][[2]], label = cases[[k]][[1]])
    expect_identical(r$width[k], cases[[k]][[3]], label = cases[[k]][[1]])
  }
  expect_identical(r$Error, rep("", 3))
  expect_identical(r$geodeticDatum, rep("EPSG:4326", 3))
  expect_true(all(startsWith(r$footprintWKT, "POLYGON ((")))
  expect_identical(r$verbatimCoordinates, vapply(cases, `[[`, "", 1))
  # The centre is the point convert() gives for the same code, to the
  # seven decimals the Darwin Core text keeps.
  p <- convert("ifbl", "E4.25", datum_to = "wgs84")
  expect_equal(r$decimalLatitude[2], p$Latitude, tolerance = 1e-6)
  expect_equal(r$decimalLongitude[2], p$Longitude, tolerance = 1e-6)
})

test_that("an unknown datum widens the uncertainty; the datum names the CRS", {
  known <- squares("31UGR19", "mgrs")
  unknown <- squares("31UGR19", "mgrs", datum_known = FALSE)
  expect_gt(unknown$uncertainty, known$uncertainty)
  expect_identical(known$radius, unknown$radius)
  expect_identical(squares("E4.25", datum = "bd72")$geodeticDatum, "EPSG:4313")
  expect_identical(attr(squares("E4.25", datum = "bd72"), "morvane")$datum_to, "bd72")
})

test_that("codes that name no square keep their row with the core's message", {
  codes <- c("E4.25", NA, "zz", "", "E4.2")
  r <- squares(codes)
  expect_identical(nrow(r), length(codes))
  expect_identical(r$Error, convert("ifbl", codes)$Error)
  lost <- r$Error != ""
  expect_identical(lost, c(FALSE, TRUE, TRUE, TRUE, TRUE))
  expect_true(all(is.na(r$decimalLatitude[lost])))
  expect_true(all(is.na(r$coordinateUncertaintyInMeters[lost])))
  expect_true(all(is.na(r$width[lost])))
  m <- squares(c("31UGR19", "31UFS"), "mgrs")
  expect_identical(m$Error[1], "")
  expect_match(m$Error[2], "31UFS", fixed = TRUE)
  expect_identical(m$verbatimCoordinates, c("31UGR19", "31UFS"))
})

test_that("arguments that make no sense are errors before any square", {
  bad <- list(
    list(codes = 42),
    list(codes = list("E4.25")),
    list(codes = "E4.25", kind = "lambert"),
    list(codes = "E4.25", kind = c("ifbl", "mgrs")),
    list(codes = "E4.25", datum = "nowhere"),
    list(codes = "E4.25", datum = 99),
    list(codes = "E4.25", code_datum = c("wgs84", "bd72")),
    list(codes = "E4.25", datum_known = NA),
    list(codes = "E4.25", datum_known = "yes"),
    list(codes = "E4.25", method = "magic"),
    list(codes = "E4.25", densify = -1),
    list(codes = "E4.25", densify = 1001),
    list(codes = "E4.25", densify = 2.5)
  )
  for (args in bad) {
    expect_error(do.call(squares, args), class = "morvane_argument_error",
                 label = deparse(args))
  }
  expect_error(ifbl_squares("E4.25", densify = -1), class = "morvane_argument_error")
  expect_error(mgrs_squares("31UGR19", datum = "nowhere"), class = "morvane_argument_error")
})

test_that("ifbl_squares() and mgrs_squares() give valid polygons around the centre", {
  skip_if_not_installed("sf")
  cases <- list(
    list(ifbl_squares, c("E42544", "E4.25", "K5"), "wgs84", 4326),
    list(ifbl_squares, c("E4.25", "D5.46"), "bd72", 4313),
    list(mgrs_squares, c("31UGR19", "31UES1234567890"), "wgs84", 4326),
    list(mgrs_squares, c("31UGR19"), "etrs89", 4258)
  )
  for (case in cases) {
    s <- case[[1]](case[[2]], datum = case[[3]])
    expect_identical(sf::st_crs(s)$epsg, as.integer(case[[4]]), label = case[[3]])
    expect_true(all(sf::st_is_valid(s)), label = paste(case[[2]], collapse = " "))
    centroid <- sf::st_coordinates(suppressWarnings(sf::st_centroid(sf::st_geometry(s))))
    expect_lt(max(abs(centroid[, "X"] - s$decimalLongitude)), 1e-3)
    expect_lt(max(abs(centroid[, "Y"] - s$decimalLatitude)), 1e-3)
  }
})

test_that("an MGRS square cut by its zone's edge has corners on 6 E", {
  skip_if_not_installed("sf")
  s <- mgrs_squares("31UGR19")
  expect_true(s$cut)
  xy <- sf::st_coordinates(s)
  east <- xy[, "X"] > 5.99
  expect_gte(sum(east), 2)
  expect_equal(unname(xy[east, "X"]), rep(6, sum(east)), tolerance = 1e-9)
})

test_that("densify adds the points along each edge; a lost row is an empty polygon", {
  skip_if_not_installed("sf")
  for (densify in c(0, 1, 10)) {
    s <- ifbl_squares("E4.25", densify = densify)
    expect_identical(nrow(sf::st_coordinates(s)), as.integer(4 * (densify + 1) + 1))
  }
  s <- ifbl_squares(c("E4.25", NA, "zz"))
  expect_identical(as.vector(sf::st_is_empty(s)), c(FALSE, TRUE, TRUE))
  expect_identical(s$Error[2:3], convert("ifbl", c(NA, "zz"))$Error)
})
