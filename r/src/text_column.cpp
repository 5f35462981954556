// A character vector whose strings are made when R first reads them.
//
// A million MGRS references are a million distinct strings, and making an
// R string (a CHARSXP, found or entered in R's global table of strings)
// costs several times what converting the point costs.  The batch call
// writes its texts as fixed-width UTF-8 blocks; this ALTREP class keeps
// those blocks and makes each element's string when R asks for it (a
// printed head, a subset, a comparison), or every string at once when R
// asks for the vector's memory.  To R it is an ordinary character vector:
// serialized, duplicated or modified, it is first made whole.
//
// The Error, Failure and Route columns hold few distinct texts, most of
// them empty: a second class keeps each point's number in a small vector
// of those texts, so that a million points cost R neither a million
// string writes nor their marks at each garbage collection.
#include "text_column.hpp"

#include <R_ext/Altrep.h>
#include <R_ext/Rdynload.h>

#include <cstring>
#include <new>
#include <utility>

namespace morvane_r {

namespace {

R_altrep_class_t kClass;

TextColumn* Blocks(SEXP x) {
  return static_cast<TextColumn*>(R_ExternalPtrAddr(R_altrep_data1(x)));
}

void FreeBlocks(SEXP handle) {
  delete static_cast<TextColumn*>(R_ExternalPtrAddr(handle));
  R_ClearExternalPtr(handle);
}

SEXP Make(const TextColumn& t, R_xlen_t i) {
  const TextColumn::Block& b = t.blocks[static_cast<std::size_t>(i / t.chunk)];
  const char* entry = b.data.data() + static_cast<std::size_t>(i % t.chunk) * b.width;
  const void* nul = std::memchr(entry, '\0', b.width);
  const std::size_t length =
      nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - entry) : b.width;
  if (length == 0) return R_BlankString;
  return Rf_mkCharLenCE(entry, static_cast<int>(length), CE_UTF8);
}

// Every string, once: the vector R works on from then on.
SEXP Whole(SEXP x) {
  SEXP whole = R_altrep_data2(x);
  if (whole != R_NilValue) return whole;
  const TextColumn* t = Blocks(x);
  whole = PROTECT(Rf_allocVector(STRSXP, t->length));
  for (R_xlen_t i = 0; i < t->length; ++i) SET_STRING_ELT(whole, i, Make(*t, i));
  R_set_altrep_data2(x, whole);
  UNPROTECT(1);
  return whole;
}

R_xlen_t Length(SEXP x) {
  SEXP whole = R_altrep_data2(x);
  return whole != R_NilValue ? XLENGTH(whole) : Blocks(x)->length;
}

SEXP Elt(SEXP x, R_xlen_t i) {
  SEXP whole = R_altrep_data2(x);
  return whole != R_NilValue ? STRING_ELT(whole, i) : Make(*Blocks(x), i);
}

void SetElt(SEXP x, R_xlen_t i, SEXP value) { SET_STRING_ELT(Whole(x), i, value); }

void* Dataptr(SEXP x, Rboolean) { return STRING_PTR(Whole(x)); }

const void* DataptrOrNull(SEXP x) {
  SEXP whole = R_altrep_data2(x);
  return whole != R_NilValue ? STRING_PTR(whole) : nullptr;
}

int NoNa(SEXP) { return 1; }

Rboolean Inspect(SEXP x, int, int, int, void (*)(SEXP, int, int, int)) {
  Rprintf(" morvane text column (%s)\n",
          R_altrep_data2(x) != R_NilValue ? "made whole" : "strings made when read");
  return TRUE;
}

// The coded columns: data1 is list(codes, texts), data2 the whole vector
// once R has asked for its memory.
R_altrep_class_t kCoded;

SEXP CodedWhole(SEXP x) {
  SEXP whole = R_altrep_data2(x);
  if (whole != R_NilValue) return whole;
  SEXP codes = VECTOR_ELT(R_altrep_data1(x), 0);
  SEXP texts = VECTOR_ELT(R_altrep_data1(x), 1);
  const R_xlen_t n = XLENGTH(codes);
  whole = PROTECT(Rf_allocVector(STRSXP, n));
  const int* code = INTEGER(codes);
  for (R_xlen_t i = 0; i < n; ++i) SET_STRING_ELT(whole, i, STRING_ELT(texts, code[i]));
  R_set_altrep_data2(x, whole);
  UNPROTECT(1);
  return whole;
}

R_xlen_t CodedLength(SEXP x) {
  SEXP whole = R_altrep_data2(x);
  return whole != R_NilValue ? XLENGTH(whole) : XLENGTH(VECTOR_ELT(R_altrep_data1(x), 0));
}

SEXP CodedElt(SEXP x, R_xlen_t i) {
  SEXP whole = R_altrep_data2(x);
  if (whole != R_NilValue) return STRING_ELT(whole, i);
  SEXP pair = R_altrep_data1(x);
  return STRING_ELT(VECTOR_ELT(pair, 1), INTEGER(VECTOR_ELT(pair, 0))[i]);
}

void CodedSetElt(SEXP x, R_xlen_t i, SEXP value) { SET_STRING_ELT(CodedWhole(x), i, value); }

void* CodedDataptr(SEXP x, Rboolean) { return STRING_PTR(CodedWhole(x)); }

Rboolean CodedInspect(SEXP x, int, int, int, void (*)(SEXP, int, int, int)) {
  Rprintf(" morvane coded text column (%s)\n",
          R_altrep_data2(x) != R_NilValue ? "made whole" : "numbers of its texts");
  return TRUE;
}

}  // namespace

void RegisterTextColumn(DllInfo* dll) {
  kCoded = R_make_altstring_class("morvane_coded_column", "morvane", dll);
  R_set_altrep_Length_method(kCoded, CodedLength);
  R_set_altrep_Inspect_method(kCoded, CodedInspect);
  R_set_altvec_Dataptr_method(kCoded, CodedDataptr);
  R_set_altvec_Dataptr_or_null_method(kCoded, DataptrOrNull);
  R_set_altstring_Elt_method(kCoded, CodedElt);
  R_set_altstring_Set_elt_method(kCoded, CodedSetElt);
  R_set_altstring_No_NA_method(kCoded, NoNa);

  kClass = R_make_altstring_class("morvane_text_column", "morvane", dll);
  R_set_altrep_Length_method(kClass, Length);
  R_set_altrep_Inspect_method(kClass, Inspect);
  R_set_altvec_Dataptr_method(kClass, Dataptr);
  R_set_altvec_Dataptr_or_null_method(kClass, DataptrOrNull);
  R_set_altstring_Elt_method(kClass, Elt);
  R_set_altstring_Set_elt_method(kClass, SetElt);
  R_set_altstring_No_NA_method(kClass, NoNa);
}

SEXP MakeCodedColumn(SEXP codes, SEXP texts) {
  SEXP pair = PROTECT(Rf_allocVector(VECSXP, 2));
  SET_VECTOR_ELT(pair, 0, codes);
  SET_VECTOR_ELT(pair, 1, texts);
  SEXP column = R_new_altrep(kCoded, pair, R_NilValue);
  UNPROTECT(1);
  return column;
}

SEXP MakeTextColumn(TextColumn&& blocks) {
  auto* owned = new TextColumn(std::move(blocks));
  SEXP handle = PROTECT(R_MakeExternalPtr(owned, R_NilValue, R_NilValue));
  R_RegisterCFinalizerEx(handle, FreeBlocks, TRUE);
  SEXP column = R_new_altrep(kClass, handle, R_NilValue);
  UNPROTECT(1);
  return column;
}

}  // namespace morvane_r
