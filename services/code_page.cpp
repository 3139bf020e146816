#include "services/code_page.h"

#include <cwchar>

#include "foundation/heaps.h"

namespace services {

namespace {

DWORD Widen(const char* text, wchar_t* wide, DWORD room, UINT codePage, DWORD flags) {
  const int length =
      MultiByteToWideChar(codePage, flags, text ? text : "", -1, wide, static_cast<int>(room));
  return length > 0 ? static_cast<DWORD>(length - 1) : 0;
}

}  // namespace

DWORD WideTextOf(const char* text, wchar_t* wide, DWORD room, UINT codePage) {
  // Without MB_ERR_INVALID_CHARS a lone lead byte comes back as a stand-in
  // character (U+30FB under 932) instead of a failure.
  return Widen(text, wide, room, codePage, MB_ERR_INVALID_CHARS);
}

DWORD WideTextAsWindowsReadsIt(const char* text, wchar_t* wide, DWORD room) {
  return Widen(text, wide, room, CP_ACP, 0);
}

wchar_t* JoinedPathInHeap(const wchar_t* path, const char* more) {
  const size_t pathLength = wcslen(path);
  const int moreLength = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, more, -1, nullptr, 0);
  if (moreLength <= 0) return nullptr;
  auto* joined = static_cast<wchar_t*>(
      foundation::MainHeapAllocate((pathLength + static_cast<size_t>(moreLength)) * sizeof(wchar_t)));
  if (!joined) return nullptr;
  wmemcpy(joined, path, pathLength);
  WideTextOf(more, joined + pathLength, static_cast<DWORD>(moreLength));
  return joined;
}

}  // namespace services
