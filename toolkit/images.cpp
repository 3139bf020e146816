#include "toolkit/images.h"

#include "foundation/instance.h"
#include "foundation/object_table.h"
#include "foundation/owned_handles.h"
#include "toolkit/scoped_gdi.h"

namespace toolkit {
namespace {

enum class ImageKind : uint8_t { BITMAP_IMAGE, ICON_IMAGE };

struct ImageEntry {
  HANDLE handle;  // HBITMAP for pictures from BMP data and blank ones, HICON for icons
  int16_t width;
  int16_t height;
  uint16_t depth;
  ImageKind kind;  // which of the two the handle is, for its release
};

constexpr ObjectNumber IMAGE_TABLE_BOUND = 10;
constexpr ObjectNumber IMAGE_TABLE_STEP = 10;
// Below AUTOMATIC_NUMBER: never a valid number, so a lookup of it finds nothing.
constexpr ObjectNumber NO_IMAGE = -2;
// Sizes are kept in 16-bit fields.
constexpr int32_t LARGEST_SIDE = 32767;

// The image library's state; SetUpImageLibrary starts it anew. Before that
// the table holds no slots at all (bound -1).
struct ImageLibrary {
  foundation::ObjectTable table;
  ObjectNumber current;  // the current image's number, NO_IMAGE for none
};

ImageLibrary images = {{-1, nullptr, nullptr, 0, 0}, NO_IMAGE};

ImageEntry* EntryOf(ObjectNumber number) {
  return static_cast<ImageEntry*>(foundation::LookUpSlot(&images.table, number));
}

ObjectNumber IdentityOf(ObjectNumber number, const ImageEntry* entry) {
  return number == foundation::AUTOMATIC_NUMBER ? foundation::AutomaticNumberOf(entry) : number;
}

// A creation that failed after claiming: an automatic element goes again
// rather than staying empty in the chain until the end.
void Abandon(ObjectNumber identity) { foundation::ClearSlot(&images.table, identity); }

void Describe(ImageEntry* entry, HANDLE handle, ImageKind kind, const BITMAP& bitmap) {
  entry->handle = handle;
  entry->width = static_cast<int16_t>(bitmap.bmWidth);
  entry->height = static_cast<int16_t>(bitmap.bmHeight);
  entry->depth = bitmap.bmBitsPixel;
  entry->kind = kind;
}

void PaintBlack(HBITMAP bitmap, const BITMAP& description) {
  ScopedCreatedDC target(CreateCompatibleDC(nullptr));
  if (!target.dc) return;
  ScopedSelectObject selected(target.dc, bitmap);
  if (!selected.previous) return;
  const RECT all = {0, 0, description.bmWidth, description.bmHeight};
  FillRect(target.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

ImageEntry* MakeBlankEntry(ObjectNumber number, int width, int height) {
  if (width < 1 || height < 1 || width > LARGEST_SIDE || height > LARGEST_SIDE) return nullptr;
  auto* entry = static_cast<ImageEntry*>(foundation::ClaimSlot(&images.table, number));
  if (!entry) return nullptr;
  const ObjectNumber identity = IdentityOf(number, entry);
  images.current = identity;
  ReleaseImage(number);
  foundation::OwnedGdiObject bitmap;
  {
    ScopedCreatedDC screen(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
    if (screen.dc) bitmap.Reset(CreateCompatibleBitmap(screen.dc, width, height));
  }
  BITMAP description;
  if (!bitmap || !GetObjectA(bitmap.get(), sizeof(description), &description)) {
    Abandon(identity);
    return nullptr;
  }
  // The entry owns the bitmap from here on.
  const auto made = static_cast<HBITMAP>(bitmap.Give());
  Describe(entry, made, ImageKind::BITMAP_IMAGE, description);
  PaintBlack(made, description);
  return entry;
}

// ---------------------------------------------------------------------------
// Reading picture headers. The data is read byte by byte (it need not be
// aligned), and every offset is checked against the length before it is used.

uint32_t Read16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t Read32(const uint8_t* p) { return Read16(p) | Read16(p + 2) << 16; }

// A BMP file's sizes and offsets are 32-bit: nothing in one lies further out.
constexpr uint64_t LARGEST_PICTURE = 0xFFFFFFFFu;

constexpr size_t BMP_FILE_HEADER = 14;
constexpr size_t BMP_INFO_HEADER = 40;

struct BmpLayout {
  int32_t width;
  int32_t height;  // negative: rows stored top-down
  uint32_t pixelOffset;
};

// The layout of a BMP file, when its header describes one that the conversion
// can read within `length` bytes.
bool ReadBmpLayout(const uint8_t* data, size_t length, BmpLayout* layout) {
  if (length < BMP_FILE_HEADER + BMP_INFO_HEADER) return false;
  const uint8_t* info = data + BMP_FILE_HEADER;
  const uint32_t pixelOffset = Read32(data + 10);
  const uint32_t headerSize = Read32(info);
  const auto width = static_cast<int32_t>(Read32(info + 4));
  const auto height = static_cast<int32_t>(Read32(info + 8));
  const uint32_t planes = Read16(info + 12);
  const uint32_t bits = Read16(info + 14);
  const uint32_t compression = Read32(info + 16);
  const uint32_t imageSize = Read32(info + 20);
  const uint32_t coloursUsed = Read32(info + 32);
  // Older 12-byte core headers keep 16-bit sizes and are not read here.
  if (headerSize < BMP_INFO_HEADER || planes != 1) return false;
  if (width < 1 || width > LARGEST_SIDE || height == 0 || height < -LARGEST_SIDE ||
      height > LARGEST_SIDE) {
    return false;
  }
  uint64_t tableEntries = coloursUsed;
  switch (bits) {
    case 1:
    case 4:
    case 8:
      if (coloursUsed > (1u << bits)) return false;
      if (coloursUsed == 0) tableEntries = 1u << bits;
      break;
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  const uint64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
  uint64_t pixelBytes = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4 * rows;
  uint64_t tableBytes = tableEntries * 4;
  switch (compression) {
    case BI_RGB:
      break;
    case BI_RLE8:
    case BI_RLE4:
      // Run-length data is bottom-up by definition; its size is only in the header.
      if (bits != (compression == BI_RLE8 ? 8u : 4u) || height < 0 || imageSize == 0) return false;
      pixelBytes = imageSize;
      break;
    case BI_BITFIELDS:
      if (bits != 16 && bits != 32) return false;
      // Three colour masks follow a 40-byte header; longer headers hold them.
      if (headerSize == BMP_INFO_HEADER) tableBytes += 12;
      break;
    default:
      return false;
  }
  const uint64_t headerEnd = BMP_FILE_HEADER + static_cast<uint64_t>(headerSize) + tableBytes;
  const uint64_t end = static_cast<uint64_t>(pixelOffset) + pixelBytes;
  if (headerEnd > pixelOffset || end > LARGEST_PICTURE || end > length) return false;
  *layout = {width, height, pixelOffset};
  return true;
}

intptr_t MakeImageFromBmp(ObjectNumber number, const uint8_t* data, const BmpLayout& layout) {
  const int rows = layout.height < 0 ? -layout.height : layout.height;
  ImageEntry* entry = MakeBlankEntry(number, layout.width, rows);
  if (!entry) return 0;
  const intptr_t result = foundation::CreationResult(number, entry);
  ScopedCreatedDC memory(CreateCompatibleDC(nullptr));
  if (!memory.dc) return result;
  // The conversion reads the info header and colour table as they stand, and
  // with a negative height takes the first row stored as the top one.
  SetDIBits(memory.dc, static_cast<HBITMAP>(entry->handle), 0, rows, data + layout.pixelOffset,
            reinterpret_cast<const BITMAPINFO*>(data + BMP_FILE_HEADER), DIB_RGB_COLORS);
  return result;
}

constexpr size_t ICON_DIRECTORY = 6;
constexpr size_t ICON_DIRECTORY_ENTRY = 16;

bool IsIconFile(const uint8_t* data, size_t length) {
  return length >= 4 && Read16(data) == 0 && Read16(data + 2) == 1;
}

HICON MakeIcon(const uint8_t* data, size_t length) {
  if (length < ICON_DIRECTORY + ICON_DIRECTORY_ENTRY) return nullptr;
  const uint32_t count = Read16(data + 4);
  const uint8_t* first = data + ICON_DIRECTORY;
  const uint32_t size = Read32(first + 8);
  const uint32_t offset = Read32(first + 12);
  const uint64_t end = static_cast<uint64_t>(offset) + size;
  if (count == 0 || offset < ICON_DIRECTORY + ICON_DIRECTORY_ENTRY * count ||
      size < BMP_INFO_HEADER || end > LARGEST_PICTURE || end > length) {
    return nullptr;
  }
  const uint8_t* image = data + offset;
  const auto width = static_cast<int32_t>(Read32(image + 4));
  // The image's height counts its colour bits and its mask.
  const int32_t height = static_cast<int32_t>(Read32(image + 8)) / 2;
  if (Read32(image) < BMP_INFO_HEADER || Read32(image) > size || width < 1 ||
      width > LARGEST_SIDE || height < 1 || height > LARGEST_SIDE) {
    return nullptr;
  }
  // The icon is made from a fixed global block, as resource data would be.
  auto* copy = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, size));
  if (!copy) return nullptr;
  CopyMemory(copy, image, size);
  HICON icon = CreateIconFromResourceEx(copy, size, TRUE, 0x30000, width, height, 0);
  if (!icon && Read16(copy + 14) != 16) icon = CreateIconFromResource(copy, size, TRUE, 0x30000);
  GlobalFree(copy);
  return icon;
}

intptr_t MakeImageFromIcon(ObjectNumber number, HICON icon) {
  auto* entry = static_cast<ImageEntry*>(foundation::ClaimSlot(&images.table, number));
  if (!entry) {
    DestroyIcon(icon);
    return 0;
  }
  const ObjectNumber identity = IdentityOf(number, entry);
  images.current = identity;
  ReleaseImage(number);
  ScopedIconInfo bitmaps(icon);
  if (!bitmaps.valid) {
    DestroyIcon(icon);
    Abandon(identity);
    return 0;
  }
  BITMAP description = {};
  if (bitmaps.info.hbmColor) {
    GetObjectA(bitmaps.info.hbmColor, sizeof(description), &description);
  } else if (GetObjectA(bitmaps.info.hbmMask, sizeof(description), &description)) {
    // A monochrome icon keeps its image and mask stacked in one bitmap.
    description.bmHeight /= 2;
  }
  Describe(entry, icon, ImageKind::ICON_IMAGE, description);
  return foundation::CreationResult(number, entry);
}

}  // namespace

void SetUpImageLibrary() {
  // Picture decoders beyond BMP and icon data may be registered in the
  // general runtime; nothing in this system registers one, so that registry
  // is left out and such data is refused.
  images = {{-1, nullptr, nullptr, 0, 0}, NO_IMAGE};
  foundation::ObjectTableInit(&images.table, sizeof(ImageEntry), IMAGE_TABLE_BOUND,
                              IMAGE_TABLE_STEP);
}

intptr_t MakeImageFromMemory(ObjectNumber number, const void* data, size_t length) {
  if (!data || number < foundation::AUTOMATIC_NUMBER) return 0;
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (length >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
    BmpLayout layout;
    return ReadBmpLayout(bytes, length, &layout) ? MakeImageFromBmp(number, bytes, layout) : 0;
  }
  if (IsIconFile(bytes, length)) {
    HICON icon = MakeIcon(bytes, length);
    return icon ? MakeImageFromIcon(number, icon) : 0;
  }
  return 0;
}

const void* EmbeddedPicture(int resource, size_t* length) {
  HINSTANCE instance = foundation::programInstance;
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(resource), RT_RCDATA);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  *length = data ? SizeofResource(instance, found) : 0;
  return data;
}

intptr_t MakeBlankImage(ObjectNumber number, int width, int height) {
  return foundation::CreationResult(number, MakeBlankEntry(number, width, height));
}

HANDLE ImageHandleOf(ObjectNumber number) {
  ImageEntry* entry = EntryOf(number);
  images.current = entry ? number : NO_IMAGE;
  return entry ? entry->handle : nullptr;
}

void ReleaseImage(ObjectNumber number) {
  if (number == foundation::AUTOMATIC_NUMBER) return;
  ImageEntry* entry = EntryOf(number);
  if (!entry) return;
  if (entry->kind == ImageKind::ICON_IMAGE) {
    DestroyIcon(static_cast<HICON>(entry->handle));
  } else {
    DeleteObject(entry->handle);
  }
  foundation::ClearSlot(&images.table, number);
}

void ReleaseAllImages() {
  foundation::ForEachNumber(&images.table, foundation::SlotOrder::ASCENDING, ReleaseImage);
}

HANDLE CurrentImageHandle() {
  const ImageEntry* entry = EntryOf(images.current);
  return entry ? entry->handle : nullptr;
}

int CurrentImageWidth() {
  const ImageEntry* entry = EntryOf(images.current);
  return entry ? entry->width : 0;
}

int CurrentImageHeight() {
  const ImageEntry* entry = EntryOf(images.current);
  return entry ? entry->height : 0;
}

int CurrentImageDepth() {
  const ImageEntry* entry = EntryOf(images.current);
  return entry ? entry->depth : 0;
}

ObjectNumber ImageTableBound() { return images.table.bound; }

}  // namespace toolkit
