#include "services/file_lock.h"

#include <cstdint>
#include <cwchar>

#include "foundation/heaps.h"
#include "foundation/owned_handles.h"
#include "services/file_identity.h"
#include "services/final_path.h"
#include "services/path_forms.h"

namespace services {
namespace {

// The lock is a mutex in the machine's global namespace, so that launchers of
// all sessions share it. Its name holds a hash of the key: a key may be
// longer than an object name may be, and holds backslashes, which an object
// name may not.
constexpr wchar_t LOCK_NAME_PREFIX[] = L"Global\\VelmoraStarterFile-";
constexpr uint64_t FNV_OFFSET = 14695981039346656037ull;
constexpr uint64_t FNV_PRIME = 1099511628211ull;

// The key is built in two buffers as long as any path can be, so that a
// file in a deep folder has its lock too.
struct KeyBuffers {
  wchar_t path[LONG_PATH_ROOM];
  wchar_t key[LONG_PATH_ROOM];
};

// Writes the value's lowest `digits` hexadecimal digits; where they end.
wchar_t* WriteHex(wchar_t* text, uint64_t value, int digits) {
  while (digits-- > 0) *text++ = L"0123456789ABCDEF"[(value >> (4 * digits)) & 15];
  return text;
}

// Writes the folder's identity as the key's text, where its final path
// cannot be told: every spelling of the folder gives the same.
bool IdentityKeyOf(HANDLE folder, wchar_t* key) {
  FileIdentity identity;
  if (!IdentityOf(folder, &identity)) return false;
  const DWORD parts[] = {identity.volume, identity.indexHigh, identity.indexLow};
  wchar_t* end = key;
  for (DWORD part : parts) {
    *end++ = L':';
    end = WriteHex(end, part, 8);
  }
  *end = L'\0';
  return true;
}

// The file's key: the final path of its folder (or, where that cannot be
// told, the folder's identity), a backslash and its name, in capitals.
bool KeyOf(const wchar_t* given, KeyBuffers* buffers) {
  wchar_t* path = buffers->path;
  if (!LiteralPathOf(given, path, LONG_PATH_ROOM)) return false;
  wchar_t* separator = wcsrchr(path, L'\\');
  if (!separator || !separator[1]) return false;
  const wchar_t* fileName = separator + 1;
  const wchar_t kept = *fileName;
  separator[1] = L'\0';  // the folder's path, with its backslash (C:\ for a root)
  const foundation::OwnedHandle folder(OpenToLookAt(path));
  separator[1] = kept;
  wchar_t* key = buffers->key;
  if (!folder ||
      (!FinalPathOf(folder.get(), key, LONG_PATH_ROOM) && !IdentityKeyOf(folder.get(), key))) {
    return false;
  }
  size_t keyLength = wcslen(key);
  if (keyLength > 0 && key[keyLength - 1] == L'\\') --keyLength;
  if (keyLength + 1 + wcslen(fileName) >= LONG_PATH_ROOM) return false;
  key[keyLength] = L'\\';
  wcscpy(key + keyLength + 1, fileName);
  CharUpperBuffW(key, static_cast<DWORD>(wcslen(key)));
  return true;
}

void LockNameOf(const wchar_t* key, wchar_t (&lockName)[64]) {
  uint64_t hash = FNV_OFFSET;
  for (const wchar_t* c = key; *c; ++c) {
    hash = (hash ^ static_cast<uint16_t>(*c)) * FNV_PRIME;
  }
  wcscpy(lockName, LOCK_NAME_PREFIX);
  *WriteHex(lockName + wcslen(lockName), hash, 16) = L'\0';
}

}  // namespace

HANDLE TakeFileLock(const wchar_t* path) {
  wchar_t lockName[64];
  {
    const foundation::MainHeapBlock<KeyBuffers> buffers;
    if (!buffers || !KeyOf(path, buffers.get())) return nullptr;
    LockNameOf(buffers->key, lockName);
  }
  // Not made when a process of another user made it, say.
  foundation::OwnedHandle lock(CreateMutexW(nullptr, FALSE, lockName));
  if (!lock) return nullptr;
  // A holder that ended without letting go leaves the lock abandoned: ours now.
  const DWORD waited = WaitForSingleObject(lock.get(), 0);
  return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED ? lock.Give() : nullptr;
}

void ReleaseFileLock(HANDLE lock) {
  if (!lock) return;
  ReleaseMutex(lock);
  CloseHandle(lock);
}

}  // namespace services
