#include "services/directory_removal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "processes.h"
#include "runtime_heaps.h"
#include "scratch_directory.h"

namespace {

using namespace services;

class DirectoryRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override { root.MakeDirectory("d"); }
  std::string D() { return root.PathOf("d"); }
  void Files(std::initializer_list<const char*> names) {
    for (const char* name : names) root.WriteFile(name, "content");
  }
  test_support::RuntimeHeaps heaps;
  test_support::ScratchDirectory root;
};

// Plain files go and then the folder, by every spelling of its path.
TEST_F(DirectoryRemovalTest, PlainFilesGoAndThenTheDirectory) {
  const struct {
    const char* label;
    std::string path;
    const char* pattern;
  } rows[] = {{"as it is", D(), ""},
              {"a trailing backslash, no pattern", D() + "\\", nullptr},
              {"a case slip", root.PathOf("D"), ""}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    CreateDirectoryA(D().c_str(), nullptr);
    Files({"d\\a.txt", "d\\b.dat"});
    EXPECT_NE(DirectoryRemove(row.path.c_str(), row.pattern), 0);
    EXPECT_FALSE(root.Exists("d"));
  }
}

// A sub-directory stays unless the walk descends, a read-only file unless
// attributes are cleared; the walk goes on past either, and what stays keeps
// the directory.
TEST_F(DirectoryRemovalTest, SubDirectoriesAndReadOnlyFilesStayUnlessTheFlagsTakeThem) {
  root.MakeDirectory("d\\sub");
  Files({"d\\locked.txt", "d\\a.txt", "d\\b.dat", "d\\sub\\c.txt"});
  ASSERT_TRUE(SetFileAttributesA(root.PathOf("d\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(DirectoryRemove(D().c_str(), "", 0), 0);
  EXPECT_FALSE(root.Exists("d\\a.txt"));
  EXPECT_FALSE(root.Exists("d\\b.dat"));
  EXPECT_TRUE(root.Exists("d\\sub\\c.txt"));
  EXPECT_TRUE(root.Exists("d\\locked.txt"));

  EXPECT_EQ(DirectoryRemove(D().c_str(), "", DIRREMOVE_DESCEND), 0);
  EXPECT_FALSE(root.Exists("d\\sub"));
  EXPECT_TRUE(root.Exists("d\\locked.txt"));

  EXPECT_NE(DirectoryRemove(D().c_str(), "", DIRREMOVE_CLEAR_ATTRIBUTES), 0);
  EXPECT_FALSE(root.Exists("d"));
}

TEST_F(DirectoryRemovalTest, APatternTouchesOnlyWhatMatches) {
  Files({"d\\a.txt", "d\\b.dat"});
  EXPECT_EQ(DirectoryRemove(D().c_str(), "*.txt"), 0);
  EXPECT_FALSE(root.Exists("d\\a.txt"));
  EXPECT_TRUE(root.Exists("d\\b.dat"));

  root.MakeDirectory("empty");
  EXPECT_EQ(DirectoryRemove(root.PathOf("empty").c_str(), "*.txt"), 0)
      << "nothing matches, so the empty directory is not removed";
  EXPECT_TRUE(root.Exists("empty"));
}

TEST_F(DirectoryRemovalTest, MissingDirectoriesFilesAndEmptyPathsGiveZero) {
  Files({"plain.txt"});
  EXPECT_EQ(DirectoryRemove(root.PathOf("missing").c_str(), ""), 0);
  EXPECT_EQ(DirectoryRemove(root.PathOf("plain.txt").c_str(), ""), 0);
  EXPECT_TRUE(root.Exists("plain.txt"));
  EXPECT_EQ(DirectoryRemove("", ""), 0);
  EXPECT_EQ(DirectoryRemove(nullptr, nullptr), 0);
}

// Paths longer than MAX_PATH are walked in their literal form: a file whose
// full name is longer goes, and so does a folder that lies deeper than that.
TEST_F(DirectoryRemovalTest, PathsLongerThanMaxPathAreWalked) {
  EXPECT_EQ(DirectoryRemove((D() + "\\" + std::string(300, 'x')).c_str(), ""), 0)
      << "no single name is that long";
  EXPECT_EQ(DirectoryRemove(D().c_str(), std::string(300, '?').c_str()), 0);

  // Made from the Unix side, which has no such limit.
  const std::string longName(MAX_PATH + 10 - D().size(), 'n');
  const std::string part(120, 'p');
  const std::string deep = "d/" + part + "/" + part + "/" + part;
  ASSERT_EQ(test_support::RunUnixCommand("cd " + root.unixPath() + " && /usr/bin/touch d/" +
                                         longName + " && mkdir -p " + deep + " && touch " + deep +
                                         "/save.dat"),
            0);
  const std::string deepPath = root.PathOf(deep);
  ASSERT_GT(deepPath.size(), static_cast<size_t>(MAX_PATH));
  std::string windowsDeep = deepPath;
  for (char& c : windowsDeep) c = c == '/' ? '\\' : c;
  EXPECT_NE(DirectoryRemove(windowsDeep.c_str(), "", 0), 0) << "the deep folder stayed";
  EXPECT_NE(GetFileAttributesW(root.WidePathOf("d\\" + part + "\\" + part).c_str()),
            INVALID_FILE_ATTRIBUTES)
      << "only the deep folder goes";

  Files({"d\\short.txt"});
  EXPECT_NE(DirectoryRemove(D().c_str(), "", DIRREMOVE_DESCEND | DIRREMOVE_CLEAR_ATTRIBUTES), 0);
  EXPECT_FALSE(root.Exists("d"));
}

// A link in the folder to a folder outside is never entered; the folder asked
// for may itself be such a link (a Unix symbolic link, which Wine follows
// even when asked not to): what it points at stays whole, whatever the
// flags, and so does the link. Links in the folder to a file of the folder
// itself, or to one deeper in it, are not the folder's own files: they stay
// (the plain file they point at goes as what it is), and what lies deeper
// stays unless the walk descends.
TEST_F(DirectoryRemovalTest, LinksAreNeverDeletedOrEntered) {
  root.MakeDirectory("outside");
  root.MakeDirectory("d\\deeper");
  Files({"outside\\sentinel.txt", "d\\own.txt", "d\\target.txt", "d\\deeper\\deep.txt"});
  const std::string d = root.unixPath() + "/d/";
  ASSERT_TRUE(test_support::MakeUnixLink(root.unixPath() + "/outside", d + "link"));
  ASSERT_TRUE(test_support::MakeUnixLink(root.unixPath() + "/outside", root.unixPath() + "/link"));
  ASSERT_TRUE(test_support::MakeUnixLink(d + "target.txt", d + "near"));
  ASSERT_TRUE(test_support::MakeUnixLink(d + "deeper/deep.txt", d + "deep"));
  const DWORD attributes = GetFileAttributesA(root.PathOf("d\\link").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);

  for (uint32_t flags : {0u, DIRREMOVE_DESCEND | DIRREMOVE_CLEAR_ATTRIBUTES}) {
    SCOPED_TRACE("flags " + std::to_string(flags));
    EXPECT_EQ(DirectoryRemove(root.PathOf("link").c_str(), "", flags), 0) << "the link itself";
    EXPECT_TRUE(root.Exists("outside\\sentinel.txt"));
    EXPECT_TRUE(root.Exists("link"));
    EXPECT_EQ(DirectoryRemove(D().c_str(), "", flags), 0);
    EXPECT_EQ(test_support::RunUnixCommand("test -L " + d + "near -a -L " + d + "deep -a -L " + d +
                                           "link"),
              0)
        << "a link was deleted";
    EXPECT_TRUE(root.Exists("outside\\sentinel.txt"));
    EXPECT_FALSE(root.Exists("d\\own.txt"));
    EXPECT_FALSE(root.Exists("d\\target.txt"));
    EXPECT_EQ(root.Exists("d\\deeper\\deep.txt"), flags == 0);
  }
}

}  // namespace

// Random folder trees, made from the Unix side as a player or a hostile
// program could make them: plain and read-only files, sub-folders, links to
// files and folders outside, second names (hard links) of files outside, and names that the ANSI code page would turn
// into separators, device names and names ending in dots or blanks. Whatever
// the tree, removing the character's folder changes nothing outside it.
class DirectoryRemovalPropertyTest : public ::testing::Test {
 protected:
  struct Name {
    const char* utf8;
    bool ordinary;  // a name every system can delete plainly
  };
  static constexpr Name NAMES[] = {
      {"save.dat", true},
      {"Options.ini", true},
      {"a", true},
      {"..\xEF\xBC\xBC..\xEF\xBC\xBCvictim.txt", true},  // U+FF3C full-width reverse solidus
      {"..\xE2\x88\x96game.exe", true},                  // U+2216 set minus
      {"..\xEF\xBC\x8F..\xEF\xBC\x8Fvictim.txt", true},  // U+FF0F full-width solidus
      {"\xEF\xBC\xBC", true},
      {"\xEF\xBC\x8E\xEF\xBC\x8E", true},                // U+FF0E full-width full stops
      {"\xEF\xBC\x9A", true},                            // U+FF1A full-width colon
      {"\xEF\xBC\x8A.txt", true},                        // U+FF0A full-width asterisk
      {"CON", false},
      {"nul.txt", false},
      {"COM1", false},
      {"x.", false},
      {"x ", false},
      {"...", false},
      {" ", false},
  };
  // Files and folders outside the character's folder that links point at or
  // that a best-fit name would reach.
  static constexpr const char* OUTSIDE_FILES[] = {
      "victim.txt", "game/game.exe", "game/victim.txt", "outside/target.txt",
      "outside/folder/inner.txt", "game/Bert/save.dat"};
  static constexpr const char* OUTSIDE_FOLDERS[] = {".", "game", "outside", "outside/folder",
                                                    "game/Bert"};

  static std::string Quoted(const std::string& text) { return "'" + text + "'"; }

  // Adds commands for `count` random entries of the folder (a Unix path
  // relative to the root) to the script; records the plain writable files
  // and the read-only ones that removal may take.
  void AddEntries(std::mt19937* random, const std::string& folder, int depth, int count) {
    std::vector<size_t> order(std::size(NAMES));
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), *random);
    for (int i = 0; i < count && i < static_cast<int>(order.size()); ++i) {
      const Name& name = NAMES[order[i]];
      const std::string path = folder + "/" + name.utf8;
      switch ((*random)() % (depth < 2 ? 7 : 6)) {
        case 0:
        case 1:
          script += "printf own > " + Quoted(path) + "\n";
          if (name.ordinary) plainFiles.push_back({path, depth});
          break;
        case 2:
          script += "printf locked > " + Quoted(path) + " && chmod a-w " + Quoted(path) + "\n";
          if (name.ordinary) readOnlyFiles.push_back({path, depth});
          break;
        case 3:
          script += "ln -s " + Quoted(root.unixPath() + "/" +
                                      OUTSIDE_FILES[(*random)() % std::size(OUTSIDE_FILES)]) +
                    " " + Quoted(path) + "\n";
          break;
        case 4:
          script += "ln -s " + Quoted(root.unixPath() + "/" +
                                      OUTSIDE_FOLDERS[(*random)() % std::size(OUTSIDE_FOLDERS)]) +
                    " " + Quoted(path) + "\n";
          break;
        case 5:  // a second name of a file outside
          script += "ln " + Quoted(OUTSIDE_FILES[(*random)() % std::size(OUTSIDE_FILES)]) + " " +
                    Quoted(path) + "\n";
          break;
        default:
          script += "mkdir " + Quoted(path) + "\n";
          AddEntries(random, path, depth + 1, static_cast<int>((*random)() % 4));
          break;
      }
    }
  }

  // Every entry outside the character's folder: kind, permissions, path and
  // link target, and the bytes (as a digest) of every file.
  std::string Snapshot() {
    const std::string listing = notes.unixPath() + "/snapshot";
    EXPECT_EQ(test_support::RunUnixCommand(
                  "cd " + root.unixPath() + " && { find . -path ./game/Anna -prune -o -printf " +
                  "'%y %m %p -> %l\\n' | sort; find . -path ./game/Anna -prune -o -type f " +
                  "-exec md5sum {} + | sort; } > " + listing),
              0);
    return notes.ReadFile("snapshot").value_or("<no snapshot>");
  }

  static bool InFolderEndingInDotOrBlank(const std::string& unixRelative) {
    for (size_t slash = unixRelative.find('/'); slash != std::string::npos;
         slash = unixRelative.find('/', slash + 1)) {
      if (unixRelative[slash - 1] == '.' || unixRelative[slash - 1] == ' ') return true;
    }
    return false;
  }

  bool ExistsInside(const std::string& unixRelative) {
    std::string windows = root.windowsPath() + "\\" + unixRelative;
    for (char& c : windows) {
      if (c == '/') c = '\\';
    }
    wchar_t wide[MAX_PATH * 2];
    MultiByteToWideChar(CP_UTF8, 0, windows.c_str(), -1, wide, MAX_PATH * 2);
    return GetFileAttributesW(wide) != INVALID_FILE_ATTRIBUTES;
  }

  struct Entry {
    std::string path;
    int depth;
  };
  test_support::RuntimeHeaps heaps;
  test_support::ScratchDirectory root{"tree"};
  test_support::ScratchDirectory notes{"notes"};
  std::string script;
  std::vector<Entry> plainFiles;
  std::vector<Entry> readOnlyFiles;
};

TEST_F(DirectoryRemovalPropertyTest, NothingOutsideTheFolderChanges) {
  constexpr int SEEDS = 40;
  for (int seed = 1; seed <= SEEDS; ++seed) {
    // Odd seeds remove as Delete does; even ones descend and clear attributes.
    const uint32_t flags = seed % 2 ? 0 : DIRREMOVE_DESCEND | DIRREMOVE_CLEAR_ATTRIBUTES;
    SCOPED_TRACE("seed " + std::to_string(seed) + ", flags " + std::to_string(flags));
    std::mt19937 random(seed);
    script = "set -e\ncd " + Quoted(root.unixPath()) + "\nchmod -R u+w . && rm -rf ./*\n" +
             "mkdir -p game/Anna game/Bert outside/folder\n";
    for (const char* file : OUTSIDE_FILES) script += "printf outside > " + Quoted(file) + "\n";
    script += "chmod a-w outside/target.txt\n";
    plainFiles.clear();
    readOnlyFiles.clear();
    AddEntries(&random, "game/Anna", 0, 6 + static_cast<int>(random() % 8));
    notes.WriteFile("make-tree.sh", script);
    ASSERT_EQ(test_support::RunUnixCommand("/bin/sh " + notes.unixPath() + "/make-tree.sh"), 0)
        << script;
    const std::string before = Snapshot();

    DirectoryRemove(root.PathOf("game\\Anna").c_str(), "", flags);

    EXPECT_EQ(Snapshot(), before) << "the tree was made by:\n" << script;
    // And what is the folder's own goes. Wine reports the final path of a
    // folder whose name ends in a dot or blank without them, so what lies in
    // such a folder cannot be told to lie inside and stays.
    for (const Entry& file : plainFiles) {
      if ((file.depth == 0 || flags) && !InFolderEndingInDotOrBlank(file.path)) {
        EXPECT_FALSE(ExistsInside(file.path)) << file.path;
      }
    }
    for (const Entry& file : readOnlyFiles) {
      if (InFolderEndingInDotOrBlank(file.path)) continue;
      EXPECT_EQ(ExistsInside(file.path), flags == 0) << file.path;
    }
  }
}
