#pragma once
#include <windows.h>

#include <string>

namespace test_support {

// Texts of the ANSI code page, UTF-16 and UTF-8, for tests that name folders
// the ANSI code page cannot spell.

inline std::wstring Widened(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                                      static_cast<int>(wide.size()))) -
              1);
  return wide;
}

// UTF-8 holds every character of a wide text.
inline std::string Utf8(const std::wstring& text) {
  std::string utf8(text.size() * 3 + 1, '\0');
  utf8.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(),
                                                      static_cast<int>(utf8.size()), nullptr,
                                                      nullptr)) -
              1);
  return utf8;
}

// The literal form has no length limit; a short path keeps its plain form,
// in which Windows still resolves ".." and the like. A folder's plain path
// must leave room for a file name of 8.3 characters.
inline std::wstring LiteralWhenLong(const std::wstring& path) {
  return path.size() < MAX_PATH - 12 ? path : L"\\\\?\\" + path;
}

inline bool WideExists(const std::wstring& path) {
  return GetFileAttributesW(LiteralWhenLong(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace test_support
