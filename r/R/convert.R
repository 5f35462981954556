# convert(): whole columns of points through the core's batch call.
#
# The arguments are checked and resolved here, before any point is
# converted: kinds, datums, methods and height kinds by the core's own name
# lookups, the columns by the types of the core's property table.  The
# points are then converted by .convert() (src/convert.cpp).

# The largest double that rounds to a finite 32-bit float.
.float32_limit <- (2 - 2^-24) * 2^127
.int16_limit <- c(-32768, 32767)
.int32_limit <- c(-2147483648, 2147483647)

# A kind or datum: a name the core knows (key, member name, or for a datum
# its number as text) or a number of its table.  `table` is "kinds" or
# "datums", `object_only` keeps the object's entries.
.resolve <- function(value, what, table, by_name, object_only = FALSE) {
  rows <- .table(table)
  if (object_only) rows <- rows[rows$object, , drop = FALSE]
  choices <- if (table == "kinds") "kinds" else "datums"
  if (is.factor(value)) value <- as.character(value)
  if (length(value) != 1L || is.na(value)) {
    .argument_error(sprintf("%s must be one name or number, not %s", what,
                            .describe(value)), call = NULL)
  }
  if (is.character(value)) {
    number <- by_name(enc2utf8(value))
    if (number == 0L || !(number %in% rows$number)) {
      .argument_error(sprintf("unknown %s %s: use %s", what, sQuote(value, FALSE),
                              .choices(rows$key)), call = NULL)
    }
    return(as.integer(number))
  }
  if (is.numeric(value) && !is.logical(value) && value %in% rows$number) return(as.integer(value))
  if (is.numeric(value)) {
    .argument_error(sprintf("unknown %s %s: the %s are %s", what, format(value), choices,
                            paste(range(rows$number), collapse = " to ")), call = NULL)
  }
  .argument_error(sprintf("%s must be a name or a number, not %s", what, .describe(value)),
                  call = NULL)
}

# A method or height kind: its key (found by the core) or its number.
.setting <- function(value, what, table, by_name) {
  rows <- .table(table)
  if (length(value) != 1L || is.na(value)) {
    .argument_error(sprintf("%s must be one name or number, not %s", what, .describe(value)),
                    call = NULL)
  }
  number <- if (is.character(value)) by_name(enc2utf8(value))
            else if (is.numeric(value) && value %in% rows$number) as.integer(value)
            else -1L
  if (number < 0L || !(number %in% rows$number)) {
    .argument_error(sprintf("unknown %s %s: use %s", what, format(value),
                            .choices(rows$key)), call = NULL)
  }
  as.integer(number)
}

.describe <- function(value) {
  if (is.null(value)) return("NULL")
  sprintf("%s of length %d", class(value)[1L], length(value))
}

# A whole number that fits `limits`.
.whole <- function(value, what, limits) {
  if (!is.numeric(value) || length(value) != 1L || is.na(value) ||
      value != trunc(value) || is.logical(value)) {
    .argument_error(sprintf("%s must be one whole number, not %s", what,
                            if (is.numeric(value) && length(value) == 1L) format(value)
                            else .describe(value)), call = NULL)
  }
  if (value < limits[1] || value > limits[2]) {
    .argument_error(sprintf("%s must be within %s to %s, not %s", what, format(limits[1]),
                            format(limits[2]), format(value)), call = NULL)
  }
  as.integer(value)
}

# Whether a vector holds only missing values of no particular type (NA).
.all_na <- function(value) is.logical(value) && all(is.na(value))

# A column as the C++ side reads it: double for "double" and "float",
# integer for "int16" (NA for a missing value), character for "text".
.column <- function(value, name, type) {
  if (is.data.frame(value) || is.list(value) || !is.null(dim(value)) && length(dim(value)) > 1L) {
    .argument_error(sprintf("%s must be a vector, not %s", name, .describe(value)), call = NULL)
  }
  if (type == "text") {
    if (is.factor(value)) value <- as.character(value)
    if (.all_na(value)) return(rep(NA_character_, length(value)))
    if (!is.character(value)) {
      .argument_error(sprintf("%s takes texts (a character vector), not %s", name,
                              .describe(value)), call = NULL)
    }
    return(as.vector(value))
  }
  if (.all_na(value)) return(rep(if (type == "int16") NA_integer_ else NA_real_, length(value)))
  if (!is.numeric(value) || is.factor(value)) {
    .argument_error(sprintf("%s takes numbers, not %s", name, .describe(value)), call = NULL)
  }
  value <- as.vector(value)
  if (type == "double") return(as.double(value))
  if (type == "float") {
    value <- as.double(value)
    big <- which(is.finite(value) & abs(value) >= .float32_limit)
    if (length(big)) {
      .argument_error(sprintf("%s[%d] = %s does not fit a 32-bit float", name, big[1],
                              format(value[big[1]])), call = NULL)
    }
    return(value)
  }
  # int16: whole numbers in range; NA (and NaN) are missing values.
  if (is.integer(value)) {
    bad <- which(!is.na(value) & (value < .int16_limit[1] | value > .int16_limit[2]))
  } else {
    given <- !is.na(value)
    bad <- which(given & (!is.finite(value) | value != trunc(value)))
    if (length(bad)) {
      .argument_error(sprintf("%s[%d] = %s is not a whole number", name, bad[1],
                              format(value[bad[1]])), call = NULL)
    }
    bad <- which(given & (value < .int16_limit[1] | value > .int16_limit[2]))
  }
  if (length(bad)) {
    .argument_error(sprintf("%s[%d] = %s does not fit a 16-bit integer (-32768 to 32767)",
                            name, bad[1], format(value[bad[1]])), call = NULL)
  }
  as.integer(value)
}

# The length of a call: every column of that length or of length 1.
.length <- function(columns) {
  lengths <- vapply(columns, length, 0)
  n <- if (length(lengths)) max(lengths) else 0
  if (any(lengths == 0)) n <- 0
  odd <- lengths != n & lengths != 1
  if (any(odd) || (n == 0 && any(lengths != 0))) {
    .argument_error(paste0("the columns are not of one length: ",
                           paste(sprintf("%s has %d", names(columns), lengths), collapse = ", ")),
                    call = NULL)
  }
  n
}

# Whether the call uses Belgium's systems of today.
.uses_today <- function(kind, from, to, method, heights) {
  kinds <- .table("kinds")
  datums <- .table("datums")
  !(kind %in% kinds$number[kinds$object]) ||
    !(from %in% datums$number[datums$object]) || !(to %in% datums$number[datums$object]) ||
    method != .method_by_name("shift") || heights
}

# The output columns in the order of the core's property table.
.output_names <- function(today) {
  p <- .table("properties")
  c(p$name[p$output], "Failure", if (today) p$name[p$extra])
}

# The result as a tibble when tibble is installed, else a data frame.
.frame <- function(columns) {
  if (requireNamespace("tibble", quietly = TRUE)) {
    tibble::as_tibble(columns)
  } else {
    as.data.frame(columns, stringsAsFactors = FALSE, optional = TRUE)
  }
}

convert <- function(kind, ..., datum_from = "wgs84", datum_to = "wgs84", mgrs_precision = 0,
                    ifbl_precision = 0, threads = 1, method = "shift", height = NULL,
                    height_kind = "ellipsoidal", today = NULL) {
  columns <- list(...)
  kind <- .resolve(kind, "kind", "kinds", .kind_by_name)
  from <- .resolve(datum_from, "datum_from", "datums", .datum_by_name)
  to <- .resolve(datum_to, "datum_to", "datums", .datum_by_name)
  mgrs <- .whole(mgrs_precision, "mgrs_precision", .int32_limit)
  ifbl <- .whole(ifbl_precision, "ifbl_precision", .int16_limit)
  threads <- .whole(threads, "threads", c(0, 1024))
  method <- .setting(method, "method", "methods", .method_by_name)
  heights <- .setting(height_kind, "height_kind", "heightKinds", .height_kind_by_name)
  none <- .height_kind_by_name("none")
  if (is.null(height)) {
    heights <- none
  } else if (heights == none) {
    kinds <- .table("heightKinds")
    .argument_error(sprintf("a height column needs what it holds: height_kind = %s",
                            .choices(kinds$key[kinds$number != none])), call = NULL)
  }
  if (!is.null(today) && !(is.logical(today) && length(today) == 1L && !is.na(today))) {
    .argument_error(sprintf("today must be TRUE, FALSE or NULL, not %s", .describe(today)),
                    call = NULL)
  }
  if (is.null(today)) today <- .uses_today(kind, from, to, method, !is.null(height))
  if (!today && !is.null(height)) {
    .argument_error("heights come out in the columns of today's systems: not with today = FALSE",
                    call = NULL)
  }

  row <- .table("kinds")[.table("kinds")$number == kind, ]
  inputs <- row$inputs[[1]]
  key <- row$key
  if (length(columns) != length(inputs)) {
    .argument_error(sprintf("convert(%s, ...) takes %d column%s (%s), not %d",
                            sQuote(key, FALSE), length(inputs),
                            if (length(inputs) > 1L) "s" else "",
                            paste(inputs, collapse = ", "), length(columns)), call = NULL)
  }
  properties <- .table("properties")
  types <- properties$type[match(inputs, properties$name)]
  columns <- Map(.column, columns, inputs, types)
  names(columns) <- inputs
  all <- columns
  if (!is.null(height)) {
    all$Height <- .column(height, "height", "double")
    height <- all$Height
  }
  n <- .length(all)

  result <- .convert(kind, from, to, mgrs, ifbl, unname(columns), n, threads, method, heights,
                     height, today)
  out <- .frame(result[.output_names(today)])
  attr(out, "morvane") <- list(kind = key, datum_to = .table("datums")$key[
    .table("datums")$number == to])
  out
}

# The columns as convert_frame() picks its outputs (R/frame.R).
convert_cols <- function(kind, ..., columns = c("IFBL", "MGRS", "X", "Y", "Error")) {
  .pick_outputs(convert(kind, ...), columns, "convert_cols()")
}
