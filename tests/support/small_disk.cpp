#include "small_disk.h"

#include <windows.h>

#include "processes.h"

namespace test_support {
namespace {

constexpr DWORD UNMOUNT_TIMEOUT_MS = 10000;

// Unmounts what is mounted at the quoted path. A launcher ended by
// TerminateProcess counts as ended at once, while its Unix process may
// still be on its way out with its working directory on the disk: the disk
// is busy for that moment.
void Unmount(const std::string& quotedPath) {
  const DWORD start = GetTickCount();
  while (RunUnixCommand("umount " + quotedPath) != 0) {
    if (GetTickCount() - start > UNMOUNT_TIMEOUT_MS) {
      // Detached now, freed once nothing uses it any more.
      RunUnixCommand("umount -l " + quotedPath);
      return;
    }
    Sleep(200);
  }
}

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
  if (mounted_) Unmount(quotedPath_);
}

bool SmallDisk::Fill() const {
  return RunUnixCommand("dd if=/dev/zero of=" + quotedPath_ + "/filler bs=1k count=" +
                        std::to_string(kibibytes_) + " 2>/dev/null; test -s " +
                        quotedPath_ + "/filler") == 0;
}

bool SmallDisk::RemoveFiller() const {
  return RunUnixCommand("rm " + quotedPath_ + "/filler") == 0;
}

WriteOutFailingDisk::WriteOutFailingDisk(const std::string& unixPath)
    : backingFolder_("backing"),
      backing_(backingFolder_.unixPath(), 16 * 1024),
      quotedPath_("'" + unixPath + "'") {
  // The disk's image starts sparse: what ext2 writes out later needs new
  // room on the memory file system.
  const std::string image = "'" + backingFolder_.unixPath() + "/disk.img'";
  mounted_ = backing_.mounted() &&
             RunUnixCommand("truncate -s 64M " + image + " && /sbin/mkfs.ext2 -q -F -b 1024 -m 0 " +
                                image + " && mount -o loop,errors=continue " + image + " " +
                                quotedPath_,
                            30000) == 0;
}

WriteOutFailingDisk::~WriteOutFailingDisk() {
  if (mounted_) Unmount(quotedPath_);
}

bool WriteOutFailingDisk::FailWritingOut() const {
  return RunUnixCommand("sync", 30000) == 0 && backing_.Fill();
}

}  // namespace test_support
