#include "services/directory_removal.h"

#include <windows.h>
#include <winternl.h>

#include <cstring>
#include <cwchar>

#include "foundation/owned_handles.h"
#include "foundation/system_library.h"
#include "services/final_path.h"
#include "services/open_file_names.h"

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

bool Fits(const WidePath& path, size_t more) { return path.length - path.prefix + more < MAX_PATH; }

bool Append(WidePath* path, const wchar_t* piece) {
  const size_t length = wcslen(piece);
  if (!Fits(*path, length)) return false;
  memcpy(path->text + path->length, piece, (length + 1) * sizeof(wchar_t));
  path->length += length;
  return true;
}

// The folder's full path, ending in a backslash, behind the literal prefix.
bool MakeFolderPath(const wchar_t* given, WidePath* folder) {
  const DWORD length = LiteralPathOf(given, folder->text, PATH_ROOM);
  if (length == 0) return false;
  folder->length = length;
  folder->prefix = wcsncmp(folder->text, LITERAL_UNC_PREFIX, 8) == 0 ? 8 : 4;
  if (!Fits(*folder, 0)) return false;
  return folder->text[length - 1] == L'\\' || Append(folder, L"\\");
}

bool IsOwnName(const wchar_t* name) {
  if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) return false;
  for (const wchar_t* c = name; *c; ++c) {
    if (*c < L' ' || wcschr(NOT_IN_NAMES, *c)) return false;
  }
  return *name != L'\0';
}

// The kernel calls beneath the file calls: only they open a name relative to
// an open folder. ntdll is part of every Windows NT; its calls are looked up
// at run time, like the newer kernel32 calls, and the programs keep their
// imports. Without them nothing is removed.
using CreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                            PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                            ULONG, PVOID, ULONG);
using QueryObjectFunction = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG,
                                             PULONG);
using FileInformationFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                                 FILE_INFORMATION_CLASS);

struct KernelCalls {
  CreateFileFunction createFile;
  QueryObjectFunction queryObject;
  FileInformationFunction queryInformation;
  FileInformationFunction setInformation;
};

bool FindKernelCalls(KernelCalls* calls) {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (!ntdll) return false;
  using foundation::LibraryFunction;
  calls->createFile = LibraryFunction<CreateFileFunction>(ntdll, "NtCreateFile");
  calls->queryObject = LibraryFunction<QueryObjectFunction>(ntdll, "NtQueryObject");
  calls->queryInformation = LibraryFunction<FileInformationFunction>(ntdll, "NtQueryInformationFile");
  calls->setInformation = LibraryFunction<FileInformationFunction>(ntdll, "NtSetInformationFile");
  return calls->createFile && calls->queryObject && calls->queryInformation &&
         calls->setInformation;
}

// Where an open file or folder really is, links followed, as the kernel names
// it ("\Device\HarddiskVolume2\games\velmora\game\Anna"; Wine gives
// "\??\Z:\..." and the path of a Unix symbolic link's target). One question
// to the kernel, where the final path of the file calls asks several more.
struct KernelName {
  OBJECT_NAME_INFORMATION header;
  wchar_t room[FINAL_PATH_ROOM + MAX_PATH];
};

// The name's text and its length in characters, without a final backslash
// (a drive's root has one); false when the name cannot be told.
bool NameOf(const KernelCalls& calls, HANDLE open, KernelName* name, size_t* length) {
  ULONG returned = 0;
  if (!NT_SUCCESS(calls.queryObject(open, ObjectNameInformation, name, sizeof(*name), &returned)) ||
      !name->header.Name.Buffer || name->header.Name.Length == 0) {
    return false;
  }
  *length = name->header.Name.Length / sizeof(wchar_t);
  if (name->header.Name.Buffer[*length - 1] == L'\\') --*length;
  return true;
}

// True when the name is the folder's name, a backslash and `own` (compared
// without regard to case where `ignoreCase`): what has that name lies
// directly in the folder under that name, and no link led elsewhere.
bool IsNamedIn(const KernelName& name, size_t length, const wchar_t* folderName,
               size_t folderLength, const wchar_t* own, bool ignoreCase) {
  const wchar_t* text = name.header.Name.Buffer;
  const size_t ownLength = wcslen(own);
  if (length != folderLength + 1 + ownLength || wmemcmp(text, folderName, folderLength) != 0 ||
      text[folderLength] != L'\\') {
    return false;
  }
  const wchar_t* last = text + folderLength + 1;
  if (!ignoreCase) return wmemcmp(last, own, ownLength) == 0;
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, last, static_cast<int>(ownLength), own,
                        static_cast<int>(ownLength)) == CSTR_EQUAL;
}

constexpr ULONG SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A folder being emptied is held so that no one can move, rename or delete it
// (each needs the sharing of deletion) while it is walked.
constexpr ULONG SHARE_NO_DELETE = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr ACCESS_MASK WALK_ACCESS = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES;

// Opens the entry of that name in the open folder, without following a link
// (a link is opened as itself) and only when it is of the kind asked for
// (FILE_DIRECTORY_FILE or FILE_NON_DIRECTORY_FILE); nullptr otherwise.
HANDLE OpenInFolder(const KernelCalls& calls, HANDLE folder, const wchar_t* name,
                    ACCESS_MASK access, ULONG share, ULONG kind) {
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name);
  text.Length = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK status;
  HANDLE entry = nullptr;
  const NTSTATUS opened = calls.createFile(
      &entry, access | SYNCHRONIZE, &attributes, &status, nullptr, 0, share, FILE_OPEN,
      kind | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT,
      nullptr, 0);
  return NT_SUCCESS(opened) ? entry : nullptr;
}

bool IsLink(const KernelCalls& calls, HANDLE open) {
  FILE_BASIC_INFORMATION basic;
  IO_STATUS_BLOCK status;
  return !NT_SUCCESS(
             calls.queryInformation(open, &status, &basic, sizeof(basic), FileBasicInformation)) ||
         (basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool SetAttributes(const KernelCalls& calls, HANDLE open, DWORD attributes) {
  FILE_BASIC_INFORMATION basic = {};  // times of 0 stay as they are
  basic.FileAttributes = attributes;
  IO_STATUS_BLOCK status;
  return NT_SUCCESS(
      calls.setInformation(open, &status, &basic, sizeof(basic), FileBasicInformation));
}

// What one removal asks for, the same at every level.
struct Removal {
  KernelCalls calls;
  const wchar_t* pattern;
  uint32_t flags;
  NameFilter accept;  // nullptr: every name
};

// An open folder, checked to be no link, and where it really is. Its path
// is used for the listing and to keep every name the walk reaches within
// MAX_PATH - 1 characters.
struct Folder {
  foundation::OwnedHandle handle;
  KernelName name;
  size_t nameLength;
  WidePath path;  // ends in a backslash
};

// Opens the folder of that name in the parent folder, checked to be no link
// and to lie there under that name (which may differ in case from the one
// it has where `ignoreCase`).
bool OpenFolder(const Removal& removal, const Folder& parent, const wchar_t* name,
                ACCESS_MASK access, ULONG share, bool ignoreCase, Folder* folder) {
  folder->path = parent.path;
  if (!Append(&folder->path, name) || !Append(&folder->path, L"\\")) return false;
  folder->handle.Reset(
      OpenInFolder(removal.calls, parent.handle.get(), name, access, share, FILE_DIRECTORY_FILE));
  if (folder->handle && !IsLink(removal.calls, folder->handle.get()) &&
      NameOf(removal.calls, folder->handle.get(), &folder->name, &folder->nameLength) &&
      IsNamedIn(folder->name, folder->nameLength, parent.name.header.Name.Buffer, parent.nameLength,
                name, ignoreCase)) {
    return true;
  }
  folder->handle.Reset(nullptr);
  return false;
}

// Opens the folder at the path (full, ending in a backslash), links
// followed, and learns where it really is.
bool OpenFolderAt(const Removal& removal, const WidePath& path, ACCESS_MASK access, ULONG share,
                  Folder* folder) {
  folder->path = path;
  folder->handle.Reset(CreateFileW(path.text, access, share, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (folder->handle &&
      NameOf(removal.calls, folder->handle.get(), &folder->name, &folder->nameLength)) {
    return true;
  }
  folder->handle.Reset(nullptr);
  return false;
}

// Opens the folder that holds the folder at the path (full, ending in a
// backslash), links followed: only the folder itself may not be one. Puts
// the folder's name in `name`; false for a drive's root.
bool OpenParentFolder(const WidePath& path, Folder* parent, wchar_t (&name)[MAX_PATH],
                      const Removal& removal) {
  WidePath parentPath = path;
  size_t end = path.length - 1;
  while (end > path.prefix && path.text[end - 1] != L'\\') --end;
  if (end <= path.prefix) return false;
  wcsncpy(name, path.text + end, path.length - 1 - end);
  name[path.length - 1 - end] = L'\0';
  parentPath.length = end;
  parentPath.text[end] = L'\0';
  return IsOwnName(name) && OpenFolderAt(removal, parentPath, FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                         SHARE_ALL, parent);
}

bool RemoveFolder(const Removal& removal, const Folder& parent, const wchar_t* name,
                  bool ignoreCase);

void RemoveFile(const Removal& removal, const Folder& folder, const wchar_t* name) {
  const bool clearAttributes = removal.flags & DIRREMOVE_CLEAR_ATTRIBUTES;
  const ACCESS_MASK access =
      DELETE | FILE_READ_ATTRIBUTES | (clearAttributes ? FILE_WRITE_ATTRIBUTES : 0);
  const foundation::OwnedHandle opened(OpenInFolder(removal.calls, folder.handle.get(), name,
                                                   access, SHARE_ALL, FILE_NON_DIRECTORY_FILE));
  HANDLE file = opened.get();
  if (!file) return;
  KernelName fileName;
  size_t fileNameLength = 0;
  if (!IsLink(removal.calls, file) && NameOf(removal.calls, file, &fileName, &fileNameLength) &&
      IsNamedIn(fileName, fileNameLength, folder.name.header.Name.Buffer, folder.nameLength, name,
                false)) {
    if (clearAttributes) {
      // The attributes belong to the file, not to one of its names: a file
      // with names elsewhere (hard links) keeps them, and a read-only one
      // stays.
      FILE_STANDARD_INFORMATION standard;
      IO_STATUS_BLOCK status;
      if (NT_SUCCESS(removal.calls.queryInformation(file, &status, &standard, sizeof(standard),
                                                    FileStandardInformation)) &&
          standard.NumberOfLinks == 1) {
        SetAttributes(removal.calls, file, FILE_ATTRIBUTE_NORMAL);
      }
    }
    DeleteOpenFile(file);
  }
}

// Links are neither deleted nor entered: the listing marks them, and a name
// that became one since is caught when it is opened.
void RemoveEntry(const Removal& removal, const Folder& folder, const WIN32_FIND_DATAW& found) {
  if (!IsOwnName(found.cFileName) || (removal.accept && !removal.accept(found.cFileName)) ||
      (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
      !Fits(folder.path, wcslen(found.cFileName))) {
    return;
  }
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    RemoveFile(removal, folder, found.cFileName);
  } else if (removal.flags & DIRREMOVE_DESCEND) {
    RemoveFolder(removal, folder, found.cFileName, false);
  }
}

// Removes what matches the pattern in the folder; false when nothing does.
bool EmptyFolder(const Removal& removal, const Folder& folder) {
  WidePath search = folder.path;
  if (!Append(&search, removal.pattern)) return false;
  WIN32_FIND_DATAW found;
  const foundation::OwnedFind entries(FindFirstFileW(search.text, &found));
  if (!entries) return false;
  do {
    RemoveEntry(removal, folder, found);
  } while (FindNextFileW(entries.get(), &found));
  return true;
}

bool IsEmpty(const WidePath& path) {
  WidePath search = path;
  if (!Append(&search, L"*")) return false;
  WIN32_FIND_DATAW found;
  const foundation::OwnedFind entries(FindFirstFileW(search.text, &found));
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
  Folder folder;
  if (!OpenFolder(removal, parent, name, access, SHARE_ALL, ignoreCase, &folder)) return false;
  bool removed = DeleteOpenFile(folder.handle.get());
  if (!removed && clearAttributes && IsEmpty(folder.path) &&
      SetAttributes(removal.calls, folder.handle.get(), FILE_ATTRIBUTE_NORMAL)) {
    removed = DeleteOpenFile(folder.handle.get());
  }
  return removed;
}

// Empties the folder of that name in the parent folder, held while it is
// walked, and then removes it when that left it empty.
bool RemoveFolder(const Removal& removal, const Folder& parent, const wchar_t* name,
                  bool ignoreCase) {
  Folder folder;
  if (!OpenFolder(removal, parent, name, WALK_ACCESS, SHARE_NO_DELETE, ignoreCase, &folder)) {
    return false;
  }
  const bool emptied = EmptyFolder(removal, folder);
  // The walk's hold keeps the folder from going; it ends before the removal.
  folder.handle.Reset(nullptr);
  return emptied && RemoveEmptyFolder(removal, parent, name, ignoreCase);
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
  WidePath folderPath;
  wchar_t widePattern[MAX_PATH];
  Removal removal = {{}, widePattern, flags, nullptr};
  Folder parent;
  wchar_t name[MAX_PATH];
  if (!WidenArguments(path, pattern, &folderPath, widePattern) ||
      !FindKernelCalls(&removal.calls) || !OpenParentFolder(folderPath, &parent, name, removal)) {
    return 0;
  }
  return RemoveFolder(removal, parent, name, true) ? 1 : 0;
}

void DeleteFilesInFolder(const char* path, const char* pattern, NameFilter accept) {
  WidePath folderPath;
  wchar_t widePattern[MAX_PATH];
  Removal removal = {{}, widePattern, 0, accept};
  Folder folder;
  // The folder itself may be reached through a link (a drive's root, say):
  // what is deleted lies directly in it, wherever it really is.
  if (WidenArguments(path, pattern, &folderPath, widePattern) && FindKernelCalls(&removal.calls) &&
      OpenFolderAt(removal, folderPath, WALK_ACCESS, SHARE_NO_DELETE, &folder)) {
    EmptyFolder(removal, folder);
  }
}

int32_t DirectoryRemove(const char* path, const char* pattern) {
  return DirectoryRemove(path, pattern, 0);
}

}  // namespace services
