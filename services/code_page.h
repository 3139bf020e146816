#pragma once
#include <windows.h>

namespace services {

// Which code page? The launcher's own texts (the characters' names in the
// settings file, the game's arguments, the relative paths of the
// installation's files) are bytes of the system's ANSI code page, which may
// be a double-byte one (932, 936, 949, 950) whose second bytes include '\'
// and '|'. Such a text is never judged byte by byte: it is widened here,
// once, and what is done with it is done on its characters. Widening is
// strict: a text whose bytes are no text of the code page (a lone lead byte
// at its end, say) is refused, never guessed at, since the guess of the
// system's ANSI calls may name another file than the bytes meant.

// The text as a wide text; its length in characters, 0 when it is empty,
// does not fit the room or is no text of the code page (CP_ACP: the
// system's).
DWORD WideTextOf(const char* text, wchar_t* wide, DWORD room, UINT codePage = CP_ACP);

// The path followed by a text of the system's ANSI code page, as a new wide
// text in the main heap; nullptr when it cannot be made.
wchar_t* JoinedPathInHeap(const wchar_t* path, const char* more);

}  // namespace services
