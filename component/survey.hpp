// The batch call's route for Belgium's systems of today: ETRS89, Lambert
// 2008, the agency's grid and heights, beside the object.  A point goes
// through the object wherever the object computes what is asked (its kinds
// and datums, the three-parameter method), so its outputs keep the
// object's bits; the route adds Lambert 2008, heights and the Route of its
// datum changes.  Otherwise the object reads the input (its checks and
// messages) and makes the outputs of a position on the destination datum,
// and the datum changes between them are the route's own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <morvane/batch.hpp>
#include <morvane/survey.hpp>

#include "component/datum_route.hpp"
#include "component/zediz_state.hpp"

namespace morvane::survey {

// The version-2 fields of a BatchExtra, or their defaults when the
// caller's structure is older (or there is none).
struct Options {
  std::int32_t method = MORVANE_METHOD_SHIFT;
  std::int32_t heightKind = MORVANE_HEIGHT_NONE;
  const double* height = nullptr;
  double* x2008 = nullptr;
  double* y2008 = nullptr;
  double* ellipsoidalHeight = nullptr;
  double* ostendHeight = nullptr;
  std::int32_t* route = nullptr;
  double* accuracy = nullptr;
};
Options OptionsOf(const BatchExtra* extra);

// MORVANE_OK, or the code that refuses the options as a whole.
int CheckOptions(const Options& options);

// Whether a call takes this route: a kind or datum the object does not
// take, the grid method, heights, or an output of version 2.
bool Needed(const BatchInput& input, const Options& options);

// The longest message of this route.
std::size_t LongestMessage();

class Converter {
 public:
  // `object` is the batch's object, with the input's precisions;
  // `objectOutputs` says whether any of the object's outputs is asked for
  // (without, the object does not make them for positions it did not read).
  Converter(ZedizAdo::State& object, const BatchInput& input, const Options& options,
            bool objectOutputs);

  // Converts point i: the object's fields hold its outputs, the options'
  // columns are written.  Its failure kind, or 0.
  std::int32_t Convert(std::size_t i);

 private:
  struct Extras;
  using Position = route::Position;
  // The route of one point; throws Failure.  A message is left in the
  // object's Error (and the extras untouched).
  void Run(std::size_t i, Extras& extras);
  bool ObjectRoute() const;
  // The object fresh, on the given datums; OrigType as given.
  void Fresh(std::int32_t from, std::int32_t to);
  void Message(const char* text);
  // Moves a position between datums by the call's method, adding the steps
  // taken to the route; false with a message when it cannot.
  bool Change(Position from, std::int32_t fromDatum, std::int32_t toDatum, Position& to,
              std::int32_t& route);
  void PutExtras(std::size_t i, const Extras& extras) const;

  ZedizAdo::State& o_;
  const BatchInput& input_;
  Options options_;
  bool objectOutputs_;
  std::string text_;
  std::size_t current_ = 0;  // the point being converted
};

}  // namespace morvane::survey
