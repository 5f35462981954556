# zediz_ado(): the object, for scripts that convert a point at a time.
#
# An environment holding a handle of the C interface (morvane_new), with
# the object's properties read and written through o$Name and o$Name <- v
# and its methods o$Conversion() and o$Reset().  The properties, their
# types and whether they are read or written come from the core's table;
# the kinds and datums are the object's (those the table marks `object`).

zediz_ado <- function() {
  o <- new.env(parent = emptyenv())
  assign(".handle", .object_new(), envir = o)
  class(o) <- "morvane_zediz_ado"
  o
}

.handle_of <- function(o) get(".handle", envir = o, inherits = FALSE)

.property <- function(name, access) {
  p <- .table("properties")
  row <- p[p$name == name & p[[access]] & !p$extra & !p$input, , drop = FALSE]
  if (nrow(row) != 1L) {
    names <- p$name[p[[access]] & !p$extra & !p$input]
    .argument_error(sprintf("the object has no %s property %s: %s", if (access == "get")
      "readable" else "writable", sQuote(name, FALSE), paste(names, collapse = ", ")),
      call = NULL)
  }
  row
}

.failure <- function(code, call = NULL) {
  kind <- .failure_name(code)
  structure(
    class = c("morvane_failure", "error", "condition"),
    list(message = sprintf("the conversion failed (%s); the object is as it was before it", kind),
         kind = kind, code = code, call = call)
  )
}

.conversion <- function(o) {
  code <- .object_conversion(.handle_of(o))
  if (code != 0L) stop(.failure(code, call = sys.call(-1L)))
  invisible(o)
}

.reset <- function(o) {
  .object_reset(.handle_of(o))
  invisible(o)
}

`$.morvane_zediz_ado` <- function(x, name) {
  if (name == "Conversion") return(function() .conversion(x))
  if (name == "Reset") return(function() .reset(x))
  .property(name, "get")
  .object_get(.handle_of(x), name)
}

`[[.morvane_zediz_ado` <- function(x, i, ...) `$.morvane_zediz_ado`(x, i)

# The object's kinds and datums by name (or number), for OrigType,
# DatumFrom and DatumDest; numbers outside the tables are stored, and the
# object answers them as it does (a message, or a failure at Conversion()).
.object_number <- function(value, name) {
  if (is.character(value) && length(value) == 1L && !is.na(value)) {
    if (name == "OrigType") return(.resolve(value, name, "kinds", .kind_by_name, TRUE))
    return(.resolve(value, name, "datums", .datum_by_name, TRUE))
  }
  value
}

`$<-.morvane_zediz_ado` <- function(x, name, value) {
  row <- .property(name, "put")
  if (name %in% c("OrigType", "DatumFrom", "DatumDest")) value <- .object_number(value, name)
  type <- row$type
  if (type == "text") {
    if (!is.character(value) || length(value) != 1L || is.na(value)) {
      .argument_error(sprintf("%s takes one text, not %s", name, .describe(value)), call = NULL)
    }
    .object_set(.handle_of(x), name, enc2utf8(value))
    return(x)
  }
  # NA alone is a missing number: a NaN for the floating-point properties.
  if (type %in% c("double", "float") && identical(value, NA)) value <- NA_real_
  if (!is.numeric(value) || length(value) != 1L || is.logical(value)) {
    .argument_error(sprintf("%s takes one number, not %s", name, .describe(value)), call = NULL)
  }
  value <- as.double(value)
  if (type == "float" && is.finite(value) && abs(value) >= .float32_limit) {
    .argument_error(sprintf("%s = %s does not fit a 32-bit float", name, format(value)),
                    call = NULL)
  }
  if (type %in% c("int16", "int32")) {
    .whole(value, name, if (type == "int16") .int16_limit else .int32_limit)
  }
  .object_set(.handle_of(x), name, value)
  x
}

`[[<-.morvane_zediz_ado` <- function(x, i, value) `$<-.morvane_zediz_ado`(x, i, value)

print.morvane_zediz_ado <- function(x, ...) {
  p <- .table("properties")
  readable <- p$name[p$get & !p$extra & !p$input]
  values <- vapply(readable, function(name) {
    v <- .object_get(.handle_of(x), name)
    if (is.character(v)) encodeString(v, quote = "\"") else format(v, digits = 15)
  }, "")
  cat("<morvane object>\n")
  cat(paste0("  ", format(readable), " ", values), sep = "\n")
  invisible(x)
}
