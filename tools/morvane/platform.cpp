#include "tools/morvane/platform.hpp"

#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#endif

namespace morvane::cli {

#ifdef _WIN32
namespace {

// The console's output code page before the tool changed it: the console
// outlives the tool, and gets its own back at exit.
UINT ConsoleCodePage = 0;

void RestoreConsoleCodePage() { SetConsoleOutputCP(ConsoleCodePage); }

}  // namespace
#endif

void PrepareStandardStreams() {
#ifdef _WIN32
  for (std::FILE* stream : {stdin, stdout, stderr}) _setmode(_fileno(stream), _O_BINARY);
  // The messages are French and the tool writes UTF-8: a console shows it
  // as such.  Pipes and files get the bytes as written.
  ConsoleCodePage = GetConsoleOutputCP();
  if (ConsoleCodePage != 0 && ConsoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) {
    std::atexit(RestoreConsoleCodePage);
  }
#endif
}

std::string FirstBytes(const std::string& path, std::size_t limit) {
  // A pipe or a device would lose what is read here.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return {};
  std::ifstream file(path, std::ios::binary);
  std::string bytes(limit, '\0');
  if (!file) return {};
  file.read(bytes.data(), static_cast<std::streamsize>(limit));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

}  // namespace morvane::cli
