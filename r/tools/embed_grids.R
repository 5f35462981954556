# Rscript tools/embed_grids.R table.bin table.cpp
# Writes the agency's grid table as an array with C linkage, the text that
# cmake/embed_grid_table.cmake writes for the native libraries:
# datum/grid_table.cpp finds it when compiled with MORVANE_EMBEDDED_GRIDS.
args <- commandArgs(trailingOnly = TRUE)
stopifnot(length(args) == 2L)
size <- file.size(args[1])
bytes <- readBin(args[1], "raw", n = size)
if (length(bytes) != size || size == 0) stop("cannot read the grid table ", args[1])
hex <- sprintf("0x%02x,", as.integer(bytes))
# Lines of 24 bytes.
line <- (seq_along(hex) - 1L) %/% 24L
body <- vapply(split(hex, line), paste, "", collapse = "")
writeLines(c(
  "// Generated from the grid table by tools/embed_grids.R: do not edit.",
  "#include <cstddef>",
  "extern \"C\" const unsigned char morvane_grid_table[];",
  "extern \"C\" const std::size_t morvane_grid_table_size;",
  "const unsigned char morvane_grid_table[] = {",
  body,
  "};",
  sprintf("const std::size_t morvane_grid_table_size = %d;", size)
), args[2])
