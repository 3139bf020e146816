#include "foundation/lists.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "foundation/heaps.h"
#include "runtime_heaps.h"

namespace {

using namespace foundation;

struct Name {
  String text;
};

constexpr StringLayout NAME_STRINGS[] = {0, STRING_LAYOUT_END};

class ListsTest : public ::testing::Test {
 protected:
  void SetUp() override { ListCreate(&list, sizeof(Name), NAME_STRINGS); }
  void TearDown() override { EXPECT_TRUE(HeapValidate(mainHeap, 0, nullptr)); }

  void Add(const char* text) {
    ASSERT_NE(ListAddAfterCurrent(&list), nullptr);
    AssignText(&Current()->text, text);
  }
  Name* Current() { return static_cast<Name*>(ElementData(list.current)); }
  std::string CurrentText() { return list.current ? Current()->text : "<none>"; }

  // The names from first to last, checking every back link and the count.
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    ListElement* previous = nullptr;
    for (ListElement* e = list.header->first; e; e = e->next) {
      EXPECT_EQ(e->previous, previous);
      names.push_back(static_cast<Name*>(ElementData(e))->text);
      previous = e;
    }
    EXPECT_EQ(list.header->last, previous);
    EXPECT_EQ(ListCount(&list), static_cast<intptr_t>(names.size()));
    return names;
  }
  void AddAnnaBertCarl() {
    Add("Anna");
    Add("Bert");
    Add("Carl");
  }
  void MakeCurrent(const char* text) {
    ListFirst(&list);
    while (CurrentText() != text) ASSERT_NE(ListNext(&list), nullptr);
  }
  int BlocksInUse() {
    PROCESS_HEAP_ENTRY entry = {};
    int busy = 0;
    while (HeapWalk(mainHeap, &entry)) busy += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    return busy;
  }

  test_support::RuntimeHeaps heaps;
  List list = {};
  using Names_ = std::vector<std::string>;
};

TEST_F(ListsTest, AddingAppendsAfterTheCurrentElement) {
  EXPECT_EQ(ListFirst(&list), nullptr);
  EXPECT_EQ(ListNext(&list), nullptr);
  AddAnnaBertCarl();
  EXPECT_EQ(Names(), (Names_{"Anna", "Bert", "Carl"}));
  EXPECT_EQ(CurrentText(), "Carl");

  EXPECT_EQ(ListNext(&list), nullptr) << "no element after the last";
  EXPECT_EQ(CurrentText(), "Carl") << "the last element stays current";
  Add("Dora");
  EXPECT_EQ(Names(), (Names_{"Anna", "Bert", "Carl", "Dora"}));

  MakeCurrent("Anna");
  Add("Ada");
  EXPECT_EQ(Names(), (Names_{"Anna", "Ada", "Bert", "Carl", "Dora"}));
}

TEST_F(ListsTest, AddingWithoutCurrentElementGoesToTheFront) {
  ListFirst(&list);
  Add("Only");
  EXPECT_EQ(list.header->first, list.current);
  EXPECT_EQ(list.header->last, list.current);
  ListRemoveCurrent(&list);
  EXPECT_EQ(ListCount(&list), 0) << "removing the only element empties the list";
  EXPECT_EQ(list.header->first, nullptr);
  EXPECT_EQ(list.header->last, nullptr);
  EXPECT_EQ(list.current, nullptr);
  ListRemoveCurrent(&list);
  EXPECT_EQ(ListCount(&list), 0) << "removing without a current element does nothing";
  AddAnnaBertCarl();
  MakeCurrent("Anna");
  ListRemoveCurrent(&list);  // no current element afterwards
  Add("Front");
  EXPECT_EQ(Names(), (Names_{"Front", "Bert", "Carl"}));
}

TEST_F(ListsTest, RemovalRulesAtEachPlace) {
  struct Row {
    const char* removed;
    Names_ left;
    const char* current;
    const char* next;  // what ListNext gives afterwards
  } rows[] = {
      {"Anna", {"Bert", "Carl"}, "<none>", "Bert"},
      {"Bert", {"Anna", "Carl"}, "Anna", "Carl"},
      {"Carl", {"Anna", "Bert"}, "Bert", "<none>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.removed);
    TearDown();
    SetUp();
    AddAnnaBertCarl();
    MakeCurrent(row.removed);
    const int blocks = BlocksInUse();
    ListRemoveCurrent(&list);
    EXPECT_EQ(BlocksInUse(), blocks - 2) << "the element and its name are freed";
    EXPECT_EQ(Names(), row.left);
    EXPECT_EQ(CurrentText(), row.current);
    ListElement* next = ListNext(&list);
    EXPECT_EQ(next ? CurrentText() : "<none>", row.next);
  }
}

TEST_F(ListsTest, SelectingByIndexStopsAtTheLast) {
  AddAnnaBertCarl();
  for (int index : {0, 1, 2, 5, 200}) {
    ListFirst(&list);
    for (int step = 0; step < index; ++step) ListNext(&list);
    EXPECT_EQ(CurrentText(), index == 0 ? "Anna" : index == 1 ? "Bert" : "Carl") << index;
  }
}

}  // namespace
