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

// The text as the system's own ANSI calls take it: bytes that are no text of
// the code page become its stand-in character (U+30FB under 932). For what
// Windows or the game make of such bytes: the game's command line, which
// still starts the game with a name the settings file brought from another
// code page, and the folder another character's name leads to. Never for a
// name the launcher acts on. Its length in characters, 0 when it is empty
// or does not fit.
DWORD WideTextAsWindowsReadsIt(const char* text, wchar_t* wide, DWORD room);

// The path followed by a text of the system's ANSI code page, as a new wide
// text in the main heap; nullptr when it cannot be made.
wchar_t* JoinedPathInHeap(const wchar_t* path, const char* more);

}  // namespace services
