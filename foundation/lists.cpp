#include "foundation/lists.h"

#include <windows.h>

#include "foundation/heaps.h"

namespace foundation {

void ListCreate(List* list, size_t dataSize, const StringLayout* strings) {
  list->header = static_cast<ListHeader*>(MainHeapAllocate(sizeof(ListHeader)));
  list->current = nullptr;
  if (!list->header) return;
  list->header->elementSize = sizeof(ListElement) + dataSize;
  list->header->strings = strings;
}

ListElement* ListAddAfterCurrent(List* list) {
  ListHeader* header = list->header;
  auto* element = static_cast<ListElement*>(MainHeapAllocate(header->elementSize));
  if (!element) return nullptr;
  ++header->count;
  ListElement* current = list->current;
  if (!current) {
    element->next = header->first;
    if (header->first) header->first->previous = element;
  } else {
    element->previous = current;
    element->next = current->next;
    if (current->next) current->next->previous = element;
    current->next = element;
  }
  list->current = element;
  if (!element->previous) header->first = element;
  if (!element->next) header->last = element;
  return element;
}

void ListRemoveCurrent(List* list) {
  ListElement* element = list->current;
  if (!element) return;
  ListHeader* header = list->header;
  --header->count;
  if (element->previous) {
    element->previous->next = element->next;
  } else {
    header->first = element->next;
  }
  if (element->next) {
    element->next->previous = element->previous;
  } else {
    header->last = element->previous;
  }
  // After the first element there is no current one, so that ListNext
  // continues with the element that followed the removed one.
  list->current = element->previous;
  if (header->strings) ReleaseStructStrings(ElementData(element), header->strings);
  MainHeapFree(element);
}

intptr_t ListCount(const List* list) { return list->header ? list->header->count : 0; }

ListElement* ListFirst(List* list) {
  list->current = list->header ? list->header->first : nullptr;
  return list->current;
}

ListElement* ListLast(List* list) {
  list->current = list->header ? list->header->last : nullptr;
  return list->current;
}

ListElement* ListNext(List* list) {
  if (!list->current) return ListFirst(list);
  if (!list->current->next) return nullptr;
  list->current = list->current->next;
  return list->current;
}

}  // namespace foundation
