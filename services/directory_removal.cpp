#include "services/directory_removal.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "services/final_path.h"

namespace services {
namespace {

// The folder is listed and its entries are deleted with the wide calls on
// wide paths. A listed name converted to the ANSI code page can come back
// with a real separator in it (best-fit mapping turns U+FF3C and U+2216 into
// a backslash, U+FF0F into a slash), and joined to the folder it would name a
// file elsewhere. The "\\?\" prefix makes Windows take every name literally,
// so a listed name with trailing dots or blanks, or one such as CON, names
// that very entry and nothing else.
constexpr wchar_t ALL_FILES[] = L"*.*";
constexpr wchar_t LITERAL_PREFIX[] = L"\\\\?\\";
constexpr wchar_t LITERAL_UNC_PREFIX[] = L"\\\\?\\UNC\\";
// Characters no single name may hold: joined to a folder they would lead
// elsewhere or widen a search.
constexpr wchar_t NOT_IN_NAMES[] = L"\\/:*?\"<>|";

constexpr size_t PATH_ROOM = MAX_PATH + 8;  // the longest prefix is 8 characters

// A path of at most MAX_PATH - 1 characters after its literal prefix, as the
// narrow paths allowed; what would be longer is never built.
struct WidePath {
  wchar_t text[PATH_ROOM];
  size_t prefix;  // length of the literal prefix
  size_t length;  // length of the whole text
};

bool Append(WidePath* path, const wchar_t* piece) {
  const size_t length = wcslen(piece);
  if (path->length - path->prefix + length >= MAX_PATH) return false;
  memcpy(path->text + path->length, piece, (length + 1) * sizeof(wchar_t));
  path->length += length;
  return true;
}

// The folder's full path, ending in a backslash, behind the literal prefix.
bool MakeFolderPath(const wchar_t* given, WidePath* folder) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(given, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  const wchar_t* rest = full;
  const wchar_t* prefix = LITERAL_PREFIX;
  if (wcsncmp(full, LITERAL_PREFIX, 4) == 0) {
    prefix = L"";
  } else if (full[0] == L'\\' && full[1] == L'\\') {
    prefix = LITERAL_UNC_PREFIX;
    rest = full + 2;
  }
  folder->length = 0;
  folder->text[0] = L'\0';
  folder->prefix = 0;
  Append(folder, prefix);
  folder->prefix = folder->length;
  if (!Append(folder, rest)) return false;
  return folder->text[folder->length - 1] == L'\\' || Append(folder, L"\\");
}

bool IsOwnName(const wchar_t* name) {
  if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) return false;
  for (const wchar_t* c = name; *c; ++c) {
    if (*c < L' ' || wcschr(NOT_IN_NAMES, *c)) return false;
  }
  return *name != L'\0';
}

using SetInformationFunction = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

// The folder being emptied, as found when its walk began.
struct Folder {
  WidePath path;
  // Empty where final paths cannot be told (Windows XP).
  wchar_t finalPath[FINAL_PATH_ROOM];
  const wchar_t* pattern;
  uint32_t flags;
  NameFilter accept;  // nullptr: every name
};

// True when the entry's final path is the folder's final path followed by
// one name, that is when it lies directly in the folder.
bool LiesDirectlyIn(const Folder& folder, HANDLE entry) {
  if (!folder.finalPath[0]) return true;
  wchar_t finalPath[FINAL_PATH_ROOM];
  if (FinalPathOf(entry, finalPath) != FINAL_PATH_FOUND) return false;
  size_t length = wcslen(folder.finalPath);
  if (folder.finalPath[length - 1] == L'\\') --length;
  return wcsncmp(finalPath, folder.finalPath, length) == 0 && finalPath[length] == L'\\' &&
         IsOwnName(finalPath + length + 1);
}

constexpr DWORD OPEN_LINK_ITSELF = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens an entry without following a link; nullptr for a link (a reparse
// point), for what does not lie directly in the folder, and when the kind
// (directory or file) is not the one listed.
HANDLE OpenOwnEntry(const Folder& folder, const wchar_t* item, DWORD access, bool directory,
                    BY_HANDLE_FILE_INFORMATION* information) {
  HANDLE entry = CreateFileW(item, access, SHARE_ALL, nullptr, OPEN_EXISTING, OPEN_LINK_ITSELF,
                             nullptr);
  if (entry == INVALID_HANDLE_VALUE) return nullptr;
  if (GetFileInformationByHandle(entry, information) &&
      !(information->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      ((information->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == directory &&
      LiesDirectlyIn(folder, entry)) {
    return entry;
  }
  CloseHandle(entry);
  return nullptr;
}

// Deletes the open file through its handle, so that what was checked is what
// goes. Windows XP lacks that call; it has no file links either, so the name
// still names the checked file there.
void DeleteOpenFile(HANDLE file, const wchar_t* item, bool clearAttributes) {
  const auto setInformation =
      NewerKernelCall<SetInformationFunction>("SetFileInformationByHandle");
  if (!setInformation) {
    if (clearAttributes) SetFileAttributesW(item, FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(item);
    return;
  }
  if (clearAttributes) {
    FILE_BASIC_INFO basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    setInformation(file, FileBasicInfo, &basic, sizeof(basic));
  }
  FILE_DISPOSITION_INFO disposition = {TRUE};
  setInformation(file, FileDispositionInfo, &disposition, sizeof(disposition));
}

int32_t RemoveFolder(const WidePath& path, const wchar_t* pattern, uint32_t flags);

void RemoveEntry(const Folder& folder, const WIN32_FIND_DATAW& found) {
  if (!IsOwnName(found.cFileName) || (folder.accept && !folder.accept(found.cFileName))) return;
  WidePath item = folder.path;
  if (!Append(&item, found.cFileName)) return;
  if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    if (!(folder.flags & DIRREMOVE_DESCEND) ||
        (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return;
    }
    BY_HANDLE_FILE_INFORMATION information;
    HANDLE directory = OpenOwnEntry(folder, item.text, FILE_READ_ATTRIBUTES, true, &information);
    if (!directory) return;
    CloseHandle(directory);
    if (Append(&item, L"\\")) RemoveFolder(item, folder.pattern, folder.flags);
    return;
  }
  const bool clearAttributes = folder.flags & DIRREMOVE_CLEAR_ATTRIBUTES;
  const DWORD access =
      DELETE | FILE_READ_ATTRIBUTES | (clearAttributes ? FILE_WRITE_ATTRIBUTES : 0);
  BY_HANDLE_FILE_INFORMATION information;
  HANDLE file = OpenOwnEntry(folder, item.text, access, false, &information);
  if (!file) return;
  // The attributes belong to the file, not to one of its names: a file with
  // names elsewhere (hard links) keeps them, and a read-only one stays.
  DeleteOpenFile(file, item.text, clearAttributes && information.nNumberOfLinks == 1);
  CloseHandle(file);
}

// Finds where the folder at the path (ending in a backslash) really is;
// false when it cannot be told.
bool LocateFolder(const WidePath& path, const wchar_t* pattern, uint32_t flags,
                  NameFilter accept, Folder* folder) {
  folder->path = path;
  folder->pattern = pattern;
  folder->flags = flags;
  folder->accept = accept;
  HANDLE self = CreateFileW(path.text, FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (self == INVALID_HANDLE_VALUE) return false;
  const bool located = FinalPathOf(self, folder->finalPath) != FINAL_PATH_FAILED;
  CloseHandle(self);
  return located;
}

// Removes what matches the pattern in the folder; false when nothing does.
bool EmptyFolder(const Folder& folder) {
  WidePath search = folder.path;
  if (!Append(&search, folder.pattern)) return false;
  WIN32_FIND_DATAW found;
  HANDLE entries = FindFirstFileW(search.text, &found);
  if (entries == INVALID_HANDLE_VALUE) return false;
  do {
    RemoveEntry(folder, found);
  } while (FindNextFileW(entries, &found));
  FindClose(entries);
  return true;
}

int32_t RemoveFolder(const WidePath& path, const wchar_t* pattern, uint32_t flags) {
  Folder folder;
  if (!LocateFolder(path, pattern, flags, nullptr, &folder) || !EmptyFolder(folder)) return 0;
  if (flags & DIRREMOVE_CLEAR_ATTRIBUTES) SetFileAttributesW(path.text, FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(path.text) ? 1 : 0;
}

// The text in the ANSI code page as a wide text; false when it does not fit.
bool Widen(const char* text, wchar_t (&wide)[MAX_PATH]) {
  return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH) > 0;
}

// The caller's folder path and pattern ("*.*" for none) in wide form.
bool WidenArguments(const char* path, const char* pattern, WidePath* folder,
                    wchar_t (&widePattern)[MAX_PATH]) {
  wchar_t widePath[MAX_PATH];
  if (!path || !*path || !Widen(path, widePath)) return false;
  if (!pattern || !*pattern) {
    wcscpy(widePattern, ALL_FILES);
  } else if (!Widen(pattern, widePattern)) {
    return false;
  }
  return MakeFolderPath(widePath, folder);
}

}  // namespace

int32_t DirectoryRemove(const char* path, const char* pattern, uint32_t flags) {
  WidePath folder;
  wchar_t widePattern[MAX_PATH];
  if (!WidenArguments(path, pattern, &folder, widePattern)) return 0;
  return RemoveFolder(folder, widePattern, flags);
}

void DeleteFilesInFolder(const char* path, const char* pattern, NameFilter accept) {
  WidePath folderPath;
  wchar_t widePattern[MAX_PATH];
  Folder folder;
  if (WidenArguments(path, pattern, &folderPath, widePattern) &&
      LocateFolder(folderPath, widePattern, 0, accept, &folder)) {
    EmptyFolder(folder);
  }
}

int32_t DirectoryRemove(const char* path, const char* pattern) {
  return DirectoryRemove(path, pattern, 0);
}

}  // namespace services
