#include "services/command_line.h"

#include <windows.h>

#include "foundation/strings.h"

namespace services {
namespace {

struct CommandLineState {
  int32_t parametersHandedOut;
};

CommandLineState commandLine;

// Reads the parameter that begins at `p` and returns where the search for
// the next one begins.
const char* ReadParameter(const char* p, CommandLinePiece* piece) {
  const char end = *p == '"' ? '"' : ' ';
  if (end == '"') ++p;
  piece->text = p;
  while (*p && *p != end) ++p;
  piece->length = static_cast<size_t>(p - piece->text);
  if (end == '"' && *p) ++p;
  return p;
}

}  // namespace

CommandLinePiece CommandLineParameter(const char* line, int32_t index) {
  // Blanks at the end of the line still begin a parameter, an empty one,
  // which reads the same as a missing parameter.
  CommandLinePiece piece = {"", 0};
  for (int32_t number = 0; *line; ++number) {
    while (*line == ' ') ++line;
    line = ReadParameter(line, &piece);
    if (number == index) return piece;
  }
  return {"", 0};
}

char* NextCommandLineArgument() {
  char* result = foundation::ScratchMark();
  const CommandLinePiece piece =
      CommandLineParameter(GetCommandLineA(), ++commandLine.parametersHandedOut);
  foundation::AppendPieceToScratch(piece.text, piece.length);
  return result;
}

void ResetCommandLineCursor() { commandLine = {}; }

}  // namespace services
