#pragma once
#include <string>

// The program's artwork, drawn in code. Each function returns the complete
// bytes of one asset file; assets/make_assets.cpp writes them into assets/,
// and the assets test checks that the committed files are exactly these.
//
// Only +, -, *, / and comparisons on doubles are used (no library maths), so
// every compiler for x86-64 gives the same bytes.
namespace art {

// The maker's name, drawn as the logo.
inline constexpr char MAKER_NAME[] = "MIREHOLT";

// 300 x 300, 24 bits, bottom-up: a dark olive and brown marsh at dusk with a
// castle under a hazy moon, the title "VELMORA" and the maker's logo.
std::string TitlePicture();
// 100 x 64, 24 bits, bottom-up: the maker's name in softly glowing light grey
// on black; every pixel is grey.
std::string LogoPicture();
// An icon file with one 32 x 32 image in 16 colours: a white and grey wedge
// with dark red strokes on black inside a dark grey frame.
std::string WindowIcon();

}  // namespace art
