#include "services/files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "foundation/heaps.h"
#include "foundation/strings.h"
#include "runtime_heaps.h"
#include "scratch_directory.h"

namespace {

using namespace services;
using Lines = std::vector<std::string>;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override { FileTableInit(); }
  void TearDown() override {
    FileCloseAll();
    EXPECT_TRUE(HeapValidate(foundation::mainHeap, 0, nullptr));
  }

  std::wstring Path(const char* name) { return directory.WidePathOf(name); }

  // Reads the file under number 0 line by line, as the roster does.
  Lines ReadLines() {
    Lines lines;
    while (!FileAtEnd(0)) {
      char* mark = foundation::ScratchMark();
      lines.push_back(FileReadLine());
      foundation::RewindScratch(mark);
    }
    return lines;
  }

  test_support::RuntimeHeaps heaps;
  test_support::ScratchDirectory directory;
};

// A missing file is made empty; an existing one keeps its bytes and is
// overwritten from the front.
TEST_F(FilesTest, OpenOrCreateMakesAMissingFileAndKeepsAnExistingOne) {
  ASSERT_NE(FileOpenUpdate(0, Path("velmora.cfg").c_str()), 0);
  EXPECT_TRUE(directory.Exists("velmora.cfg"));
  EXPECT_EQ(FileAtEnd(0), -1) << "a new file is at its end at once";
  EXPECT_EQ(FileReadByte(), 0);
  EXPECT_EQ(FileGetSize(), 0);

  directory.WriteFile("data", "abcdef");
  ASSERT_NE(FileOpenUpdate(1, Path("data").c_str()), 0);
  EXPECT_EQ(FileWriteText("XY"), 2);
  FileClose(1);
  EXPECT_EQ(directory.ReadFile("data"), "XYcdef");
}

TEST_F(FilesTest, EveryLineEndIsAccepted) {
  struct Row {
    const char* label;
    std::string bytes;
    Lines lines;
  } rows[] = {
      {"CR LF", "A\r\nB", {"A", "B"}},
      {"final CR LF", "A\r\nB\r\n", {"A", "B"}},
      {"LF LF", "A\n\nB", {"A", "", "B"}},
      {"CR alone", "A\rB", {"A", "B"}},
      {"LF CR is two line ends", "A\n\rB", {"A", "", "B"}},
      {"zero byte", std::string("A\0B", 3), {"A", "B"}},
      {"ends in CR", "A\r", {"A"}},
      {"mixed", "Anna\nBert\r\nCarl\rDora", {"Anna", "Bert", "Carl", "Dora"}},
      {"high bytes", "L\xF6schen\r\n\xFF\xE4", {"L\xF6schen", "\xFF\xE4"}},
      {"blank lines", "\r\n\r\n", {"", ""}},
      {"empty", "", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    directory.WriteFile("lines", row.bytes);
    ASSERT_NE(FileOpenRead(0, Path("lines").c_str()), 0);
    EXPECT_EQ(ReadLines(), row.lines);
    FileClose(0);
  }
}

TEST_F(FilesTest, ALineLongerThanTheScratchAreaIsCutAndTheNextLineRead) {
  directory.WriteFile("long", std::string(100000, 'x') + "\r\nBert\r\n");
  ASSERT_NE(FileOpenRead(0, Path("long").c_str()), 0);
  const Lines lines = ReadLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(foundation::SCRATCH_SIZE - 1, 'x'));
  EXPECT_EQ(lines[1], "Bert");
}

TEST_F(FilesTest, NothingHappensWithoutACurrentFile) {
  char* mark = foundation::ScratchMark();
  mark[0] = 'z';
  EXPECT_STREQ(FileReadLine(), "");
  EXPECT_EQ(FileReadByte(), 0);
  EXPECT_EQ(FileReadLong(), 0);
  EXPECT_EQ(FileReadFloat(), 0.0f);
  char buffer[4];
  EXPECT_EQ(FileReadData(buffer, 4), 0);
  EXPECT_EQ(FileWriteByte(1), 0);
  EXPECT_EQ(FileWriteLine("x"), 0);
  EXPECT_EQ(FileGetPosition(), -1);
  EXPECT_EQ(FileGetSize(), -1);
  FileSetPosition(3);
  EXPECT_EQ(FileAtEnd(5), 0) << "a number without a file is not at its end";
  FileClose(5);
  FileClose(-1);
}

TEST_F(FilesTest, BytesAndValuesRoundTrip) {
  ASSERT_NE(FileOpenCreate(0, Path("values").c_str()), 0);
  EXPECT_EQ(FileWriteByte(200), 1);
  EXPECT_EQ(FileWriteByte(-1), 1);
  EXPECT_EQ(FileWriteLine("Anna"), 6);
  EXPECT_EQ(FileWriteLine(""), 2);
  EXPECT_EQ(FileWriteLine(nullptr), 2);
  EXPECT_EQ(FileWriteText(""), 0);
  EXPECT_EQ(FileWriteText("\x34\x12\x78\x56\x34\x12\x00\x00\x80\x3F\x01"), 6)
      << "a text stops at its zero byte";
  FileClose(0);
  EXPECT_EQ(directory.ReadFile("values"),
            std::string("\xC8\xFF" "Anna\r\n\r\n\r\n\x34\x12\x78\x56\x34\x12", 18));

  directory.WriteFile("values", std::string("\xC8\xFF\x34\x12\x78\x56\x34\x12\x00\x00\x80\x3F\x01", 13));
  ASSERT_NE(FileOpenRead(0, Path("values").c_str()), 0);
  EXPECT_EQ(FileReadByte(), -56);
  EXPECT_EQ(FileReadByte(), -1);
  EXPECT_EQ(FileReadWord(), 0x1234);
  EXPECT_EQ(FileReadLong(), 0x12345678);
  EXPECT_EQ(FileReadFloat(), 1.0f);
  EXPECT_EQ(FileReadLong(), 1) << "a long cut short keeps zero high bytes";
  EXPECT_EQ(FileReadByte(), 0) << "reading at the end gives 0";
  FileSetPosition(2);
  char data[8] = {};
  EXPECT_EQ(FileReadData(data, 8), 8);
  EXPECT_EQ(std::string(data, 2), "\x34\x12");
  EXPECT_EQ(FileGetSize(), 13);
}

TEST_F(FilesTest, ReopeningANumberOpensTheNewFileBeforeClosingTheOld) {
  const std::wstring a = Path("a"), b = Path("b");
  ASSERT_NE(FileOpenUpdate(0, a.c_str()), 0);
  FileWriteText("first");
  // The first handle lets others only read, so a second update open of the
  // same file fails, and the file stays open under the number.
  EXPECT_EQ(FileOpenUpdate(0, a.c_str()), 0);
  EXPECT_EQ(FileGetPosition(), -1) << "a failed open leaves no current file";
  EXPECT_NE(FileSelect(0), 0) << "the first file is still open under 0";
  EXPECT_EQ(FileGetPosition(), 5);

  ASSERT_NE(FileOpenUpdate(0, b.c_str()), 0);
  EXPECT_NE(FileOpenUpdate(1, a.c_str()), 0) << "the old file under 0 was closed";
}

TEST_F(FilesTest, NumbersBeyondTheTableAndAutomaticNumbers) {
  for (int i = 0; i < 10; ++i) directory.WriteFile("f" + std::to_string(i), std::string(1, 'a' + i));
  for (int i = 0; i < 10; ++i) ASSERT_NE(FileOpenRead(i, Path(("f" + std::to_string(i)).c_str()).c_str()), 0);
  EXPECT_EQ(FileTableBound(), 10);
  ASSERT_NE(FileOpenRead(12, Path("f0").c_str()), 0);
  EXPECT_EQ(FileTableBound(), 22) << "12 grows the table by its step";
  ASSERT_NE(FileOpenRead(25, Path("f1").c_str()), 0);
  for (int i = 0; i < 10; ++i) {
    FileSelect(i);
    EXPECT_EQ(FileReadByte(), 'a' + i) << "file " << i << " survived the growth";
  }
  const intptr_t automatic = FileOpenRead(-1, Path("f2").c_str());
  ASSERT_NE(automatic, 0);
  EXPECT_GT(automatic, 25);
  EXPECT_EQ(FileAtEnd(automatic), 0);
  EXPECT_EQ(FileReadByte(), 'c');
  EXPECT_EQ(FileAtEnd(automatic), -1);
  EXPECT_EQ(FileOpenRead(-7, Path("f2").c_str()), 0) << "numbers below -1 are refused";

  FileCloseAll();
  EXPECT_EQ(FileAtEnd(automatic), 0) << "closed: the number names no file";
  EXPECT_EQ(FileSelect(3), 0);
  EXPECT_NE(FileOpenExclusive(0, Path("f0").c_str()), 0) << "nothing holds f0 any more";
}

TEST_F(FilesTest, TheFourWaysOfOpening) {
  EXPECT_EQ(FileOpenRead(0, Path("missing").c_str()), 0);
  EXPECT_EQ(FileOpenExclusive(0, Path("missing").c_str()), 0);
  EXPECT_FALSE(directory.Exists("missing"));

  directory.WriteFile("old", "old content");
  ASSERT_NE(FileOpenCreate(0, Path("old").c_str()), 0);
  EXPECT_EQ(FileGetSize(), 0) << "create empties an existing file";
  FileClose(0);

  ASSERT_NE(FileOpenExclusive(0, Path("old").c_str()), 0);
  EXPECT_EQ(FileOpenRead(1, Path("old").c_str()), 0) << "an exclusive file is shared with nobody";
  FileClose(0);

  ASSERT_NE(FileOpenUpdate(0, Path("old").c_str()), 0);
  EXPECT_NE(FileOpenReadShared(1, Path("old").c_str()), 0)
      << "a file held for update can still be read by one that lets others write";
  EXPECT_EQ(FileOpenRead(2, Path("old").c_str()), 0);
  EXPECT_EQ(FileDelete(directory.PathOf("old").c_str()), 0) << "an open file is not deleted";
  FileCloseAll();
  EXPECT_NE(FileDelete(directory.PathOf("old").c_str()), 0);
  EXPECT_EQ(FileDelete(directory.PathOf("old").c_str()), 0) << "a missing file is not deleted";
}

}  // namespace
