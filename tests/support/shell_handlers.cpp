#include "shell_handlers.h"

#include <gtest/gtest.h>

#include "recordings.h"

namespace test_support {
namespace {

constexpr char HTML_CLASS[] = "VelmoraTest.htmlfile";

std::string CommandKey(const std::string& className) {
  return className + "\\shell\\open\\command";
}

}  // namespace

RecordingShellHandlers::RecordingShellHandlers() {
  const std::string command = "\"" + RecorderPath() + "\" \"%1\"";
  SetDefaultValue(CommandKey("http"), command);
  SetDefaultValue(CommandKey("https"), command);
  SetDefaultValue(".html", HTML_CLASS);
  SetDefaultValue(CommandKey(HTML_CLASS), command);
}

RecordingShellHandlers::~RecordingShellHandlers() {
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->valueExisted) {
      RegSetValueA(HKEY_CLASSES_ROOT, it->key.c_str(), REG_SZ, it->value.c_str(),
                   static_cast<DWORD>(it->value.size()));
    } else if (it->keyExisted) {
      RegDeleteKeyValueA(HKEY_CLASSES_ROOT, it->key.c_str(), nullptr);
    } else {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, it->key.c_str());
    }
  }
  RegDeleteTreeA(HKEY_CLASSES_ROOT, HTML_CLASS);
  RegDeleteKeyA(HKEY_CLASSES_ROOT, HTML_CLASS);
}

void RecordingShellHandlers::SetDefaultValue(const std::string& key, const std::string& value) {
  HKEY opened = nullptr;
  const bool keyExisted =
      RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
  char old[1024] = {};
  DWORD size = sizeof(old);
  const bool valueExisted =
      keyExisted && RegQueryValueExA(opened, nullptr, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
  if (opened) RegCloseKey(opened);
  saved_.push_back({key, keyExisted, valueExisted, valueExisted ? old : ""});
  EXPECT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(),
                         static_cast<DWORD>(value.size())),
            ERROR_SUCCESS)
      << "cannot set the handler " << key;
}

}  // namespace test_support
