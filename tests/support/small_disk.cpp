#include "small_disk.h"

#include <windows.h>

#include "processes.h"

namespace test_support {
namespace {

constexpr DWORD UNMOUNT_TIMEOUT_MS = 10000;

}  // namespace

SmallDisk::SmallDisk(const std::string& unixPath, int kibibytes)
    : quotedPath_("'" + unixPath + "'"), kibibytes_(kibibytes) {
  // A test that was ended at its time limit ran no destructor; its disk can
  // still be mounted here, since Wine hands out process ids (and with them
  // scratch directory names) again. It goes first.
  const std::string size = std::to_string(kibibytes_) + "k";
  mounted_ = RunUnixCommand("while /usr/bin/mountpoint -q " + quotedPath_ + "; do umount " +
                            quotedPath_ + " || umount -l " + quotedPath_ + " || break; done; " +
                            "mount -t tmpfs -o size=" + size + " tmpfs " + quotedPath_ +
                            " && /usr/bin/mountpoint -q " + quotedPath_) == 0;
}

SmallDisk::~SmallDisk() {
  if (!mounted_) return;
  // A launcher ended by TerminateProcess counts as ended at once, while its
  // Unix process may still be on its way out with its working directory on
  // the disk: the disk is busy for that moment.
  const DWORD start = GetTickCount();
  while (RunUnixCommand("umount " + quotedPath_) != 0) {
    if (GetTickCount() - start > UNMOUNT_TIMEOUT_MS) {
      // Detached now, freed once nothing uses it any more.
      RunUnixCommand("umount -l " + quotedPath_);
      return;
    }
    Sleep(200);
  }
}

bool SmallDisk::Fill() const {
  return RunUnixCommand("dd if=/dev/zero of=" + quotedPath_ + "/filler bs=1k count=" +
                        std::to_string(kibibytes_) + " 2>/dev/null; test -s " +
                        quotedPath_ + "/filler") == 0;
}

bool SmallDisk::RemoveFiller() const {
  return RunUnixCommand("rm " + quotedPath_ + "/filler") == 0;
}

}  // namespace test_support
