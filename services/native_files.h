#pragma once
#include <windows.h>
// after windows.h, which it needs
#include <winternl.h>

#include <cstddef>

#include "services/path_forms.h"

namespace services {

// The kernel's own file calls (ntdll, part of every Windows NT) for what the
// file calls of kernel32 cannot do on every Windows since XP: open a name
// relative to an open folder without following a link, tell the kernel's
// name of an open file, and move or delete the very file a handle is open
// on. They are looked up once per run; where one is missing (never seen),
// the operations fail with ERROR_CALL_NOT_IMPLEMENTED. Every operation
// keeps the Win32 error code of a failure as the last error.
//
// The real file, as this room knows it: the kernel's name of an open file is
// where the open really led, links followed, on its device
// ("\Device\HarddiskVolume2\games\velmora\game\Anna"; Wine gives
// "\??\Z:\..."), told in one request. A caller uses it to see that what it
// opened lies directly in the folder it opened it from, under the name it
// asked for. It keeps the case and the short names it was asked by, so it
// does not tell two spellings of one folder apart: final_path.h and
// file_identity.h do.

// Every kind of sharing: such an open keeps no one from anything.
constexpr ULONG SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens the entry of that name in the open folder, as itself where it is a
// link, and only when it is of the kind asked for (FILE_DIRECTORY_FILE or
// FILE_NON_DIRECTORY_FILE); nullptr otherwise. The name is matched without
// regard to case, as the file calls match it.
HANDLE OpenInFolder(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG share,
                    ULONG kind);

// A kernel name with room for the longest path.
struct KernelName {
  OBJECT_NAME_INFORMATION header;
  wchar_t room[LONG_PATH_ROOM];
};
// The kernel's name of the open file or folder, without a final backslash
// (a drive's root has one): its text in `name->header.Name.Buffer` and its
// length in characters; 0 when it cannot be told.
size_t KernelNameOf(HANDLE open, KernelName* name);

// True when the open file or folder is a link (a reparse point), and when
// that cannot be told.
bool IsLinkOrUnknown(HANDLE open);
// The open file's attributes (FILE_ATTRIBUTE_...) and how many names it has
// (hard links); false when they cannot be told.
bool AttributesOf(HANDLE open, DWORD* attributes);
bool LinkCountOf(HANDLE open, ULONG* links);
// Sets the open file's attributes; its times stay. Needs FILE_WRITE_ATTRIBUTES.
bool SetAttributesOf(HANDLE open, DWORD attributes);

// Deletes the open file or empty folder once its last handle is closed.
// Needs DELETE access.
bool DeleteOpenFile(HANDLE open);
// Gives the open file the path (relative to the current directory, or full,
// on the same volume), replacing a file that has it. Needs DELETE access.
bool RenameOpenFile(HANDLE open, const wchar_t* path);

}  // namespace services
