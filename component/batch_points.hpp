// The batch call's reading of its input, shared by its routes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <morvane/batch.hpp>

#include "component/zediz_state.hpp"

namespace morvane {

// The text of point i of a text column of the input.
std::string_view TextAt(const BatchInput& input, std::size_t i);

// Puts point i of the input into an object's state: its kind and the
// properties the kind reads, through the same puts a client makes (the
// texts tidied as the MGRS and IFBL puts tidy them).  The one place that
// knows which columns an object's kind reads.
void PutPointOn(ZedizAdo::State& o, const BatchInput& input, std::size_t i, std::string& text);

}  // namespace morvane
