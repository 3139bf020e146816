#include "services/folder_aliases.h"

#include <cwchar>

#include "foundation/owned_handles.h"

namespace services {
namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool SameName(const wchar_t* one, const wchar_t* other) {
  return wcslen(one) == wcslen(other) &&
         CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, one, -1, other, -1) == CSTR_EQUAL;
}

// Where the path really leads, links followed; empty where that cannot be told.
void FinalPathAt(const wchar_t* path, wchar_t (&finalPath)[FINAL_PATH_ROOM]) {
  finalPath[0] = L'\0';
  const foundation::OwnedHandle open(
      CreateFileW(path, 0, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (open) FinalPathOf(open.get(), finalPath);
}

void AddName(FolderAliases* folder, const wchar_t* name) {
  if (!*name) return;
  if (folder->count == FOLDER_ALIAS_ROOM) {
    folder->overflow = true;
    return;
  }
  wcscpy(folder->names[folder->count++], name);
}

// Adds the names of the links beside the folder that lead to it.
void AddLinksToFolder(FolderAliases* folder) {
  wchar_t path[MAX_PATH];
  const size_t parentLength = wcslen(folder->parent);
  if (parentLength + 1 >= MAX_PATH) return;
  wcscpy(path, folder->parent);
  wcscpy(path + parentLength, L"*");
  WIN32_FIND_DATAW found;
  const foundation::OwnedFind entries(FindFirstFileW(path, &found));
  if (!entries) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        parentLength + wcslen(found.cFileName) >= MAX_PATH) {
      continue;
    }
    wcscpy(path + parentLength, found.cFileName);
    wchar_t finalPath[FINAL_PATH_ROOM];
    FinalPathAt(path, finalPath);
    if (SameName(finalPath, folder->finalPath)) {
      AddName(folder, found.cFileName);
      AddName(folder, found.cAlternateFileName);
    }
  } while (FindNextFileW(entries.get(), &found));
}

}  // namespace

bool FindFolderAliases(const char* path, FolderAliases* folder) {
  *folder = {};
  wchar_t widePath[MAX_PATH];
  wchar_t* name = nullptr;
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH)) return false;
  const DWORD length = GetFullPathNameW(widePath, MAX_PATH, folder->parent, &name);
  if (length == 0 || length >= MAX_PATH || !name || wcspbrk(name, L"*?")) return false;
  WIN32_FIND_DATAW found;
  if (!foundation::OwnedFind(FindFirstFileW(folder->parent, &found))) return false;
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !SameName(found.cFileName, name)) {
    return false;
  }
  FinalPathAt(folder->parent, folder->finalPath);
  *name = L'\0';
  AddName(folder, found.cFileName);
  AddName(folder, found.cAlternateFileName);
  if (folder->finalPath[0]) AddLinksToFolder(folder);
  return true;
}

bool LeadsToFolder(const FolderAliases& folder, const char* name) {
  if (folder.overflow) return true;
  wchar_t wideName[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, MAX_PATH)) return false;
  for (size_t i = 0; i < folder.count; ++i) {
    if (SameName(wideName, folder.names[i])) return true;
  }
  // A name that holds a separator or a drive, or that Windows shortens (by
  // its trailing dots and blanks), may still lead to the folder.
  const size_t length = wcslen(wideName);
  if (!wcspbrk(wideName, L"\\/:") &&
      (length == 0 || (wideName[length - 1] != L'.' && wideName[length - 1] != L' '))) {
    return false;
  }
  wchar_t path[MAX_PATH];
  wchar_t fullPath[MAX_PATH];
  const size_t parentLength = wcslen(folder.parent);
  if (parentLength + length >= MAX_PATH) return false;
  wcscpy(path, folder.parent);
  wcscpy(path + parentLength, wideName);
  if (folder.finalPath[0]) {
    wchar_t finalPath[FINAL_PATH_ROOM];
    FinalPathAt(path, finalPath);
    return SameName(finalPath, folder.finalPath);
  }
  // Where final paths cannot be told, by the name the path comes to.
  const DWORD fullLength = GetFullPathNameW(path, MAX_PATH, fullPath, nullptr);
  if (fullLength == 0 || fullLength >= MAX_PATH) return false;
  wcscpy(path + parentLength, folder.names[0]);
  return SameName(fullPath, path);
}

}  // namespace services
