#include "services/open_file_names.h"

#include <cstddef>

#include "foundation/heaps.h"
#include "foundation/system_library.h"
#include "services/final_path.h"

namespace services {
namespace {

// The native call beneath SetFileInformationByHandle (which XP lacks), and
// the rename record it takes, whose name is as long as the path is.
using SetInformationFile = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                            FILE_INFORMATION_CLASS);
using StatusToError = ULONG(NTAPI*)(NTSTATUS);

struct RenameRequest {
  BOOLEAN replaceIfExists;
  HANDLE rootDirectory;
  ULONG nameBytes;
  wchar_t name[1];
};

template <typename Function>
Function NativeCall(const char* name) {
  return foundation::LibraryFunction<Function>(GetModuleHandleA("ntdll.dll"), name);
}

bool SetInformation(HANDLE file, void* request, ULONG size, FILE_INFORMATION_CLASS kind) {
  const auto setInformation = NativeCall<SetInformationFile>("NtSetInformationFile");
  if (!setInformation) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return false;
  }
  IO_STATUS_BLOCK io = {};
  const NTSTATUS status = setInformation(file, &io, request, size, kind);
  if (NT_SUCCESS(status)) return true;
  const auto toError = NativeCall<StatusToError>("RtlNtStatusToDosError");
  SetLastError(toError ? toError(status) : ERROR_ACCESS_DENIED);
  return false;
}

// The name's full path in the native form ("\??\C:\games\velmora.cfg");
// its length in characters, 0 when it cannot be made.
DWORD NativePathOf(const char* name, wchar_t* native) {
  wchar_t wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH)) return 0;
  const DWORD length = LiteralPathOf(wide, native, LONG_PATH_ROOM);
  // The literal "\\?\" and the native "\??\" differ in one character.
  if (length) native[1] = L'?';
  return length;
}

}  // namespace

bool MoveOpenFile(HANDLE file, const char* name) {
  const DWORD size = offsetof(RenameRequest, name) + LONG_PATH_ROOM * sizeof(wchar_t);
  auto* request = static_cast<RenameRequest*>(foundation::MainHeapAllocate(size));
  if (!request) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  const DWORD length = NativePathOf(name, request->name);
  bool moved = false;
  if (length == 0) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
  } else {
    request->replaceIfExists = TRUE;
    request->rootDirectory = nullptr;
    request->nameBytes = length * sizeof(wchar_t);
    moved = SetInformation(file, request, size, FileRenameInformation);
  }
  foundation::MainHeapFree(request);
  return moved;
}

bool DeleteOpenFile(HANDLE file) {
  FILE_DISPOSITION_INFORMATION disposition = {TRUE};
  return SetInformation(file, &disposition, sizeof(disposition), FileDispositionInformation);
}

}  // namespace services
