#pragma once
#include <cstddef>
#include <cstdint>

#include "foundation/strings.h"

namespace foundation {

// Doubly linked lists of fixed-size elements in the main heap, with a current
// element that adding, removing and walking move. The walking rules decide the
// roster's order and its selection by index, so they are exact:
//   - a new element goes right after the current one (to the front when there
//     is none) and becomes current;
//   - removing makes the previous element current (none after the first);
//   - ListNext from none gives the first element, and stays on the last one.
struct ListElement {
  ListElement* next;
  ListElement* previous;
  // the element's data follows
};

struct ListHeader {
  ListElement* first;
  ListElement* last;
  size_t elementSize;  // the data and the two links
  intptr_t count;
  const StringLayout* strings;  // string fields of the data, or nullptr
};

struct List {
  ListHeader* header;
  ListElement* current;
};

// Makes a new, empty list whose elements carry `dataSize` bytes of data.
void ListCreate(List* list, size_t dataSize, const StringLayout* strings);
// Inserts a zero-filled element after the current one and makes it current.
// Returns the element, nullptr when the heap has no room.
ListElement* ListAddAfterCurrent(List* list);
// Removes the current element and frees its strings and its block.
void ListRemoveCurrent(List* list);
intptr_t ListCount(const List* list);
ListElement* ListFirst(List* list);
ListElement* ListNext(List* list);
// Makes the last element current and returns it; none for an empty list.
ListElement* ListLast(List* list);

// The data of an element, right behind its links.
inline void* ElementData(ListElement* element) { return element ? element + 1 : nullptr; }

}  // namespace foundation
