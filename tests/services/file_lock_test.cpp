#include "services/file_lock.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime_heaps.h"
#include "scratch_directory.h"

namespace {

// The lock as other processes meet it; a thread of its own stands in for
// another process, since a lock is held by a thread.
class FileLockTest : public ::testing::Test {
 protected:
  test_support::RuntimeHeaps heaps;

  // Takes the lock of the path on a thread of its own, which then ends
  // without letting go, as a process that ended while it held the lock; the
  // lock's handle, or nullptr.
  static HANDLE TakeElsewhere(const std::string& path) {
    struct Request {
      const std::string* path;
      HANDLE lock;
    } request = {&path, nullptr};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* argument) -> DWORD {
          auto* request = static_cast<Request*>(argument);
          request->lock = services::TakeFileLock(request->path->c_str());
          return 0;
        },
        &request, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    return request.lock;
  }

  test_support::ScratchDirectory folder;
};

TEST_F(FileLockTest, TwoSpellingsOfOnePathGiveOneLock) {
  HANDLE held = services::TakeFileLock(folder.PathOf("velmora.cfg").c_str());
  ASSERT_NE(held, nullptr);
  std::string otherCase = folder.PathOf("velmora.cfg");
  CharUpperBuffA(otherCase.data(), static_cast<DWORD>(otherCase.size()));
  EXPECT_EQ(TakeElsewhere(otherCase), nullptr) << "the lock was taken twice";
  services::ReleaseFileLock(held);
  HANDLE after = TakeElsewhere(otherCase);
  EXPECT_NE(after, nullptr) << "a released lock stays taken";
  CloseHandle(after);
}

// A holder that ended without letting go, while the lock lived on through
// another handle, leaves it abandoned: the next taker gets it.
TEST_F(FileLockTest, ALockWhoseHolderEndedIsTakenOver) {
  const std::string path = folder.PathOf("velmora.cfg");
  HANDLE abandoned = TakeElsewhere(path);
  ASSERT_NE(abandoned, nullptr);
  HANDLE taken = services::TakeFileLock(path.c_str());
  EXPECT_NE(taken, nullptr);
  services::ReleaseFileLock(taken);
  CloseHandle(abandoned);
}

}  // namespace
