# The request set that every front end converts (tests/data/requests.jsonl)
# gives the command-line tool's answers (tests/data/answers.jsonl) to the
# bit: through convert(), a group of requests of one kind, datums and
# precisions at a time, and through the object for the kinds and datums
# outside the tables.

settings <- c("OrigType", "DatumFrom", "DatumDest", "mgrsPrecision", "IfblPrecision")
tables <- morvane_tables()
properties <- tables$properties
numbers <- properties$name[properties$output & properties$type != "text"]
texts <- properties$name[properties$output & properties$type == "text"]
type_of <- setNames(properties$type, properties$name)

in_tables <- function(r) {
  r$OrigType %in% tables$kinds$number[tables$kinds$object] &&
    r$DatumFrom %in% tables$datums$number[tables$datums$object] &&
    r$DatumDest %in% tables$datums$number[tables$datums$object]
}
refused <- function(a) identical(names(a), "Error")

expect_answer <- function(got, answer, line) {
  for (name in numbers) {
    expect_identical(bits(got[[name]], type_of[[name]]), bits(answer[[name]], type_of[[name]]),
                     label = sprintf("line %d: %s = %.17g", line, name, got[[name]]))
  }
  for (name in texts) {
    expect_identical(got[[name]], answer[[name]], label = sprintf("line %d: %s", line, name))
  }
  expect_identical(got$Failure, if (is.null(answer$Failure)) "" else answer$Failure,
                   label = sprintf("line %d: Failure", line))
}

test_that("groups of requests through convert() give the tool's answers", {
  requests <- json_lines("requests.jsonl")
  answers <- json_lines("answers.jsonl")
  expect_length(answers, length(requests))
  keep <- vapply(seq_along(requests), function(i)
    in_tables(requests[[i]]) && !refused(answers[[i]]), TRUE)
  key <- vapply(requests, function(r) paste(unlist(r[settings]), collapse = " "), "")
  groups <- split(which(keep), key[keep])
  # Every kind with every pair of datums.
  expect_equal(length(unique(sub(" [^ ]+ [^ ]+$", "", names(groups)))), 5 * 4 * 4)
  checked <- 0
  for (rows in groups) {
    first <- requests[[rows[1]]]
    inputs <- tables$kinds$inputs[[which(tables$kinds$number == first$OrigType)]]
    columns <- lapply(inputs, function(name) {
      values <- lapply(requests[rows], `[[`, name)
      if (type_of[[name]] == "text") as.character(unlist(values)) else as.double(unlist(values))
    })
    result <- do.call(convert, c(list(first$OrigType), columns,
                                 list(datum_from = first$DatumFrom, datum_to = first$DatumDest,
                                      mgrs_precision = first$mgrsPrecision,
                                      ifbl_precision = first$IfblPrecision)))
    for (i in seq_along(rows)) {
      expect_answer(lapply(result, `[[`, i), answers[[rows[i]]], rows[i])
      checked <- checked + 1
    }
  }
  expect_gt(checked, 2000)
})

test_that("numbers their types cannot hold are refused before any work", {
  requests <- json_lines("requests.jsonl")
  answers <- json_lines("answers.jsonl")
  seen <- 0
  for (i in seq_along(requests)) {
    r <- requests[[i]]
    if (!in_tables(r) || !refused(answers[[i]])) next
    inputs <- tables$kinds$inputs[[which(tables$kinds$number == r$OrigType)]]
    columns <- lapply(inputs, function(name) as.double(r[[name]]))
    expect_error(do.call(convert, c(list(r$OrigType), columns,
                                    list(datum_from = r$DatumFrom, datum_to = r$DatumDest))),
                 class = "morvane_argument_error")
    seen <- seen + 1
  }
  expect_gt(seen, 0)
})

test_that("kinds and datums outside the object's tables give the tool's answers through the object", {
  requests <- json_lines("requests.jsonl")
  answers <- json_lines("answers.jsonl")
  seen <- 0
  for (i in seq_along(requests)) {
    r <- requests[[i]]
    if (in_tables(r)) next
    o <- zediz_ado()
    o$DatumFrom <- r$DatumFrom
    o$DatumDest <- r$DatumDest
    o$mgrsPrecision <- r$mgrsPrecision
    o$IfblPrecision <- r$IfblPrecision
    o$OrigType <- r$OrigType
    for (name in setdiff(names(r), settings)) o[[name]] <- r[[name]]
    failure <- tryCatch({
      o$Conversion()
      ""
    }, morvane_failure = function(f) f$kind)
    got <- c(lapply(c(numbers, texts), function(name) o[[name]]), list(failure))
    names(got) <- c(numbers, texts, "Failure")
    expect_answer(got, answers[[i]], i)
    seen <- seen + 1
  }
  expect_gt(seen, 0)
})
