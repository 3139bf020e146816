#include "launcher/installation.h"

#include <windows.h>

#include <cwchar>

#include "foundation/heaps.h"
#include "services/code_page.h"
#include "services/path_forms.h"

namespace launcher {
namespace {

// The folder for this run; FixInstallationFolder starts it anew.
struct Installation {
  wchar_t* folder;
  wchar_t* literalFolder;
};

Installation installation;

wchar_t* CurrentDirectoryInHeap() {
  // The directory may change between the two calls: then the second does
  // not fit, and the first answer is not used.
  const DWORD room = GetCurrentDirectoryW(0, nullptr);
  auto* directory = static_cast<wchar_t*>(foundation::MainHeapAllocate(room * sizeof(wchar_t)));
  const DWORD length = directory ? GetCurrentDirectoryW(room, directory) : 0;
  if (length != 0 && length < room) return directory;
  foundation::MainHeapFree(directory);
  return nullptr;
}

// The folder's literal form with a backslash at its end (a drive's root has
// one already): a name joined to it makes a path no rule changes. The system
// gives a full path, so it is only prefixed: resolving it again would drop a
// trailing blank or dot.
wchar_t* LiteralFolderInHeap(const wchar_t* folder) {
  wchar_t* literal = services::LiteralFormInHeap(folder);
  if (!literal || literal[wcslen(literal) - 1] == L'\\') return literal;
  wchar_t* ended = services::JoinedPathInHeap(literal, "\\");
  foundation::MainHeapFree(literal);
  return ended;
}

}  // namespace

void FixInstallationFolder() {
  installation = {};
  installation.folder = CurrentDirectoryInHeap();
  if (installation.folder) installation.literalFolder = LiteralFolderInHeap(installation.folder);
}

const wchar_t* InstallationFolder() { return installation.folder; }

const wchar_t* InstallationFolderLiteral() { return installation.literalFolder; }

wchar_t* InstallationFileInHeap(const char* name) {
  return installation.literalFolder ? services::JoinedPathInHeap(installation.literalFolder, name)
                                    : nullptr;
}

}  // namespace launcher
