test_that("a failure of the object is a morvane_failure with its kind, and changes nothing", {
  o <- zediz_ado()
  o$OrigType <- 6
  before <- lapply(c("X", "Y", "Latitude", "Error"), function(n) o[[n]])
  failure <- tryCatch(o$Conversion(), morvane_failure = function(f) f)
  expect_s3_class(failure, "morvane_failure")
  expect_identical(failure$kind, "IndexOutOfRange")
  expect_identical(lapply(c("X", "Y", "Latitude", "Error"), function(n) o[[n]]), before)
})

test_that("input problems are messages in Error, not failures", {
  o <- zediz_ado()
  o$DatumFrom <- "wgs84"
  o$DatumDest <- "bd72"
  o$OrigType <- "deg"
  o$Latitude <- NA
  o$Longitude <- 4
  expect_silent(o$Conversion())
  expect_true(nzchar(o$Error))
  o$Reset()
  expect_identical(o$Error, "")
})

test_that("puts are checked against the property's type", {
  o <- zediz_ado()
  bad <- list(
    list("LatDmsDeg", 40000), list("LatDmsDeg", 1.5), list("LatDmsSec", 1e39),
    list("Latitude", "50"), list("MGRS", 31), list("IFBL", NA_character_),
    list("Error", "x"), list("Nowhere", 1), list("OrigType", "lambert2008"),
    list("DatumFrom", "etrs89"), list("Latitude", c(1, 2)), list("X", TRUE)
  )
  for (b in bad) {
    expect_error(o[[b[[1]]]] <- b[[2]], class = "morvane_argument_error", label = b[[1]])
  }
  expect_error(o$DatumFrom, class = "morvane_argument_error")  # write-only
  o$IFBL <- " E4.25-21"
  expect_identical(o$IFBL, "E42521")
})

test_that("an object from IFBL agrees with convert()", {
  o <- zediz_ado()
  o$DatumDest <- "wgs84"
  o$OrigType <- "ifbl"
  o$IFBL <- "E4.25"
  o$Conversion()
  r <- convert("ifbl", "E4.25", datum_to = "wgs84")
  expect_identical(o$Latitude, r$Latitude)
  expect_identical(o$MGRS, r$MGRS)
})
