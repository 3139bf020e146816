#pragma once
#include <cstddef>
#include <cstdint>

#include "foundation/registry_chain.h"

namespace foundation {

// Windows, controls, images and files are addressed by numbers the program
// chooses. 0 and above are slot numbers; AUTOMATIC_NUMBER asks the creating
// operation for an automatic identifier, which is the address of the object's
// entry in the table's registry chain and so never equals a slot number.
// Numbers are pointer-sized so that they can carry such an identifier.
using ObjectNumber = intptr_t;
constexpr ObjectNumber AUTOMATIC_NUMBER = -1;

// Maps a number to a fixed-size entry whose first pointer-sized word is the
// object's handle; a zero handle marks the entry as empty. Slots 0 to bound
// (inclusive) live in one zero-filled main-heap array that grows by a fixed
// step and never shrinks. The slot at the bound itself never holds an object:
// claiming the bound grows the table first. So the numbers in use are the
// automatic identifiers and the slot numbers below the bound, and that is
// what every walk over a table reaches.
struct ObjectTable {
  ObjectNumber bound;
  void* slots;
  ChainHead automatic;
  size_t entrySize;
  ObjectNumber growthStep;
};

// Allocates slots 0 to bound, all empty. Returns false when the heap has no room.
bool ObjectTableInit(ObjectTable* table, size_t entrySize, ObjectNumber bound,
                     ObjectNumber growthStep);

// The entry a creating operation fills in: a new chain element for
// AUTOMATIC_NUMBER, the slot otherwise (after growing the table when the number
// is at or above the bound). nullptr for numbers below -1, for a live automatic
// identifier, and when the table cannot grow.
void* ClaimSlot(ObjectTable* table, ObjectNumber number);
// The entry of a live object, nullptr when the number holds nothing.
void* LookUpSlot(const ObjectTable* table, ObjectNumber number);
// Empties a number: clears a slot's handle word, or unlinks and frees an
// automatic element. Numbers that hold nothing are left alone.
void ClearSlot(ObjectTable* table, ObjectNumber number);

// The number an entry is known by when it came from AUTOMATIC_NUMBER.
inline ObjectNumber AutomaticNumberOf(const void* entry) {
  return reinterpret_cast<ObjectNumber>(entry);
}
bool IsSlotNumber(const ObjectTable* table, ObjectNumber number);

// Walks the automatic entries, newest first; nullptr at the end. Take the next
// entry before emptying the current one.
void* FirstAutomaticEntry(const ObjectTable* table);
void* NextAutomaticEntry(void* entry);
enum class SlotOrder { ASCENDING, DESCENDING };
// Calls `visit` with every number that can hold an object: the automatic
// identifiers newest first, then the slot numbers below the bound in the given
// order. The visit may empty the number it is given.
void ForEachNumber(const ObjectTable* table, SlotOrder order, void (*visit)(ObjectNumber number));
// The entry of the object whose handle is `handle`, automatic entries first;
// nullptr for a null handle or when no entry has it.
void* FindEntryByHandle(const ObjectTable* table, const void* handle);
// What a creating operation answers for the entry it filled in (nullptr when
// it failed: 0): the automatic identifier when it was asked for
// AUTOMATIC_NUMBER, else the object's handle.
intptr_t CreationResult(ObjectNumber requested, const void* entry);
// The slot entry of a number from 0 to bound, used or not.
void* SlotEntry(const ObjectTable* table, ObjectNumber number);

}  // namespace foundation
