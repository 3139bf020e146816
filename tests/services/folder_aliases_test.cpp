#include "services/folder_aliases.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "final_paths_setting.h"
#include "foundation/heaps.h"
#include "processes.h"
#include "runtime_heaps.h"
#include "scratch_directory.h"

namespace {

// Whether a name, taken in game\, leads to a character's folder, in-process,
// once where Windows tells final paths and once where it does not (Windows
// XP): then the folders' identities decide.
class FolderAliasesTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { place.MakeDirectory("game"); }
  // The folder's short (8.3) name.
  std::string ShortNameOf(const std::string& folder) const {
    const std::wstring path = place.WidePathOf("game\\" + folder);
    wchar_t alias[MAX_PATH];
    EXPECT_GT(GetShortPathNameW(path.c_str(), alias, MAX_PATH), 0u) << folder;
    const std::wstring name = wcsrchr(alias, L'\\') + 1;
    EXPECT_NE(std::string(name.begin(), name.end()), folder) << "no short name";
    return std::string(name.begin(), name.end());
  }
  // Finds the folder asked for under game\; null when it is not found.
  const services::FolderAliases* Find(const std::string& asked) {
    services::FolderAliases* folder = aliases.get();
    return services::FindFolderAliases(place.WidePathOf("game\\" + asked).c_str(), folder)
               ? folder
               : nullptr;
  }

  const services_test::FinalPathsSetting finalPaths{GetParam()};
  test_support::RuntimeHeaps heaps;
  test_support::ScratchDirectory place{"installation"};
  foundation::MainHeapBlock<services::FolderAliases> aliases;
};

INSTANTIATE_TEST_SUITE_P(FinalPaths, FolderAliasesTest, ::testing::Bool(),
                         services_test::FinalPathsName);

// "<short>" stands for the folder's short name.
TEST_P(FolderAliasesTest, WhichNamesLeadToTheFolder) {
  struct Row {
    const char* label;
    const char* folder;  // made under game
    const char* asked;   // the path's last part
    bool found;
    const char* other = nullptr;  // another character's name
    bool leads = false;
    const char* link = nullptr;        // a link made beside the folder
    const char* linkTarget = nullptr;  // under game
  } rows[] = {
      {"a case slip", "Anna", "Anna", true, "anna", true},
      {"capitals", "Anna", "Anna", true, "ANNA", true},
      {"a duplicate", "Anna", "Anna", true, "Anna", true},
      {"the long name, its short name listed", "Annabelle Smith", "Annabelle Smith", true,
       "<short>", true},
      {"asked by the short name", "Annabelle Smith", "<short>", false},
      {"asked in another case", "Anna", "anna", true, "Bert", false},
      {"a link to it", "Anna", "Anna", true, "Zed", true, "Zed", "Anna"},
      {"a link elsewhere", "Anna", "Anna", true, "Zed", false, "Zed", "Bert"},
      {"a dangling link", "Anna", "Anna", true, "Zed", false, "Zed", "Gone"},
      {"asked as a link", "Anna", "Zed", false, "", false, "Zed", "Anna"},
      {"a trailing blank", "Anna", "Anna", true, "Anna ", true},
      {"a trailing dot", "Anna", "Anna", true, "Anna.", true},
      {"a path to it", "Anna", "Anna", true, "..\\game\\Anna", true},
      {"a path elsewhere", "Anna", "Anna", true, "..\\game\\Bert", false},
      {"another name", "Anna", "Anna", true, "Ann", false},
      {"the empty name", "Anna", "Anna", true, "", false},
  };
  place.MakeDirectory("game\\Bert");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    place.MakeDirectory(std::string("game\\") + row.folder);
    if (row.link) {
      ASSERT_TRUE(test_support::MakeUnixLink(place.unixPath() + "/game/" + row.linkTarget,
                                             place.unixPath() + "/game/" + row.link));
    }
    const auto expand = [&](const char* name) {
      return std::string(name) == "<short>" ? ShortNameOf(row.folder) : std::string(name);
    };
    const services::FolderAliases* folder = Find(expand(row.asked));
    EXPECT_EQ(folder != nullptr, row.found);
    if (folder && row.other) {
      EXPECT_EQ(services::LeadsToFolder(*folder, expand(row.other).c_str()), row.leads)
          << row.other;
    }
    const std::string game = place.unixPath() + "/game/";
    ASSERT_EQ(test_support::RunUnixCommand("/bin/rm -rf '" + game + row.folder + "' " + game +
                                           (row.link ? row.link : "none")),
              0);
  }
}

// Every letter of Windows-1252 whose other case is a letter of it too, in a
// folder's name: the name in the other case leads to the folder wherever the
// file system finds the folder by it.
TEST_P(FolderAliasesTest, EveryLetterPairTheFileSystemFoldsLeadsToTheFolder) {
  ASSERT_EQ(GetACP(), 1252u) << "the tests' names are Windows-1252";
  int folded = 0;
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    const char letter = static_cast<char>(byte);
    wchar_t wide[2] = {};
    MultiByteToWideChar(1252, 0, &letter, 1, wide, 1);
    wchar_t other[2] = {wide[0], 0};
    CharLowerBuffW(other, 1);
    if (other[0] == wide[0]) continue;  // not a capital letter
    char otherLetter = 0;
    BOOL lossy = FALSE;
    if (!WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, other, 1, &otherLetter, 1, nullptr,
                             &lossy) ||
        lossy) {
      continue;
    }
    const std::string capital = std::string("Ann") + letter;
    const std::string small = std::string("Ann") + otherLetter;
    SCOPED_TRACE(capital + " and " + small);
    place.MakeDirectory("game\\" + capital);
    if (GetFileAttributesW(place.WidePathOf("game\\" + small).c_str()) != INVALID_FILE_ATTRIBUTES) {
      ++folded;
      const services::FolderAliases* folder = Find(capital);
      ASSERT_NE(folder, nullptr);
      EXPECT_TRUE(services::LeadsToFolder(*folder, small.c_str()));
      EXPECT_NE(Find(small), nullptr) << "a case slip still finds the folder";
    }
    RemoveDirectoryW(place.WidePathOf("game\\" + capital).c_str());
  }
  EXPECT_GE(folded, 30) << "the file system folds fewer letters than Windows-1252 has";
}

}  // namespace
