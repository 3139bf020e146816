#include "foundation/strings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/heaps.h"
#include "runtime_heaps.h"

namespace {

using namespace foundation;

class StringsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_TRUE(HeapValidate(mainHeap, 0, nullptr)) << "the main heap was damaged";
  }

  // Number of blocks in use in the main heap.
  int BlocksInUse() {
    PROCESS_HEAP_ENTRY entry = {};
    int blocks = 0;
    while (HeapWalk(mainHeap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++blocks;
    }
    return blocks;
  }

  test_support::RuntimeHeaps heaps;
};

TEST_F(StringsTest, TextEqualityIsExactByteForByte) {
  EXPECT_EQ(TextEquals(nullptr, ""), 1);
  EXPECT_EQ(TextEquals("", nullptr), 1);
  EXPECT_EQ(TextEquals(nullptr, nullptr), 1);
  EXPECT_EQ(TextEquals("-BUY", "-BUY"), 1);
  EXPECT_EQ(TextEquals("-BUY", "-buy"), 0);
  EXPECT_EQ(TextEquals("-BUY", "-BUY "), 0);
  EXPECT_EQ(TextEquals("-BUY", "-BU"), 0);
  EXPECT_EQ(TextEquals("L\xF6schen", "L\xD6schen"), 0);
}

TEST_F(StringsTest, BuildingStoringAndPassingAnExpression) {
  String name = nullptr;
  char* mark = ScratchMark();
  AppendToScratch("Anna");
  AppendToScratch(nullptr);
  AppendToScratch(" Lee");
  AssignFromScratch(&name, mark);
  EXPECT_STREQ(name, "Anna Lee");
  EXPECT_EQ(ScratchMark(), mark) << "storing rewinds the scratch to the mark";

  // The variable itself may be part of its new value.
  const int blocks = BlocksInUse();
  mark = ScratchMark();
  AppendToScratch("-dir ");
  AppendToScratch(name);
  AppendToScratch(name);
  AssignFromScratch(&name, mark);
  EXPECT_STREQ(name, "-dir Anna LeeAnna Lee");
  EXPECT_EQ(BlocksInUse(), blocks) << "the old block is freed once, the new one taken";

  // An expression passed on is kept: what the callee builds goes behind it.
  mark = ScratchMark();
  AppendToScratch("argument");
  StepPastScratchText();
  char* calleeMark = ScratchMark();
  AppendToScratch("result");
  EXPECT_STREQ(mark, "argument");
  EXPECT_STREQ(calleeMark, "result");
  RewindScratch(mark);
  EXPECT_EQ(ScratchMark(), mark);
}

// Blanks (room for the current directory, say) and the empty text are stored
// as blocks of their length and the zero; a negative count writes no blanks.
TEST_F(StringsTest, SpacesAreStoredInBlocksOfTheirLengthAndTheZero) {
  String text = nullptr;
  for (const int count : {1000, 0, -5}) {
    SCOPED_TRACE(count);
    const std::string blanks(count > 0 ? count : 0, ' ');
    char* mark = ScratchMark();
    EXPECT_EQ(SpacesToScratch(count), mark);
    EXPECT_EQ(std::string(mark), blanks);
    EXPECT_EQ(ScratchMark(), mark + blanks.size());
    AssignFromScratch(&text, mark);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), blanks);
    EXPECT_EQ(HeapSize(mainHeap, 0, text), blanks.size() + 1);
  }
  AssignText(&text, nullptr);
  EXPECT_EQ(text, nullptr);
  AssignText(&text, "Dora");
  EXPECT_STREQ(text, "Dora");
}

TEST_F(StringsTest, NothingIsWrittenPastTheScratchArea) {
  const std::string huge(100000, 'x');
  char* mark = ScratchMark();
  AppendToScratch(huge.c_str());
  EXPECT_EQ(ScratchRoom(), 1u) << "only the terminating zero fits";
  AppendToScratch("more");
  SpacesToScratch(50);
  StepPastScratchText();
  AppendToScratch("and more");
  String text = nullptr;
  RewindScratch(mark);
  AppendToScratch(huge.c_str());
  AssignFromScratch(&text, mark);
  EXPECT_EQ(strlen(text), SCRATCH_SIZE - 1) << "the text is cut at what fits";
  EXPECT_EQ(ScratchRoom(), SCRATCH_SIZE);
}

TEST_F(StringsTest, PiecesOfTextsAreAppendedAndCutAtTheEnd) {
  char* mark = ScratchMark();
  AppendPieceToScratch("-dir Anna -pl", 4);
  AppendPieceToScratch("\"quoted\"", 0);
  AppendPieceToScratch(" Anna Lee", 5);
  EXPECT_STREQ(mark, "-dir Anna");
  EXPECT_EQ(ScratchMark(), mark + 9) << "the position rests on the terminating zero";

  SpacesToScratch(ScratchRoom() - 4);
  StepPastScratchText();
  ASSERT_EQ(ScratchRoom(), 3u);
  char* end = ScratchMark();
  AppendPieceToScratch("abcdef", 6);
  EXPECT_STREQ(end, "ab") << "two bytes and the zero fit";
  EXPECT_EQ(ScratchRoom(), 1u);
}

struct Character {
  String name;
  int level;
  String title;
};

struct Party {
  int count;
  Character members[3];
  String motto;
};

TEST_F(StringsTest, ReleaseStructStringsFreesWhatTheLayoutNames) {
  static const StringLayout characterLayout[] = {offsetof(Character, name),
                                                 offsetof(Character, title), STRING_LAYOUT_END};
  static const StringLayout partyLayout[] = {
      STRING_LAYOUT_ARRAY, 3, offsetof(Party, members), sizeof(Character),
      reinterpret_cast<StringLayout>(characterLayout), offsetof(Party, motto), STRING_LAYOUT_END};
  Party party = {};
  const int before = BlocksInUse();
  AssignText(&party.members[0].name, "Anna");
  AssignText(&party.members[2].title, "Knight");
  AssignText(&party.motto, "Onward");
  EXPECT_EQ(BlocksInUse(), before + 3);
  ReleaseStructStrings(&party, partyLayout);
  EXPECT_EQ(BlocksInUse(), before);

  static const StringLayout nameOnly[] = {0, STRING_LAYOUT_END};
  String none = nullptr;
  ReleaseStructStrings(&none, nameOnly);  // a variable that is none frees nothing
  EXPECT_EQ(BlocksInUse(), before);
}

}  // namespace
