// Where the fields of the batch call's and the squares' structs lie in this build's memory,
// for the JavaScript wrapper, which fills them in place: it asks once
// instead of spelling the layout out a second time.
#include <morvane/morvane.h>

#include <cstddef>
#include <cstdint>

namespace {

#define MORVANE_OFFSET(Struct, Field) static_cast<std::int32_t>(offsetof(Struct, Field))

constexpr std::int32_t kLayout[] = {
    // morvane_batch_input: its size, then its fields in declaration order.
    sizeof(morvane_batch_input),
    MORVANE_OFFSET(morvane_batch_input, OrigType),
    MORVANE_OFFSET(morvane_batch_input, DatumFrom),
    MORVANE_OFFSET(morvane_batch_input, DatumDest),
    MORVANE_OFFSET(morvane_batch_input, mgrsPrecision),
    MORVANE_OFFSET(morvane_batch_input, IfblPrecision),
    MORVANE_OFFSET(morvane_batch_input, Latitude),
    MORVANE_OFFSET(morvane_batch_input, Longitude),
    MORVANE_OFFSET(morvane_batch_input, LatDmsDeg),
    MORVANE_OFFSET(morvane_batch_input, LatDmsMin),
    MORVANE_OFFSET(morvane_batch_input, LatDmsSec),
    MORVANE_OFFSET(morvane_batch_input, LonDmsDeg),
    MORVANE_OFFSET(morvane_batch_input, LonDmsMin),
    MORVANE_OFFSET(morvane_batch_input, LonDmsSec),
    MORVANE_OFFSET(morvane_batch_input, X),
    MORVANE_OFFSET(morvane_batch_input, Y),
    MORVANE_OFFSET(morvane_batch_input, Texts),
    MORVANE_OFFSET(morvane_batch_input, TextData),
    MORVANE_OFFSET(morvane_batch_input, TextWidth),
    // morvane_batch_output.
    sizeof(morvane_batch_output),
    MORVANE_OFFSET(morvane_batch_output, Latitude),
    MORVANE_OFFSET(morvane_batch_output, Longitude),
    MORVANE_OFFSET(morvane_batch_output, LatDmsDeg),
    MORVANE_OFFSET(morvane_batch_output, LatDmsMin),
    MORVANE_OFFSET(morvane_batch_output, LatDmsSec),
    MORVANE_OFFSET(morvane_batch_output, LonDmsDeg),
    MORVANE_OFFSET(morvane_batch_output, LonDmsMin),
    MORVANE_OFFSET(morvane_batch_output, LonDmsSec),
    MORVANE_OFFSET(morvane_batch_output, X),
    MORVANE_OFFSET(morvane_batch_output, Y),
    MORVANE_OFFSET(morvane_batch_output, Northing),
    MORVANE_OFFSET(morvane_batch_output, Easting),
    MORVANE_OFFSET(morvane_batch_output, MGRS.data),
    MORVANE_OFFSET(morvane_batch_output, MGRS.width),
    MORVANE_OFFSET(morvane_batch_output, IFBL.data),
    MORVANE_OFFSET(morvane_batch_output, IFBL.width),
    MORVANE_OFFSET(morvane_batch_output, Error.data),
    MORVANE_OFFSET(morvane_batch_output, Error.width),
    MORVANE_OFFSET(morvane_batch_output, Failure),
    // morvane_batch_extra (its size is what the call is told in `size`).
    sizeof(morvane_batch_extra),
    MORVANE_OFFSET(morvane_batch_extra, UtmZone),
    MORVANE_OFFSET(morvane_batch_extra, Hemisphere),
    MORVANE_OFFSET(morvane_batch_extra, Progress),
    MORVANE_OFFSET(morvane_batch_extra, ProgressContext),
    // Its version 2: Belgium's systems of today.
    MORVANE_OFFSET(morvane_batch_extra, Method),
    MORVANE_OFFSET(morvane_batch_extra, HeightKind),
    MORVANE_OFFSET(morvane_batch_extra, Height),
    MORVANE_OFFSET(morvane_batch_extra, X2008),
    MORVANE_OFFSET(morvane_batch_extra, Y2008),
    MORVANE_OFFSET(morvane_batch_extra, EllipsoidalHeight),
    MORVANE_OFFSET(morvane_batch_extra, OstendHeight),
    MORVANE_OFFSET(morvane_batch_extra, Route),
    MORVANE_OFFSET(morvane_batch_extra, Accuracy),
    // morvane_square_request: its size, then its fields.
    sizeof(morvane_square_request),
    MORVANE_OFFSET(morvane_square_request, size),
    MORVANE_OFFSET(morvane_square_request, kind),
    MORVANE_OFFSET(morvane_square_request, datum_code),
    MORVANE_OFFSET(morvane_square_request, datum_known),
    MORVANE_OFFSET(morvane_square_request, datum_out),
    MORVANE_OFFSET(morvane_square_request, method),
    MORVANE_OFFSET(morvane_square_request, densify),
    // morvane_square.
    sizeof(morvane_square),
    MORVANE_OFFSET(morvane_square, zone),
    MORVANE_OFFSET(morvane_square, hemisphere),
    MORVANE_OFFSET(morvane_square, width),
    MORVANE_OFFSET(morvane_square, height),
    MORVANE_OFFSET(morvane_square, centre_x),
    MORVANE_OFFSET(morvane_square, centre_y),
    MORVANE_OFFSET(morvane_square, centre_latitude),
    MORVANE_OFFSET(morvane_square, centre_longitude),
    MORVANE_OFFSET(morvane_square, corner_count),
    MORVANE_OFFSET(morvane_square, corner_x),
    MORVANE_OFFSET(morvane_square, corner_y),
    MORVANE_OFFSET(morvane_square, corner_latitude),
    MORVANE_OFFSET(morvane_square, corner_longitude),
    MORVANE_OFFSET(morvane_square, radius),
    MORVANE_OFFSET(morvane_square, uncertainty),
    MORVANE_OFFSET(morvane_square, cut),
    MORVANE_OFFSET(morvane_square, route),
    // And the room of its corner columns.
    MORVANE_SQUARE_MAX_CORNERS,
};

}  // namespace

extern "C" __attribute__((used)) const std::int32_t* morvane_web_layout() { return kLayout; }
