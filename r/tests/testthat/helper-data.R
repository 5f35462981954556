# The repository's shared test data (tests/data): MORVANE_DATA names its
# folder (scripts/test-r sets it); from a checkout the folder is found
# beside the package.  Tests that need it are skipped without it.
data_file <- function(name) {
  # Another pair of request and answer files (the identity test across
  # front ends runs a larger set through here).
  variable <- c(requests.jsonl = "MORVANE_REQUESTS", answers.jsonl = "MORVANE_ANSWERS")[name]
  if (!is.na(variable) && nzchar(Sys.getenv(variable))) return(Sys.getenv(variable))
  folders <- c(Sys.getenv("MORVANE_DATA"), file.path("..", "..", "..", "tests", "data"))
  for (folder in folders[nzchar(folders)]) {
    path <- file.path(folder, name)
    if (file.exists(path)) return(normalizePath(path))
  }
  skip(paste("the repository's test data", name, "is not there (set MORVANE_DATA)"))
}

json_lines <- function(name) {
  lines <- readLines(data_file(name), encoding = "UTF-8")
  lapply(lines, jsonlite::fromJSON, simplifyVector = FALSE)
}

# The bits of numbers as their properties hold them: 8 bytes of a double,
# 4 of a 32-bit float, the value of a 16-bit integer.
bits <- function(value, type) {
  value <- as.double(value)
  if (type == "float") return(writeBin(value, raw(), size = 4L))
  if (type == "int16") return(as.integer(value))
  writeBin(value, raw(), size = 8L)
}
