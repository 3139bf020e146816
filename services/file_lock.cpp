#include "services/file_lock.h"

#include <cstdint>
#include <cwchar>

#include "services/final_path.h"

namespace services {
namespace {

// The lock is a mutex in the machine's global namespace, so that launchers of
// all sessions share it. Its name holds a hash of the key: a key may be
// longer than an object name may be, and holds backslashes, which an object
// name may not.
constexpr wchar_t LOCK_NAME_PREFIX[] = L"Global\\VelmoraStarterFile-";
constexpr uint64_t FNV_OFFSET = 14695981039346656037ull;
constexpr uint64_t FNV_PRIME = 1099511628211ull;

// The file's key: the final path of its folder (or, where that cannot be
// told, the folder's full path), a backslash and its name, in capitals.
bool KeyOf(const char* name, wchar_t (&key)[FINAL_PATH_ROOM]) {
  wchar_t wideName[MAX_PATH];
  wchar_t folderPath[MAX_PATH];
  wchar_t* fileName = nullptr;
  if (!MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, MAX_PATH)) return false;
  const DWORD length = GetFullPathNameW(wideName, MAX_PATH, folderPath, &fileName);
  if (length == 0 || length >= MAX_PATH || !fileName) return false;
  wcscpy(wideName, fileName);
  *fileName = L'\0';  // the folder's path, with its backslash (C:\ for a root)
  constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE folder = CreateFileW(folderPath, 0, SHARE_ALL, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return false;
  const FinalPathResult found = FinalPathOf(folder, key);
  CloseHandle(folder);
  if (found != FINAL_PATH_FOUND) wcscpy(key, folderPath);
  size_t keyLength = wcslen(key);
  if (keyLength > 0 && key[keyLength - 1] == L'\\') --keyLength;
  if (keyLength + 1 + wcslen(wideName) >= FINAL_PATH_ROOM) return false;
  key[keyLength] = L'\\';
  wcscpy(key + keyLength + 1, wideName);
  CharUpperBuffW(key, static_cast<DWORD>(wcslen(key)));
  return true;
}

void LockNameOf(const wchar_t* key, wchar_t (&lockName)[64]) {
  uint64_t hash = FNV_OFFSET;
  for (const wchar_t* c = key; *c; ++c) {
    hash = (hash ^ static_cast<uint16_t>(*c)) * FNV_PRIME;
  }
  wcscpy(lockName, LOCK_NAME_PREFIX);
  wchar_t* digit = lockName + wcslen(lockName);
  for (int shift = 60; shift >= 0; shift -= 4) *digit++ = L"0123456789ABCDEF"[(hash >> shift) & 15];
  *digit = L'\0';
}

}  // namespace

HANDLE TakeFileLock(const char* name, bool* heldElsewhere) {
  *heldElsewhere = false;
  wchar_t key[FINAL_PATH_ROOM];
  if (!KeyOf(name, key)) return nullptr;
  wchar_t lockName[64];
  LockNameOf(key, lockName);
  HANDLE lock = CreateMutexW(nullptr, FALSE, lockName);
  if (!lock) {
    // Made by a process of another user that we may not open.
    *heldElsewhere = GetLastError() == ERROR_ACCESS_DENIED;
    return nullptr;
  }
  // A holder that ended without letting go leaves the lock abandoned: ours now.
  const DWORD waited = WaitForSingleObject(lock, 0);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return lock;
  CloseHandle(lock);
  *heldElsewhere = true;
  return nullptr;
}

void ReleaseFileLock(HANDLE lock) {
  if (!lock) return;
  ReleaseMutex(lock);
  CloseHandle(lock);
}

}  // namespace services
