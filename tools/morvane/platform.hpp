// What the tool's input and output need from the platform beyond POSIX
// read and write: on Windows, standard streams in binary mode and UTF-8 on
// the console.  Nothing to do elsewhere.
#pragma once

#include <fcntl.h>

#include <cstddef>
#include <string>

namespace morvane::cli {

// Flags of open() for an input file: read-only, not inherited by child
// processes, and on Windows in binary mode (no translation of line ends).
#ifdef _WIN32
inline constexpr int kOpenForReading = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
inline constexpr int kOpenForReading = O_RDONLY | O_CLOEXEC;
#endif

// Windows: standard input, output and error in binary mode, so that lines
// end in "\n" and are read byte for byte, as on every other system; text
// written to a console is UTF-8.  Does nothing elsewhere.
void PrepareStandardStreams();

// The first `limit` bytes of a regular file (fewer when it is shorter),
// empty when it cannot be read or is not a regular file (a pipe, a
// device), which reading would consume.
std::string FirstBytes(const std::string& path, std::size_t limit = 64 * 1024);

}  // namespace morvane::cli
