#pragma once
#include <windows.h>

#include <cstddef>

#include "services/file_identity.h"
#include "services/path_forms.h"

namespace services {

// The names by which a folder is reached from the folder that holds it.
// Windows matches names without regard to case and by their short (8.3)
// aliases, a link beside the folder may lead to it as well, and a name with
// a separator or with trailing dots or blanks may come to it. The real
// folder is the one its final path names (final_path.h), or where that
// cannot be told, the one of its identity (file_identity.h); a caller asks
// this room whether a name, taken in the parent, leads to that folder.
constexpr size_t FOLDER_ALIAS_ROOM = 8;
struct FolderAliases {
  wchar_t parent[LONG_PATH_ROOM];     // full path of the folder holding it, with a backslash
  wchar_t finalPath[LONG_PATH_ROOM];  // where it really is; empty where that cannot be told
  FileIdentity identity;
  // Its own name, its short alias and the names of links beside it that lead
  // to it (or whose target cannot be told).
  wchar_t names[FOLDER_ALIAS_ROOM][MAX_PATH];
  size_t count;
  bool overflow;  // more names lead to it than are kept
};

// Finds the folder that the path (full, or relative to the current
// directory) names when the path's last part is the folder's own name as
// it stands in its parent, compared without regard to case; false when
// there is no such folder, when the path reaches one by a short alias or as
// a link, and when it cannot be told which folder it is. Large: the caller
// keeps it in the heap.
bool FindFolderAliases(const wchar_t* path, FolderAliases* folder);
// True when the name (ANSI code page, read as Windows reads it and judged as
// characters: code_page.h, file_names.h), taken in the folder's parent,
// leads to the folder, or may: where that cannot be told (links beside it
// that could not be listed, a name too long to read), it counts as leading.
bool LeadsToFolder(const FolderAliases& folder, const char* name);

}  // namespace services
