#include "foundation/object_table.h"

#include <windows.h>

#include "foundation/heaps.h"

namespace foundation {
namespace {

void* HandleWord(const void* entry) { return *static_cast<void* const*>(entry); }

// The automatic element whose identifier is `number`, whether its handle is
// set or not; nullptr when no element of the chain carries that identifier.
void* FindAutomaticEntry(const ObjectTable* table, ObjectNumber number) {
  for (void* entry = ChainFirstPayload(table->automatic); entry; entry = ChainNextPayload(entry)) {
    if (AutomaticNumberOf(entry) == number) return entry;
  }
  return nullptr;
}

bool GrowToHold(ObjectTable* table, ObjectNumber number) {
  const ObjectNumber maxSlots = static_cast<ObjectNumber>(PTRDIFF_MAX / table->entrySize);
  if (number > maxSlots - table->growthStep - 1) return false;
  const ObjectNumber newBound = number + table->growthStep;
  void* grown = HeapReAlloc(mainHeap, HEAP_ZERO_MEMORY, table->slots,
                            static_cast<size_t>(newBound + 1) * table->entrySize);
  if (!grown) return false;
  table->slots = grown;
  table->bound = newBound;
  return true;
}

}  // namespace

bool ObjectTableInit(ObjectTable* table, size_t entrySize, ObjectNumber bound,
                     ObjectNumber growthStep) {
  table->automatic = nullptr;
  table->entrySize = entrySize;
  table->growthStep = growthStep;
  table->slots = MainHeapAllocate(static_cast<size_t>(bound + 1) * entrySize);
  table->bound = table->slots ? bound : -1;
  return table->slots != nullptr;
}

bool IsSlotNumber(const ObjectTable* table, ObjectNumber number) {
  return number >= 0 && number <= table->bound;
}

void* SlotEntry(const ObjectTable* table, ObjectNumber number) {
  return static_cast<char*>(table->slots) + static_cast<size_t>(number) * table->entrySize;
}

void* ClaimSlot(ObjectTable* table, ObjectNumber number) {
  if (number == AUTOMATIC_NUMBER) {
    return ChainAdd(&table->automatic, CHAIN_LINKS_SIZE + table->entrySize);
  }
  if (number < AUTOMATIC_NUMBER) return nullptr;
  if (number >= table->bound) {
    // Replacing an automatically numbered object under its identifier is not
    // offered: its entry would be freed while the new object is being made.
    if (FindAutomaticEntry(table, number)) return nullptr;
    if (!GrowToHold(table, number)) return nullptr;
  }
  return SlotEntry(table, number);
}

void* LookUpSlot(const ObjectTable* table, ObjectNumber number) {
  void* entry = IsSlotNumber(table, number) ? SlotEntry(table, number)
                                            : FindAutomaticEntry(table, number);
  return entry && HandleWord(entry) ? entry : nullptr;
}

void ClearSlot(ObjectTable* table, ObjectNumber number) {
  if (IsSlotNumber(table, number)) {
    *static_cast<void**>(SlotEntry(table, number)) = nullptr;
  } else if (void* entry = FindAutomaticEntry(table, number)) {
    ChainRemove(&table->automatic, entry);
  }
}

void* FirstAutomaticEntry(const ObjectTable* table) { return ChainFirstPayload(table->automatic); }

void* NextAutomaticEntry(void* entry) { return ChainNextPayload(entry); }

void ForEachNumber(const ObjectTable* table, SlotOrder order, void (*visit)(ObjectNumber number)) {
  void* entry = FirstAutomaticEntry(table);
  while (entry) {
    void* older = NextAutomaticEntry(entry);
    visit(AutomaticNumberOf(entry));
    entry = older;
  }
  if (order == SlotOrder::ASCENDING) {
    for (ObjectNumber number = 0; number < table->bound; ++number) visit(number);
  } else {
    for (ObjectNumber number = table->bound - 1; number >= 0; --number) visit(number);
  }
}

void* FindEntryByHandle(const ObjectTable* table, const void* handle) {
  if (!handle) return nullptr;
  for (void* entry = FirstAutomaticEntry(table); entry; entry = NextAutomaticEntry(entry)) {
    if (HandleWord(entry) == handle) return entry;
  }
  for (ObjectNumber number = 0; number < table->bound; ++number) {
    void* entry = SlotEntry(table, number);
    if (HandleWord(entry) == handle) return entry;
  }
  return nullptr;
}

intptr_t CreationResult(ObjectNumber requested, const void* entry) {
  if (!entry) return 0;
  return requested == AUTOMATIC_NUMBER ? AutomaticNumberOf(entry)
                                       : reinterpret_cast<intptr_t>(HandleWord(entry));
}

}  // namespace foundation
