#include "services/final_path.h"

#include "foundation/system_library.h"
#include "services/native_files.h"

namespace services {
namespace {

using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// The system's call, looked up at the first need.
struct FinalPathLookup {
  bool lookedUp;
  bool unknown;  // made unknown for the run
  FinalPathFunction call;
};

FinalPathLookup lookup;

FinalPathFunction Call() {
  if (!lookup.lookedUp) {
    lookup.lookedUp = true;
    lookup.call = foundation::LibraryFunction<FinalPathFunction>(GetModuleHandleA("kernel32.dll"),
                                                                 "GetFinalPathNameByHandleW");
  }
  return lookup.unknown ? nullptr : lookup.call;
}

}  // namespace

bool FinalPathOf(HANDLE open, wchar_t* path, DWORD room) {
  path[0] = L'\0';
  const FinalPathFunction finalPath = Call();
  const DWORD length = finalPath ? finalPath(open, path, room, FILE_NAME_NORMALIZED) : 0;
  if (length == 0 || length >= room) {
    path[0] = L'\0';
    return false;
  }
  return true;
}

HANDLE OpenToLookAt(const wchar_t* path) {
  HANDLE open =
      CreateFileW(path, 0, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return open == INVALID_HANDLE_VALUE ? nullptr : open;
}

void SetFinalPathsKnown(bool known) { lookup.unknown = !known; }

}  // namespace services
