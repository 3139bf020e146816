#include "services/files.h"

#include <cstring>

#include "foundation/strings.h"

namespace services {
namespace {

using foundation::ObjectTable;

constexpr ObjectNumber FILE_TABLE_BOUND = 10;
constexpr ObjectNumber FILE_TABLE_STEP = 10;
constexpr char CR = 13;
constexpr char LF = 10;

ObjectTable fileTable;
HANDLE currentFile;

struct OpenWay {
  DWORD access;
  DWORD sharing;
  DWORD creation;
};

constexpr OpenWay OPEN_READ = {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
constexpr OpenWay OPEN_UPDATE = {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS};
constexpr OpenWay OPEN_CREATE = {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS};
constexpr OpenWay OPEN_EXCLUSIVE = {GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING};
constexpr OpenWay OPEN_READ_SHARED = {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      OPEN_EXISTING};

HANDLE CreateWith(const char* name, const OpenWay& way, DWORD attributes) {
  HANDLE file = CreateFileA(name, way.access, way.sharing, nullptr, way.creation, attributes,
                            nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

// Puts the new file under the number: the new one is open before the old
// one is closed, and a failed open leaves the number as it was.
intptr_t StoreOpenedFile(ObjectNumber number, HANDLE file) {
  currentFile = file;
  if (!file) return 0;
  auto* cell = static_cast<HANDLE*>(foundation::ClaimSlot(&fileTable, number));
  if (!cell) {
    CloseHandle(file);
    currentFile = nullptr;
    return 0;
  }
  if (*cell) CloseHandle(*cell);
  *cell = file;
  return foundation::CreationResult(number, cell);
}

intptr_t OpenFile(ObjectNumber number, const char* name, const OpenWay& way) {
  return StoreOpenedFile(number, CreateWith(name, way, FILE_ATTRIBUTE_NORMAL));
}

HANDLE FileUnder(ObjectNumber number) {
  auto* cell = static_cast<HANDLE*>(foundation::LookUpSlot(&fileTable, number));
  return cell ? *cell : nullptr;
}

DWORD ReadBytes(HANDLE file, void* memory, DWORD length) {
  DWORD read = 0;
  if (!file || !ReadFile(file, memory, length, &read, nullptr)) return 0;
  return read;
}

DWORD WriteBytes(const void* memory, DWORD length) {
  DWORD written = 0;
  if (!currentFile || !WriteFile(currentFile, memory, length, &written, nullptr)) return 0;
  return written;
}

void StepBack(HANDLE file) { SetFilePointer(file, -1, nullptr, FILE_CURRENT); }

// The value reads start from 0 and let the read place the bytes it delivers.
template <typename Value>
Value ReadValue() {
  Value value = 0;
  ReadBytes(currentFile, &value, sizeof(value));
  return value;
}

}  // namespace

void FileTableInit() {
  currentFile = nullptr;
  foundation::ObjectTableInit(&fileTable, sizeof(HANDLE), FILE_TABLE_BOUND, FILE_TABLE_STEP);
}

intptr_t FileOpenRead(ObjectNumber number, const char* name) {
  return OpenFile(number, name, OPEN_READ);
}

intptr_t FileOpenUpdate(ObjectNumber number, const char* name) {
  return OpenFile(number, name, OPEN_UPDATE);
}

intptr_t FileOpenCreate(ObjectNumber number, const char* name) {
  HANDLE file = CreateWith(name, OPEN_CREATE, FILE_ATTRIBUTE_NORMAL);
  if (!file) {
    // Some files cannot be created anew but can be emptied.
    const OpenWay truncate = {OPEN_CREATE.access, OPEN_CREATE.sharing, TRUNCATE_EXISTING};
    file = CreateWith(name, truncate, 0);
  }
  return StoreOpenedFile(number, file);
}

intptr_t FileOpenExclusive(ObjectNumber number, const char* name) {
  return OpenFile(number, name, OPEN_EXCLUSIVE);
}

intptr_t FileOpenReadShared(ObjectNumber number, const char* name) {
  return OpenFile(number, name, OPEN_READ_SHARED);
}

void FileClose(ObjectNumber number) {
  HANDLE file = FileUnder(number);
  if (!file) return;
  CloseHandle(file);
  if (file == currentFile) currentFile = nullptr;
  foundation::ClearSlot(&fileTable, number);
}

void FileCloseAll() {
  foundation::ForEachNumber(&fileTable, foundation::SlotOrder::ASCENDING, FileClose);
}

intptr_t FileSelect(ObjectNumber number) {
  if (HANDLE file = FileUnder(number)) currentFile = file;
  return reinterpret_cast<intptr_t>(currentFile);
}

int32_t FileAtEnd(ObjectNumber number) {
  HANDLE file = FileUnder(number);
  if (!file) return 0;
  char byte;
  if (!ReadBytes(file, &byte, 1)) return -1;
  StepBack(file);
  return 0;
}

int32_t FileReadByte() { return ReadValue<int8_t>(); }

int32_t FileReadWord() { return ReadValue<int16_t>(); }

int32_t FileReadLong() { return ReadValue<int32_t>(); }

float FileReadFloat() {
  uint32_t bits = ReadValue<uint32_t>();
  float value;
  memcpy(&value, &bits, sizeof(value));
  return value;
}

int32_t FileReadData(void* memory, int32_t length) {
  if (length <= 0) return 0;
  return static_cast<int32_t>(ReadBytes(currentFile, memory, static_cast<DWORD>(length)));
}

char* FileReadLine() {
  char* line = foundation::ScratchMark();
  if (!foundation::ScratchRoom()) return line;
  char* end = line;
  // The last byte of the area is kept for the terminating zero.
  char* const limit = line + foundation::ScratchRoom() - 1;
  char byte = 0;
  if (currentFile) {
    for (;;) {
      byte = 0;
      ReadBytes(currentFile, &byte, 1);
      if (byte == CR || byte == LF || byte == 0) break;
      if (end < limit) *end++ = byte;
    }
  }
  *end = '\0';
  foundation::RewindScratch(end);
  if (byte == CR) {
    char next;
    if (ReadBytes(currentFile, &next, 1) && next != LF) StepBack(currentFile);
  }
  return line;
}

int32_t FileWriteByte(int32_t value) {
  const char byte = static_cast<char>(value);
  return static_cast<int32_t>(WriteBytes(&byte, 1));
}

int32_t FileWriteText(const char* text) {
  if (!text || !*text) return 0;
  return static_cast<int32_t>(WriteBytes(text, static_cast<DWORD>(strlen(text))));
}

int32_t FileWriteLine(const char* text) {
  if (!currentFile) return 0;
  static constexpr char LINE_END[] = {CR, LF};
  return FileWriteText(text) + static_cast<int32_t>(WriteBytes(LINE_END, sizeof(LINE_END)));
}

bool FileFlush() { return currentFile && FlushFileBuffers(currentFile); }

void FileSetPosition(int32_t position) {
  if (currentFile) SetFilePointer(currentFile, position, nullptr, FILE_BEGIN);
}

int32_t FileGetPosition() {
  if (!currentFile) return -1;
  return static_cast<int32_t>(SetFilePointer(currentFile, 0, nullptr, FILE_CURRENT));
}

int32_t FileGetSize() {
  if (!currentFile) return -1;
  return static_cast<int32_t>(GetFileSize(currentFile, nullptr));
}

int32_t FileDelete(const char* name) { return DeleteFileA(name) ? 1 : 0; }

ObjectNumber FileTableBound() { return fileTable.bound; }

}  // namespace services
