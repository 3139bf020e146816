#pragma once
#include <cstddef>

namespace foundation {

// A doubly linked chain of nodes in the node heap. A node is two link words
// followed by its payload; callers only ever hold payload addresses, which stay
// put for the node's life. New nodes go to the head, so a walk from the head
// meets the newest first.
struct ChainLinks {
  ChainLinks* next;
  ChainLinks* previous;
};

using ChainHead = ChainLinks*;

constexpr size_t CHAIN_LINKS_SIZE = sizeof(ChainLinks);

// Allocates a zero-filled node of `size` bytes (the size counts the link
// words) and makes it the head. Returns the payload, nullptr when the heap has
// no room.
void* ChainAdd(ChainHead* head, size_t size);
// Unlinks the node that carries `payload` and returns it to the node heap.
void ChainRemove(ChainHead* head, void* payload);

// Walking: the newest payload first, then each older one; nullptr at the end.
void* ChainFirstPayload(ChainHead head);
void* ChainNextPayload(void* payload);

}  // namespace foundation
