#pragma once
#include <cstddef>
#include <cstdint>

namespace services {

// One parameter of a command line: where it begins in the line and how many
// bytes it has (it is not zero-terminated there).
struct CommandLinePiece {
  const char* text;
  size_t length;
};

// The parameter numbered `index` of the command line (1 the first after the
// program path, 0 the program path); the empty piece when there is none.
// Only the space separates parameters. One that begins with a double quote
// runs to the next double quote, or to the end of the line; there are no
// escapes, and the next parameter may follow the closing quote directly.
// Any other parameter runs to the next space, quotes in it being ordinary.
CommandLinePiece CommandLineParameter(const char* commandLine, int32_t index);

// Hands out the parameters the program was started with, one per call, after
// the program path: the first call gives the first parameter, the second call
// the second, and so on; the empty text once there are no more. Every call
// counts, whether it found a parameter or not.
//
// The result is a string result: it is written at the scratch position (cut
// at what fits) and the position is left on its terminating zero. Returns
// where it begins, the caller's mark.
char* NextCommandLineArgument();
// Starts handing out from the first parameter again.
void ResetCommandLineCursor();

}  // namespace services
