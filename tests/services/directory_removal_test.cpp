#include "services/directory_removal.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "processes.h"
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
  test_support::ScratchDirectory root;
};

TEST_F(DirectoryRemovalTest, PlainFilesGoAndThenTheDirectory) {
  Files({"d\\a.txt", "d\\b.dat"});
  EXPECT_NE(DirectoryRemove(D().c_str(), ""), 0);
  EXPECT_FALSE(root.Exists("d"));
}

TEST_F(DirectoryRemovalTest, WithATrailingBackslashTheSame) {
  Files({"d\\a.txt"});
  EXPECT_NE(DirectoryRemove((D() + "\\").c_str(), nullptr, 0), 0);
  EXPECT_FALSE(root.Exists("d"));
}

TEST_F(DirectoryRemovalTest, SubDirectoriesStayUnlessDescending) {
  root.MakeDirectory("d\\sub");
  Files({"d\\a.txt", "d\\b.dat", "d\\sub\\c.txt"});
  EXPECT_EQ(DirectoryRemove(D().c_str(), "", 0), 0);
  EXPECT_FALSE(root.Exists("d\\a.txt"));
  EXPECT_FALSE(root.Exists("d\\b.dat"));
  EXPECT_TRUE(root.Exists("d\\sub\\c.txt"));
  EXPECT_TRUE(root.Exists("d"));

  EXPECT_NE(DirectoryRemove(D().c_str(), "", DIRREMOVE_DESCEND), 0);
  EXPECT_FALSE(root.Exists("d"));
}

TEST_F(DirectoryRemovalTest, ReadOnlyFilesGoOnlyWhenAttributesAreCleared) {
  Files({"d\\locked.txt", "d\\free.txt"});
  ASSERT_TRUE(SetFileAttributesA(root.PathOf("d\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(DirectoryRemove(D().c_str(), "", 0), 0);
  EXPECT_TRUE(root.Exists("d\\locked.txt")) << "a read-only file stays";
  EXPECT_FALSE(root.Exists("d\\free.txt")) << "the walk goes on past it";

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

TEST_F(DirectoryRemovalTest, OverlongPathsAreRefusedAndNothingIsWrittenPastThem) {
  const std::string tooLong = D() + "\\" + std::string(300, 'x');
  EXPECT_EQ(DirectoryRemove(tooLong.c_str(), ""), 0);
  EXPECT_EQ(DirectoryRemove(D().c_str(), std::string(300, '?').c_str()), 0);

  // A file whose full name is longer than MAX_PATH, made from the Unix side:
  // it cannot be named, so it stays, and the directory with it.
  const size_t nameLength = MAX_PATH + 10 - D().size();
  ASSERT_LT(nameLength, 255u) << "longer than a Unix file name may be";
  const std::string longName(nameLength, 'n');
  ASSERT_EQ(test_support::RunUnixCommand("/usr/bin/touch " + root.unixPath() + "/d/" + longName),
            0);
  Files({"d\\short.txt"});
  EXPECT_EQ(DirectoryRemove(D().c_str(), "", DIRREMOVE_DESCEND | DIRREMOVE_CLEAR_ATTRIBUTES), 0);
  EXPECT_FALSE(root.Exists("d\\short.txt"));
  EXPECT_TRUE(root.Exists("d"));
}

TEST_F(DirectoryRemovalTest, LinkedDirectoriesAreNeverEntered) {
  root.MakeDirectory("outside");
  Files({"outside\\sentinel.txt", "d\\own.txt"});
  ASSERT_EQ(test_support::RunUnixCommand("/bin/ln -s " + root.unixPath() + "/outside " +
                                         root.unixPath() + "/d/link"),
            0);
  const DWORD attributes = GetFileAttributesA(root.PathOf("d\\link").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);

  DirectoryRemove(D().c_str(), "", DIRREMOVE_DESCEND | DIRREMOVE_CLEAR_ATTRIBUTES);
  EXPECT_TRUE(root.Exists("outside\\sentinel.txt"));
  EXPECT_FALSE(root.Exists("d\\own.txt"));
}

}  // namespace
