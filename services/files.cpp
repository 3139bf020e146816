#include "services/files.h"

#include <cstring>

#include "foundation/heaps.h"
#include "foundation/owned_handles.h"
#include "foundation/strings.h"
#include "services/native_files.h"

namespace services {
namespace {

using foundation::ObjectTable;

constexpr ObjectNumber FILE_TABLE_BOUND = 10;
constexpr ObjectNumber FILE_TABLE_STEP = 10;
constexpr char CR = 13;
constexpr char LF = 10;

// An open file and its two buffers. Bytes read ahead and bytes not yet
// written are never held at the same time: a write first gives the read-ahead
// back to the system position, a read first writes what is waiting. So the
// position the program sees is the system position less what was read ahead
// and not yet taken, plus what waits to be written. The buffers are made in
// the main heap when first needed; the read buffer goes again once a read
// finds the end, so no copy of a file is kept after it has been read.
struct OpenFile {
  HANDLE handle;
  bool writable;
  char* readBuffer;
  DWORD readLength;  // bytes in the read buffer
  DWORD readTaken;   // of them, handed out already
  char* writeBuffer;
  DWORD writeLength;  // bytes waiting to be written
  // The system's error code once it refused bytes, 0 before. It stays until
  // the file is closed: whichever call pushed the bytes out, the next write,
  // FileFlush and FileClose report it.
  DWORD refusal;
};

// The file table's entry: the handle first, as every object table has it.
struct FileEntry {
  HANDLE handle;
  OpenFile* file;
};

// The file layer's state; FileTableInit starts it anew.
struct FileLayer {
  ObjectTable table;
  OpenFile* current;
  // The one file whose buffers may hold bytes. Acting on another file first
  // settles this one, so that every other handle in this process and outside
  // sees the bytes as the program wrote them, and a file open under two
  // numbers reads what the other number wrote.
  OpenFile* buffered;
};

FileLayer files;

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
// DELETE lets the file be moved or deleted through its handle later.
constexpr OpenWay OPEN_NEW = {GENERIC_WRITE | DELETE, FILE_SHARE_READ, CREATE_NEW};

HANDLE CreateWith(const wchar_t* path, const OpenWay& way, DWORD attributes) {
  HANDLE file = CreateFileW(path, way.access, way.sharing, nullptr, way.creation, attributes,
                            nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

// Remembers that the system refused bytes of the file. A write that took
// fewer bytes without an error counts as refused too: the disk is full.
void RecordRefusal(OpenFile* file, BOOL done) {
  const DWORD error = done ? ERROR_DISK_FULL : GetLastError();
  if (!file->refusal) file->refusal = error ? error : ERROR_WRITE_FAULT;
}

// Writes what waits in the write buffer; false when the system took less,
// now or earlier. What it did not take is lost, as an unbuffered write of it
// would have been.
bool WriteWaitingBytes(OpenFile* file) {
  if (file->writeLength) {
    DWORD written = 0;
    const BOOL done =
        WriteFile(file->handle, file->writeBuffer, file->writeLength, &written, nullptr);
    if (!done || written != file->writeLength) RecordRefusal(file, done);
    file->writeLength = 0;
  }
  return !file->refusal;
}

// False, with the system's error code as the last error, once the system
// refused bytes of the file.
bool NothingRefused(const OpenFile* file) {
  if (!file->refusal) return true;
  SetLastError(file->refusal);
  return false;
}

// Moves the system position back over the bytes read ahead and not taken.
void GiveBackReadAhead(OpenFile* file) {
  const DWORD ahead = file->readLength - file->readTaken;
  if (ahead) SetFilePointer(file->handle, -static_cast<LONG>(ahead), nullptr, FILE_CURRENT);
  file->readLength = file->readTaken = 0;
}

void Settle(OpenFile* file) {
  WriteWaitingBytes(file);
  GiveBackReadAhead(file);
}

// Every operation on a file's bytes goes through here first.
OpenFile* Engage(OpenFile* file) {
  if (files.buffered && files.buffered != file) Settle(files.buffered);
  files.buffered = file;
  return file;
}

// Closes the file; false, with the system's error code as the last error,
// when the system refused bytes of it.
bool CloseOpenFile(OpenFile* file) {
  WriteWaitingBytes(file);
  const DWORD refusal = file->refusal;
  CloseHandle(file->handle);
  if (file == files.current) files.current = nullptr;
  if (file == files.buffered) files.buffered = nullptr;
  foundation::MainHeapFree(file->readBuffer);
  foundation::MainHeapFree(file->writeBuffer);
  foundation::MainHeapFree(file);
  if (refusal) SetLastError(refusal);
  return !refusal;
}

// Puts the new file under the number: the new one is open before the old
// one is closed, and a failed open leaves the number as it was.
intptr_t StoreOpenedFile(ObjectNumber number, HANDLE opened, DWORD access) {
  foundation::OwnedHandle handle(opened);
  // The file that was current loses that, so what it wrote goes out now.
  files.current = Engage(nullptr);
  if (!handle) return 0;
  auto* file = static_cast<OpenFile*>(foundation::MainHeapAllocate(sizeof(OpenFile)));
  auto* entry =
      file ? static_cast<FileEntry*>(foundation::ClaimSlot(&files.table, number)) : nullptr;
  if (!entry) {
    foundation::MainHeapFree(file);
    return 0;
  }
  file->handle = handle.Give();
  file->writable = access & GENERIC_WRITE;
  if (entry->handle) CloseOpenFile(entry->file);
  *entry = {file->handle, file};
  files.current = Engage(file);
  return foundation::CreationResult(number, entry);
}

intptr_t OpenFileWith(ObjectNumber number, const wchar_t* path, const OpenWay& way) {
  return StoreOpenedFile(number, CreateWith(path, way, FILE_ATTRIBUTE_NORMAL), way.access);
}

OpenFile* FileUnder(ObjectNumber number) {
  auto* entry = static_cast<FileEntry*>(foundation::LookUpSlot(&files.table, number));
  return entry ? entry->file : nullptr;
}

// Reads the next piece of the file into the read buffer; false when the
// system delivered nothing (the end, or a failed read).
bool FillReadBuffer(OpenFile* file) {
  WriteWaitingBytes(file);
  file->readLength = file->readTaken = 0;
  if (!file->readBuffer) {
    file->readBuffer = static_cast<char*>(foundation::MainHeapAllocate(FILE_BUFFER_SIZE));
    if (!file->readBuffer) return false;
  }
  DWORD read = 0;
  if (!ReadFile(file->handle, file->readBuffer, FILE_BUFFER_SIZE, &read, nullptr) || !read) {
    foundation::MainHeapFree(file->readBuffer);
    file->readBuffer = nullptr;
    return false;
  }
  file->readLength = read;
  return true;
}

// The next byte of the file, -1 when none is delivered.
int NextByte(OpenFile* file) {
  if (file->readTaken == file->readLength && !FillReadBuffer(file)) return -1;
  return static_cast<unsigned char>(file->readBuffer[file->readTaken++]);
}

// Hands out up to `length` bytes that were read ahead; the count.
DWORD TakeReadAhead(OpenFile* file, char* memory, DWORD length) {
  DWORD piece = file->readLength - file->readTaken;
  if (piece > length) piece = length;
  memcpy(memory, file->readBuffer + file->readTaken, piece);
  file->readTaken += piece;
  return piece;
}

// Up to `length` bytes, as one ReadFile of that length would deliver them:
// what was read ahead, then one system read for the rest.
DWORD ReadBytes(OpenFile* file, void* memory, DWORD length) {
  if (!file) return 0;
  Engage(file);
  auto* out = static_cast<char*>(memory);
  DWORD delivered = TakeReadAhead(file, out, length);
  const DWORD missing = length - delivered;
  if (missing >= FILE_BUFFER_SIZE) {
    WriteWaitingBytes(file);
    DWORD read = 0;
    if (ReadFile(file->handle, out + delivered, missing, &read, nullptr)) delivered += read;
  } else if (missing && FillReadBuffer(file)) {
    delivered += TakeReadAhead(file, out + delivered, missing);
  }
  return delivered;
}

// Takes the bytes into the write buffer; the count taken. A file that was
// not opened for writing takes none, and so does one whose earlier bytes the
// system refused, whenever that was found out.
DWORD WriteBytes(const void* memory, DWORD length) {
  OpenFile* file = files.current;
  if (!file || !file->writable || !length) return 0;
  Engage(file);
  GiveBackReadAhead(file);
  if (file->writeLength + length > FILE_BUFFER_SIZE || file->refusal) {
    if (!WriteWaitingBytes(file)) return 0;
    if (length >= FILE_BUFFER_SIZE) {
      DWORD written = 0;
      const BOOL done = WriteFile(file->handle, memory, length, &written, nullptr);
      if (!done || written != length) RecordRefusal(file, done);
      return written;
    }
  }
  if (!file->writeBuffer) {
    file->writeBuffer = static_cast<char*>(foundation::MainHeapAllocate(FILE_BUFFER_SIZE));
    if (!file->writeBuffer) return 0;
  }
  memcpy(file->writeBuffer + file->writeLength, memory, length);
  file->writeLength += length;
  return length;
}

// The value reads start from 0 and let the read place the bytes it delivers.
template <typename Value>
Value ReadValue() {
  Value value = 0;
  ReadBytes(files.current, &value, sizeof(value));
  return value;
}

}  // namespace

void FileTableInit() {
  files = {};
  foundation::ObjectTableInit(&files.table, sizeof(FileEntry), FILE_TABLE_BOUND, FILE_TABLE_STEP);
}

intptr_t FileOpenRead(ObjectNumber number, const wchar_t* path) {
  return OpenFileWith(number, path, OPEN_READ);
}

intptr_t FileOpenUpdate(ObjectNumber number, const wchar_t* path) {
  return OpenFileWith(number, path, OPEN_UPDATE);
}

intptr_t FileOpenCreate(ObjectNumber number, const wchar_t* path) {
  HANDLE file = CreateWith(path, OPEN_CREATE, FILE_ATTRIBUTE_NORMAL);
  if (!file) {
    // Some files cannot be created anew but can be emptied.
    const OpenWay truncate = {OPEN_CREATE.access, OPEN_CREATE.sharing, TRUNCATE_EXISTING};
    file = CreateWith(path, truncate, 0);
  }
  return StoreOpenedFile(number, file, OPEN_CREATE.access);
}

intptr_t FileOpenExclusive(ObjectNumber number, const wchar_t* path) {
  return OpenFileWith(number, path, OPEN_EXCLUSIVE);
}

intptr_t FileOpenReadShared(ObjectNumber number, const wchar_t* path) {
  return OpenFileWith(number, path, OPEN_READ_SHARED);
}

intptr_t FileOpenNew(ObjectNumber number, const wchar_t* path) {
  return OpenFileWith(number, path, OPEN_NEW);
}

bool FileMoveTo(const wchar_t* path) {
  OpenFile* file = files.current;
  if (!file) return false;
  Engage(file);
  WriteWaitingBytes(file);
  return NothingRefused(file) && RenameOpenFile(file->handle, path);
}

void FileCloseAndDelete(ObjectNumber number) {
  OpenFile* file = FileUnder(number);
  if (!file) return;
  file->writeLength = 0;  // nothing more goes into a file that goes
  DeleteOpenFile(file->handle);
  FileClose(number);
}

bool FileClose(ObjectNumber number) {
  OpenFile* file = FileUnder(number);
  if (!file) return true;
  const bool complete = CloseOpenFile(file);
  foundation::ClearSlot(&files.table, number);
  return complete;
}

void FileCloseAll() {
  foundation::ForEachNumber(&files.table, foundation::SlotOrder::ASCENDING,
                            [](ObjectNumber number) { FileClose(number); });
}

intptr_t FileSelect(ObjectNumber number) {
  if (OpenFile* file = FileUnder(number)) files.current = file;
  return files.current ? reinterpret_cast<intptr_t>(files.current->handle) : 0;
}

int32_t FileAtEnd(ObjectNumber number) {
  OpenFile* file = FileUnder(number);
  if (!file) return 0;
  Engage(file);
  // A byte read ahead stays in the buffer: that is putting it back.
  if (file->readTaken < file->readLength) return 0;
  return FillReadBuffer(file) ? 0 : -1;
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
  return static_cast<int32_t>(ReadBytes(files.current, memory, static_cast<DWORD>(length)));
}

char* FileReadLine() {
  char* line = foundation::ScratchMark();
  if (!foundation::ScratchRoom()) return line;
  char* end = line;
  // The last byte of the area is kept for the terminating zero.
  char* const limit = line + foundation::ScratchRoom() - 1;
  OpenFile* file = files.current;
  int byte = 0;
  if (file) {
    Engage(file);
    for (;;) {
      byte = NextByte(file);
      if (byte == CR || byte == LF || byte <= 0) break;
      if (end < limit) *end++ = static_cast<char>(byte);
    }
  }
  *end = '\0';
  foundation::RewindScratch(end);
  // A CR alone ends the line too; the byte after it then begins the next.
  if (byte == CR && NextByte(file) != LF && file->readTaken) --file->readTaken;
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
  if (!files.current) return 0;
  static constexpr char LINE_END[] = {CR, LF};
  return FileWriteText(text) + static_cast<int32_t>(WriteBytes(LINE_END, sizeof(LINE_END)));
}

bool FileFlush() {
  OpenFile* file = files.current;
  if (!file) return false;
  Engage(file);
  WriteWaitingBytes(file);
  const bool flushed = FlushFileBuffers(file->handle);
  return NothingRefused(file) && flushed;
}

void FileSetPosition(int32_t position) {
  OpenFile* file = files.current;
  if (!file) return;
  Engage(file);
  WriteWaitingBytes(file);
  if (file->readLength) {
    // A position inside what was read ahead is only a step in the buffer.
    const DWORD system = SetFilePointer(file->handle, 0, nullptr, FILE_CURRENT);
    const DWORD start = system - file->readLength;
    const DWORD target = static_cast<DWORD>(position);
    if (position >= 0 && target >= start && target <= system) {
      file->readTaken = target - start;
      return;
    }
  }
  // A position that cannot be set leaves the file where it is, and what was
  // read ahead stays valid.
  if (SetFilePointer(file->handle, position, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER) {
    file->readLength = file->readTaken = 0;
  }
}

int32_t FileGetPosition() {
  OpenFile* file = files.current;
  if (!file) return -1;
  Engage(file);
  const DWORD system = SetFilePointer(file->handle, 0, nullptr, FILE_CURRENT);
  return static_cast<int32_t>(system - (file->readLength - file->readTaken) + file->writeLength);
}

int32_t FileGetSize() {
  OpenFile* file = files.current;
  if (!file) return -1;
  Engage(file);
  WriteWaitingBytes(file);
  return static_cast<int32_t>(GetFileSize(file->handle, nullptr));
}

int32_t FileDelete(const char* name) { return DeleteFileA(name) ? 1 : 0; }

ObjectNumber FileTableBound() { return files.table.bound; }

}  // namespace services
