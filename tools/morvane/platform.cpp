#include "tools/morvane/platform.hpp"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <initializer_list>
#endif

namespace morvane::cli {

void PrepareStandardStreams() {
#ifdef _WIN32
  for (std::FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
  // The messages are French and the tool writes UTF-8: the console shows
  // it as such (where it is a console at all; pipes and files get the
  // bytes as written).
  SetConsoleOutputCP(CP_UTF8);
#endif
}

}  // namespace morvane::cli
