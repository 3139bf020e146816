#pragma once
#include <windows.h>

#include <cstddef>

#include "services/final_path.h"

namespace services {

// The names by which a folder is reached from the folder that holds it.
// Windows matches names without regard to case and by their short (8.3)
// aliases, and a link beside the folder may lead to it as well.
constexpr size_t FOLDER_ALIAS_ROOM = 8;
struct FolderAliases {
  wchar_t parent[MAX_PATH];            // full path of the folder holding it, with a backslash
  wchar_t finalPath[FINAL_PATH_ROOM];  // where it really is; empty where that cannot be told
  // Its own name, its short alias and the names of links beside it that lead to it.
  wchar_t names[FOLDER_ALIAS_ROOM][MAX_PATH];
  size_t count;
  bool overflow;  // more names lead to it than are kept
};

// Finds the folder that the path names when the path's last part is the
// folder's own name as it stands in its parent, compared without regard to
// case; false when there is no such folder, or when the path reaches one by
// a short alias or as a link.
bool FindFolderAliases(const char* path, FolderAliases* folder);
// True when the name, taken in the folder's parent, leads to the folder.
bool LeadsToFolder(const FolderAliases& folder, const char* name);

}  // namespace services
