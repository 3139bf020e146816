#pragma once
#include <windows.h>

#include <cstdint>

#include "foundation/object_table.h"

namespace services {

using foundation::ObjectNumber;

// Numbered files read and written from front to back. Opening, closing,
// selecting and the end test take a file number; every read, write and
// position operation acts on the current file, which the last open or
// FileSelect made current.
//
// Each open file reads ahead and collects what is written in buffers of
// FILE_BUFFER_SIZE bytes, so that a long file costs a few system calls. What
// the program sees is exactly what reading and writing byte by byte on the
// system file position gives: the values and counts, the end test and the
// position. Others see the written bytes after FileFlush or FileClose. A
// write the system refuses stays with the file until it is closed: later
// writes take nothing, and FileFlush, FileMoveTo and FileClose report it.

constexpr DWORD FILE_BUFFER_SIZE = 65536;

void FileTableInit();

// Each open returns the file's handle (the automatic number for
// AUTOMATIC_NUMBER), or 0. A failed open leaves no current file and keeps a
// file that was open under the number; a successful one opens the new file
// before it closes the old one.
//   FileOpenRead:       an existing file, for reading; others may only read.
//   FileOpenUpdate:     open or create, reading and writing; others may only read.
//   FileOpenCreate:     a new empty file for writing; others may only read.
//   FileOpenExclusive:  an existing file, reading and writing, shared with nobody.
//   FileOpenReadShared: an existing file for reading while others may be
//                       writing it, for reading a file another program holds.
//   FileOpenNew:        a file that does not exist yet, for writing; others
//                       may only read. Whatever already has the name (a
//                       file, a link) makes it fail and stays as it was.
// The path is best full and literal ("\\?\C:\..."), so that it leads to
// the same file whatever becomes of the current directory and whatever its
// names end in.
intptr_t FileOpenRead(ObjectNumber number, const wchar_t* path);
intptr_t FileOpenUpdate(ObjectNumber number, const wchar_t* path);
intptr_t FileOpenCreate(ObjectNumber number, const wchar_t* path);
intptr_t FileOpenExclusive(ObjectNumber number, const wchar_t* path);
intptr_t FileOpenReadShared(ObjectNumber number, const wchar_t* path);
intptr_t FileOpenNew(ObjectNumber number, const wchar_t* path);

// Closes the file under the number; false, with the system's error code as
// the last error, when the system refused bytes written to it (true when no
// file is open under the number).
bool FileClose(ObjectNumber number);
// Closes every open file: automatic numbers first, then the table.
void FileCloseAll();
// Makes the file under the number current; the current file's handle.
intptr_t FileSelect(ObjectNumber number);
// -1 when the file under the number stands at its end, else 0 (also when no
// file is open under it). Reads one byte ahead and puts it back.
int32_t FileAtEnd(ObjectNumber number);

// Value reads, little-endian; 0 at the end of the file or with no current
// file. Missing high bytes of a value cut short by the end stay zero.
int32_t FileReadByte();
int32_t FileReadWord();
int32_t FileReadLong();
float FileReadFloat();
// Reads up to `length` bytes; the count read.
int32_t FileReadData(void* memory, int32_t length);
// Reads one line as a string result at the scratch position. A line ends at
// CR LF, LF, CR, a zero byte or the end of the file; the line end is not part
// of it. A line longer than the room left in the scratch area is cut there
// and the rest of it is skipped.
char* FileReadLine();

// Writes return the count of bytes written: taken into the write buffer, or
// written to make room. A file not open for writing takes none; when the
// system refuses waiting bytes, the write that found it out gives 0.
int32_t FileWriteByte(int32_t value);  // the lowest 8 bits
int32_t FileWriteText(const char* text);
int32_t FileWriteLine(const char* text);  // the text, then CR LF
// Forces what was written to the disk; false when that fails, and once the
// system refused bytes of the file, whenever that was found out (the last
// error then holds its code).
bool FileFlush();

void FileSetPosition(int32_t position);
int32_t FileGetPosition();  // -1 with no current file
int32_t FileGetSize();      // -1 with no current file
// Deletes a file by name; non-zero on success.
int32_t FileDelete(const char* name);
// Gives the current file, opened by FileOpenNew, the path (full and
// literal, as the opens take it, on the same volume), replacing a file
// there, after writing what waits. It is moved through its handle, so this
// very file goes there, whatever has become of its own name meanwhile.
// False when it stays where it is (also when bytes of it were refused).
bool FileMoveTo(const wchar_t* path);
// Deletes the file under the number, opened by FileOpenNew, through its
// handle and closes it; what waited to be written is dropped.
void FileCloseAndDelete(ObjectNumber number);

// The highest slot number of the file table.
ObjectNumber FileTableBound();

}  // namespace services
