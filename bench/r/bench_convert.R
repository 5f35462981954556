# Speed of the R package: one million random points in Belgium (latitude
# 49.5-51.5, longitude 2.55-6.4), WGS 84 degrees to the Belgian datum 1972,
# in one run:
#   - convert("deg", lat, lon, datum_from = "wgs84", datum_to = "bd72"),
#     every output (Lambert 72, UTM, MGRS, IFBL, DMS, degrees, Error,
#     Failure), on one thread and on two;
#   - sf::sf_project("EPSG:4326", "EPSG:31370", cbind(lon, lat)), PROJ's
#     Lambert 72 alone, for comparison.
# Each is timed `rounds` times (elapsed seconds) and the median is shown.
# The MGRS and IFBL columns make their R strings when they are read: the
# last line also times a call followed by reading every one of them.
#
#   Rscript bench/r/bench_convert.R [--points N] [--rounds N]
args <- commandArgs(trailingOnly = TRUE)
option <- function(name, default) {
  at <- match(paste0("--", name), args)
  if (is.na(at)) default else as.numeric(args[at + 1L])
}
points <- option("points", 1e6)
rounds <- option("rounds", 3)

suppressPackageStartupMessages(library(morvane))
set.seed(72)
lat <- runif(points, 49.5, 51.5)
lon <- runif(points, 2.55, 6.4)

time <- function(f) {
  seconds <- vapply(seq_len(rounds), function(i) {
    gc(FALSE)
    system.time(f())[["elapsed"]]
  }, 0)
  median(seconds)
}

# A first small call loads what the calls use (tibble, the tables).
invisible(convert("deg", lat[1:10], lon[1:10], datum_from = "wgs84", datum_to = "bd72"))
one <- time(function() convert("deg", lat, lon, datum_from = "wgs84", datum_to = "bd72"))
two <- time(function() convert("deg", lat, lon, datum_from = "wgs84", datum_to = "bd72",
                               threads = 2))
read <- time(function() {
  r <- convert("deg", lat, lon, datum_from = "wgs84", datum_to = "bd72")
  nchar(r$MGRS)
  nchar(r$IFBL)
})
has_sf <- requireNamespace("sf", quietly = TRUE)
proj <- if (has_sf) {
  xy <- cbind(lon, lat)
  time(function() sf::sf_project("EPSG:4326", "EPSG:31370", xy))
} else NA_real_

cat(sprintf("points: %d, rounds: %d (median seconds), batch path: %s\n", as.integer(points),
            as.integer(rounds), morvane:::.batch_path()))
cat(sprintf("convert, 1 thread:   %7.3f s  %6.2f M points/s\n", one, points / one / 1e6))
cat(sprintf("convert, 2 threads:  %7.3f s  %6.2f M points/s  (%.2f times 1 thread)\n", two,
            points / two / 1e6, one / two))
cat(sprintf("convert, 1 thread, then every MGRS and IFBL string read: %7.3f s\n", read))
if (has_sf) {
  cat(sprintf("sf_project (Lambert 72 only): %7.3f s  (convert 1 thread is %.2f times faster)\n",
              proj, proj / one))
} else {
  cat("sf is not installed: no comparison with sf_project\n")
}
