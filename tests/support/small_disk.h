#pragma once
#include <string>

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

}  // namespace test_support
