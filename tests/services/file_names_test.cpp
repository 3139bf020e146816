#include "services/file_names.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "services/code_page.h"

namespace {

using namespace services;

// A name's bytes widened in a code page and judged on their characters: under
// 932 a second byte may be '\' or '|' (表 95 5C, ソ 83 5C, ポ 83 7C).
TEST(FileNamesTest, NamesAreJudgedAsCharactersOfTheirCodePage) {
  constexpr int UNREADABLE = -1;
  struct Row {
    const char* label;
    UINT codePage;
    const char* bytes;
    int kind;
  } rows[] = {
      {"a name", 1252, "Anna", NAME_OWN},
      {"Cyrillic", 1251, "\xC2\xE5\xF0\xE0", NAME_OWN},
      {"second bytes 5C", 932, "\x95\x5C\x83\x5C\x94\x5C", NAME_OWN},
      {"a second byte 7C", 932, "\x83\x7C", NAME_OWN},
      {"the same bytes in 1252", 1252, "\x95\x5C", NAME_PATH},
      {"a lone lead byte", 932, "Anna\x95", UNREADABLE},
      {"a trailing dot", 932, "\x95\x5C.", NAME_TRIMMED},
      {"a trailing blank", 1251, "\xC2\xE5\xF0\xE0 ", NAME_TRIMMED},
      {"a device", 1251, "CON", NAME_DEVICE},
      {"a device with an extension", 932, "nul.txt", NAME_DEVICE},
      {"a numbered device", 1252, "lpt9", NAME_DEVICE},
      {"no device", 1252, "COM0", NAME_OWN},
      {"a backslash", 932, "a\\b", NAME_PATH},
      {"a drive", 1251, "C:x", NAME_PATH},
      {"a path through a wildcard", 1252, "*\\..\\Anna", NAME_PATH},
      {"a bar", 932, "a|b", NAME_NONE},
      {"a control character", 1252, "a\tb", NAME_NONE},
      {"the empty name", 1252, "", NAME_NONE},
      {"the parent", 932, "..", NAME_NONE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.label) + " in " + std::to_string(row.codePage));
    wchar_t wide[MAX_PATH];
    const bool read = WideTextOf(row.bytes, wide, MAX_PATH, row.codePage) || !*row.bytes;
    EXPECT_EQ(read ? KindOfName(wide) : UNREADABLE, row.kind);
  }
}

}  // namespace
