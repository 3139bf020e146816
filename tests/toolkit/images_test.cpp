#include "toolkit/images.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "assets/resources.h"
#include "test_paths.h"
#include "toolkit_fixture.h"

namespace toolkit_test {
namespace {

using namespace toolkit;
using test_support::SourceFile;

void Put16(std::string* bytes, size_t at, uint32_t v) {
  (*bytes)[at] = static_cast<char>(v & 0xFF);
  (*bytes)[at + 1] = static_cast<char>(v >> 8 & 0xFF);
}

void Put32(std::string* bytes, size_t at, uint32_t v) {
  Put16(bytes, at, v & 0xFFFF);
  Put16(bytes, at + 2, v >> 16);
}

// A BMP file's two headers: `palette` colours after them, then `pixels`
// bytes, all zero.
std::string BmpFile(int width, int height, int bits, uint32_t palette, uint32_t pixels) {
  const uint32_t pixelOffset = 54 + palette * 4;
  std::string bytes(pixelOffset + pixels, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(&bytes, 2, static_cast<uint32_t>(bytes.size()));
  Put32(&bytes, 10, pixelOffset);
  Put32(&bytes, 14, 40);
  Put32(&bytes, 18, width);
  Put32(&bytes, 22, height);
  Put16(&bytes, 26, 1);
  Put16(&bytes, 28, bits);
  Put32(&bytes, 34, pixels);
  Put32(&bytes, 46, palette);
  return bytes;
}

// A 24-bit BMP file whose rows, in the order stored, have the given colours
// (one colour per row). A negative height stores the top row first.
std::string Bmp24(int width, int height, const std::vector<COLORREF>& storedRows) {
  const int rows = height < 0 ? -height : height;
  const uint32_t row = (width * 3 + 3) & ~3;
  std::string bytes = BmpFile(width, height, 24, 0, row * rows);
  for (int r = 0; r < rows; ++r) {
    for (int x = 0; x < width; ++x) {
      const COLORREF c = storedRows[r];
      const size_t at = 54 + r * row + x * 3;
      bytes[at] = static_cast<char>(GetBValue(c));
      bytes[at + 1] = static_cast<char>(GetGValue(c));
      bytes[at + 2] = static_cast<char>(GetRValue(c));
    }
  }
  return bytes;
}

BITMAP DescriptionOf(HANDLE bitmap) {
  BITMAP description = {};
  GetObjectA(bitmap, sizeof(description), &description);
  return description;
}

COLORREF PixelOf(HANDLE bitmap, int x, int y) {
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const COLORREF pixel = GetPixel(memory, x, y);
  SelectObject(memory, old);
  DeleteDC(memory);
  return pixel;
}

int ScreenDepth() {
  HDC screen = GetDC(nullptr);
  const int depth = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return depth;
}

bool IsBitmap(HANDLE handle) { return GetObjectType(handle) == OBJ_BITMAP; }

class ImagesTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    SetUpImageLibrary();
  }
  void TearDown() override {
    ReleaseAllImages();
    ToolkitTest::TearDown();
  }

  // Makes an image from one of the pictures this test program embeds, as the
  // launcher does with its own.
  intptr_t MakeEmbedded(ObjectNumber number, int resource) {
    size_t length = 0;
    const void* data = EmbeddedPicture(resource, &length);
    EXPECT_NE(data, nullptr) << "no resource " << resource;
    return MakeImageFromMemory(number, data, length);
  }
  intptr_t Make(ObjectNumber number, const std::string& data) {
    return MakeImageFromMemory(number, data.data(), data.size());
  }

  // One change to a good file, which must make it unusable.
  struct Damage {
    const char* label;
    size_t at;  // offset of a 32-bit field to change; 0 = none
    uint32_t value;
    size_t cut;  // bytes taken off the end
  };
  // Each damaged copy of the file is refused as image 0, which keeps `kept`.
  void ExpectRefused(const std::string& good, HANDLE kept, std::initializer_list<Damage> damages) {
    for (const Damage& d : damages) {
      SCOPED_TRACE(d.label);
      std::string bad = good.substr(0, good.size() - d.cut);
      if (d.at) Put32(&bad, d.at, d.value);
      EXPECT_EQ(Make(0, bad), 0);
      EXPECT_EQ(ImageHandleOf(0), kept);
    }
  }
};

TEST_F(ImagesTest, TheEmbeddedPicturesBecomeScreenCompatibleBitmaps) {
  EXPECT_EQ(ImageTableBound(), 10);
  EXPECT_EQ(ImageHandleOf(10), nullptr) << "10 is no image on the fresh table";
  EXPECT_EQ(CurrentImageHandle(), nullptr);
  const intptr_t title = MakeEmbedded(0, TITLE_PICTURE_RESOURCE);
  ASSERT_NE(title, 0);
  EXPECT_EQ(CurrentImageHandle(), reinterpret_cast<HANDLE>(title));
  EXPECT_EQ(CurrentImageWidth(), 300);
  EXPECT_EQ(CurrentImageHeight(), 300);
  EXPECT_EQ(CurrentImageDepth(), ScreenDepth()) << "the screen's depth, not the picture's 24";
  const intptr_t logo = MakeEmbedded(1, LOGO_PICTURE_RESOURCE);
  ASSERT_NE(logo, 0);
  EXPECT_EQ(ImageTableBound(), 10) << "images 0 and 1 fit the fresh table";
  ASSERT_NE(MakeEmbedded(10, LOGO_PICTURE_RESOURCE), 0);
  EXPECT_EQ(ImageTableBound(), 20) << "image 10 grows the table to 20";
  EXPECT_TRUE(IsBitmap(ImageHandleOf(10)));
  EXPECT_EQ(ImageHandleOf(5), nullptr) << "image 5 was never made";
  EXPECT_EQ(CurrentImageHandle(), nullptr) << "an empty number leaves no current image";

  HANDLE titleHandle = ImageHandleOf(0);
  EXPECT_EQ(reinterpret_cast<intptr_t>(titleHandle), title);
  ASSERT_TRUE(IsBitmap(titleHandle));
  BITMAP description = DescriptionOf(titleHandle);
  EXPECT_EQ(description.bmWidth, 300);
  EXPECT_EQ(description.bmHeight, 300);
  EXPECT_EQ(description.bmBitsPixel, ScreenDepth());

  HANDLE logoHandle = ImageHandleOf(1);
  EXPECT_EQ(reinterpret_cast<intptr_t>(logoHandle), logo);
  EXPECT_EQ(CurrentImageWidth(), 100) << "ImageHandleOf makes the image current";
  EXPECT_EQ(CurrentImageHeight(), 64);
  description = DescriptionOf(logoHandle);
  EXPECT_EQ(description.bmWidth, 100);
  EXPECT_EQ(description.bmHeight, 64);

  // The title picture's pixels reach the bitmap right way up.
  const std::string file = SourceFile("assets/title.bmp");
  ASSERT_EQ(file.size(), 270054u);
  int compared = 0, equal = 0;
  for (int y = 0; y < 300; y += 13) {
    for (int x = 0; x < 300; x += 11) {
      // Stored bottom-up: the picture's top row is the file's last.
      const size_t at = 54 + (299 - y) * 900 + x * 3;
      const auto* p = reinterpret_cast<const uint8_t*>(file.data() + at);
      const COLORREF expected = RGB(p[2], p[1], p[0]);
      ++compared;
      if (PixelOf(titleHandle, x, y) == expected) ++equal;
    }
  }
  EXPECT_EQ(equal, compared);

  ASSERT_NE(MakeEmbedded(0, LOGO_PICTURE_RESOURCE), 0);
  EXPECT_FALSE(IsBitmap(titleHandle)) << "remaking image 0 deleted the first bitmap";
  EXPECT_TRUE(IsBitmap(ImageHandleOf(0)));
  EXPECT_EQ(DescriptionOf(ImageHandleOf(0)).bmWidth, 100);
}

TEST_F(ImagesTest, AutomaticNumbersAreIdentifiersAndReleaseAllImagesDestroysEveryImage) {
  const intptr_t id = MakeEmbedded(foundation::AUTOMATIC_NUMBER, LOGO_PICTURE_RESOURCE);
  ASSERT_NE(id, 0);
  EXPECT_GT(id, ImageTableBound());
  HANDLE bitmap = ImageHandleOf(id);
  EXPECT_TRUE(IsBitmap(bitmap));
  EXPECT_EQ(CurrentImageHeight(), 64);
  ReleaseImage(id);
  EXPECT_FALSE(IsBitmap(bitmap));
  EXPECT_EQ(ImageHandleOf(id), nullptr);
  ReleaseImage(foundation::AUTOMATIC_NUMBER);  // names nothing: nothing happens
  EXPECT_EQ(MakeEmbedded(-2, LOGO_PICTURE_RESOURCE), 0) << "numbers below -1 are refused";
  EXPECT_EQ(MakeBlankImage(-5, 8, 8), 0);
  EXPECT_EQ(ImageTableBound(), 10);

  ReleaseAllImages();  // with nothing made: nothing happens
  ASSERT_NE(MakeEmbedded(0, TITLE_PICTURE_RESOURCE), 0);
  ASSERT_NE(MakeEmbedded(1, LOGO_PICTURE_RESOURCE), 0);
  const intptr_t automatic = MakeBlankImage(foundation::AUTOMATIC_NUMBER, 8, 8);
  ASSERT_NE(automatic, 0);
  HANDLE title = ImageHandleOf(0), logo = ImageHandleOf(1), blank = ImageHandleOf(automatic);
  ASSERT_TRUE(IsBitmap(title) && IsBitmap(logo) && IsBitmap(blank));
  ReleaseAllImages();
  EXPECT_FALSE(IsBitmap(title));
  EXPECT_FALSE(IsBitmap(logo));
  EXPECT_FALSE(IsBitmap(blank));
  EXPECT_EQ(ImageHandleOf(0), nullptr);
  EXPECT_EQ(ImageHandleOf(1), nullptr);
  EXPECT_EQ(ImageHandleOf(automatic), nullptr);
}

TEST_F(ImagesTest, BlankImagesAreBlackBitmapsOfTheScreensDepth) {
  const intptr_t handle = MakeBlankImage(3, 40, 30);
  ASSERT_NE(handle, 0);
  EXPECT_EQ(reinterpret_cast<HANDLE>(handle), ImageHandleOf(3));
  EXPECT_EQ(CurrentImageWidth(), 40);
  EXPECT_EQ(CurrentImageHeight(), 30);
  EXPECT_EQ(CurrentImageDepth(), ScreenDepth());
  EXPECT_EQ(PixelOf(reinterpret_cast<HANDLE>(handle), 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(PixelOf(reinterpret_cast<HANDLE>(handle), 39, 29), RGB(0, 0, 0));
  EXPECT_EQ(MakeBlankImage(4, 0, 10), 0);
  EXPECT_EQ(MakeBlankImage(4, 40000, 10), 0) << "sizes are kept in 16 bits";
}

// Bottom-up and top-down BMPs of the same picture (red top row, green middle,
// blue bottom) give the same bitmap: a negative height is honoured.
TEST_F(ImagesTest, TopDownBmpsKeepTheirRowOrder) {
  const COLORREF RED = RGB(200, 0, 0), GREEN = RGB(0, 200, 0), BLUE = RGB(0, 0, 200);
  const struct {
    const char* label;
    std::string data;
  } cases[] = {
      {"bottom-up", Bmp24(5, 3, {BLUE, GREEN, RED})},
      {"top-down", Bmp24(5, -3, {RED, GREEN, BLUE})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    ASSERT_NE(Make(2, c.data), 0);
    EXPECT_EQ(CurrentImageWidth(), 5);
    EXPECT_EQ(CurrentImageHeight(), 3);
    HANDLE bitmap = ImageHandleOf(2);
    EXPECT_EQ(PixelOf(bitmap, 2, 0), RED);
    EXPECT_EQ(PixelOf(bitmap, 2, 1), GREEN);
    EXPECT_EQ(PixelOf(bitmap, 2, 2), BLUE);
  }
}

TEST_F(ImagesTest, OtherPixelFormatsGoThroughTheConversion) {
  // 8 bits with a two-colour table (colours used 2), rows padded to 4 bytes.
  std::string bmp = BmpFile(3, 2, 8, 2, 4 * 2);
  Put32(&bmp, 54, 0x00000000);  // index 0: black
  Put32(&bmp, 58, 0x00FFFF00);  // index 1: yellow (blue 0, green and red 255)
  bmp[62 + 4] = 1;              // top row (stored second): yellow at x = 0
  ASSERT_NE(Make(0, bmp), 0);
  EXPECT_EQ(PixelOf(ImageHandleOf(0), 0, 0), RGB(255, 255, 0));
  EXPECT_EQ(PixelOf(ImageHandleOf(0), 0, 1), RGB(0, 0, 0));
}

// Headers whose sizes or offsets cannot be right, and data that is no
// picture, are refused before anything changes, rather than read past.
TEST_F(ImagesTest, ImpossibleHeadersAndOtherDataAreRefusedAndKeepTheImage) {
  const std::string good = Bmp24(4, 4, {RGB(1, 2, 3), RGB(1, 2, 3), RGB(1, 2, 3), RGB(1, 2, 3)});
  ASSERT_NE(Make(0, good), 0);
  HANDLE kept = ImageHandleOf(0);
  ExpectRefused(good, kept, {
      {"one byte short", 0, 0, 1},
      {"header alone", 0, 0, good.size() - 54},
      {"pixel offset past the data", 10, 1000, 0},
      {"pixel offset into the header", 10, 40, 0},
      {"pixel offset near 4 GiB", 10, 0xFFFFFFF0u, 0},
      {"width 0", 18, 0, 0},
      {"negative width", 18, static_cast<uint32_t>(-4), 0},
      {"width beyond the data", 18, 5, 0},
      {"huge width", 18, 0x7FFFFFFF, 0},
      {"height 0", 22, 0, 0},
      {"height beyond the data", 22, 5, 0},
      {"top-down beyond the data", 22, static_cast<uint32_t>(-5), 0},
      {"core header", 14, 12, 0},
      {"two planes and 24 bits", 26, 2 | 24 << 16, 0},
      {"7 bits", 26, 1 | 7 << 16, 0},
      {"JPEG compression", 30, 4, 0},
      {"run-length with 24 bits", 30, 1, 0},
      {"header size past the pixels", 14, 60, 0},
  });
  const std::string gif = "GIF89a\x01\x00\x01\x00\x00\x00\x00;";
  EXPECT_EQ(Make(0, gif), 0) << "neither a BMP nor an icon";
  EXPECT_EQ(MakeImageFromMemory(0, gif.data()), 0) << "the form without a length";
  EXPECT_EQ(MakeImageFromMemory(0, nullptr), 0) << "no data";
  EXPECT_EQ(ImageHandleOf(0), kept);
  EXPECT_TRUE(IsBitmap(kept));
  // Without a length only the header's own sense is checked.
  std::string distant = good;
  Put32(&distant, 10, 0xFFFFFFF0u);
  EXPECT_EQ(MakeImageFromMemory(0, distant.data()), 0);
  EXPECT_NE(MakeImageFromMemory(0, good.data()), 0);
  EXPECT_FALSE(IsBitmap(kept)) << "the good picture replaced the old one";
}

TEST_F(ImagesTest, RunLengthDataNeedsItsSizeAndMustBeBottomUp) {
  // 8-bit RLE, 2 x 1: one run of two pixels of colour 1, end of bitmap.
  std::string rle = BmpFile(2, 1, 8, 2, 4);
  Put32(&rle, 30, BI_RLE8);
  Put32(&rle, 58, 0x00FFFFFF);
  rle[62] = 2;
  rle[63] = 1;
  rle[64] = 0;
  rle[65] = 1;
  ASSERT_NE(Make(0, rle), 0);
  EXPECT_EQ(PixelOf(ImageHandleOf(0), 1, 0), RGB(255, 255, 255));
  ExpectRefused(rle, ImageHandleOf(0), {
      {"no size", 34, 0, 0},
      {"runs reaching past the data", 34, 5, 0},
      {"top-down", 22, static_cast<uint32_t>(-1), 0},
  });
}

TEST_F(ImagesTest, AnIconFileBecomesAnIconAndImpossibleDirectoriesAreRefused) {
  const std::string icon = SourceFile("assets/velmora.ico");
  ASSERT_EQ(icon.size(), 766u);
  ExpectRefused(icon, nullptr, {
      {"one byte short", 0, 0, 1},
      {"directory alone", 0, 0, icon.size() - 22},
      {"image past the end", 18, 100, 0},
      {"image inside the directory", 18, 6, 0},
      {"size near 4 GiB", 14, 0xFFFFFF00u, 0},
      {"image too small for a header", 14, 20, 0},
      {"image width 0", 22 + 4, 0, 0},
  });
  std::string none = icon;
  Put16(&none, 4, 0);
  EXPECT_EQ(Make(0, none), 0) << "a directory of no images";

  ASSERT_NE(MakeEmbedded(0, TITLE_PICTURE_RESOURCE), 0);
  HANDLE picture = ImageHandleOf(0);
  const intptr_t made = Make(0, icon);
  ASSERT_NE(made, 0);
  EXPECT_FALSE(IsBitmap(picture)) << "the picture that the number held is gone";
  HANDLE handle = ImageHandleOf(0);
  EXPECT_EQ(reinterpret_cast<intptr_t>(handle), made);
  EXPECT_NE(GetObjectType(handle), static_cast<DWORD>(OBJ_BITMAP)) << "an icon, not a bitmap";
  EXPECT_EQ(CurrentImageWidth(), 32);
  EXPECT_EQ(CurrentImageHeight(), 32);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(static_cast<HICON>(handle), &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  ReleaseImage(0);
  EXPECT_FALSE(GetIconInfo(static_cast<HICON>(handle), &info)) << "the icon was destroyed";
}

}  // namespace
}  // namespace toolkit_test
