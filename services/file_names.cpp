#include "services/file_names.h"

#include <windows.h>

#include <cwchar>

namespace services {
namespace {

constexpr wchar_t SEPARATORS[] = L"\\/:";
constexpr wchar_t NOT_IN_NAMES[] = L"*?\"<>|";
constexpr const wchar_t* DEVICE_NAMES[] = {L"CON", L"PRN", L"AUX", L"NUL"};
constexpr const wchar_t* NUMBERED_DEVICES[] = {L"COM", L"LPT"};

bool SameLetters(const wchar_t* one, const wchar_t* other, int length) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, one, length, other, length) ==
         CSTR_EQUAL;
}

// Device names are reserved with any extension: "nul.txt" is the device too.
bool IsDeviceName(const wchar_t* name) {
  const wchar_t* dot = wcschr(name, L'.');
  const size_t length = dot ? static_cast<size_t>(dot - name) : wcslen(name);
  for (const wchar_t* device : DEVICE_NAMES) {
    if (length == 3 && SameLetters(name, device, 3)) return true;
  }
  for (const wchar_t* device : NUMBERED_DEVICES) {
    if (length == 4 && SameLetters(name, device, 3) && name[3] >= L'1' && name[3] <= L'9') {
      return true;
    }
  }
  return false;
}

}  // namespace

NameKind KindOfName(const wchar_t* name) {
  // A separator first: whatever else the text holds, a path collapses its
  // "..", and so may still lead somewhere.
  if (wcspbrk(name, SEPARATORS)) return NAME_PATH;
  if (!*name || wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) return NAME_NONE;
  for (const wchar_t* c = name; *c; ++c) {
    if (*c < L' ' || wcschr(NOT_IN_NAMES, *c)) return NAME_NONE;
  }
  const wchar_t last = name[wcslen(name) - 1];
  if (last == L'.' || last == L' ') return NAME_TRIMMED;
  return IsDeviceName(name) ? NAME_DEVICE : NAME_OWN;
}

}  // namespace services
