#include "services/directory_removal.h"

#include <windows.h>

#include <cstring>

namespace services {
namespace {

constexpr char ALL_FILES[] = "*.*";

// Writes `first` followed by `second` into a MAX_PATH buffer; false, with
// nothing written, when the two do not fit.
bool JoinPath(char (&path)[MAX_PATH], const char* first, const char* second) {
  const size_t firstLength = strlen(first);
  const size_t secondLength = strlen(second);
  if (firstLength + secondLength >= MAX_PATH) return false;
  memcpy(path, first, firstLength);
  memcpy(path + firstLength, second, secondLength + 1);
  return true;
}

bool IsDotEntry(const char* name) {
  return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

void RemoveEntry(const char* directory, const WIN32_FIND_DATAA& found, const char* pattern,
                 uint32_t flags) {
  char item[MAX_PATH];
  if (!JoinPath(item, directory, found.cFileName)) return;
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    // A linked directory leads outside; it is left alone.
    if ((flags & DIRREMOVE_DESCEND) && !IsDotEntry(found.cFileName) &&
        !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      DirectoryRemove(item, pattern, flags);
    }
    return;
  }
  if (flags & DIRREMOVE_CLEAR_ATTRIBUTES) SetFileAttributesA(item, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(item);
}

}  // namespace

int32_t DirectoryRemove(const char* path, const char* pattern, uint32_t flags) {
  if (!path || !*path) return 0;
  char directory[MAX_PATH];
  const bool endsInBackslash = path[strlen(path) - 1] == '\\';
  if (!JoinPath(directory, path, endsInBackslash ? "" : "\\")) return 0;
  if (!pattern || !*pattern) pattern = ALL_FILES;

  char search[MAX_PATH];
  if (!JoinPath(search, directory, pattern)) return 0;
  WIN32_FIND_DATAA found;
  HANDLE entries = FindFirstFileA(search, &found);
  if (entries == INVALID_HANDLE_VALUE) return 0;
  do {
    RemoveEntry(directory, found, pattern, flags);
  } while (FindNextFileA(entries, &found));
  FindClose(entries);

  if (flags & DIRREMOVE_CLEAR_ATTRIBUTES) SetFileAttributesA(directory, FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(directory) ? 1 : 0;
}

int32_t DirectoryRemove(const char* path, const char* pattern) {
  return DirectoryRemove(path, pattern, 0);
}

}  // namespace services
