#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "record_writer.h"
#include "scratch_directory.h"

namespace test_support {

// The Windows path of the recording program of this build. Each record it
// writes has the fields "process" (its id), "command line" (as
// GetCommandLineA gives it), "directory" (its working directory), "show"
// (the show command it was started with, -1 for none), and "wide command
// line" and "wide directory" (the wide forms, in UTF-8).
std::string RecorderPath();

// Sets an environment variable of this process (and so of the programs it
// starts) and puts the old value back when it goes.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const char* name, const std::string& value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string name_;
  std::string oldValue_;
  bool hadValue_;
};

struct Record {
  std::vector<std::pair<std::string, std::string>> fields;  // in the order written
  // The first value of a key, "" when there is none.
  std::string Value(const std::string& key) const;
  std::vector<std::string> Values(const std::string& key) const;
};

// A fresh record file, named in RECORD_FILE_VARIABLE while it lives.
class RecordFile {
 public:
  std::string path() const { return directory_.PathOf("records.txt"); }
  // Every complete record so far, in the order written.
  std::vector<Record> Read() const;
  // Waits until at least `count` records are complete and returns all.
  std::vector<Record> WaitForRecords(size_t count, DWORD timeoutMs = 10000) const;

 private:
  ScratchDirectory directory_{"records"};
  ScopedEnvironmentVariable variable_{RECORD_FILE_VARIABLE, path()};
};

}  // namespace test_support
