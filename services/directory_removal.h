#pragma once
#include <cstdint>

namespace services {

// Flags of DirectoryRemove.
constexpr uint32_t DIRREMOVE_DESCEND = 1;           // remove sub-directories too
constexpr uint32_t DIRREMOVE_CLEAR_ATTRIBUTES = 2;  // make read-only files deletable

// Deletes the files of the directory that match the pattern ("*.*" for an
// empty one), with DIRREMOVE_DESCEND the matching sub-directories as well
// (with the same pattern and flags), and then removes the directory itself.
// Non-zero when the directory was removed. Nothing stops the walk: what
// cannot be deleted stays, and so does the directory holding it. Paths of
// any length Windows knows are walked, in their literal form; what lies
// deeper than that stays. Only what lies in the directory is touched: names
// are listed and used in their wide form, never through the ANSI code page; links (reparse points,
// and what Windows finds elsewhere when it opens an entry) are neither
// followed nor deleted, nor descended into, and a file with further names
// elsewhere (hard links) keeps its attributes. The directory itself may be
// reached through linked folders above it but may not be a link: then
// nothing is touched. It is held open while it is walked, so that it cannot
// be moved or replaced meanwhile, and everything in it is opened and deleted
// through that handle. With DIRREMOVE_CLEAR_ATTRIBUTES a directory's own
// attributes are cleared only once it is empty.
//
// The real file, for the walk: what the kernel names an entry once it is
// opened relative to the held folder (native_files.h). Only that name tells
// that no link led the open elsewhere; the listing's names and paths are
// used only to find the entries.
int32_t DirectoryRemove(const char* path, const char* pattern, uint32_t flags);
int32_t DirectoryRemove(const char* path, const char* pattern);
// The same with wide texts, for a path the ANSI code page cannot spell.
int32_t DirectoryRemove(const wchar_t* path, const wchar_t* pattern, uint32_t flags);

// Deletes, with the same care, the plain files directly in the folder (best
// a full literal path) that match the pattern and whose names `accept`
// takes; the folder and what else is in it stay.
using NameFilter = bool (*)(const wchar_t* name);
void DeleteFilesInFolder(const wchar_t* path, const wchar_t* pattern, NameFilter accept);

}  // namespace services
