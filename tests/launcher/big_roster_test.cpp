// A roster of 100,000 characters through the real program: the same list,
// selection and file as a short roster gives. One build is enough here; the
// short rosters run through both.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installation_directory.h"
#include "starter_process.h"

namespace launcher_test {
namespace {

using Names = std::vector<std::string>;

constexpr int CHARACTERS = 100000;
const Build& ENGLISH = BUILDS[1];

// Names of varied length, with bytes above 127, blanks and empty ones.
Names ManyNames() {
  Names names;
  for (int i = 0; i < CHARACTERS; ++i) {
    if (i % 1000 == 999) {
      names.push_back("");
    } else {
      names.push_back((i % 7 ? "Character " : "L\xF6we ") + std::to_string(i) +
                      std::string(i % 13, 'x'));
    }
  }
  return names;
}

class BigRosterTest : public ::testing::Test {
 protected:
  // Compares the items from `first` on with the names, stopping at the
  // first difference.
  static void ExpectItems(const Names& items, size_t first, const Names& expected) {
    ASSERT_LE(first + expected.size(), items.size()) << "too few items";
    for (size_t i = 0; i < expected.size(); ++i) {
      ASSERT_EQ(items[first + i], expected[i]) << "item " << first + i;
    }
  }
  LRESULT Count(const StarterProcess& starter) {
    return SendMessageW(starter.Control(launcher::CONTROL_CHARACTERS), CB_GETCOUNT, 0, 0);
  }

  test_support::InstallationDirectory installation;
  const Names names = ManyNames();
};

// Every name is shown in order with the selection. Delete of the selected
// one, then New: the list, the selection and the file as with a short
// roster. New after Delete shows that Delete left the last character
// current, as a refill does: the new one is appended at the end. The list is
// read where it changed; the file holds the whole roster, mixed line ends on
// the way in, CR LF on the way out.
TEST_F(BigRosterTest, ShowsSavesAndChangesAsAShortRosterDoes) {
  std::string content = SettingsBytes('\x64', names);
  content.replace(content.find("\r\n"), 2, "\n");
  content.replace(content.rfind("\r\n"), 2, "\r");
  installation.WriteFile(SETTINGS_FILE, content);
  StarterProcess starter(ENGLISH, installation);
  ASSERT_EQ(Count(starter), CHARACTERS);
  ExpectItems(starter.Characters(), 0, names);
  EXPECT_EQ(starter.SelectedCharacter(), 100);
  Names expected = names;

  starter.DeleteCharacter(IDYES);
  expected.erase(expected.begin() + 100);
  EXPECT_TRUE(test_support::WaitUntil([&] { return Count(starter) == CHARACTERS - 1; }, 5000));
  EXPECT_EQ(starter.SelectedCharacter(), -1);
  ExpectItems(starter.Characters(), 98, Names(expected.begin() + 98, expected.begin() + 102));

  starter.NewCharacter("Dora");
  expected.push_back("Dora");
  ASSERT_EQ(Count(starter), CHARACTERS);
  const Names items = starter.Characters();
  ExpectItems(items, 98, Names(expected.begin() + 98, expected.begin() + 102));
  ExpectItems(items, CHARACTERS - 4, Names(expected.end() - 4, expected.end()));
  EXPECT_EQ(starter.SelectedCharacter(), -1) << "as after a refill: nothing selected";

  starter.Quit(20000);
  const std::string saved = SavedSettings(installation);
  EXPECT_TRUE(saved == SettingsBytes('\0', expected))
      << "saved " << saved.size() << " bytes, not the roster as it was read and changed";
}

}  // namespace
}  // namespace launcher_test
