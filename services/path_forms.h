#pragma once
#include <windows.h>

namespace services {

// The forms in which the kernel-level file code hands a path to Windows.
// The literal form ("\\?\C:\games\velmora", "\\?\UNC\server\share\velmora")
// is taken by the wide file calls as it stands and at any length; the
// native form ("\??\C:\games\velmora") is the same path as the kernel's own
// calls take it. Neither says which file is the real one: that is
// final_path.h's and file_identity.h's business, and how a text of the ANSI
// code page becomes a wide path is code_page.h's.

// Room for any path Windows knows, in characters, with its zero.
constexpr DWORD LONG_PATH_ROOM = 32768;

constexpr wchar_t LITERAL_PREFIX[] = L"\\\\?\\";
constexpr wchar_t LITERAL_UNC_PREFIX[] = L"\\\\?\\UNC\\";
constexpr DWORD LITERAL_PREFIX_LENGTH = 4;
constexpr DWORD LITERAL_UNC_PREFIX_LENGTH = 8;

// The full path of a path (relative to the current directory, or full) in
// the literal form; its length in characters, 0 when it does not fit the
// room. A path that is literal, or a device path, already stays as it is.
DWORD LiteralPathOf(const wchar_t* path, wchar_t* literal, DWORD room);
// The same path in the native form.
DWORD NativePathOf(const wchar_t* path, wchar_t* native, DWORD room);
// How many characters of a literal path are its prefix.
DWORD LiteralPrefixLength(const wchar_t* literal);
// A full path ("C:\games", "\\server\share") in the literal form, only
// prefixed: resolving it again would drop a trailing blank or dot of a name.
// A new text in the main heap; nullptr when it cannot be made.
wchar_t* LiteralFormInHeap(const wchar_t* full);

}  // namespace services
