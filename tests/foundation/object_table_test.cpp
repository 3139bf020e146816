#include "foundation/object_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "runtime_heaps.h"
#include "foundation/registry_chain.h"

namespace {

using foundation::AUTOMATIC_NUMBER;
using foundation::ObjectNumber;
using foundation::ObjectTable;

struct Entry {
  void* handle;
  intptr_t value;
};

class ObjectTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(foundation::ObjectTableInit(&table, sizeof(Entry), 10, 10)); }

  Entry* Claim(ObjectNumber number, intptr_t value) {
    auto* entry = static_cast<Entry*>(foundation::ClaimSlot(&table, number));
    if (entry) *entry = {reinterpret_cast<void*>(value), value};
    return entry;
  }
  intptr_t ValueAt(ObjectNumber number) {
    auto* entry = static_cast<Entry*>(foundation::LookUpSlot(&table, number));
    return entry ? entry->value : 0;
  }

  test_support::RuntimeHeaps heaps;
  ObjectTable table = {};
};

TEST_F(ObjectTableTest, GrowsInStepsAndKeepsEntries) {
  for (ObjectNumber n = 0; n < 10; ++n) ASSERT_NE(Claim(n, 100 + n), nullptr);
  EXPECT_EQ(table.bound, 10) << "numbers below the bound never grow the table";

  ASSERT_NE(Claim(10, 110), nullptr);
  EXPECT_EQ(table.bound, 20);
  ASSERT_NE(Claim(25, 125), nullptr);
  EXPECT_EQ(table.bound, 35);

  for (ObjectNumber n = 0; n <= 10; ++n) EXPECT_EQ(ValueAt(n), 100 + n) << "slot " << n;
  EXPECT_EQ(ValueAt(25), 125);
  for (ObjectNumber n = 11; n <= 35; ++n) {
    if (n != 25) {
      EXPECT_EQ(ValueAt(n), 0) << "grown slot " << n << " must start empty";
    }
  }
}

TEST_F(ObjectTableTest, LookupsOutsideTheTableAndInEmptySlotsFindNothing) {
  for (ObjectNumber outside : {10, 11, -1, -56, 1 << 20}) {
    EXPECT_EQ(foundation::LookUpSlot(&table, outside), nullptr) << outside;
  }
  EXPECT_EQ(foundation::ClaimSlot(&table, -2), nullptr) << "numbers below -1 are refused";
  foundation::ClearSlot(&table, 99);  // outside the table: nothing happens
  foundation::ClearSlot(&table, -7);
  EXPECT_EQ(table.bound, 10);

  // A claimed slot whose handle was never written still counts as empty.
  ASSERT_NE(foundation::ClaimSlot(&table, 3), nullptr);
  EXPECT_EQ(foundation::LookUpSlot(&table, 3), nullptr);
  // Clearing a slot empties its handle and keeps its other fields.
  Claim(4, 44);
  foundation::ClearSlot(&table, 4);
  EXPECT_EQ(foundation::LookUpSlot(&table, 4), nullptr);
  EXPECT_EQ(static_cast<Entry*>(foundation::SlotEntry(&table, 4))->value, 44);
}

TEST_F(ObjectTableTest, AutomaticIdentifiersAreNeverSlotNumbers) {
  ObjectNumber ids[3];
  for (int i = 0; i < 3; ++i) {
    Entry* entry = Claim(AUTOMATIC_NUMBER, 500 + i);
    ASSERT_NE(entry, nullptr);
    ids[i] = foundation::AutomaticNumberOf(entry);
    EXPECT_FALSE(foundation::IsSlotNumber(&table, ids[i]));
    EXPECT_GT(ids[i], 1 << 16) << "an identifier lies far above any bound";
  }
  EXPECT_EQ(table.bound, 10) << "automatic numbers do not grow the table";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ValueAt(ids[i]), 500 + i);

  // Newest first when walking.
  void* walk = foundation::FirstAutomaticEntry(&table);
  EXPECT_EQ(foundation::AutomaticNumberOf(walk), ids[2]);

  foundation::ClearSlot(&table, ids[1]);
  EXPECT_EQ(ValueAt(ids[1]), 0);
  EXPECT_EQ(ValueAt(ids[0]), 500);
  EXPECT_EQ(ValueAt(ids[2]), 502);
  // An identifier in use cannot be claimed again as if it were a slot number.
  EXPECT_EQ(foundation::ClaimSlot(&table, ids[0]), nullptr);
  EXPECT_EQ(table.bound, 10);
}

std::vector<ObjectNumber> visited;
void Visit(ObjectNumber number) { visited.push_back(number); }

// Walks reach the automatic identifiers newest first, then the slots below the
// bound (the slot at the bound never holds an object); a lookup by handle
// finds either kind; a creation answers the identifier or the handle.
TEST_F(ObjectTableTest, WalksLookupsByHandleAndCreationResults) {
  Claim(2, 22);
  Claim(10, 110);  // grows the bound to 20
  Claim(19, 190);  // the highest slot
  const ObjectNumber older = foundation::AutomaticNumberOf(Claim(AUTOMATIC_NUMBER, 501));
  Entry* newer = Claim(AUTOMATIC_NUMBER, 502);
  const ObjectNumber newest = foundation::AutomaticNumberOf(newer);

  std::vector<ObjectNumber> ascending = {newest, older}, descending = {newest, older};
  for (ObjectNumber n = 0; n < 20; ++n) {
    ascending.push_back(n);
    descending.push_back(19 - n);
  }
  visited.clear();
  foundation::ForEachNumber(&table, foundation::SlotOrder::ASCENDING, Visit);
  EXPECT_EQ(visited, ascending);
  visited.clear();
  foundation::ForEachNumber(&table, foundation::SlotOrder::DESCENDING, Visit);
  EXPECT_EQ(visited, descending);

  EXPECT_EQ(foundation::FindEntryByHandle(&table, reinterpret_cast<void*>(110)),
            foundation::LookUpSlot(&table, 10));
  EXPECT_EQ(foundation::FindEntryByHandle(&table, reinterpret_cast<void*>(190)),
            foundation::LookUpSlot(&table, 19));
  EXPECT_EQ(foundation::FindEntryByHandle(&table, reinterpret_cast<void*>(502)), newer);
  EXPECT_EQ(foundation::FindEntryByHandle(&table, reinterpret_cast<void*>(7)), nullptr);
  EXPECT_EQ(foundation::FindEntryByHandle(&table, nullptr), nullptr) << "empty slots match nothing";

  EXPECT_EQ(foundation::CreationResult(AUTOMATIC_NUMBER, newer), newest);
  EXPECT_EQ(foundation::CreationResult(10, foundation::LookUpSlot(&table, 10)), 110);
  EXPECT_EQ(foundation::CreationResult(3, nullptr), 0);
}

class RegistryChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) {
      payload[i] = static_cast<int*>(
          foundation::ChainAdd(&head, foundation::CHAIN_LINKS_SIZE + sizeof(int)));
      ASSERT_NE(payload[i], nullptr);
      EXPECT_EQ(*payload[i], 0) << "nodes start zero-filled";
      *payload[i] = i;
    }
  }

  // The payload values from the head on, checking the back links as well.
  std::vector<int> Walk() {
    std::vector<int> values;
    foundation::ChainLinks* previous = nullptr;
    for (foundation::ChainLinks* node = head; node; node = node->next) {
      EXPECT_EQ(node->previous, previous) << "back link of node " << values.size();
      values.push_back(*reinterpret_cast<int*>(reinterpret_cast<char*>(node) +
                                               foundation::CHAIN_LINKS_SIZE));
      previous = node;
    }
    return values;
  }

  test_support::RuntimeHeaps heaps;
  foundation::ChainHead head = nullptr;
  int* payload[4] = {};
};

TEST_F(RegistryChainTest, RemovingTheMiddleTheHeadAndTheTailKeepsTheOthersLinked) {
  EXPECT_EQ(Walk(), (std::vector<int>{3, 2, 1, 0})) << "the newest node is the head";
  foundation::ChainRemove(&head, payload[2]);
  EXPECT_EQ(Walk(), (std::vector<int>{3, 1, 0})) << "the middle removed";
  foundation::ChainRemove(&head, payload[3]);
  EXPECT_EQ(Walk(), (std::vector<int>{1, 0})) << "the head removed";
  foundation::ChainRemove(&head, payload[0]);
  EXPECT_EQ(Walk(), (std::vector<int>{1})) << "the tail removed";
  foundation::ChainRemove(&head, payload[1]);
  EXPECT_EQ(head, nullptr);
}

}  // namespace
