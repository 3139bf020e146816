#include "services/path_forms.h"

#include <cstring>
#include <cwchar>

#include "foundation/heaps.h"

namespace services {

namespace {

// What goes before a full path to make it literal, and how many of its
// leading characters that replaces.
struct LiteralStart {
  const wchar_t* prefix;
  size_t replaced;
};

LiteralStart LiteralStartOf(const wchar_t* full) {
  if (wcsncmp(full, LITERAL_PREFIX, LITERAL_PREFIX_LENGTH) == 0 ||
      wcsncmp(full, L"\\\\.\\", LITERAL_PREFIX_LENGTH) == 0) {
    return {L"", 0};
  }
  if (full[0] == L'\\' && full[1] == L'\\') return {LITERAL_UNC_PREFIX, 2};
  return {LITERAL_PREFIX, 0};
}

}  // namespace

DWORD LiteralPathOf(const wchar_t* path, wchar_t* literal, DWORD room) {
  if (room <= LITERAL_UNC_PREFIX_LENGTH) return 0;
  // The full path goes behind room for the longest prefix, then moves up.
  wchar_t* full = literal + LITERAL_UNC_PREFIX_LENGTH;
  const DWORD fullRoom = room - LITERAL_UNC_PREFIX_LENGTH;
  const DWORD length = GetFullPathNameW(path, fullRoom, full, nullptr);
  if (length == 0 || length >= fullRoom) return 0;
  const LiteralStart start = LiteralStartOf(full);
  const size_t prefixLength = wcslen(start.prefix);
  const size_t restLength = length - start.replaced;
  memmove(literal + prefixLength, full + start.replaced, (restLength + 1) * sizeof(wchar_t));
  memcpy(literal, start.prefix, prefixLength * sizeof(wchar_t));
  return static_cast<DWORD>(prefixLength + restLength);
}

wchar_t* LiteralFormInHeap(const wchar_t* full) {
  const LiteralStart start = LiteralStartOf(full);
  const size_t prefixLength = wcslen(start.prefix);
  const size_t restLength = wcslen(full) - start.replaced;
  auto* literal = static_cast<wchar_t*>(
      foundation::MainHeapAllocate((prefixLength + restLength + 1) * sizeof(wchar_t)));
  if (!literal) return nullptr;
  wmemcpy(literal, start.prefix, prefixLength);
  wmemcpy(literal + prefixLength, full + start.replaced, restLength + 1);
  return literal;
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

}  // namespace services
