# convert_frame() and the command-line tool's CSV mode on the same files:
# the tool finds the columns and converts the rows through the same core
# calls, and must give the same numbers to the bit.  The tool is found
# through MORVANE_TOOL (scripts/test-r sets it) or in the checkout's
# build/; the test is skipped without it.

tool_path <- function() {
  candidates <- c(Sys.getenv("MORVANE_TOOL"),
                  file.path("..", "..", "..", "build", "tools", "morvane"))
  for (path in candidates[nzchar(candidates)]) {
    if (file.exists(path) && file.size(path) > 0 && file.access(path, 1L) == 0L) {
      return(normalizePath(path))
    }
  }
  skip("the morvane tool is not there (set MORVANE_TOOL)")
}

# The tool's CSV output of `file`, every field as text.
tool_table <- function(file, args, sep) {
  out <- tempfile(fileext = ".csv")
  on.exit(unlink(out))
  status <- system2(tool_path(), c("batch", "-q", args, shQuote(file)), stdout = out,
                    stderr = FALSE)
  expect_true(status %in% c(0L, 1L), label = "the tool's exit status")  # 1: some rows failed
  utils::read.table(out, header = TRUE, sep = sep, quote = "\"", colClasses = "character",
                    na.strings = character(), check.names = FALSE, comment.char = "",
                    encoding = "UTF-8")
}

# The tool's numbers as doubles, read by a correctly rounded parser (the
# tool writes the shortest text that reads back to the same bits); an
# empty field is NaN, as the core leaves a row it does not convert.
tool_numbers <- function(texts) {
  texts[!nzchar(texts)] <- "null"
  values <- jsonlite::fromJSON(paste0("[", paste(texts, collapse = ","), "]"))
  values[is.na(values)] <- NaN
  as.double(values)
}

test_that("convert_frame() gives the tool's CSV numbers to the bit, on the same files", {
  numbers <- c(Latitude = "double", Longitude = "double", LatDmsDeg = "int16",
               LatDmsMin = "int16", LatDmsSec = "float", LonDmsDeg = "int16",
               LonDmsMin = "int16", LonDmsSec = "float", X = "double", Y = "double",
               Easting = "double", Northing = "double")
  files <- list(
    list("gbif-occurrence.txt", "\t", function(f) read.delim(f, quote = "",
                                                              stringsAsFactors = FALSE)),
    list("dwc-verbatim.csv", ",", function(f) read.csv(f, fileEncoding = "UTF-8",
                                                        stringsAsFactors = FALSE))
  )
  for (file in files) {
    path <- system.file("extdata", file[[1]], package = "morvane")
    df <- file[[3]](path)
    for (datum_to in c("wgs84", "bd72")) {
      label <- paste(file[[1]], "to", datum_to)
      tool <- tool_table(path, c("--to", datum_to), file[[2]])
      ours <- convert_frame(df, datum_to = datum_to)
      expect_identical(nrow(tool), nrow(ours), label = label)
      converted <- ours$Error == ""
      expect_identical(converted, tool$Error == "", label = label)
      expect_gt(sum(converted), 3)
      for (name in names(numbers)) {
        theirs <- tool_numbers(tool[[name]])
        mine <- ours[[name]]
        # The tool leaves the fields of a row it does not convert empty.
        expect_identical(bits(mine[converted], numbers[[name]]),
                         bits(theirs[converted], numbers[[name]]),
                         label = paste(label, name))
      }
      for (name in c("MGRS", "IFBL")) {
        expect_identical(ours[[name]], tool[[name]], label = paste(label, name))
      }
      # The core's messages; the tool words a field it cannot read itself.
      own <- startsWith(tool$Error, "cannot read")
      expect_identical(ours$Error[!own], tool$Error[!own], label = label)
    }
  }
})
