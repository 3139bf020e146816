#include "services/final_path.h"

#include <cstring>
#include <cwchar>

namespace services {
namespace {

constexpr wchar_t LITERAL_PREFIX[] = L"\\\\?\\";
constexpr wchar_t LITERAL_UNC_PREFIX[] = L"\\\\?\\UNC\\";
constexpr DWORD LONGEST_PREFIX = 8;

}  // namespace

FinalPathResult FinalPathOf(HANDLE open, wchar_t* path, DWORD room) {
  using FinalPathFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
  path[0] = L'\0';
  const auto finalPath = NewerKernelCall<FinalPathFunction>("GetFinalPathNameByHandleW");
  if (!finalPath) return FINAL_PATH_UNKNOWN;
  const DWORD length = finalPath(open, path, room, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= room) {
    path[0] = L'\0';
    return FINAL_PATH_FAILED;
  }
  return FINAL_PATH_FOUND;
}

DWORD LiteralPathOf(const wchar_t* path, wchar_t* literal, DWORD room) {
  if (room <= LONGEST_PREFIX) return 0;
  // The full path goes behind room for the longest prefix, then moves up.
  wchar_t* full = literal + LONGEST_PREFIX;
  const DWORD fullRoom = room - LONGEST_PREFIX;
  const DWORD length = GetFullPathNameW(path, fullRoom, full, nullptr);
  if (length == 0 || length >= fullRoom) return 0;
  const wchar_t* prefix = LITERAL_PREFIX;
  const wchar_t* rest = full;
  if (wcsncmp(full, LITERAL_PREFIX, 4) == 0 || wcsncmp(full, L"\\\\.\\", 4) == 0) {
    prefix = L"";  // literal or a device path already
  } else if (full[0] == L'\\' && full[1] == L'\\') {
    prefix = LITERAL_UNC_PREFIX;
    rest = full + 2;
  }
  const size_t prefixLength = wcslen(prefix);
  const size_t restLength = length - (rest - full);
  memmove(literal + prefixLength, rest, (restLength + 1) * sizeof(wchar_t));
  memcpy(literal, prefix, prefixLength * sizeof(wchar_t));
  return static_cast<DWORD>(prefixLength + restLength);
}

}  // namespace services
