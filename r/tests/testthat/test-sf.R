test_that("as_sf() gives points with the EPSG code of the core's tables", {
  skip_if_not_installed("sf")
  r <- convert("deg", c(50.8, NA), c(4.35, 4.35), datum_from = "wgs84", datum_to = "bd72",
               method = "grid")
  cases <- list(
    list("degrees", NULL, 4313),
    list("degrees", "wgs84", 4326),
    list("degrees", "ed50", 4230),
    list("degrees", "ntf", 4275),
    list("degrees", "etrs89", 4258),
    list("lambert72", NULL, 31370),
    list("lambert2008", NULL, 3812)
  )
  for (case in cases) {
    s <- if (is.null(case[[2]])) as_sf(r, case[[1]]) else as_sf(r, case[[1]], datum = case[[2]])
    expect_identical(sf::st_crs(s)$epsg, as.integer(case[[3]]), label = case[[1]])
    # The point without a position is empty, not at the origin.
    expect_identical(as.vector(sf::st_is_empty(s)), c(FALSE, TRUE))
  }
  xy <- sf::st_coordinates(as_sf(r, "lambert72"))
  expect_identical(unname(xy[1, ]), c(r$X[1], r$Y[1]))
  expect_error(as_sf(convert("deg", 50, 4), "lambert2008"), class = "morvane_argument_error")
})

test_that("Lambert 72 from as_sf() agrees with PROJ within a few metres (the shift)", {
  skip_if_not_installed("sf")
  r <- convert("deg", 50.8, 4.35, datum_from = "wgs84", datum_to = "bd72")
  proj <- sf::sf_project("EPSG:4326", "EPSG:31370", cbind(4.35, 50.8))
  expect_lt(max(abs(proj - c(r$X, r$Y))), 5)
})
