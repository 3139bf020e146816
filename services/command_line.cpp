#include "services/command_line.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "foundation/strings.h"

namespace services {
namespace {

// Parameters handed out so far; never reset.
int32_t parameterCursor;

struct Token {
  const char* text;
  size_t length;
};

// Reads the token that begins at `p` and returns where the search for the
// next one begins. Only the space separates tokens. A token that begins with
// a double quote runs to the next double quote, which is consumed, or to the
// end of the line; there are no escapes, and the next token may follow the
// closing quote directly. Any other token runs to the next space, quotes
// inside it being ordinary characters.
const char* ReadToken(const char* p, Token* token) {
  const char end = *p == '"' ? '"' : ' ';
  if (end == '"') ++p;
  token->text = p;
  while (*p && *p != end) ++p;
  token->length = static_cast<size_t>(p - token->text);
  if (end == '"' && *p) ++p;
  return p;
}

}  // namespace

char* NextCommandLineArgument() {
  char* result = foundation::ScratchMark();
  const int32_t wanted = ++parameterCursor;
  // Token 0 is the program path. Blanks at the end of the line still begin
  // a token, an empty one, which reads the same as a missing parameter.
  const char* p = GetCommandLineA();
  Token token = {"", 0};
  bool found = false;
  for (int32_t number = 0; *p && !found; ++number) {
    while (*p == ' ') ++p;
    p = ReadToken(p, &token);
    found = number == wanted;
  }
  if (!found) token = {"", 0};
  foundation::AppendPieceToScratch(token.text, token.length);
  return result;
}

}  // namespace services
