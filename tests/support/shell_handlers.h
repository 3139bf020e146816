#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace test_support {

// Points the shell's handlers for http and https addresses and for .html
// files at the recording program, started as "recorder.exe" "%1", for as long
// as it lives; the previous handlers come back afterwards.
//
// The handlers are written through HKEY_CLASSES_ROOT. Wine (8.0) builds that
// view from the machine's classes alone: handlers under
// HKCU\Software\Classes are not seen by its shell.
class RecordingShellHandlers {
 public:
  RecordingShellHandlers();
  ~RecordingShellHandlers();
  RecordingShellHandlers(const RecordingShellHandlers&) = delete;
  RecordingShellHandlers& operator=(const RecordingShellHandlers&) = delete;

 private:
  struct SavedValue {
    std::string key;
    bool keyExisted;
    bool valueExisted;
    std::string value;
  };
  void SetDefaultValue(const std::string& key, const std::string& value);
  std::vector<SavedValue> saved_;
};

}  // namespace test_support
