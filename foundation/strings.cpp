#include "foundation/strings.h"

#include <cstring>

#include "foundation/heaps.h"

namespace foundation {
namespace {

// The one work area of SCRATCH_SIZE bytes and the scratch position in it;
// InitScratchArea starts it anew.
struct ScratchArea {
  char* area;
  char* position;
};

ScratchArea scratch;

char* ScratchEnd() { return scratch.area + SCRATCH_SIZE; }

void FreeString(String text) {
  if (text) MainHeapFree(text);
}

}  // namespace

void InitScratchArea() {
  scratch.area = static_cast<char*>(MainHeapAllocate(SCRATCH_SIZE));
  scratch.position = scratch.area;
}

char* ScratchMark() { return scratch.position; }

void RewindScratch(char* mark) { scratch.position = mark; }

void StepPastScratchText() {
  if (!scratch.area) return;
  while (scratch.position < ScratchEnd() - 1 && *scratch.position) ++scratch.position;
  if (scratch.position < ScratchEnd() - 1) ++scratch.position;
}

size_t ScratchRoom() {
  return scratch.area ? static_cast<size_t>(ScratchEnd() - scratch.position) : 0;
}

void AppendToScratch(const char* text) { AppendPieceToScratch(text, text ? strlen(text) : 0); }

void AppendPieceToScratch(const char* text, size_t length) {
  if (!ScratchRoom()) return;
  if (length > ScratchRoom() - 1) length = ScratchRoom() - 1;
  if (length) memcpy(scratch.position, text, length);
  scratch.position += length;
  *scratch.position = '\0';
}

void AssignFromScratch(String* variable, char* mark) {
  // The old value may be part of the text being stored: it was copied into
  // the scratch area before it is freed here.
  FreeString(*variable);
  const size_t size = static_cast<size_t>(scratch.position - mark) + 1;
  *variable = static_cast<char*>(MainHeapAllocate(size));
  if (*variable) {
    memcpy(*variable, mark, size - 1);
    (*variable)[size - 1] = '\0';
  }
  scratch.position = mark;
}

void AssignText(String* variable, const char* text) {
  FreeString(*variable);
  *variable = nullptr;
  if (!text) return;
  const size_t size = strlen(text) + 1;
  *variable = static_cast<char*>(MainHeapAllocate(size));
  if (*variable) memcpy(*variable, text, size);
}

int TextEquals(const char* a, const char* b) {
  if (!a) a = "";
  if (!b) b = "";
  for (;; ++a, ++b) {
    if (*a != *b) return 0;
    if (!*a) return 1;
  }
}

char* SpacesToScratch(intptr_t count) {
  char* mark = scratch.position;
  if (!ScratchRoom()) return mark;
  const size_t room = ScratchRoom() - 1;
  const size_t blanks = count <= 0 ? 0 : static_cast<size_t>(count) < room ? count : room;
  for (size_t i = 0; i < blanks; ++i) mark[i] = ' ';
  scratch.position = mark + blanks;
  *scratch.position = '\0';
  return mark;
}

void ReleaseStructStrings(void* record, const StringLayout* layout) {
  char* base = static_cast<char*>(record);
  while (*layout != STRING_LAYOUT_END) {
    if (*layout == STRING_LAYOUT_ARRAY) {
      const intptr_t count = layout[1];
      const intptr_t offset = layout[2];
      const intptr_t stride = layout[3];
      const auto* subLayout = reinterpret_cast<const StringLayout*>(layout[4]);
      for (intptr_t i = 0; i < count; ++i) ReleaseStructStrings(base + offset + i * stride, subLayout);
      layout += 5;
    } else {
      FreeString(*reinterpret_cast<String*>(base + *layout));
      ++layout;
    }
  }
}

void ZeroFill(void* block, size_t length) { memset(block, 0, length); }

}  // namespace foundation
