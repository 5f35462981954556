// A character vector of the batch call's fixed-width texts, whose strings
// R makes when it reads them (text_column.cpp).
#pragma once

#include <R.h>
#include <Rinternals.h>
#include <R_ext/Rdynload.h>

#include <cstddef>
#include <vector>

namespace morvane_r {

// The texts of `length` points, in blocks of `chunk` points (the last may
// hold fewer): entry i is the `width` bytes at data + i * width of its
// block, padded with null bytes.
struct TextColumn {
  struct Block {
    std::vector<char> data;
    std::size_t width = 1;
  };
  R_xlen_t length = 0;
  R_xlen_t chunk = 1;
  std::vector<Block> blocks;
};

// A column of few distinct texts (messages, failure names, routes): each
// point's number in `texts` (an R character vector), from `codes` (an R
// integer vector of the column's length).  R reads it as a character
// vector; the strings are those of `texts`.
SEXP MakeCodedColumn(SEXP codes, SEXP texts);

// Called once when the package's library is loaded.
void RegisterTextColumn(DllInfo* dll);
// The column as an R character vector (the blocks are moved into it).
SEXP MakeTextColumn(TextColumn&& blocks);

}  // namespace morvane_r
