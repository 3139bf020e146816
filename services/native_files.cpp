#include "services/native_files.h"

#include <winioctl.h>

#include <cwchar>

#include "foundation/heaps.h"
#include "foundation/system_library.h"

namespace services {
namespace {

// The calls, as ntdll has them; looked up once per run, so that the programs
// keep their imports to what kernel32 and its kin give.
struct NativeCalls {
  bool lookedUp;
  bool complete;
  decltype(&NtCreateFile) createFile;
  decltype(&NtQueryObject) queryObject;
  decltype(&NtQueryInformationFile) queryInformation;
  decltype(&NtSetInformationFile) setInformation;
  decltype(&NtFsControlFile) fileSystemControl;
  decltype(&RtlNtStatusToDosError) statusToError;
};

NativeCalls native;

const NativeCalls* Calls() {
  if (!native.lookedUp) {
    using foundation::LibraryFunction;
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    native.lookedUp = true;
    native.createFile = LibraryFunction<decltype(&NtCreateFile)>(ntdll, "NtCreateFile");
    native.queryObject = LibraryFunction<decltype(&NtQueryObject)>(ntdll, "NtQueryObject");
    native.queryInformation =
        LibraryFunction<decltype(&NtQueryInformationFile)>(ntdll, "NtQueryInformationFile");
    native.setInformation =
        LibraryFunction<decltype(&NtSetInformationFile)>(ntdll, "NtSetInformationFile");
    native.fileSystemControl =
        LibraryFunction<decltype(&NtFsControlFile)>(ntdll, "NtFsControlFile");
    native.statusToError =
        LibraryFunction<decltype(&RtlNtStatusToDosError)>(ntdll, "RtlNtStatusToDosError");
    native.complete = native.createFile && native.queryObject && native.queryInformation &&
                      native.setInformation && native.fileSystemControl && native.statusToError;
  }
  if (native.complete) return &native;
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return nullptr;
}

// True for success; otherwise the status's Win32 code becomes the last error.
bool Succeeded(const NativeCalls& calls, NTSTATUS status) {
  if (NT_SUCCESS(status)) return true;
  SetLastError(calls.statusToError(status));
  return false;
}

bool QueryInformation(HANDLE open, void* record, ULONG size, FILE_INFORMATION_CLASS kind) {
  const NativeCalls* calls = Calls();
  IO_STATUS_BLOCK io;
  return calls && Succeeded(*calls, calls->queryInformation(open, &io, record, size, kind));
}

bool SetInformation(HANDLE open, void* record, ULONG size, FILE_INFORMATION_CLASS kind) {
  const NativeCalls* calls = Calls();
  IO_STATUS_BLOCK io = {};
  return calls && Succeeded(*calls, calls->setInformation(open, &io, record, size, kind));
}

// A rename record with room for the longest native path.
struct RenameRecord {
  FILE_RENAME_INFORMATION header;
  wchar_t room[LONG_PATH_ROOM];
};

}  // namespace

HANDLE OpenInFolder(HANDLE folder, const wchar_t* name, ACCESS_MASK access, ULONG share,
                    ULONG kind) {
  const NativeCalls* calls = Calls();
  if (!calls) return nullptr;
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name);
  text.Length = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE entry = nullptr;
  const NTSTATUS opened = calls->createFile(
      &entry, access | SYNCHRONIZE, &attributes, &io, nullptr, 0, share, FILE_OPEN,
      kind | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT,
      nullptr, 0);
  return Succeeded(*calls, opened) ? entry : nullptr;
}

size_t KernelNameOf(HANDLE open, KernelName* name) {
  const NativeCalls* calls = Calls();
  ULONG returned = 0;
  if (!calls || !Succeeded(*calls, calls->queryObject(open, ObjectNameInformation, name,
                                                      sizeof(*name), &returned))) {
    return 0;
  }
  size_t length = name->header.Name.Buffer ? name->header.Name.Length / sizeof(wchar_t) : 0;
  if (length > 1 && name->header.Name.Buffer[length - 1] == L'\\') --length;
  return length;
}

bool IsLinkOrUnknown(HANDLE open) {
  // The file system is asked for the handle's reparse point first: its
  // "there is none" is as sure as the attributes, and Wine answers it at
  // once, where the attributes cost it handing the file to the process. Only
  // the answer counts: a link's data need not fit (STATUS_BUFFER_OVERFLOW).
  constexpr NTSTATUS NOT_A_REPARSE_POINT = static_cast<NTSTATUS>(0xC0000275);
  constexpr NTSTATUS BUFFER_OVERFLOW = static_cast<NTSTATUS>(0x80000005);
  const NativeCalls* calls = Calls();
  if (!calls) return true;
  REPARSE_GUID_DATA_BUFFER header;
  IO_STATUS_BLOCK io;
  const NTSTATUS asked = calls->fileSystemControl(open, nullptr, nullptr, nullptr, &io,
                                                  FSCTL_GET_REPARSE_POINT, nullptr, 0, &header,
                                                  sizeof(header));
  if (asked == NOT_A_REPARSE_POINT) return false;
  if (NT_SUCCESS(asked) || asked == BUFFER_OVERFLOW) return true;
  // A file system that knows no reparse points tells it by the attributes.
  DWORD attributes = 0;
  return !AttributesOf(open, &attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool AttributesOf(HANDLE open, DWORD* attributes) {
  FILE_BASIC_INFORMATION basic;
  if (!QueryInformation(open, &basic, sizeof(basic), FileBasicInformation)) return false;
  *attributes = basic.FileAttributes;
  return true;
}

bool LinkCountOf(HANDLE open, ULONG* links) {
  FILE_STANDARD_INFORMATION standard;
  if (!QueryInformation(open, &standard, sizeof(standard), FileStandardInformation)) return false;
  *links = standard.NumberOfLinks;
  return true;
}

bool SetAttributesOf(HANDLE open, DWORD attributes) {
  FILE_BASIC_INFORMATION basic = {};  // times of 0 stay as they are
  basic.FileAttributes = attributes;
  return SetInformation(open, &basic, sizeof(basic), FileBasicInformation);
}

bool DeleteOpenFile(HANDLE open) {
  FILE_DISPOSITION_INFORMATION disposition = {TRUE};
  return SetInformation(open, &disposition, sizeof(disposition), FileDispositionInformation);
}

bool RenameOpenFile(HANDLE open, const wchar_t* path) {
  const foundation::MainHeapBlock<RenameRecord> record;
  if (!record) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  const DWORD length = NativePathOf(path, record->header.FileName, LONG_PATH_ROOM);
  if (length == 0) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  record->header.ReplaceIfExists = TRUE;
  record->header.RootDirectory = nullptr;
  record->header.FileNameLength = length * sizeof(wchar_t);
  return SetInformation(open, record.get(), sizeof(RenameRecord), FileRenameInformation);
}

}  // namespace services
