# The core's tables of names (morvane_names_json): the input kinds, the
# datums, the properties, the methods and height kinds, read once when the
# package is loaded.  Every name the package shows comes from here.
.tables <- new.env(parent = emptyenv())

.onLoad <- function(libname, pkgname) {
  tables <- jsonlite::fromJSON(.names_json(), simplifyVector = TRUE)
  for (name in names(tables)) assign(name, tables[[name]], envir = .tables)
  invisible(NULL)
}

# The table `name` (a data frame).
.table <- function(name) get(name, envir = .tables)


morvane_tables <- function() {
  list(
    kinds = .table("kinds"),
    datums = .table("datums"),
    properties = .table("properties"),
    methods = .table("methods"),
    heightKinds = .table("heightKinds")
  )
}

morvane_version <- function() .version()

# 'a', 'b' or 'c'.
.choices <- function(keys) {
  keys <- sQuote(keys, FALSE)
  if (length(keys) == 1L) return(keys)
  paste(paste(keys[-length(keys)], collapse = ", "), "or", keys[length(keys)])
}

# Conditions of class morvane_argument_error (and error): arguments that
# make no sense, raised before any point is converted.
.argument_error <- function(message, call = sys.call(-1L)) {
  stop(structure(
    class = c("morvane_argument_error", "error", "condition"),
    list(message = message, call = call)
  ))
}
