#include "foundation/system_library.h"

#include <cstring>

namespace foundation {

HMODULE LoadSystemLibrary(const char* fileName) {
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  const size_t nameLength = strlen(fileName);
  if (length == 0 || length + 1 + nameLength >= MAX_PATH) return nullptr;
  path[length] = '\\';
  memcpy(path + length + 1, fileName, nameLength + 1);
  // The DLLs it needs in turn are looked for from its own folder on, not
  // from the program's.
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace foundation
