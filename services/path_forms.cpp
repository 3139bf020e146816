#include "services/path_forms.h"

#include <cstring>
#include <cwchar>

#include "foundation/heaps.h"

namespace services {

DWORD LiteralPathOf(const wchar_t* path, wchar_t* literal, DWORD room) {
  if (room <= LITERAL_UNC_PREFIX_LENGTH) return 0;
  // The full path goes behind room for the longest prefix, then moves up.
  wchar_t* full = literal + LITERAL_UNC_PREFIX_LENGTH;
  const DWORD fullRoom = room - LITERAL_UNC_PREFIX_LENGTH;
  const DWORD length = GetFullPathNameW(path, fullRoom, full, nullptr);
  if (length == 0 || length >= fullRoom) return 0;
  const wchar_t* prefix = LITERAL_PREFIX;
  const wchar_t* rest = full;
  if (wcsncmp(full, LITERAL_PREFIX, LITERAL_PREFIX_LENGTH) == 0 ||
      wcsncmp(full, L"\\\\.\\", LITERAL_PREFIX_LENGTH) == 0) {
    prefix = L"";
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

DWORD NativePathOf(const wchar_t* path, wchar_t* native, DWORD room) {
  const DWORD length = LiteralPathOf(path, native, room);
  // Every literal path and device path begins "\\?\" or "\\.\", which the
  // native form spells "\??\".
  if (length) memcpy(native, L"\\??\\", LITERAL_PREFIX_LENGTH * sizeof(wchar_t));
  return length;
}

DWORD LiteralPrefixLength(const wchar_t* literal) {
  return wcsncmp(literal, LITERAL_UNC_PREFIX, LITERAL_UNC_PREFIX_LENGTH) == 0
             ? LITERAL_UNC_PREFIX_LENGTH
             : LITERAL_PREFIX_LENGTH;
}

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

}  // namespace services
