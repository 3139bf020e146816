#pragma once
#include <optional>
#include <string>

namespace test_support {

// A fresh directory for one test under the build's scratch folder, removed
// with everything in it when the test ends.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const char* purpose = "test");
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& unixPath() const { return unixPath_; }
  const std::string& windowsPath() const { return windowsPath_; }
  // Windows path of a file or folder inside, relative with backslashes.
  std::string PathOf(const std::string& relative) const;
  // The same as a wide path that may be longer than MAX_PATH.
  std::wstring WidePathOf(const std::string& relative) const;

  void WriteFile(const std::string& relative, const std::string& bytes) const;
  std::optional<std::string> ReadFile(const std::string& relative) const;
  bool Exists(const std::string& relative) const;
  void MakeDirectory(const std::string& relative) const;

 private:
  std::string unixPath_;
  std::string windowsPath_;
};

// The process's current directory, put back when this goes out of scope, for
// a test that moves elsewhere.
class KeptCurrentDirectory {
 public:
  KeptCurrentDirectory();
  ~KeptCurrentDirectory();
  KeptCurrentDirectory(const KeptCurrentDirectory&) = delete;
  KeptCurrentDirectory& operator=(const KeptCurrentDirectory&) = delete;

 private:
  std::wstring kept_;
};

}  // namespace test_support
