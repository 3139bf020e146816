#pragma once
#include <string>

#include "scratch_directory.h"

namespace test_support {

// A small memory file system (tmpfs) mounted over a directory for one test,
// so that the disk the launcher writes to can be filled; unmounted when the
// test ends, whether it passed or failed.
class SmallDisk {
 public:
  SmallDisk(const std::string& unixPath, int kibibytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  // False when no file system could be mounted here (no right to mount).
  bool mounted() const { return mounted_; }
  // Fills the disk with a file of zeros, up to the last free block; false
  // when nothing could be written. The file is never larger than the disk
  // was asked to be, wherever it ends up.
  bool Fill() const;
  // Removes that file again.
  bool RemoveFiller() const;

 private:
  std::string quotedPath_;
  int kibibytes_;
  bool mounted_ = false;
};

// A disk that takes every write and then fails to write the bytes out: an
// ext2 file system on a loop device over a file on a small memory file
// system, mounted over a directory for one test. Once FailWritingOut has
// filled the memory file system, what is written afterwards lives in the
// cache only: writes and renames succeed, flushing them fails. Unmounted
// when the test ends, whether it passed or failed.
class WriteOutFailingDisk {
 public:
  explicit WriteOutFailingDisk(const std::string& unixPath);
  ~WriteOutFailingDisk();
  WriteOutFailingDisk(const WriteOutFailingDisk&) = delete;
  WriteOutFailingDisk& operator=(const WriteOutFailingDisk&) = delete;

  // False when no such disk could be mounted here (no loop devices).
  bool mounted() const { return mounted_; }
  // Writes out what was written so far, then leaves no room for more.
  bool FailWritingOut() const;

 private:
  // The memory file system that holds the disk's image, beside the directory.
  ScratchDirectory backingFolder_;
  SmallDisk backing_;
  std::string quotedPath_;
  bool mounted_ = false;
};

}  // namespace test_support
