#pragma once
#include <cstddef>
#include <cstdint>

namespace foundation {

// A string variable owns one main-heap block holding a zero-terminated text,
// or is nullptr, which reads as the empty text.
using String = char*;

// All string expressions and string results are built in one work area of
// 64000 bytes. The scratch position is where the next text goes; a mark is a
// saved position. Nothing is ever written past the end of the area: a text
// that does not fit is cut at what fits.
//
//   char* mark = ScratchMark();
//   AppendToScratch(a); AppendToScratch(b);   // build a + b at the mark
//   AssignFromScratch(&variable, mark);         // store it; position = mark
//
// To hand the built text to an operation instead of storing it, step past its
// terminating zero first (so the operation's own text goes behind it), call,
// then rewind to the mark.
constexpr size_t SCRATCH_SIZE = 64000;

// Takes the area from the main heap and sets the position to its start. Called
// once at start-up; the area goes with the main heap at the end.
void InitScratchArea();
char* ScratchMark();
void RewindScratch(char* mark);
// Moves the position one byte past the terminating zero of the text there.
void StepPastScratchText();
// Bytes that can still be written at the position, the terminating zero included.
size_t ScratchRoom();

// Copies the text and its zero to the position and leaves the position on the
// zero, so the next append continues the same text. nullptr appends nothing.
void AppendToScratch(const char* text);
// The same for the first `length` bytes of a text that need not end there.
void AppendPieceToScratch(const char* text, size_t length);
// Stores the text from the mark up to the position in the variable, freeing
// its old block, and rewinds the position to the mark.
void AssignFromScratch(String* variable, char* mark);
// Gives the variable a copy of the text (none for nullptr), freeing its old block.
void AssignText(String* variable, const char* text);
// 1 when both texts hold the same bytes, else 0; nullptr equals "".
int TextEquals(const char* a, const char* b);
// Writes `count` blanks and a zero at the position, leaves the position on the
// zero and returns where the blanks begin. Negative counts write none.
char* SpacesToScratch(intptr_t count);

// Describes where a record keeps string variables: a byte offset per string,
// STRING_LAYOUT_ARRAY with count, offset, stride and a sub-layout for an array
// of sub-records, and STRING_LAYOUT_END.
using StringLayout = intptr_t;
constexpr StringLayout STRING_LAYOUT_END = -1;
constexpr StringLayout STRING_LAYOUT_ARRAY = -2;

// Frees every string the layout names in the record; the variables keep their
// (now dangling) values, as the record itself is about to go.
void ReleaseStructStrings(void* record, const StringLayout* layout);
void ZeroFill(void* block, size_t length);

}  // namespace foundation
