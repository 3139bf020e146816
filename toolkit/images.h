#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "foundation/object_table.h"

namespace toolkit {

using foundation::ObjectNumber;

// Images are pictures kept under numbers the program chooses, each as a
// bitmap compatible with the screen (or as an icon), so that image controls
// can show them by handle.

// Empties the decoder registry and sets up the image table (bound 10, grown
// by 10). Called once during the runtime start-up, before any window opens.
void SetUpImageLibrary();

// The length to give when only the picture's own header tells its size.
constexpr size_t PICTURE_LENGTH_UNKNOWN = SIZE_MAX;

// Makes an image from a complete picture in memory: a BMP file (the pixels are
// converted into a screen-compatible bitmap) or an icon file (its first image
// becomes an icon). Returns the image's handle, the automatic number for
// AUTOMATIC_NUMBER, or 0.
//
// `length` is how many bytes lie at `data`. Without one (the default) the
// header alone is trusted for the picture's extent, which is still checked
// for sense. Data whose header gives sizes or offsets that
// cannot be right, or that reach past `length`, is refused with 0 before
// anything changes: an image the number held stays. A BMP stored top-down
// (negative height) is honoured and keeps its row order.
intptr_t MakeImageFromMemory(ObjectNumber number, const void* data,
                             size_t length = PICTURE_LENGTH_UNKNOWN);

// The bytes of the program's RCDATA resource `resource` (a picture embedded
// by the build) and their number; nullptr and 0 when there is no such resource.
const void* EmbeddedPicture(int resource, size_t* length);

// Makes a black screen-compatible bitmap; the number's old image is destroyed
// first, whatever happens next. Returns as MakeImageFromMemory.
intptr_t MakeBlankImage(ObjectNumber number, int width, int height);

// The image's handle, or 0 when the number holds none. The image becomes the
// current image (none for an empty number).
HANDLE ImageHandleOf(ObjectNumber number);

void ReleaseImage(ObjectNumber number);
// The automatic images newest first, then slots 0 to bound.
void ReleaseAllImages();

// The current image: the one last made, or last asked for by ImageHandleOf.
// 0 when there is none.
HANDLE CurrentImageHandle();
int CurrentImageWidth();
int CurrentImageHeight();
// Bits per pixel of the stored bitmap: the screen's depth for pictures.
int CurrentImageDepth();

// The highest slot number of the image table.
ObjectNumber ImageTableBound();

}  // namespace toolkit
