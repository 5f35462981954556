#include <string>

#include <morvane/names.hpp>
#include "tools/morvane/commands.hpp"
#include "tools/morvane/squares.hpp"

namespace morvane::cli {

int Square(const SquareSettings& settings, const SquareArgs& args) {
  // The core checks the requests of both kinds before any code is looked at.
  for (InputKind kind : {InputKind::Ifbl, InputKind::Mgrs}) {
    const int status = CheckSquareRequest(SquareRequest(settings, kind));
    if (status != MORVANE_OK) {
      Complain(std::string("the square's settings are refused: ") + morvane_failure_name(status));
      return kUsage;
    }
  }
  const SquareText text = args.geojson ? SquareText::GeoJson
                          : args.json  ? SquareText::DarwinCore
                                       : SquareText::None;
  OutBuffer out;
  bool problems = false;
  if (args.geojson) out.Append(kCollectionStart);
  for (std::size_t i = 0; i < args.codes.size(); ++i) {
    const std::string& code = args.codes[i];
    const InputKind kind = args.ifbl ? InputKind::Ifbl : args.mgrs ? InputKind::Mgrs : KindOfCode(code);
    const morvane_square_request request = SquareRequest(settings, kind);
    const SquareAnswer answer = FindSquare(code, request, text);
    problems = problems || !answer.Found();
    if (args.geojson) {
      out.Append(FeatureSeparator(i == 0));
      if (answer.status == MORVANE_OK) out.Append(answer.text);
      else AppendProblemFeature(answer.Problem(), {}, out);
    } else if (args.json) {
      WriteSquareJson(request, answer, out);
    } else {
      if (i) out.Append('\n');
      WriteSquareTable(code, kind, request, answer, out);
    }
  }
  if (args.geojson) out.Append(kCollectionEnd);
  Print(out.View());
  return problems ? kSomeFailed : kOk;
}

}  // namespace morvane::cli
