#include "scratch_directory.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "processes.h"
#include "test_paths.h"
#include "wide_texts.h"

namespace test_support {

ScratchDirectory::ScratchDirectory(const char* purpose) {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : purpose;
  for (char& c : name) {
    if (c == '/' || c == '\\') c = '_';
  }
  unixPath_ = std::string(SCRATCH_DIRECTORY) + "/" + name + "-" + purpose + "-" +
              std::to_string(GetCurrentProcessId());
  windowsPath_ = WindowsPathOf(unixPath_);
  RunUnixCommand("/bin/rm -rf " + unixPath_);
  // Every folder on the way, made through Wine itself so that it sees it at once.
  for (size_t slash = windowsPath_.find('\\', 3); ; slash = windowsPath_.find('\\', slash + 1)) {
    CreateDirectoryA(windowsPath_.substr(0, slash).c_str(), nullptr);
    if (slash == std::string::npos) break;
  }
  EXPECT_NE(GetFileAttributesA(windowsPath_.c_str()), INVALID_FILE_ATTRIBUTES)
      << "cannot make " << windowsPath_;
}

ScratchDirectory::~ScratchDirectory() { RunUnixCommand("/bin/rm -rf " + unixPath_); }

std::string ScratchDirectory::PathOf(const std::string& relative) const {
  return windowsPath_ + "\\" + relative;
}

std::wstring ScratchDirectory::WidePathOf(const std::string& relative) const {
  return LiteralWhenLong(Widened(PathOf(relative)));
}

void ScratchDirectory::WriteFile(const std::string& relative, const std::string& bytes) const {
  HANDLE file = CreateFileW(WidePathOf(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot create " << relative;
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_EQ(written, bytes.size());
}

std::optional<std::string> ScratchDirectory::ReadFile(const std::string& relative) const {
  HANDLE file = CreateFileW(WidePathOf(relative).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read) bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

bool ScratchDirectory::Exists(const std::string& relative) const {
  return GetFileAttributesA(PathOf(relative).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ScratchDirectory::MakeDirectory(const std::string& relative) const {
  ASSERT_TRUE(CreateDirectoryA(PathOf(relative).c_str(), nullptr)) << relative;
}

KeptCurrentDirectory::KeptCurrentDirectory() {
  kept_.resize(GetCurrentDirectoryW(0, nullptr));
  kept_.resize(GetCurrentDirectoryW(static_cast<DWORD>(kept_.size()), kept_.data()));
}

KeptCurrentDirectory::~KeptCurrentDirectory() { SetCurrentDirectoryW(kept_.c_str()); }

}  // namespace test_support
