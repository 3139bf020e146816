#pragma once

namespace launcher {

// The installation folder: the current directory at start, fixed then for
// the whole run. Others may move the current directory later (the shell does
// around a launch, and puts it back through the Win32 path rules, which drop
// a trailing blank or dot of the name: "inst " becomes its twin "inst"), so
// the files the launcher keeps there are addressed by full paths in the
// literal form, which take every name as it stands.

// Start-up: fixes the folder, the current directory now.
void FixInstallationFolder();
// The folder as the system gave it, in its wide form (the folder's real
// name, whatever the ANSI code page can spell); the shell's paths are built
// on it. nullptr when it could not be had.
const wchar_t* InstallationFolder();
// The folder in the literal form, ending in a backslash; nullptr when it
// could not be had.
const wchar_t* InstallationFolderLiteral();
// The literal full path of the file of that name directly in the folder, as
// a new text in the main heap; nullptr when it cannot be made.
wchar_t* InstallationFileInHeap(const char* name);

}  // namespace launcher
