#include "services/path_forms.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "services/code_page.h"

namespace {

std::string Narrow(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

// The literal and native forms of full, relative and already literal paths.
TEST(PathFormsTest, LiteralAndNativeForms) {
  wchar_t current[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
  std::wstring base = current;
  if (base.back() != L'\\') base += L'\\';
  struct Row {
    std::wstring path, literal, native;
  } rows[] = {
      {L"C:\\games\\velmora.cfg", L"\\\\?\\C:\\games\\velmora.cfg", L"\\??\\C:\\games\\velmora.cfg"},
      {L"C:\\games\\.\\x\\..\\velmora.cfg", L"\\\\?\\C:\\games\\velmora.cfg",
       L"\\??\\C:\\games\\velmora.cfg"},
      {L"\\\\server\\share\\velmora.cfg", L"\\\\?\\UNC\\server\\share\\velmora.cfg",
       L"\\??\\UNC\\server\\share\\velmora.cfg"},
      {L"\\\\?\\C:\\games\\velmora.cfg", L"\\\\?\\C:\\games\\velmora.cfg",
       L"\\??\\C:\\games\\velmora.cfg"},
      {L"\\\\.\\COM1", L"\\\\.\\COM1", L"\\??\\COM1"},
      {L"velmora.cfg", L"\\\\?\\" + base + L"velmora.cfg", L"\\??\\" + base + L"velmora.cfg"},
      {L"C:\\" + std::wstring(300, L'x'), L"\\\\?\\C:\\" + std::wstring(300, L'x'),
       L"\\??\\C:\\" + std::wstring(300, L'x')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Narrow(row.path));
    wchar_t literal[1024];
    EXPECT_EQ(services::LiteralPathOf(row.path.c_str(), literal, 1024),
              row.literal.size());
    EXPECT_EQ(Narrow(literal), Narrow(row.literal));
    wchar_t native[1024];
    EXPECT_EQ(services::NativePathOf(row.path.c_str(), native, 1024),
              row.native.size());
    EXPECT_EQ(Narrow(native), Narrow(row.native));
    EXPECT_EQ(services::LiteralPrefixLength(literal), row.literal.rfind(L"\\\\?\\UNC\\", 0) == 0
                                                          ? services::LITERAL_UNC_PREFIX_LENGTH
                                                          : services::LITERAL_PREFIX_LENGTH);
  }
}

TEST(PathFormsTest, WhatDoesNotFitGivesZero) {
  wchar_t small[13];
  EXPECT_EQ(services::LiteralPathOf(L"C:\\games\\velmora.cfg", small, 12), 0u);
  EXPECT_EQ(services::LiteralPathOf(L"C:\\x", small, 8), 0u) << "no room beside the prefix";
  EXPECT_EQ(services::LiteralPathOf(L"C:\\x", small, 13), 8u);
  wchar_t wide[4];
  EXPECT_EQ(services::WideTextOf("L\xF6s", wide, 4), 3u);
  EXPECT_EQ(std::wstring(wide), L"L\u00F6s") << "Windows-1252";
  EXPECT_EQ(services::WideTextOf("L\xF6se", wide, 4), 0u);
  EXPECT_EQ(services::WideTextOf("", wide, 4), 0u);
  EXPECT_EQ(services::WideTextOf(nullptr, wide, 4), 0u);
}

}  // namespace
