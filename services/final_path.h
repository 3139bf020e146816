#pragma once
#include <windows.h>

namespace services {

// Where an open file or folder really is: its final path, links followed and
// each part spelt as it is on disk (its case, its long name), as Windows
// gives it ("\\?\C:\games\velmora"; Wine gives the path of a Unix symbolic
// link's target). Two names lead to the same file exactly when their final
// paths are the same text, without regard to case. A caller uses it to tell
// whether two names lead to one file, and to key what belongs to a file.
// Windows XP lacks the call (it is looked up at run time) and a few file
// systems cannot answer it: there callers compare identities instead
// (file_identity.h).

// The final path into `path` (room characters, with its zero); false, with
// `path` empty, where it cannot be told.
bool FinalPathOf(HANDLE open, wchar_t* path, DWORD room);

// Opens what the path (full, or relative to the current directory) leads
// to, links followed, a file or a folder, only to tell where it really is
// or which file it is (file_identity.h): no access, shared with all.
// nullptr, with the last error, when it cannot be opened.
HANDLE OpenToLookAt(const wchar_t* path);

// Makes final paths unknown for the rest of the run, as on Windows XP, or
// known again where the system tells them: for tests of the fallbacks.
void SetFinalPathsKnown(bool known);

}  // namespace services
