#include "services/final_path.h"

namespace services {

FinalPathResult FinalPathOf(HANDLE open, wchar_t (&path)[FINAL_PATH_ROOM]) {
  using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  path[0] = L'\0';
  const auto finalPath = NewerKernelCall<FinalPathFunction>("GetFinalPathNameByHandleW");
  if (!finalPath) return FINAL_PATH_UNKNOWN;
  const DWORD length = finalPath(open, path, FINAL_PATH_ROOM, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= FINAL_PATH_ROOM) {
    path[0] = L'\0';
    return FINAL_PATH_FAILED;
  }
  return FINAL_PATH_FOUND;
}

}  // namespace services
