# convert_frame() and column_names(): tables as people and standards write
# them.  The columns to read are chosen by the core from its one table of
# names (morvane_find_columns, src/columns.cpp), and every row goes through
# the core's rows call (morvane_convert_rows, through .convert()), so that
# a row that names its own kind (verbatimCoordinates with
# verbatimCoordinateSystem) or datum (verbatimSRS, geodeticDatum) is
# converted exactly as convert() converts it with that kind and datum.
# No name of a column is written here: the roles, their keys and names
# come from the core.

# The settings convert_frame() takes in `...`, as convert() takes them.
.frame_settings <- c("method", "height_kind", "today")

# The role of a name (a role key or any name of the core's table), 0 for none.
.role_of <- function(name) .column_role_of(enc2utf8(name))

.role_key <- function(role) {
  roles <- .table("columns")
  roles$key[match(role, roles$role)]
}

column_names <- function() {
  roles <- .table("columns")
  parts <- lapply(seq_len(nrow(roles)), function(i) {
    names <- roles$names[[i]]
    n <- NROW(names)
    list(role = rep(roles$key[i], n), label = rep(roles$label[i], n),
         name = as.character(names$name), language = as.character(names$language))
  })
  columns <- lapply(c(role = "role", label = "label", name = "name", language = "language"),
                    function(field) unlist(lapply(parts, `[[`, field), use.names = FALSE))
  .frame(columns)
}

# Conditions of class morvane_columns_error (a morvane_argument_error): a
# header whose columns the core cannot choose, with its reason.
.columns_error <- function(reason, problem) {
  stop(structure(
    class = c("morvane_columns_error", "morvane_argument_error", "error", "condition"),
    list(message = paste0(reason, "; give them with columns ="), call = NULL,
         problem = problem)
  ))
}

# The header as the core sees it when some columns are given by hand: a
# given column bears its role's key, and the other columns that could be
# an input of a kind (or hold a given role) bear no name, so that the
# core's choice is the one given.  The columns of the height and of the
# rows' systems and datums are still found by their names.
.given_header <- function(header, columns) {
  if (!is.character(columns) || is.null(names(columns)) || anyNA(columns) ||
      any(!nzchar(names(columns)))) {
    .argument_error(sprintf(paste("columns must be a named character vector, role = column,",
                                  "as c(Latitude = \"lat\", Longitude = \"lon\"); not %s"),
                            .describe(columns)), call = NULL)
  }
  roles <- vapply(names(columns), .role_of, 0L, USE.NAMES = FALSE)
  if (any(roles == 0L)) {
    .argument_error(sprintf("columns names no role %s: the roles are %s (see column_names())",
                            sQuote(names(columns)[roles == 0L][1], FALSE),
                            paste(.table("columns")$key, collapse = ", ")), call = NULL)
  }
  if (anyDuplicated(roles)) {
    .argument_error(sprintf("columns gives the %s twice", .table("columns")$label[
      roles[anyDuplicated(roles)]]), call = NULL)
  }
  where <- match(columns, header)
  if (anyNA(where)) {
    .argument_error(sprintf("the data frame has no column %s: its columns are %s",
                            sQuote(columns[is.na(where)][1], FALSE),
                            paste(sQuote(header, FALSE), collapse = ", ")), call = NULL)
  }
  if (anyDuplicated(where)) {
    .argument_error(sprintf("columns gives the column %s for two roles",
                            sQuote(columns[anyDuplicated(where)], FALSE)), call = NULL)
  }
  # The roles found by name beside the kinds' inputs: the height and the
  # rows' system and datums.
  beside <- vapply(c("Height", "verbatimCoordinateSystem", "verbatimSRS", "geodeticDatum"),
                   .role_of, 0L)
  header_roles <- vapply(header, .role_of, 0L, USE.NAMES = FALSE)
  header[header_roles != 0L & (!(header_roles %in% beside) | header_roles %in% roles)] <- ""
  header[where] <- .role_key(roles)
  list(header = header, roles = roles, where = where)
}

# The settings of `...`: the method, the height kind (none unless given)
# and today (NULL: decided by the rows).
.frame_extra <- function(extra) {
  named <- names(extra)
  if (length(extra) && (is.null(named) || any(!nzchar(named)) ||
                        any(!(named %in% .frame_settings)))) {
    bad <- if (is.null(named)) "" else named[!nzchar(named) | !(named %in% .frame_settings)][1]
    .argument_error(sprintf("convert_frame() takes %s in ...: not %s",
                            paste(.frame_settings, collapse = ", "),
                            if (nzchar(bad)) sQuote(bad, FALSE) else "an unnamed argument"),
                    call = NULL)
  }
  method <- .setting(if (is.null(extra$method)) "shift" else extra$method, "method", "methods",
                     .method_by_name)
  none <- .height_kind_by_name("none")
  heights <- if (is.null(extra$height_kind)) none
             else .setting(extra$height_kind, "height_kind", "heightKinds", .height_kind_by_name)
  today <- extra$today
  if (!is.null(today) && !(is.logical(today) && length(today) == 1L && !is.na(today))) {
    .argument_error(sprintf("today must be TRUE, FALSE or NULL, not %s", .describe(today)),
                    call = NULL)
  }
  if (isFALSE(today) && heights != none) {
    .argument_error("heights come out in the columns of today's systems: not with today = FALSE",
                    call = NULL)
  }
  list(method = method, heights = heights, height = heights != none, today = today)
}

# The output columns a call may add, by their names.
.property_outputs <- function() {
  p <- .table("properties")
  c(p$name[p$output], "Failure", p$name[p$extra])
}
.darwin_core_outputs <- function() c(.darwin_core[1:4], "Error")

# Names for the added columns that no column of the frame has (letter
# case aside, as the tool's CSV compares them): "X" becomes "X_2", "X_3" ...
.unclashed <- function(wanted, taken) {
  taken <- tolower(trimws(taken))
  out <- character(length(wanted))
  for (k in seq_along(wanted)) {
    name <- wanted[k]
    suffix <- 2L
    while (tolower(name) %in% taken) {
      name <- paste0(wanted[k], "_", suffix)
      suffix <- suffix + 1L
    }
    taken <- c(taken, tolower(name))
    out[k] <- name
  }
  out
}

# The columns of `result` named in `wanted`, with the result's attribute;
# `what` names the caller in the message.
.pick_outputs <- function(result, wanted, what) {
  missing <- setdiff(wanted, names(result))
  if (length(missing)) {
    .argument_error(sprintf("%s has no column %s: the result has %s", what,
                            paste(sQuote(missing, FALSE), collapse = ", "),
                            paste(names(result), collapse = ", ")), call = NULL)
  }
  out <- result[wanted]
  attr(out, "morvane") <- attr(result, "morvane")
  out
}

# A column of the frame as the core reads it, named in messages by its
# name.  A table read as texts is taken as it is written: numbers in texts
# ("50.85", " 4.3 ") are those numbers, correctly rounded as the tool reads
# them, a blank text a missing value; numbers where texts belong ("4326",
# an EPSG code a reader took for a number) their text.
.frame_column <- function(df, index, type) {
  value <- df[[index]]
  name <- sprintf("column %s", sQuote(names(df)[index], FALSE))
  if (is.factor(value)) value <- as.character(value)
  if (type != "text" && is.character(value) && is.null(dim(value))) {
    read <- .number_texts(enc2utf8(value))
    if (read$bad > 0L) {
      .argument_error(sprintf("%s takes numbers, not the text %s (row %d)", name,
                              sQuote(value[read$bad], FALSE), read$bad), call = NULL)
    }
    value <- read$values
  } else if (type == "text" && is.numeric(value) && is.null(dim(value))) {
    whole <- !is.na(value) & is.finite(value) & value == trunc(value) & abs(value) < 2^53
    value <- ifelse(is.na(value), NA_character_,
                    ifelse(whole, sprintf("%.0f", value), as.character(value)))
  }
  .column(value, name, type)
}

# The Darwin Core terms of the converted rows: the degrees on datum_to,
# its EPSG code, the uncertainty (an IFBL or MGRS row's square's, through
# the core's square call; else the stated accuracy of the row's datum
# changes, NA when they state none) and the message.  A row without a position has NA.
.darwin_core_frame <- function(result, codes, known, to, method) {
  positioned <- result$Error == "" & result$Failure == "" & is.finite(result$Latitude)
  datums <- .table("datums")
  epsg <- datums$epsg[datums$number == to]
  # No datum change states no uncertainty: zero is none (NA), as Darwin
  # Core has it.
  uncertainty <- ifelse(positioned & result$Accuracy > 0, result$Accuracy, NA_real_)
  square_kinds <- c(.kind_by_name("ifbl"), .kind_by_name("mgrs"))
  squared <- which(positioned & result$KindRead %in% square_kinds)
  groups <- split(squared, paste(result$KindRead[squared], result$DatumRead[squared],
                                 known[squared]))
  for (rows in groups) {
    first <- rows[1]
    squares <- .squares_core(enc2utf8(codes[rows]), result$KindRead[first],
                             result$DatumRead[first], known[first], to, method, 0L)
    uncertainty[rows] <- squares$uncertainty
  }
  error <- as.character(result$Error)
  failed <- error == "" & result$Failure != ""
  error[failed] <- result$Failure[failed]
  columns <- list(ifelse(positioned, result$Latitude, NA_real_),
                  ifelse(positioned, result$Longitude, NA_real_),
                  ifelse(positioned, sprintf("EPSG:%d", epsg), NA_character_),
                  uncertainty, error)
  names(columns) <- .darwin_core_outputs()
  columns
}

convert_frame <- function(df, datum_from = "wgs84", datum_to = "wgs84", columns = NULL,
                          outputs = NULL, darwin_core = FALSE, kind = NULL, mgrs_precision = 0,
                          ifbl_precision = 0, threads = 1, ...) {
  if (!is.data.frame(df)) {
    .argument_error(sprintf("df must be a data frame, not %s", .describe(df)), call = NULL)
  }
  from <- .resolve(datum_from, "datum_from", "datums", .datum_by_name)
  to <- .resolve(datum_to, "datum_to", "datums", .datum_by_name)
  mgrs <- .whole(mgrs_precision, "mgrs_precision", .int32_limit)
  ifbl <- .whole(ifbl_precision, "ifbl_precision", .int16_limit)
  threads <- .whole(threads, "threads", c(0, 1024))
  if (!is.logical(darwin_core) || length(darwin_core) != 1L || is.na(darwin_core)) {
    .argument_error(sprintf("darwin_core must be TRUE or FALSE, not %s", .describe(darwin_core)),
                    call = NULL)
  }
  default_kind <- if (is.null(kind)) 0L else .resolve(kind, "kind", "kinds", .kind_by_name)
  settings <- .frame_extra(list(...))
  possible <- if (darwin_core) .darwin_core_outputs() else .property_outputs()
  if (!is.null(outputs)) {
    if (!is.character(outputs) || anyNA(outputs) || !length(outputs)) {
      .argument_error(sprintf("outputs must be names of columns, not %s", .describe(outputs)),
                      call = NULL)
    }
    if (anyDuplicated(outputs)) {
      .argument_error(sprintf("outputs names %s twice", sQuote(outputs[anyDuplicated(outputs)],
                                                              FALSE)), call = NULL)
    }
    if (!all(outputs %in% possible)) {
      .argument_error(sprintf("outputs has no column %s: the columns are %s",
                              sQuote(setdiff(outputs, possible)[1], FALSE),
                              paste(possible, collapse = ", ")), call = NULL)
    }
  }

  # The columns: by the core's names, or as given.
  header <- names(df)
  given <- NULL
  if (!is.null(columns)) {
    given <- .given_header(header, columns)
    header <- given$header
  }
  height_role <- .role_of("Height")
  if (!settings$height && !is.null(given) && height_role %in% given$roles) {
    kinds <- .table("heightKinds")
    .argument_error(sprintf("a height column needs what it holds: height_kind = %s",
                            .choices(kinds$key[kinds$number != .height_kind_by_name("none")])),
                    call = NULL)
  }
  found <- .find_columns(enc2utf8(header), default_kind, FALSE, settings$height)
  if (found$status != 0L) .columns_error(found$error, found$problem)
  column <- found$column
  datum_column <- found$datum_column
  # A datum column given by hand is read whichever term it is.
  if (is.na(datum_column) && !is.null(given)) {
    datum_roles <- vapply(c("verbatimSRS", "geodeticDatum"), .role_of, 0L)
    hand <- given$where[given$roles %in% datum_roles]
    if (length(hand)) datum_column <- hand[1]
  }

  # The columns' values, checked before any row is converted.
  n <- nrow(df)
  verbatim <- found$found_kind == 0L
  coordinates <- systems <- datums <- height <- NULL
  inputs <- list()
  if (verbatim) {
    coordinates <- .frame_column(df, column[.role_of("verbatimCoordinates")], "text")
    system <- column[.role_of("verbatimCoordinateSystem")]
    if (!is.na(system)) systems <- .frame_column(df, system, "text")
    call_kind <- default_kind
  } else {
    call_kind <- found$found_kind
    kinds <- .table("kinds")
    names_in <- kinds$inputs[[which(kinds$number == call_kind)]]
    properties <- .table("properties")
    types <- properties$type[match(names_in, properties$name)]
    at <- column[.kind_roles(call_kind)]
    inputs <- Map(function(index, type) .frame_column(df, index, type), at, types)
  }
  if (!is.na(datum_column)) datums <- .frame_column(df, datum_column, "text")
  if (settings$height) height <- .frame_column(df, column[height_role], "double")

  result <- .convert(call_kind, from, to, mgrs, ifbl, unname(inputs), n, threads,
                     settings$method, settings$heights, height, TRUE,
                     list(coordinates, systems, datums))

  today <- settings$today
  if (is.null(today)) {
    kinds <- .table("kinds")
    datum_table <- .table("datums")
    read <- result$KindRead != 0L
    today <- any(!(unique(result$KindRead[read]) %in% kinds$number[kinds$object])) ||
      any(!(unique(c(result$DatumRead[read], to)) %in% datum_table$number[datum_table$object])) ||
      settings$method != .method_by_name("shift") || settings$height ||
      any(outputs %in% .table("properties")$name[.table("properties")$extra])
  }

  if (darwin_core) {
    codes <- if (verbatim) coordinates
             else if (call_kind %in% c(.kind_by_name("ifbl"), .kind_by_name("mgrs"))) inputs[[1]]
             else rep(NA_character_, n)
    known <- if (is.null(datums)) rep(TRUE, n) else !.srs_unstated(datums)
    added <- .darwin_core_frame(result, codes, known, to, settings$method)
  } else {
    added <- result[.output_names(today)]
  }
  if (!is.null(outputs)) added <- added[outputs]
  names(added) <- .unclashed(names(added), names(df))
  out <- df
  for (name in names(added)) out[[name]] <- added[[name]]

  # Which column each role was read from, for the user to see.
  used <- which(!is.na(column))
  read_from <- stats::setNames(names(df)[column[used]], .role_key(used))
  if (!is.na(datum_column) && !(datum_column %in% column)) {
    role <- given$roles[given$where == datum_column]
    read_from <- c(read_from, stats::setNames(names(df)[datum_column], .role_key(role)))
  }
  kinds <- .table("kinds")
  attr(out, "morvane") <- list(
    kind = if (verbatim) "verbatim" else kinds$key[kinds$number == call_kind],
    columns = read_from, datum_to = .datum_key(to))
  out
}
