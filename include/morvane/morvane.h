/*
 * Morvane: the C interface.
 *
 * One point between the reference systems used in Belgium and its
 * neighbours: latitude/longitude in degrees or DMS on four datums, Belgian
 * Lambert 1972, UTM, MGRS references and IFBL grid squares.
 *
 * C99, usable from C and from any language's foreign-function interface.
 * Nothing here throws, traps or aborts: every function returns a status
 * (or, for a text, its length), and the caller's floating-point
 * environment (rounding mode, exception masks, pending flags) is the same
 * after a call as before it and never changes a result.
 *
 * The object: morvane_new() gives a handle with every property and both
 * methods of the ZedizAdo object.  A property is read with
 * morvane_get_<Property>(handle, &value) and written with
 * morvane_set_<Property>(handle, value); texts are UTF-8.  A text get
 * copies the text into the caller's buffer of `size` bytes (cut to
 * size - 1 bytes and always terminated when size > 0) and returns the
 * full length of the text, as snprintf does; a null buffer with size 0
 * only asks for the length.
 *
 * Input problems are not failures: the object leaves a French message in
 * Error and the call returns MORVANE_OK.  morvane_conversion returns a
 * failure kind (1..5) only for an index outside a table, a 16-bit integer
 * overflow or a floating-point fault, and then leaves the object exactly
 * as it was before the call.
 *
 * Belgium's systems of today (ETRS89, Belgian Lambert 2008, the national
 * agency's BD72 -> ETRS89 grid and hBG18 heights) are conversions of the
 * batch call (morvane_batch_extra, version 2), beside the object, which
 * keeps its four datums and five input kinds.
 */
#ifndef MORVANE_MORVANE_H
#define MORVANE_MORVANE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(MORVANE_SHARED_LIBRARY)
#  if defined(MORVANE_BUILDING_LIBRARY)
#    define MORVANE_C_API __declspec(dllexport)
#  else
#    define MORVANE_C_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__) && !defined(_WIN32)
#  define MORVANE_C_API __attribute__((visibility("default")))
#else
#  define MORVANE_C_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes.  0 is success; 1..5 are the failure kinds of a conversion
 * (the numbers of morvane::FailureKind); negative codes are refused calls,
 * which change nothing. */
enum {
  MORVANE_OK = 0,
  MORVANE_INDEX_OUT_OF_RANGE = 1,
  MORVANE_INTEGER_OVERFLOW = 2,
  MORVANE_INVALID_OPERATION = 3,
  MORVANE_DIVISION_BY_ZERO = 4,
  MORVANE_FLOAT_OVERFLOW = 5,

  MORVANE_E_NULL_HANDLE = -1,   /* the object handle is null */
  MORVANE_E_NULL_POINTER = -2,  /* a buffer, value pointer or array is null */
  MORVANE_E_COUNT = -3,         /* a negative number of points */
  MORVANE_E_KIND = -4,          /* an input kind outside 1..6 (1..5 for the object) */
  MORVANE_E_DATUM = -5,         /* a datum outside 1..5 (1..4 for the object) */
  MORVANE_E_WIDTH = -6,         /* a text column too narrow for what it may receive */
  MORVANE_E_THREADS = -7,       /* a negative thread count */
  MORVANE_E_NO_MEMORY = -8,     /* memory could not be had */
  MORVANE_E_INTERNAL = -9,      /* anything else that went wrong inside */
  MORVANE_E_STOPPED = -10,      /* the batch call's progress callback asked to stop */
  MORVANE_E_SETTING = -11,      /* a method or height kind outside its table */
  MORVANE_E_COLUMNS = -12       /* a table's header names no columns to read, or several */
};

/* OriginalCoordinates: the input kinds. */
enum {
  MORVANE_mvMgrs = 1,
  MORVANE_mvDeg = 2,
  MORVANE_mvIFBL = 3,
  MORVANE_mvLambert72 = 4,
  MORVANE_mvDegMinSec = 5,
  /* Belgian Lambert 2008 (EPSG:3812) X, Y: the batch call only. */
  MORVANE_mvLambert2008 = 6
};

/* InternalDatums: the datums. */
enum {
  MORVANE_mvEuropeanData1950 = 1,
  MORVANE_mvBelgium1972 = 2,
  MORVANE_mvWGS1984 = 3,
  MORVANE_mvNTF = 4,
  /* ETRS89 (GRS 1980, EPSG:4258): the batch call only. */
  MORVANE_mvETRS89 = 5
};

/* How positions move between the Belgian datum 1972 and the others. */
enum {
  /* The object's three-parameter (Molodensky) shifts through WGS 1984,
   * ETRS89 taken for WGS 1984: the default, with the object's bits. */
  MORVANE_METHOD_SHIFT = 0,
  /* The national agency's grid BD72 <-> ETRS89 (EPSG:8369), with Lambert
   * 72 as the agency defines it (EPSG:31370); the other datums through
   * WGS 1984 taken for ETRS89.  A point outside the grid gets a message. */
  MORVANE_METHOD_GRID = 1
};

/* What the batch call's Height column holds. */
enum {
  MORVANE_HEIGHT_NONE = 0,
  MORVANE_HEIGHT_ELLIPSOIDAL = 1,  /* ETRS89 ellipsoidal height, metres */
  MORVANE_HEIGHT_OSTEND = 2        /* Ostend height (EPSG:5710), metres */
};

/* "0.3.0": the version of the library. */
MORVANE_C_API const char* morvane_version(void);

/* The name of a status code: "IndexOutOfRange" ... "FloatOverflow" for
 * 1..5, "OK" for 0, a short English phrase for a negative code, "Unknown"
 * for anything else.  Never null; the text is static. */
MORVANE_C_API const char* morvane_failure_name(int code);

/* The instructions the batch calls convert with: "avx2" or "sse2" (four
 * points at a time, on x86), "simd128" (WebAssembly), "vector" (other
 * processors), "scalar" (one point after another).  Every path gives the
 * same bits.  The default is the best this processor has, or the path the
 * environment variable MORVANE_SIMD names at the first batch call.
 * Never null; the text is static. */
MORVANE_C_API const char* morvane_batch_path(void);

/* Chooses the path of every later batch call, in any thread, by one of the
 * names above ("sse2", "simd128" and "vector" name the same path; null or
 * "" the default).  MORVANE_OK, or MORVANE_E_KIND (nothing changed) for a
 * name this processor or build cannot take.  For tests and comparisons. */
MORVANE_C_API int morvane_set_batch_path(const char* name);

/* ---- The interface's names ------------------------------------------ */
/* The input kinds, the datums and the properties, with the names, numbers,
 * labels and types that every front end shows.  The tables are static and
 * never change while the library is loaded; new members are only ever
 * appended to these structures. */

/* Types of property values. */
enum {
  MORVANE_TYPE_DOUBLE = 1,  /* double */
  MORVANE_TYPE_FLOAT = 2,   /* 32-bit float */
  MORVANE_TYPE_INT16 = 3,   /* int16_t */
  MORVANE_TYPE_INT32 = 4,   /* int32_t */
  MORVANE_TYPE_TEXT = 5     /* UTF-8 text */
};
/* What a property allows (bits of morvane_property_name.access). */
enum {
  MORVANE_ACCESS_GET = 1,
  MORVANE_ACCESS_PUT = 2,
  MORVANE_ACCESS_OUTPUT = 4,  /* a column of the batch call's output */
  MORVANE_ACCESS_EXTRA = 8,   /* an output column of morvane_batch_extra */
  MORVANE_ACCESS_INPUT = 16   /* an optional input column of morvane_batch_extra */
};

typedef struct morvane_kind_name {
  int32_t number;      /* OriginalCoordinates: 1..5, and 6 (Lambert 2008) */
  const char* member;  /* "mvDeg" */
  const char* key;     /* "deg": the short name the tool, Python and JavaScript take */
  const char* label;   /* "decimal degrees" */
  const char* inputs;  /* the properties it reads, comma-separated: "Latitude,Longitude" */
  int32_t object;      /* 1: the object (and its COM interface) takes it; 0: the batch call only */
  int32_t epsg;        /* EPSG code of its coordinate system, 0 for none */
} morvane_kind_name;

typedef struct morvane_datum_name {
  int32_t number;      /* InternalDatums: 1..4 */
  const char* member;  /* "mvWGS1984" */
  const char* key;     /* "wgs84" */
  const char* label;   /* short label: "WGS 1984", "Belgian 1972" */
  const char* title;   /* full name: "Belgian datum 1972" */
  int32_t epsg;        /* EPSG code of its geographic system: 4326 */
  int32_t object;      /* 1: the object (and its COM interface) takes it; 0: the batch call only */
} morvane_datum_name;

typedef struct morvane_property_name {
  const char* name;    /* "LatDmsSec" */
  int32_t type;        /* MORVANE_TYPE_... */
  int32_t access;      /* MORVANE_ACCESS_... bits */
  int32_t kinds;       /* bit k set: input kind k reads it */
} morvane_property_name;

/* Number of entries of each table, and entry i (0-based; null outside). */
MORVANE_C_API int32_t morvane_kind_count(void);
MORVANE_C_API const morvane_kind_name* morvane_kind_at(int32_t index);
MORVANE_C_API int32_t morvane_datum_count(void);
MORVANE_C_API const morvane_datum_name* morvane_datum_at(int32_t index);
MORVANE_C_API int32_t morvane_property_count(void);
MORVANE_C_API const morvane_property_name* morvane_property_at(int32_t index);
/* The number of a kind or datum from what a user writes: its key ("deg",
 * "wgs84"), its member name ("mvDeg", "mvWGS1984") or, for a datum, its
 * number as text; letter case and blanks do not count.  0 when nothing
 * matches (or the name is null). */
MORVANE_C_API int32_t morvane_kind_by_name(const char* name);
MORVANE_C_API int32_t morvane_datum_by_name(const char* name);

/* The steps a point's datum changes may take, as bits of its Route
 * (morvane_batch_extra): each with its text and the accuracy in metres
 * that its source states. */
typedef struct morvane_step_name {
  int32_t bit;         /* 1, 2, 4, ... */
  const char* key;     /* "grid" */
  const char* text;    /* "grid BD72->ETRS89 (EPSG:8369)" (UTF-8) */
  double accuracy;     /* metres */
} morvane_step_name;
MORVANE_C_API int32_t morvane_step_count(void);
MORVANE_C_API const morvane_step_name* morvane_step_at(int32_t index);
/* The text of a Route: its steps' texts in table order, joined by "; "
 * ("none" for 0), copied as the text gets copy it; its full length. */
MORVANE_C_API ptrdiff_t morvane_route_text(int32_t route, char* buffer, size_t size);
/* The accuracy of a Route: the sum of its steps' accuracies, metres. */
MORVANE_C_API double morvane_route_accuracy(int32_t route);
/* A method (MORVANE_METHOD_...) or height kind (MORVANE_HEIGHT_...) by its
 * key ("shift", "grid"; "none", "ellipsoidal", "ostend") or number as
 * text, letter case and blanks aside; -1 when nothing matches. */
MORVANE_C_API int32_t morvane_method_by_name(const char* name);
MORVANE_C_API int32_t morvane_height_kind_by_name(const char* name);

/* Every table above, the failure kinds and the messages as one JSON text
 * (UTF-8, static), for languages that read JSON more easily than C
 * structures; null only when memory could not be had. */
MORVANE_C_API const char* morvane_names_json(void);

/* ---- Tables as people write them ------------------------------------ */
/* What a column of a table holds: the inputs of the kinds and the height,
 * named by their properties, and the Darwin Core terms with which a row
 * says where its point is and in which system. */
enum {
  MORVANE_COLUMN_LATITUDE = 1,
  MORVANE_COLUMN_LONGITUDE = 2,
  MORVANE_COLUMN_LAT_DMS_DEG = 3,
  MORVANE_COLUMN_LAT_DMS_MIN = 4,
  MORVANE_COLUMN_LAT_DMS_SEC = 5,
  MORVANE_COLUMN_LON_DMS_DEG = 6,
  MORVANE_COLUMN_LON_DMS_MIN = 7,
  MORVANE_COLUMN_LON_DMS_SEC = 8,
  MORVANE_COLUMN_X = 9,        /* Lambert 72 */
  MORVANE_COLUMN_Y = 10,
  MORVANE_COLUMN_X2008 = 11,   /* Lambert 2008 */
  MORVANE_COLUMN_Y2008 = 12,
  MORVANE_COLUMN_MGRS = 13,
  MORVANE_COLUMN_IFBL = 14,
  MORVANE_COLUMN_HEIGHT = 15,
  MORVANE_COLUMN_VERBATIM_COORDINATES = 16,  /* verbatimCoordinates: the point as written */
  MORVANE_COLUMN_VERBATIM_SYSTEM = 17,       /* verbatimCoordinateSystem: its kind, per row */
  MORVANE_COLUMN_VERBATIM_SRS = 18,          /* verbatimSRS: its datum, per row */
  MORVANE_COLUMN_GEODETIC_DATUM = 19,        /* geodeticDatum: the datum of the degrees, per row */
  MORVANE_COLUMN_ROLES = 19
};

typedef struct morvane_column_role {
  int32_t role;        /* MORVANE_COLUMN_... */
  const char* key;     /* the property ("Latitude") or Darwin Core term ("verbatimSRS") */
  const char* label;   /* as messages name it: "latitude", "Lambert 72 X" */
} morvane_column_role;

typedef struct morvane_column_name {
  int32_t role;          /* MORVANE_COLUMN_... */
  const char* name;      /* as people write it: "decimalLatitude", "breedtegraad" (UTF-8) */
  const char* language;  /* "en", "nl", "fr", "de", or "dwc" for a Darwin Core term */
} morvane_column_name;

/* The roles (entry i has role i + 1) and the names a header may give a
 * column, in the order of the roles. */
MORVANE_C_API int32_t morvane_column_role_count(void);
MORVANE_C_API const morvane_column_role* morvane_column_role_at(int32_t index);
MORVANE_C_API int32_t morvane_column_name_count(void);
MORVANE_C_API const morvane_column_name* morvane_column_name_at(int32_t index);
/* The role of a column by its header name, compared without letter case,
 * blanks, '_', '-', '.' and '/' ("Decimal Latitude" = "decimal_latitude"
 * = "decimalLatitude"); every property name counts too.  0 for none. */
MORVANE_C_API int32_t morvane_column_role_of(const char* header);

/* Why a header's columns could not be chosen, so that a front end can say
 * how to choose them by hand. */
enum {
  MORVANE_COLUMNS_FOUND = 0,
  MORVANE_COLUMNS_NONE = 1,            /* no input's columns (or not the kind's asked for) */
  MORVANE_COLUMNS_SEVERAL_NAMES = 2,   /* more than one column could be one input */
  MORVANE_COLUMNS_SEVERAL_KINDS = 3,   /* the columns of more than one kind */
  MORVANE_COLUMNS_NO_HEIGHT = 4,       /* no height column, with a height kind */
  MORVANE_COLUMNS_SEVERAL_HEIGHTS = 5  /* more than one column could be the height */
};

/* Which columns of a header to read. */
typedef struct morvane_columns {
  size_t size;        /* sizeof(morvane_columns) */
  /* In: */
  int32_t kind;       /* the input kind of the rows; 0 to find it from the names */
  int32_t codes_only; /* 1: only MGRS and IFBL columns count (for squares) */
  int32_t height;     /* 1: a height column is read too */
  /* Out: */
  int32_t found_kind; /* the input kind; 0 when each row says its own (verbatimCoordinates) */
  int32_t datum_column;  /* the column that names each row's datum (verbatimSRS for
                          * verbatim rows, geodeticDatum for degrees), -1 for none */
  int32_t problem;    /* MORVANE_COLUMNS_...: why the columns could not be chosen */
  int32_t column[MORVANE_COLUMN_ROLES + 1];  /* by role: the 0-based column, -1 for none */
} morvane_columns;

/* Chooses the columns to read from a header's names.  The kinds' own
 * columns come first (degrees, Lambert 72, MGRS, IFBL; Lambert 2008 when
 * none of those is there); without them, verbatimCoordinates, whose rows
 * say their kind in verbatimCoordinateSystem.  MORVANE_OK; or
 * MORVANE_E_COLUMNS with the reason (naming the candidates when several
 * columns could be one input) copied into `error` as a text get copies it;
 * a negative code for null pointers, a negative count or a kind outside
 * 0..6. */
MORVANE_C_API int morvane_find_columns(const char* const* names, ptrdiff_t count,
                                       morvane_columns* columns, char* error, size_t error_size);

/* The input kind a verbatimCoordinateSystem names ("decimal degrees",
 * "degrees minutes seconds", "Lambert 72", "EPSG:31370", "MGRS", "IFBL"
 * ...; MORVANE_mvDeg for every form of degrees), 0 for none. */
MORVANE_C_API int32_t morvane_kind_of_system(const char* system);
/* The datum a verbatimSRS or geodeticDatum names ("WGS84", "EPSG:4326",
 * "ED50", "BD72", "Belge 1972", "NTF", "ETRS89", the coordinate systems on
 * them such as "EPSG:31370" ...), 0 for none. */
MORVANE_C_API int32_t morvane_datum_of_srs(const char* srs);

/* ---- The object ------------------------------------------------------ */

typedef struct morvane_object morvane_object;

/* A new object (both datums on European 1950), or null without memory. */
MORVANE_C_API morvane_object* morvane_new(void);
/* Frees the object; a null handle is allowed and does nothing. */
MORVANE_C_API void morvane_free(morvane_object* object);

/* Converts the input that OrigType names into every other representation.
 * MORVANE_OK (with perhaps a message in Error), a failure kind 1..5, or a
 * negative code. */
MORVANE_C_API int morvane_conversion(morvane_object* object);
/* Empties Error and clears X, Y, OrigType, MGRS, IFBL, Latitude,
 * Longitude, Northing and Easting; the datums, the precisions and the DMS
 * fields are kept. */
MORVANE_C_API int morvane_reset(morvane_object* object);

/* Numbers.  Each get writes *value and returns MORVANE_OK. */
#define MORVANE_NUMBER_PROPERTY(Name, Type)                                     \
  MORVANE_C_API int morvane_get_##Name(const morvane_object* object, Type* value); \
  MORVANE_C_API int morvane_set_##Name(morvane_object* object, Type value);
MORVANE_NUMBER_PROPERTY(Latitude, double)
MORVANE_NUMBER_PROPERTY(Longitude, double)
MORVANE_NUMBER_PROPERTY(X, double)
MORVANE_NUMBER_PROPERTY(Y, double)
MORVANE_NUMBER_PROPERTY(Northing, double)
MORVANE_NUMBER_PROPERTY(Easting, double)
MORVANE_NUMBER_PROPERTY(LatDmsDeg, int16_t)
MORVANE_NUMBER_PROPERTY(LatDmsMin, int16_t)
MORVANE_NUMBER_PROPERTY(LatDmsSec, float)
MORVANE_NUMBER_PROPERTY(LonDmsDeg, int16_t)
MORVANE_NUMBER_PROPERTY(LonDmsMin, int16_t)
MORVANE_NUMBER_PROPERTY(LonDmsSec, float)
MORVANE_NUMBER_PROPERTY(OrigType, int32_t)
MORVANE_NUMBER_PROPERTY(mgrsPrecision, int32_t)
MORVANE_NUMBER_PROPERTY(IfblPrecision, int16_t)
#undef MORVANE_NUMBER_PROPERTY

/* Write-only: stored whatever the value, with a message outside 1..4. */
MORVANE_C_API int morvane_set_DatumFrom(morvane_object* object, int32_t value);
MORVANE_C_API int morvane_set_DatumDest(morvane_object* object, int32_t value);

/* Texts.  A get returns the full length of the text (bytes, without the
 * terminating null) or a negative code. */
MORVANE_C_API ptrdiff_t morvane_get_MGRS(const morvane_object* object, char* buffer, size_t size);
MORVANE_C_API ptrdiff_t morvane_get_IFBL(const morvane_object* object, char* buffer, size_t size);
/* Read-only: the last message, empty when there is none. */
MORVANE_C_API ptrdiff_t morvane_get_Error(const morvane_object* object, char* buffer, size_t size);

/* Stores the text without its leading and trailing blanks. */
MORVANE_C_API int morvane_set_MGRS(morvane_object* object, const char* value);
/* Removes blanks, full stops and hyphens from the text and stores it.  The
 * tidied text is handed back in `tidied` as a get would (tidied may be
 * null with size 0); returns its full length or a negative code. */
MORVANE_C_API ptrdiff_t morvane_set_IFBL(morvane_object* object, const char* value, char* tidied,
                                         size_t size);

/* ---- The batch call -------------------------------------------------- */

/* A column of texts of one width: entry i is the `width` bytes at
 * data + i * width, padded with null bytes (a text of exactly `width`
 * bytes has no terminator).  This is the layout of a numpy "S" array. */
typedef struct morvane_text_column {
  char* data;
  size_t width;
} morvane_text_column;

/* What to convert: one input kind, datums and precisions given once, and
 * the columns that the kind reads (the others are ignored):
 *   MORVANE_mvDeg:       Latitude, Longitude
 *   MORVANE_mvDegMinSec: LatDmsDeg, LatDmsMin, LatDmsSec, LonDmsDeg, LonDmsMin, LonDmsSec
 *   MORVANE_mvLambert72, MORVANE_mvLambert2008: X, Y
 *   MORVANE_mvMgrs, MORVANE_mvIFBL: the texts, either `Texts` (an array of
 *     null-terminated strings) or, when Texts is null, the fixed-width
 *     column of `TextWidth` bytes per entry at `TextData` (entries padded
 *     with null bytes, as in a morvane_text_column). */
typedef struct morvane_batch_input {
  int32_t OrigType;
  int32_t DatumFrom;
  int32_t DatumDest;
  int32_t mgrsPrecision;
  int16_t IfblPrecision;
  const double* Latitude;
  const double* Longitude;
  const int16_t* LatDmsDeg;
  const int16_t* LatDmsMin;
  const float* LatDmsSec;
  const int16_t* LonDmsDeg;
  const int16_t* LonDmsMin;
  const float* LonDmsSec;
  const double* X;
  const double* Y;
  const char* const* Texts;
  const char* TextData;
  size_t TextWidth;
} morvane_batch_input;

/* Where to put the results: one array per property, each of `count`
 * entries; a null array is not written.  Every point's entries hold the
 * properties of a fresh object with the input's settings after it has been
 * given the point and converted, whatever the outcome: Error holds the
 * point's message (empty when there is none) and Failure its failure kind
 * (0 when the conversion did not fail). */
typedef struct morvane_batch_output {
  double* Latitude;
  double* Longitude;
  int16_t* LatDmsDeg;
  int16_t* LatDmsMin;
  float* LatDmsSec;
  int16_t* LonDmsDeg;
  int16_t* LonDmsMin;
  float* LonDmsSec;
  double* X;
  double* Y;
  double* Northing;
  double* Easting;
  morvane_text_column MGRS;
  morvane_text_column IFBL;
  morvane_text_column Error;
  int32_t* Failure;
} morvane_batch_output;

/* The width each text column of the output needs so that no text of
 * these `count` points can be cut: MGRS, IFBL and Error.  Any pointer may
 * be null.  MORVANE_OK or a negative code (the input is checked as the
 * batch call checks it). */
MORVANE_C_API int morvane_batch_widths(const morvane_batch_input* input, ptrdiff_t count,
                                       size_t* mgrs_width, size_t* ifbl_width,
                                       size_t* error_width);

/* Converts `count` points, each exactly as a fresh object with the input's
 * settings would convert it (the same bits), on `threads` threads: 1 is
 * the calling thread, 0 every core.  Any number of threads may call it at
 * once.  A point that names no position gets its message in Error, and a
 * point whose conversion fails its kind in Failure; neither stops the
 * call.  The call as a whole is refused, before anything is written, with
 * a negative code for arguments that make no sense: a null input or
 * output, a null column of the kind, a negative count, an input kind
 * outside 1..6, a datum outside 1..5, a negative thread count, or a text
 * column narrower than morvane_batch_widths says.  Returns MORVANE_OK or
 * a negative code (MORVANE_E_NO_MEMORY when memory ran out on the way,
 * which may leave some points unwritten). */
MORVANE_C_API int morvane_convert_batch(const morvane_batch_input* input,
                                        const morvane_batch_output* output, ptrdiff_t count,
                                        int threads);

/* More of the batch call: outputs beyond those of morvane_batch_output and
 * a progress callback.  Later versions extend this structure at its end
 * only; `size` says how much of it the caller knows (set it to
 * sizeof(morvane_batch_extra)).  Null arrays are not written. */
typedef struct morvane_batch_extra {
  size_t size;
  /* The UTM zone (1..60) and hemisphere ('N' or 'S') of each point's MGRS
   * reference; 0 and 0 where the point has none. */
  int16_t* UtmZone;
  char* Hemisphere;
  /* Called on the calling thread after each chunk of points (a few
   * thousand) with how many are done; a non-zero return stops the call,
   * which returns MORVANE_E_STOPPED with the points after the last chunk
   * unwritten.  Null: no calls. */
  int (*Progress)(void* context, ptrdiff_t done);
  void* ProgressContext;

  /* ---- Version 2 (0.3.0): Belgium's systems of today ----
   * Read only when `size` covers them.  With the defaults (shift method,
   * no heights, null columns) and the object's kinds and datums, every
   * output is the object's, as in version 1. */
  int32_t Method;             /* MORVANE_METHOD_SHIFT or MORVANE_METHOD_GRID */
  int32_t HeightKind;         /* MORVANE_HEIGHT_...: what Height holds */
  const double* Height;       /* input heights, one per point (read unless HEIGHT_NONE) */
  /* Outputs, NaN (Route 0) for a point with a message or a failure: */
  double* X2008;              /* Belgian Lambert 2008 (EPSG:3812), metres */
  double* Y2008;
  double* EllipsoidalHeight;  /* ETRS89 ellipsoidal height (with a height input) */
  double* OstendHeight;       /* Ostend height, EPSG:5710 (with a height input) */
  int32_t* Route;             /* the steps of the point's datum changes (morvane_step_at) */
  double* Accuracy;           /* their stated accuracy, metres (morvane_route_accuracy) */
} morvane_batch_extra;

/* The size of version 1 of morvane_batch_extra, which callers built
 * before 0.3.0 pass. */
#define MORVANE_BATCH_EXTRA_V1_SIZE (offsetof(morvane_batch_extra, ProgressContext) + sizeof(void*))

/* morvane_batch_widths for a call with `extra` (null: none): the Error
 * column must also hold the messages of today's systems. */
MORVANE_C_API int morvane_batch_widths_extra(const morvane_batch_input* input,
                                             const morvane_batch_extra* extra, ptrdiff_t count,
                                             size_t* mgrs_width, size_t* ifbl_width,
                                             size_t* error_width);

/* The national agency's grids.  Native builds carry them; the WebAssembly
 * module is handed them (the file morvane_grids.bin of its package) before
 * the first conversion that needs them.  morvane_load_grids: MORVANE_OK or
 * MORVANE_E_NULL_POINTER (null, or bytes that are not the grid table);
 * morvane_grids_loaded: 1 when the grids are there. */
MORVANE_C_API int morvane_load_grids(const void* data, size_t size);
MORVANE_C_API int morvane_grids_loaded(void);

/* morvane_convert_batch with the extra outputs and progress of `extra`
 * (null: none).  A `size` smaller than the first version of the structure
 * is refused with MORVANE_E_NULL_POINTER. */
MORVANE_C_API int morvane_convert_batch_extra(const morvane_batch_input* input,
                                              const morvane_batch_output* output,
                                              const morvane_batch_extra* extra, ptrdiff_t count,
                                              int threads);

/* ---- Rows that say their own kind and datum -------------------------- */
/* A table's rows, each converted as the batch call converts a point, where
 * a row may say in which kind its point is written (Darwin Core's
 * verbatimCoordinates and verbatimCoordinateSystem) and on which datum
 * (verbatimSRS, geodeticDatum).  Each row's point is converted exactly as a
 * fresh object with the row's kind and datum converts it. */
typedef struct morvane_rows_input {
  size_t size;                     /* sizeof(morvane_rows_input) */
  /* verbatimCoordinates of each row (UTF-8), or null: every row reads the
   * batch input's columns.  Degrees as "50.8467, 4.3525", "50.8467N
   * 4.3525E", "50 50 48.1 N, 4 21 9 E" or 50°50'48.1"N 4°21'9"E (read as
   * DMS when whole degrees and minutes come with seconds, as decimal
   * degrees otherwise); Lambert X and Y as "149186.41, 170810.74"
   * ("X=... Y=..." in either order; decimal commas with ';' or blanks
   * between the two); MGRS references and IFBL codes as the object takes
   * them.  A null entry is an empty text. */
  const char* const* Coordinates;
  /* verbatimCoordinateSystem of each row, or null: morvane_kind_of_system;
   * an empty entry takes the batch input's OrigType. */
  const char* const* Systems;
  /* The datum of each row's coordinates, or null: morvane_datum_of_srs;
   * an empty entry (or "unknown", "not recorded") takes the batch input's
   * DatumFrom. */
  const char* const* Datums;
  /* Outputs, each a column of `count` entries or null: the kind and datum
   * each row was read with (0 for a row that names neither). */
  int32_t* KindsRead;
  int32_t* DatumsRead;
} morvane_rows_input;

/* morvane_batch_widths_extra for these rows: the Error column also holds
 * the messages of rows that name no kind or datum. */
MORVANE_C_API int morvane_rows_widths(const morvane_batch_input* input,
                                      const morvane_rows_input* rows,
                                      const morvane_batch_extra* extra, ptrdiff_t count,
                                      size_t* mgrs_width, size_t* ifbl_width,
                                      size_t* error_width);

/* Converts `count` rows: the batch input gives the datums, precisions and
 * the default kind (0 is allowed with Coordinates: then a row without its
 * system gets the object's message for an unknown kind), and, without
 * Coordinates, the columns.  A row whose kind or datum is not known, or
 * whose text is not one of its kind, gets its message in Error and is not
 * converted: its numbers are NaN (0 for the DMS fields), its texts empty.
 * Otherwise as morvane_convert_batch_extra (`extra` may be null; its
 * Progress is called after each group of rows of one kind and datum). */
MORVANE_C_API int morvane_convert_rows(const morvane_batch_input* input,
                                       const morvane_rows_input* rows,
                                       const morvane_batch_output* output,
                                       const morvane_batch_extra* extra, ptrdiff_t count,
                                       int threads);

/* ---- Squares --------------------------------------------------------- */
/* An IFBL code or an MGRS reference names a square: its corners in its own
 * grid (Lambert 72 for IFBL, UTM for MGRS), its centre, its sides, the same
 * in latitude/longitude on a datum, and the radius that covers it.  An MGRS
 * square cut by the edge of its grid zone (a zone or band edge, Norway and
 * Svalbard included) is the part inside the zone, with corners where the
 * edge cuts it. */

#define MORVANE_SQUARE_MAX_CORNERS 12

typedef struct morvane_square_request {
  size_t size;          /* sizeof(morvane_square_request) */
  int32_t kind;         /* MORVANE_mvIFBL or MORVANE_mvMgrs */
  int32_t datum_code;   /* MGRS: the datum the reference is on (IFBL codes are on BD72) */
  int32_t datum_known;  /* 0: the code's datum is not known; the uncertainty then adds the
                         * spread of the reference's centre over the datums */
  int32_t datum_out;    /* the datum of the latitudes and longitudes (1..5) */
  int32_t method;       /* MORVANE_METHOD_SHIFT or MORVANE_METHOD_GRID */
  int32_t densify;      /* points added along each edge of the outline, 0..1000 */
} morvane_square_request;

typedef struct morvane_square {
  int16_t zone;         /* MGRS: the UTM zone; IFBL: 0 */
  char hemisphere;      /* MGRS: 'N' or 'S'; IFBL: 0 */
  double width, height; /* metres in the grid (an IFBL code of two characters names 32 x 20 km) */
  double centre_x, centre_y;                  /* in the grid */
  double centre_latitude, centre_longitude;   /* degrees on datum_out */
  int32_t corner_count;                       /* 4, more when cut */
  double corner_x[MORVANE_SQUARE_MAX_CORNERS], corner_y[MORVANE_SQUARE_MAX_CORNERS];
  double corner_latitude[MORVANE_SQUARE_MAX_CORNERS], corner_longitude[MORVANE_SQUARE_MAX_CORNERS];
  double radius;        /* metres on datum_out's ellipsoid from the centre to the farthest
                         * corner, rounded up */
  double uncertainty;   /* coordinateUncertaintyInMeters: radius, plus the datums' spread when
                         * the code's datum is not known, rounded up */
  int32_t cut;          /* 1 when the square is cut by its grid zone's edges */
  int32_t route;        /* the steps of the datum change (morvane_step_at) */
} morvane_square;

/* The square `code` names.  MORVANE_OK, with the message in `error` (the
 * object's messages for a code that names no square, the grid's outside it)
 * and the square zeroed, or with an empty `error` and the square; a failure
 * kind 1..5 on a floating-point fault; a negative code for a null code or
 * request, a kind that is not IFBL or MGRS, a datum or method outside its
 * table, densify outside 0..1000.  Corners run counter-clockwise from the
 * south-west. */
MORVANE_C_API int morvane_square_of(const char* code, const morvane_square_request* request,
                                    morvane_square* square, char* error, size_t error_size);
/* The outline on datum_out as a closed ring (its first point again at its
 * end), counter-clockwise, with `densify` points along each edge (along
 * the zone's meridian or parallel where a cut made the edge): the number
 * of points, written when they fit in `capacity`; 0 for a code that gets a
 * message or whose computation fails (morvane_square_of says which); a
 * negative code as above. */
MORVANE_C_API ptrdiff_t morvane_square_outline(const char* code,
                                               const morvane_square_request* request,
                                               double* longitude, double* latitude,
                                               size_t capacity);
/* The square as JSON texts, copied as the text gets copy them (full length
 * returned): the Darwin Core terms (decimalLatitude, decimalLongitude,
 * geodeticDatum, coordinateUncertaintyInMeters, footprintWKT, footprintSRS,
 * verbatimCoordinates, verbatimCoordinateSystem, verbatimSRS,
 * georeferenceProtocol) and Error, as one object; or a GeoJSON Feature
 * (Polygon, right-hand rule, longitude first) whose properties are the same
 * terms with the code's grid and zone.  A code with a message gives its
 * verbatim terms and Error (and a Feature without geometry). */
MORVANE_C_API ptrdiff_t morvane_square_darwin_core(const char* code,
                                                   const morvane_square_request* request,
                                                   char* json, size_t size);
MORVANE_C_API ptrdiff_t morvane_square_geojson(const char* code,
                                               const morvane_square_request* request, char* json,
                                               size_t size);

#ifdef __cplusplus
}
#endif

#endif /* MORVANE_MORVANE_H */
