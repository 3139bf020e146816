#include "services/folder_aliases.h"

#include <cstring>
#include <cwchar>

#include "foundation/heaps.h"
#include "foundation/owned_handles.h"
#include "services/code_page.h"
#include "services/file_names.h"
#include "services/final_path.h"

namespace services {
namespace {

struct PathBuffer {
  wchar_t text[LONG_PATH_ROOM];
};

bool SameName(const wchar_t* one, const wchar_t* other) {
  return wcslen(one) == wcslen(other) &&
         CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, one, -1, other, -1) == CSTR_EQUAL;
}

// True when the path (full, as the file calls take it) leads to the folder,
// links followed, or when that cannot be told: what cannot be opened for
// another reason than that nothing is there, and what has no final path (or
// identity, where the folder's final path is unknown).
bool MayLeadToFolder(const FolderAliases& folder, const wchar_t* path) {
  const foundation::MainHeapBlock<PathBuffer> buffer;
  if (!buffer || !LiteralPathOf(path, buffer->text, LONG_PATH_ROOM)) return true;
  const foundation::OwnedHandle open(OpenToLookAt(buffer->text));
  if (!open) {
    const DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
  }
  if (folder.finalPath[0]) {
    return !FinalPathOf(open.get(), buffer->text, LONG_PATH_ROOM) ||
           SameName(buffer->text, folder.finalPath);
  }
  FileIdentity identity;
  return !IdentityOf(open.get(), &identity) || SameIdentity(identity, folder.identity);
}

void AddName(FolderAliases* folder, const wchar_t* name) {
  if (!*name) return;
  if (folder->count == FOLDER_ALIAS_ROOM) {
    folder->overflow = true;
    return;
  }
  wcscpy(folder->names[folder->count++], name);
}

// Adds the names of the links beside the folder that lead to it, or may.
void AddLinksToFolder(FolderAliases* folder) {
  const foundation::MainHeapBlock<PathBuffer> search;
  const foundation::MainHeapBlock<PathBuffer> path;
  const size_t parentLength = wcslen(folder->parent);
  const DWORD searchLength =
      search ? LiteralPathOf(folder->parent, search->text, LONG_PATH_ROOM - 1) : 0;
  if (!path || searchLength == 0) {
    folder->overflow = true;  // the links cannot be looked at: any may lead to it
    return;
  }
  wcscpy(search->text + searchLength, L"*");
  wcscpy(path->text, folder->parent);
  WIN32_FIND_DATAW found;
  const foundation::OwnedFind entries(FindFirstFileW(search->text, &found));
  // A listing that fails part way has not shown every link: any may lead to it.
  if (!entries) {
    folder->overflow = true;
    return;
  }
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    if (parentLength + wcslen(found.cFileName) >= LONG_PATH_ROOM) {
      folder->overflow = true;
      continue;
    }
    wcscpy(path->text + parentLength, found.cFileName);
    if (MayLeadToFolder(*folder, path->text)) {
      AddName(folder, found.cFileName);
      AddName(folder, found.cAlternateFileName);
    }
  } while (FindNextFileW(entries.get(), &found));
  if (GetLastError() != ERROR_NO_MORE_FILES) folder->overflow = true;
}

// Where the folder at the literal path really is: its final path, or where
// that cannot be told, its identity; false when neither can be.
bool TellFolder(const wchar_t* literal, FolderAliases* folder) {
  const foundation::OwnedHandle open(OpenToLookAt(literal));
  return open && (FinalPathOf(open.get(), folder->finalPath, LONG_PATH_ROOM) ||
                  IdentityOf(open.get(), &folder->identity));
}

// Whether the wide name, taken in the folder's parent, leads to the folder.
bool NameLeadsToFolder(const FolderAliases& folder, const wchar_t* name) {
  switch (KindOfName(name)) {
    case NAME_OWN:
      for (size_t i = 0; i < folder.count; ++i) {
        if (SameName(name, folder.names[i])) return true;
      }
      return false;
    // A path, or a name Windows shortens by its trailing dots and blanks,
    // may come to the folder by another name.
    case NAME_PATH:
    case NAME_TRIMMED: {
      const foundation::MainHeapBlock<PathBuffer> path;
      const size_t parentLength = wcslen(folder.parent);
      if (!path || parentLength + wcslen(name) >= LONG_PATH_ROOM) return true;
      wcscpy(path->text, folder.parent);
      wcscpy(path->text + parentLength, name);
      return MayLeadToFolder(folder, path->text);
    }
    default:
      return false;
  }
}

}  // namespace

bool FindFolderAliases(const wchar_t* path, FolderAliases* folder) {
  memset(folder, 0, sizeof(*folder));  // large: not through a temporary
  const foundation::MainHeapBlock<PathBuffer> literal;
  wchar_t* name = nullptr;
  const DWORD length = GetFullPathNameW(path, LONG_PATH_ROOM, folder->parent, &name);
  if (!literal || length == 0 || length >= LONG_PATH_ROOM || !name || wcspbrk(name, L"*?") ||
      !LiteralPathOf(folder->parent, literal->text, LONG_PATH_ROOM)) {
    return false;
  }
  WIN32_FIND_DATAW found;
  if (!foundation::OwnedFind(FindFirstFileW(literal->text, &found))) return false;
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || !SameName(found.cFileName, name) ||
      !TellFolder(literal->text, folder)) {
    return false;
  }
  *name = L'\0';
  AddName(folder, found.cFileName);
  AddName(folder, found.cAlternateFileName);
  AddLinksToFolder(folder);
  return true;
}

bool LeadsToFolder(const FolderAliases& folder, const char* name) {
  if (folder.overflow) return true;
  // The other character's name leads where Windows takes its bytes. Most
  // names fit one name's room; judged there, they need no heap.
  wchar_t shortName[MAX_PATH];
  if (WideTextAsWindowsReadsIt(name, shortName, MAX_PATH) || !*name) {
    return NameLeadsToFolder(folder, shortName);
  }
  const foundation::MainHeapBlock<PathBuffer> longName;
  if (!longName || !WideTextAsWindowsReadsIt(name, longName->text, LONG_PATH_ROOM)) return true;
  return NameLeadsToFolder(folder, longName->text);
}

}  // namespace services
