#include "foundation/registry_chain.h"

#include <windows.h>

#include "foundation/heaps.h"

namespace foundation {
namespace {

ChainLinks* NodeOf(void* payload) {
  return reinterpret_cast<ChainLinks*>(static_cast<char*>(payload) - CHAIN_LINKS_SIZE);
}

void* PayloadOf(ChainLinks* node) {
  return node ? reinterpret_cast<char*>(node) + CHAIN_LINKS_SIZE : nullptr;
}

}  // namespace

void* ChainAdd(ChainHead* head, size_t size) {
  if (size < CHAIN_LINKS_SIZE) return nullptr;
  auto* node = static_cast<ChainLinks*>(HeapAlloc(nodeHeap, HEAP_ZERO_MEMORY, size));
  if (!node) return nullptr;
  if (*head) {
    (*head)->previous = node;
    node->next = *head;
  }
  *head = node;
  return PayloadOf(node);
}

void ChainRemove(ChainHead* head, void* payload) {
  ChainLinks* node = NodeOf(payload);
  if (node == *head) {
    *head = node->next;
    if (*head) (*head)->previous = nullptr;
  } else {
    node->previous->next = node->next;
    if (node->next) node->next->previous = node->previous;
  }
  HeapFree(nodeHeap, 0, node);
}

void* ChainFirstPayload(ChainHead head) { return PayloadOf(head); }

void* ChainNextPayload(void* payload) { return PayloadOf(NodeOf(payload)->next); }

}  // namespace foundation
