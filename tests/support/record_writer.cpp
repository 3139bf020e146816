#include "record_writer.h"

#include <windows.h>

namespace test_support {

void AppendRecord(const std::string& lines) {
  char path[MAX_PATH * 4];
  const DWORD length = GetEnvironmentVariableA(RECORD_FILE_VARIABLE, path, sizeof(path));
  if (!length || length >= sizeof(path)) return;
  const std::string record = lines + "\n";
  // FILE_APPEND_DATA alone makes every write land at the end, so records
  // written at the same time by two programs do not mix.
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      Sleep(20);
      continue;
    }
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return;
  }
}

}  // namespace test_support
