test_that("the result's columns are the core's properties, in its table's order", {
  p <- morvane_tables()$properties
  r <- convert("deg", 50.8, 4.35)
  expect_named(r, c(p$name[p$output], "Failure"))
  today <- convert("lambert", 149186.41, 170810.74, method = "grid")
  expect_named(today, c(p$name[p$output], "Failure", p$name[p$extra]))
  expect_type(today$Route, "character")
  expect_type(r$LatDmsDeg, "integer")
})

test_that("every point is converted as it is converted alone", {
  lat <- c(50.8467, 49.6, 51.3, 50.1)
  lon <- c(4.3525, 5.9, 3.1, 4.7)
  together <- convert("deg", lat, lon, datum_to = "bd72", ifbl_precision = 4, threads = 2)
  for (i in seq_along(lat)) {
    alone <- convert("deg", lat[i], lon[i], datum_to = "bd72", ifbl_precision = 4)
    expect_identical(as.list(together[i, ]), as.list(alone))
  }
})

test_that("threads share the chunks of a call and give one call's columns", {
  # Several chunks of points, with messages of different texts scattered so
  # that each thread meets them in its own order, and Lambert 2008 routes.
  set.seed(3)
  n <- 70000
  lat <- runif(n, 49.5, 51.5)
  lon <- runif(n, 2.55, 6.4)
  bad <- sample(n, 300)
  lat[bad[1:100]] <- NA
  lat[bad[101:200]] <- 95
  lon[bad[201:300]] <- 200
  for (args in list(list(), list(method = "grid"))) {
    one <- do.call(convert, c(list("deg", lat, lon, datum_to = "bd72"), args))
    for (threads in c(2, 3, 0)) {
      many <- do.call(convert, c(list("deg", lat, lon, datum_to = "bd72", threads = threads), args))
      expect_identical(as.list(many), as.list(one))
    }
  }
  expect_identical(sort(unique(one$Error)), sort(unique(c("", one$Error[bad]))))
})

test_that("the batch call and the object give the same bits", {
  o <- zediz_ado()
  o$DatumFrom <- "wgs84"
  o$DatumDest <- "bd72"
  o$OrigType <- "deg"
  o$Latitude <- 50.8467
  o$Longitude <- 4.3525
  o$Conversion()
  r <- convert("deg", 50.8467, 4.3525, datum_from = "wgs84", datum_to = "bd72")
  for (name in c("X", "Y", "Northing", "Easting", "LatDmsSec", "MGRS", "IFBL", "Error")) {
    expect_identical(r[[name]], o[[name]], label = name)
  }
})

test_that("missing values are points that name no position, never an error for the call", {
  cases <- list(
    list("deg", c(50.8, NA), c(4.35, 4.35)),
    list("deg", c(50.8, NaN), 4.35),
    list("lambert", c(150000, NA), c(170000, 170000)),
    list("mgrs", c("31UES9512933823", NA)),
    list("ifbl", c("E425", NA)),
    list("dms", c(50L, NA), 48L, 1.9, 4L, 20L, 55.4),
    list("dms", 50L, c(48, NA), 1.9, 4L, 20L, 55.4),
    list("dms", 50L, 48L, c(1.9, NA), 4L, 20L, 55.4)
  )
  for (case in cases) {
    r <- do.call(convert, case)
    expect_equal(nrow(r), 2L)
    expect_identical(r$Error[1], "", label = paste(case[[1]], "first point"))
    expect_true(nzchar(r$Error[2]), label = paste(case[[1]], "missing point"))
  }
  # A whole column of NA (logical) is a column of missing values.
  expect_true(all(nzchar(convert("deg", NA, c(4, 5))$Error)))
})

test_that("arguments that make no sense are R errors before any work", {
  bad <- list(
    list("nowhere", 50, 4),
    list(0, 50, 4),
    list("deg", 50, 4, datum_from = "mars"),
    list("deg", 50, 4, datum_to = 9),
    list("deg", 50:52, 4:5),
    list("deg", 50),
    list("deg", "50", 4),
    list("deg", TRUE, 4),
    list("deg", factor(50), 4),
    list("deg", list(50), 4),
    list("mgrs", 31),
    list("dms", 50.5, 48, 1, 4, 20, 55),
    list("dms", 40000, 48, 1, 4, 20, 55),
    list("dms", 50, 48, 1e39, 4, 20, 55),
    list("deg", 50, 4, threads = -1),
    list("deg", 50, 4, threads = 1.5),
    list("deg", 50, 4, ifbl_precision = 1e6),
    list("deg", 50, 4, method = "magic"),
    list("deg", 50, 4, height = 100, height_kind = "none"),
    list("deg", 50, 4, height = "high"),
    list("deg", 50:51, 4:5, height = c(1, 2, 3)),
    list("deg", 50, 4, height = 1, today = FALSE),
    list("deg", 50, 4, today = NA)
  )
  for (args in bad) {
    expect_error(do.call(convert, args), class = "morvane_argument_error",
                 label = deparse(args))
  }
  expect_error(convert("nowhere", 50, 4), "unknown kind 'nowhere'")
  expect_error(convert("deg", 50:52, 4:5), "not of one length")
})

test_that("single values are recycled over the columns", {
  r <- convert("deg", c(50.5, 50.6, 50.7), 4.35, datum_to = "bd72")
  expect_identical(r$X, convert("deg", c(50.5, 50.6, 50.7), rep(4.35, 3), datum_to = "bd72")$X)
  expect_equal(nrow(convert("deg", numeric(0), numeric(0))), 0L)
})

test_that("kinds and datums by key, member name or number", {
  a <- convert("deg", 50.8, 4.35, datum_from = "wgs84", datum_to = "bd72")
  expect_identical(convert("mvDeg", 50.8, 4.35, datum_from = 3, datum_to = "mvBelgium1972"), a)
  expect_identical(convert(2, 50.8, 4.35, datum_from = " WGS84 ", datum_to = "2"), a)
})

test_that("the agency's check point: Lambert 72 to Lambert 2008 with the grid", {
  r <- convert("lambert", 149186.41, 170810.74, method = "grid")
  expect_lt(abs(r$X2008 - 649186.03701863), 1e-4)
  expect_lt(abs(r$Y2008 - 670811.16949360), 1e-4)
  back <- convert("lambert2008", r$X2008, r$Y2008, method = "grid")
  expect_lt(abs(back$X - 149186.41), 1e-3)
  expect_lt(abs(back$Y - 170810.74), 1e-3)
})

test_that("today's columns come only when they are used or asked for", {
  p <- morvane_tables()$properties
  extra <- p$name[p$extra]
  expect_false(any(extra %in% names(convert("deg", 50.8, 4.35, datum_to = "bd72"))))
  expect_true(all(extra %in% names(convert("deg", 50.8, 4.35, today = TRUE))))
  expect_true(all(extra %in% names(convert("deg", 50.8, 4.35, datum_to = "etrs89"))))
  h <- convert("deg", 50.22054332, 4.663484651, datum_from = "etrs89", datum_to = "etrs89",
               height = 354.6988105)
  expect_lt(abs(h$OstendHeight - 310.925), 1e-3)
  missing <- convert("deg", 50.2, 4.6, datum_from = "etrs89", height = NA)
  expect_true(nzchar(missing$Error))
  expect_true(is.nan(missing$X2008))
  expect_identical(missing$Route, "")
})

test_that("convert_cols() adds columns to a data frame", {
  sites <- data.frame(lat = c(50.8, 51.0), lon = c(4.35, 3.7))
  out <- cbind(sites, convert_cols("deg", sites$lat, sites$lon, datum_to = "bd72"))
  expect_named(out, c("lat", "lon", "IFBL", "MGRS", "X", "Y", "Error"))
  expect_error(convert_cols("deg", 50, 4, columns = "Nowhere"), class = "morvane_argument_error")
  skip_if_not_installed("dplyr")
  piped <- dplyr::mutate(sites, convert_cols("deg", lat, lon, datum_to = "bd72"))
  expect_identical(piped$X, out$X)
  expect_identical(piped$IFBL, out$IFBL)
})

test_that("the text columns (kept as blocks or as codes) are ordinary character vectors to R", {
  lat <- c(50.8, 51.0, NA, 49.9)
  r <- convert("deg", lat, 4.35, datum_to = "bd72")
  for (name in c("MGRS", "IFBL", "Error", "Failure")) {
    column <- r[[name]]
    plain <- vapply(seq_along(lat), function(i) column[[i]], "")
    expect_type(column, "character")
    expect_identical(length(column), length(lat))
    expect_identical(column[c(4, 1)], plain[c(4, 1)])
    expect_identical(unserialize(serialize(column, NULL)), plain)
    expect_identical(paste(column), plain)
    expect_identical(sort(column), sort(plain))
    changed <- column
    changed[2] <- "changed"
    expect_identical(changed, replace(plain, 2, "changed"))
    expect_identical(column, plain)  # the result is not changed with it
  }
  expect_identical(r$MGRS[3], "")
  expect_identical(r$IFBL[3], "")
})

test_that("Route keeps one text per route and none for a point without a position", {
  r <- convert("lambert", c(149186.41, NA, 150000), 170810.74, method = "grid")
  expect_identical(r$Route[2], "")
  expect_identical(r$Route[1], r$Route[3])
  expect_true(nzchar(r$Route[1]))
  expect_identical(unserialize(serialize(r$Route, NULL)), c(r$Route[1], "", r$Route[3]))
})
