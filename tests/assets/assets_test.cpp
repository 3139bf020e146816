#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "assets/art.h"
#include "assets/resources.h"
#include "processes.h"
#include "test_paths.h"

namespace {

std::string AssetFile(const std::string& name) {
  return test_support::SourceFile("assets/" + name);
}

uint32_t U16(const std::string& bytes, size_t at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8;
}

uint32_t U32(const std::string& bytes, size_t at) {
  return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

// An icon file and an icon group resource begin alike: a directory of one
// 32 x 32 image of 16 colours (4 bits per pixel) and 744 bytes. The entry
// ends differently: the file gives the image's offset, the group its icon
// resource number.
void ExpectOneIconDirectory(const std::string& directory) {
  EXPECT_EQ(U16(directory, 2), 1u) << "type: icon";
  EXPECT_EQ(U16(directory, 4), 1u) << "one image";
  EXPECT_EQ(static_cast<uint8_t>(directory[6]), 32) << "width";
  EXPECT_EQ(static_cast<uint8_t>(directory[7]), 32) << "height";
  EXPECT_EQ(static_cast<uint8_t>(directory[8]), 16) << "colours";
  EXPECT_EQ(U16(directory, 12), 4u) << "bits per pixel";
  EXPECT_EQ(U32(directory, 14), 744u) << "image size";
}

struct Rgb {
  int r, g, b;
};

// Pixel (x, y) of a 24-bit bottom-up BMP file, y counted from the top.
Rgb PixelOf(const std::string& bmp, int width, int height, int x, int y) {
  const size_t row = (width * 3 + 3) & ~3;
  const size_t at = 54 + (height - 1 - y) * row + x * 3;
  return {static_cast<uint8_t>(bmp[at + 2]), static_cast<uint8_t>(bmp[at + 1]),
          static_cast<uint8_t>(bmp[at])};
}

struct BmpLayout {
  const char* file;
  int width, height;
  uint32_t fileSize, imageSize;
};

const BmpLayout PICTURES[] = {
    {"title.bmp", 300, 300, 270054, 270000},
    {"logo.bmp", 100, 64, 19254, 19200},
};

void PrintTo(const BmpLayout& layout, std::ostream* out) { *out << layout.file; }

class PictureFileTest : public ::testing::TestWithParam<BmpLayout> {};

INSTANTIATE_TEST_SUITE_P(Pictures, PictureFileTest, ::testing::ValuesIn(PICTURES),
                         [](const auto& info) {
                           return std::string(info.param.file).substr(0, 4);
                         });

TEST_P(PictureFileTest, HasExactlyTheLayoutOfA24BitBottomUpBmp) {
  const BmpLayout& layout = GetParam();
  const std::string bmp = AssetFile(layout.file);
  ASSERT_EQ(bmp.size(), layout.fileSize);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(U32(bmp, 2), layout.fileSize) << "file size";
  EXPECT_EQ(U32(bmp, 6), 0u) << "reserved words";
  EXPECT_EQ(U32(bmp, 10), 54u) << "pixel data offset";
  EXPECT_EQ(U32(bmp, 14), 40u) << "info header size";
  EXPECT_EQ(static_cast<int32_t>(U32(bmp, 18)), layout.width);
  EXPECT_EQ(static_cast<int32_t>(U32(bmp, 22)), layout.height) << "positive: bottom-up rows";
  EXPECT_EQ(U16(bmp, 26), 1u) << "planes";
  EXPECT_EQ(U16(bmp, 28), 24u) << "bits per pixel";
  EXPECT_EQ(U32(bmp, 30), 0u) << "BI_RGB";
  EXPECT_EQ(U32(bmp, 34), layout.imageSize) << "image size";
  EXPECT_EQ(U32(bmp, 38), 5905u) << "pixels per metre across";
  EXPECT_EQ(U32(bmp, 42), 5905u) << "pixels per metre down";
  EXPECT_EQ(U32(bmp, 46), 0u) << "colours used: no colour table";
  EXPECT_EQ(U32(bmp, 50), 0u) << "important colours";
  EXPECT_EQ(layout.imageSize, static_cast<uint32_t>(layout.width * 3 * layout.height))
      << "rows of width x 3 bytes need no padding";
}

TEST(PictureContentTest, TheLogoHasOnlyGreyPixelsLightLetteringOnBlack) {
  const std::string logo = AssetFile("logo.bmp");
  ASSERT_EQ(logo.size(), 19254u);
  int notGrey = 0, black = 0, light = 0;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 100; ++x) {
      const Rgb p = PixelOf(logo, 100, 64, x, y);
      if (p.r != p.g || p.g != p.b) ++notGrey;
      if (p.r < 8) ++black;
      if (p.r >= 180) ++light;
    }
  }
  EXPECT_EQ(notGrey, 0);
  EXPECT_GT(black, 100 * 64 / 2) << "mostly black";
  EXPECT_GT(light, 150) << "light grey lettering";
  EXPECT_EQ(PixelOf(logo, 100, 64, 0, 0).r, 0) << "a black corner";
}

TEST(PictureContentTest, TheTitlePictureIsADarkOliveScene) {
  const std::string title = AssetFile("title.bmp");
  ASSERT_EQ(title.size(), 270054u);
  int dark = 0;
  double sum[3] = {};
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 300; ++x) {
      const Rgb p = PixelOf(title, 300, 300, x, y);
      if (p.r <= 63 && p.g <= 63 && p.b <= 63) ++dark;
      sum[0] += p.r;
      sum[1] += p.g;
      sum[2] += p.b;
    }
  }
  const double count = 300.0 * 300.0;
  EXPECT_NEAR(dark / count, 0.70, 0.03) << "share of pixels with no channel above 63";
  EXPECT_NEAR(sum[0] / count, 51, 3) << "mean red";
  EXPECT_NEAR(sum[1] / count, 50, 3) << "mean green";
  EXPECT_NEAR(sum[2] / count, 18, 3) << "mean blue";
}

TEST(IconFileTest, HasOneSixteenColourImageOf32By32) {
  const std::string icon = AssetFile("velmora.ico");
  ASSERT_EQ(icon.size(), 6u + 16u + 744u);
  EXPECT_EQ(U16(icon, 0), 0u) << "reserved";
  ExpectOneIconDirectory(icon);
  EXPECT_EQ(U16(icon, 10), 1u) << "planes";
  EXPECT_EQ(U32(icon, 18), 22u) << "image offset";

  const std::string image = icon.substr(22);
  EXPECT_EQ(U32(image, 0), 40u) << "header size";
  EXPECT_EQ(U32(image, 4), 32u) << "width";
  EXPECT_EQ(U32(image, 8), 64u) << "height: colour bits and mask";
  EXPECT_EQ(U16(image, 12), 1u) << "planes";
  EXPECT_EQ(U16(image, 14), 4u) << "bits per pixel";
  EXPECT_EQ(U32(image, 16), 0u) << "BI_RGB";

  // The standard 16-colour Windows palette, as blue, green, red, 0.
  constexpr uint32_t PALETTE[16] = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
  };
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(U32(image, 40 + i * 4), PALETTE[i]) << "colour " << i << " (0xRRGGBB)";
  }
  const std::string bits = image.substr(40 + 64, 512);
  const std::string mask = image.substr(40 + 64 + 512);
  EXPECT_EQ(mask, std::string(128, '\0')) << "every pixel opaque";

  // The picture: a dark grey frame, black inside, white and grey on the left
  // and right of the wedge, dark red strokes.
  auto index = [&](int x, int y) {
    const uint8_t byte = static_cast<uint8_t>(bits[(31 - y) * 16 + x / 2]);
    return x % 2 ? byte & 0x0F : byte >> 4;
  };
  int counts[16] = {};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      ++counts[index(x, y)];
      if (x == 0 || y == 0 || x == 31 || y == 31) {
        EXPECT_EQ(index(x, y), 8) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(counts[8], 124) << "only the frame is dark grey";
  EXPECT_EQ(index(2, 2), 0) << "black inside the frame";
  EXPECT_GT(counts[15], 40) << "white";
  EXPECT_GT(counts[7], 40) << "light grey";
  EXPECT_GT(counts[1], 20) << "dark red";
  EXPECT_EQ(counts[0] + counts[1] + counts[7] + counts[8] + counts[15], 1024) << "no other colour";
}

// The assets are the generator's output byte for byte, so they can be made
// again from assets/art.cpp (scripts/make-assets).
TEST(GeneratorTest, DrawsTheCommittedFilesExactly) {
  EXPECT_TRUE(AssetFile("title.bmp") == art::TitlePicture()) << "assets/title.bmp";
  EXPECT_TRUE(AssetFile("logo.bmp") == art::LogoPicture()) << "assets/logo.bmp";
  EXPECT_TRUE(AssetFile("velmora.ico") == art::WindowIcon()) << "assets/velmora.ico";
}

// Both delivered programs (of this build) carry the assets as resources,
// language neutral, byte for byte.
class EmbeddedAssetsTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    module = LoadLibraryExA(test_support::BuildPath(GetParam()).c_str(), nullptr,
                            LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << GetParam();
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
  }
  std::string Resource(LPCSTR type, int name) {
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(name),
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (!found) return "";
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    return std::string(data, SizeofResource(module, found));
  }
  HMODULE module = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Programs, EmbeddedAssetsTest,
                         ::testing::Values("starter-de.exe", "starter-en.exe"),
                         [](const auto& info) { return std::string(info.param).substr(8, 2); });

TEST_P(EmbeddedAssetsTest, ThePicturesAndTheIconAreEmbeddedAsTheyAre) {
  EXPECT_TRUE(Resource(RT_RCDATA, TITLE_PICTURE_RESOURCE) == AssetFile("title.bmp"));
  EXPECT_TRUE(Resource(RT_RCDATA, LOGO_PICTURE_RESOURCE) == AssetFile("logo.bmp"));
  const std::string group = Resource(RT_GROUP_ICON, WINDOW_ICON_RESOURCE);
  ASSERT_EQ(group.size(), 20u);
  ExpectOneIconDirectory(group);
  EXPECT_EQ(U16(group, 18), 1u) << "its icon resource number";
  const std::string icon = Resource(RT_ICON, 1);
  EXPECT_TRUE(icon == AssetFile("velmora.ico").substr(22)) << "icon resource 1";

  // Loaded as Windows loads a class icon, it is 32 x 32.
  HICON loaded = static_cast<HICON>(
      LoadImageA(module, MAKEINTRESOURCEA(WINDOW_ICON_RESOURCE), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  ASSERT_NE(loaded, nullptr);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(loaded, &info));
  BITMAP colour = {};
  GetObjectA(info.hbmColor, sizeof(colour), &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(loaded);
}

}  // namespace
