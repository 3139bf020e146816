#include "services/file_lock.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "final_paths_setting.h"
#include "processes.h"
#include "runtime_heaps.h"
#include "scratch_directory.h"
#include "wide_texts.h"

namespace {

// The lock as other processes meet it; a thread of its own stands in for
// another process, since a lock is held by a thread. Each test runs once
// where the system tells final paths and once where it does not (Windows
// XP): then the folder's identity keys the lock.
class FileLockTest : public ::testing::TestWithParam<bool> {
 protected:
  static HANDLE Take(const std::string& path) {
    return services::TakeFileLock(test_support::Widened(path).c_str());
  }

  const services_test::FinalPathsSetting finalPaths{GetParam()};
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
          request->lock = Take(*request->path);
          return 0;
        },
        &request, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    return request.lock;
  }

  test_support::ScratchDirectory folder;
};

INSTANTIATE_TEST_SUITE_P(FinalPaths, FileLockTest, ::testing::Bool(),
                         services_test::FinalPathsName);

// Every spelling of the file's folder gives the one lock.
TEST_P(FileLockTest, EverySpellingOfOneFolderGivesOneLock) {
  folder.MakeDirectory("Velmora Installation");
  ASSERT_TRUE(test_support::MakeUnixLink(folder.unixPath() + "/Velmora Installation",
                                         folder.unixPath() + "/linked"));
  const std::string path = folder.PathOf("Velmora Installation\\velmora.cfg");
  std::string otherCase = path;
  CharUpperBuffA(otherCase.data(), static_cast<DWORD>(otherCase.size()));
  char shortPath[MAX_PATH];
  ASSERT_GT(GetShortPathNameA(folder.PathOf("Velmora Installation").c_str(), shortPath, MAX_PATH),
            0u);
  const struct {
    const char* label;
    std::string path;
  } spellings[] = {
      {"another case", otherCase},
      {"the short name", std::string(shortPath) + "\\velmora.cfg"},
      {"through a link", folder.PathOf("linked\\velmora.cfg")},
      {"through a detour", folder.PathOf("linked\\..\\Velmora Installation\\velmora.cfg")},
  };
  for (const auto& spelling : spellings) {
    SCOPED_TRACE(spelling.label);
    HANDLE held = Take(path);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(TakeElsewhere(spelling.path), nullptr) << "the lock was taken twice";
    services::ReleaseFileLock(held);
    HANDLE abandoned = TakeElsewhere(spelling.path);
    EXPECT_NE(abandoned, nullptr) << "a released lock stays taken";
    // Its holder ended without letting go, while the lock lived on through
    // this handle: the next taker gets it.
    HANDLE taken = Take(path);
    EXPECT_NE(taken, nullptr) << "a lock whose holder ended was not taken over";
    services::ReleaseFileLock(taken);
    CloseHandle(abandoned);
  }
  HANDLE held = Take(path);
  EXPECT_NE(TakeElsewhere(folder.PathOf("velmora.cfg")), nullptr) << "another folder, its own lock";
  services::ReleaseFileLock(held);
}

}  // namespace
