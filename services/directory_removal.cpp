#include "services/directory_removal.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "foundation/heaps.h"
#include "foundation/owned_handles.h"
#include "services/code_page.h"
#include "services/file_names.h"
#include "services/native_files.h"
#include "services/path_forms.h"

namespace services {
namespace {

// The folder is listed with the wide calls, and its entries are opened and
// deleted relative to the folder's own open handle, never by a path. A
// listed name converted to the ANSI code page can come back with a real
// separator in it (best-fit mapping turns U+FF3C and U+2216 into a
// backslash, U+FF0F into a slash), and joined to the folder it would name a
// file elsewhere; opened relative to the folder, a name is taken literally,
// so one with trailing dots or blanks, or one such as CON, names that very
// entry and nothing else. The folder's path is used for the listing alone.
constexpr wchar_t ALL_FILES[] = L"*.*";

// A path in the literal form, which the wide calls take at any length.
struct WidePath {
  wchar_t text[LONG_PATH_ROOM];
  size_t prefix;  // length of the literal prefix
  size_t length;  // length of the whole text
};

bool Fits(const WidePath& path, size_t more) { return path.length + more < LONG_PATH_ROOM; }

bool Append(WidePath* path, const wchar_t* piece) {
  const size_t length = wcslen(piece);
  if (!Fits(*path, length)) return false;
  memcpy(path->text + path->length, piece, (length + 1) * sizeof(wchar_t));
  path->length += length;
  return true;
}

// The folder's full path, ending in a backslash, behind the literal prefix.
bool MakeFolderPath(const wchar_t* given, WidePath* folder) {
  const DWORD length = LiteralPathOf(given, folder->text, LONG_PATH_ROOM);
  if (length == 0) return false;
  folder->length = length;
  folder->prefix = LiteralPrefixLength(folder->text);
  return folder->text[length - 1] == L'\\' || Append(folder, L"\\");
}

// Opened relative to its folder, a name Windows would trim or take for a
// device by path names its very entry: such entries are the folder's own.
bool IsOwnName(const wchar_t* name) {
  const NameKind kind = KindOfName(name);
  return kind == NAME_OWN || kind == NAME_TRIMMED || kind == NAME_DEVICE;
}

// True when the kernel's name is the folder's name, a backslash and `own`
// (compared without regard to case where `ignoreCase`): what has that name
// lies directly in the folder under that name, and no link led elsewhere.
bool IsNamedIn(const KernelName& name, size_t length, const KernelName& folder, size_t folderLength,
               const wchar_t* own, bool ignoreCase) {
  const wchar_t* text = name.header.Name.Buffer;
  const size_t ownLength = wcslen(own);
  if (length != folderLength + 1 + ownLength ||
      wmemcmp(text, folder.header.Name.Buffer, folderLength) != 0 || text[folderLength] != L'\\') {
    return false;
  }
  const wchar_t* last = text + folderLength + 1;
  if (!ignoreCase) return wmemcmp(last, own, ownLength) == 0;
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, last, static_cast<int>(ownLength), own,
                        static_cast<int>(ownLength)) == CSTR_EQUAL;
}

// A folder being emptied is held so that no one can move, rename or delete it
// (each needs the sharing of deletion) while it is walked.
constexpr ULONG SHARE_NO_DELETE = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ACCESS_MASK WALK_ACCESS = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;

// What one removal asks for, the same at every level.
struct Removal {
  const wchar_t* pattern;
  uint32_t flags;
  NameFilter accept;     // nullptr: every name
  KernelName* fileName;  // room for the name of each file looked at
};

// An open folder, checked to be no link, and where it really is. Its path
// is used for the listing. Large: kept in the heap, one per level.
struct Folder {
  foundation::OwnedHandle handle;
  KernelName name;
  size_t nameLength;
  WidePath path;  // ends in a backslash
};
using HeldFolder = foundation::MainHeapBlock<Folder>;

// Opens the folder of that name in the parent folder, checked to be no link
// and to lie there under that name (which may differ in case from the one
// it has where `ignoreCase`).
bool OpenFolder(const Folder& parent, const wchar_t* name, ACCESS_MASK access, ULONG share,
                bool ignoreCase, Folder* folder) {
  folder->path = parent.path;
  if (!Append(&folder->path, name) || !Append(&folder->path, L"\\")) return false;
  folder->handle.Reset(OpenInFolder(parent.handle.get(), name, access, share, FILE_DIRECTORY_FILE));
  if (folder->handle && !IsLinkOrUnknown(folder->handle.get()) &&
      (folder->nameLength = KernelNameOf(folder->handle.get(), &folder->name)) != 0 &&
      IsNamedIn(folder->name, folder->nameLength, parent.name, parent.nameLength, name,
                ignoreCase)) {
    return true;
  }
  folder->handle.Reset(nullptr);
  return false;
}

// Opens the folder at the path (literal, ending in a backslash), links
// followed, and learns where it really is.
bool OpenFolderAt(const WidePath& path, ACCESS_MASK access, ULONG share, Folder* folder) {
  folder->path = path;
  folder->handle.Reset(CreateFileW(path.text, access, share, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (folder->handle &&
      (folder->nameLength = KernelNameOf(folder->handle.get(), &folder->name)) != 0) {
    return true;
  }
  folder->handle.Reset(nullptr);
  return false;
}

// Opens the folder that holds the folder at the path (literal, ending in a
// backslash), links followed: only the folder itself may not be one. Puts
// the folder's name in `name`; false for a drive's root.
bool OpenParentFolder(const WidePath& path, Folder* parent, wchar_t (&name)[MAX_PATH]) {
  size_t end = path.length - 1;
  while (end > path.prefix && path.text[end - 1] != L'\\') --end;
  const size_t nameLength = path.length - 1 - end;
  if (end <= path.prefix || nameLength >= MAX_PATH) return false;
  wmemcpy(name, path.text + end, nameLength);
  name[nameLength] = L'\0';
  if (!IsOwnName(name)) return false;
  const foundation::MainHeapBlock<WidePath> parentPath;
  if (!parentPath) return false;
  *parentPath = path;
  parentPath->length = end;
  parentPath->text[end] = L'\0';
  return OpenFolderAt(*parentPath, FILE_TRAVERSE | FILE_READ_ATTRIBUTES, SHARE_ALL, parent);
}

bool RemoveFolder(const Removal& removal, const Folder& parent, const wchar_t* name,
                  bool ignoreCase);

void RemoveFile(const Removal& removal, const Folder& folder, const wchar_t* name) {
  const bool clearAttributes = removal.flags & DIRREMOVE_CLEAR_ATTRIBUTES;
  const ACCESS_MASK access =
      DELETE | FILE_READ_ATTRIBUTES | (clearAttributes ? FILE_WRITE_ATTRIBUTES : 0);
  const foundation::OwnedHandle opened(
      OpenInFolder(folder.handle.get(), name, access, SHARE_ALL, FILE_NON_DIRECTORY_FILE));
  HANDLE file = opened.get();
  if (!file || IsLinkOrUnknown(file)) return;
  const size_t nameLength = KernelNameOf(file, removal.fileName);
  if (nameLength == 0 ||
      !IsNamedIn(*removal.fileName, nameLength, folder.name, folder.nameLength, name, false)) {
    return;
  }
  // The attributes belong to the file, not to one of its names: a file with
  // names elsewhere (hard links) keeps them, and a read-only one stays.
  ULONG links = 0;
  if (clearAttributes && LinkCountOf(file, &links) && links == 1) {
    SetAttributesOf(file, FILE_ATTRIBUTE_NORMAL);
  }
  DeleteOpenFile(file);
}

// Links are neither deleted nor entered: the listing marks them, and a name
// that became one since is caught when it is opened.
void RemoveEntry(const Removal& removal, const Folder& folder, const WIN32_FIND_DATAW& found) {
  if (!IsOwnName(found.cFileName) || (removal.accept && !removal.accept(found.cFileName)) ||
      (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !Fits(folder.path, wcslen(found.cFileName) + 1)) {
    return;
  }
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    RemoveFile(removal, folder, found.cFileName);
  } else if (removal.flags & DIRREMOVE_DESCEND) {
    RemoveFolder(removal, folder, found.cFileName, false);
  }
}

// Searches the folder for the pattern; an empty guard when nothing matches.
foundation::OwnedFind Search(const WidePath& folder, const wchar_t* pattern,
                             WIN32_FIND_DATAW* found) {
  const foundation::MainHeapBlock<WidePath> search;
  if (!search) return foundation::OwnedFind();
  *search = folder;
  if (!Append(search.get(), pattern)) return foundation::OwnedFind();
  return foundation::OwnedFind(FindFirstFileW(search->text, found));
}

// Removes what matches the pattern in the folder; false when nothing does.
bool EmptyFolder(const Removal& removal, const Folder& folder) {
  WIN32_FIND_DATAW found;
  const foundation::OwnedFind entries = Search(folder.path, removal.pattern, &found);
  if (!entries) return false;
  do {
    RemoveEntry(removal, folder, found);
  } while (FindNextFileW(entries.get(), &found));
  return true;
}

bool IsEmpty(const WidePath& path) {
  WIN32_FIND_DATAW found;
  const foundation::OwnedFind entries = Search(path, L"*", &found);
  if (!entries) return false;
  bool empty = true;
  do {
    empty = wcscmp(found.cFileName, L".") == 0 || wcscmp(found.cFileName, L"..") == 0;
  } while (empty && FindNextFileW(entries.get(), &found));
  return empty;
}

// Removes the folder of that name in the parent folder once it is empty. A
// read-only one refuses; its attribute is cleared, where asked, only when
// nothing is left in it, so a folder that stays keeps it.
bool RemoveEmptyFolder(const Removal& removal, const Folder& parent, const wchar_t* name,
                       bool ignoreCase) {
  const bool clearAttributes = removal.flags & DIRREMOVE_CLEAR_ATTRIBUTES;
  const ACCESS_MASK access =
      DELETE | FILE_READ_ATTRIBUTES | (clearAttributes ? FILE_WRITE_ATTRIBUTES : 0);
  const HeldFolder folder;
  if (!folder || !OpenFolder(parent, name, access, SHARE_ALL, ignoreCase, folder.get())) {
    return false;
  }
  HANDLE handle = folder->handle.get();
  bool removed = DeleteOpenFile(handle);
  if (!removed && clearAttributes && IsEmpty(folder->path) &&
      SetAttributesOf(handle, FILE_ATTRIBUTE_NORMAL)) {
    removed = DeleteOpenFile(handle);
  }
  return removed;
}

// Empties the folder of that name in the parent folder, held while it is
// walked, and then removes it when that left it empty.
bool RemoveFolder(const Removal& removal, const Folder& parent, const wchar_t* name,
                  bool ignoreCase) {
  bool emptied = false;
  {
    const HeldFolder folder;
    if (!folder ||
        !OpenFolder(parent, name, WALK_ACCESS, SHARE_NO_DELETE, ignoreCase, folder.get())) {
      return false;
    }
    emptied = EmptyFolder(removal, *folder);
  }  // the walk's hold keeps the folder from going; it ends before the removal
  return emptied && RemoveEmptyFolder(removal, parent, name, ignoreCase);
}

// The caller's folder path in its full literal form, ending in a backslash,
// the pattern ("*.*" for none or an empty one), and room for each file's
// name.
struct Arguments {
  wchar_t pattern[MAX_PATH];
  WidePath folderPath;
  KernelName fileName;
};

bool PrepareArguments(const wchar_t* path, const wchar_t* pattern, Arguments* arguments,
                      Removal* removal) {
  if (!path || !*path) return false;
  if (!pattern || !*pattern) pattern = ALL_FILES;
  if (wcslen(pattern) >= MAX_PATH) return false;
  wcscpy(arguments->pattern, pattern);
  removal->pattern = arguments->pattern;
  removal->fileName = &arguments->fileName;
  return MakeFolderPath(path, &arguments->folderPath);
}

// A path and a pattern of the ANSI code page in their wide form.
struct AnsiArguments {
  wchar_t path[LONG_PATH_ROOM];
  wchar_t pattern[MAX_PATH];
};

bool Widen(const char* path, const char* pattern, AnsiArguments* wide) {
  return path && *path && WideTextOf(path, wide->path, LONG_PATH_ROOM) &&
         (!pattern || !*pattern || WideTextOf(pattern, wide->pattern, MAX_PATH));
}

}  // namespace

int32_t DirectoryRemove(const wchar_t* path, const wchar_t* pattern, uint32_t flags) {
  const foundation::MainHeapBlock<Arguments> arguments;
  const HeldFolder parent;
  Removal removal = {nullptr, flags, nullptr, nullptr};
  wchar_t name[MAX_PATH];
  if (!arguments || !parent || !PrepareArguments(path, pattern, arguments.get(), &removal) ||
      !OpenParentFolder(arguments->folderPath, parent.get(), name)) {
    return 0;
  }
  return RemoveFolder(removal, *parent, name, true) ? 1 : 0;
}

int32_t DirectoryRemove(const char* path, const char* pattern, uint32_t flags) {
  const foundation::MainHeapBlock<AnsiArguments> wide;
  return wide && Widen(path, pattern, wide.get())
             ? DirectoryRemove(wide->path, wide->pattern, flags)
             : 0;
}

int32_t DirectoryRemove(const char* path, const char* pattern) {
  return DirectoryRemove(path, pattern, 0);
}

void DeleteFilesInFolder(const wchar_t* path, const wchar_t* pattern, NameFilter accept) {
  const foundation::MainHeapBlock<Arguments> arguments;
  const HeldFolder folder;
  Removal removal = {nullptr, 0, accept, nullptr};
  // The folder itself may be reached through a link (a drive's root, say):
  // what is deleted lies directly in it, wherever it really is.
  if (arguments && folder && PrepareArguments(path, pattern, arguments.get(), &removal) &&
      OpenFolderAt(arguments->folderPath, WALK_ACCESS, SHARE_NO_DELETE, folder.get())) {
    EmptyFolder(removal, *folder);
  }
}

}  // namespace services
