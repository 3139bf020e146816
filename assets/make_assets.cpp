// Writes the program's artwork (assets/art.cpp) as files:
//   make_assets DIRECTORY
// gives DIRECTORY/title.bmp, DIRECTORY/logo.bmp and DIRECTORY/velmora.ico.
// scripts/make-assets runs it to refresh the committed files in assets/.
#include <cstdio>
#include <string>

#include "assets/art.h"

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string directory = argc > 1 ? argv[1] : "assets";
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"title.bmp", art::TitlePicture()},
      {"logo.bmp", art::LogoPicture()},
      {"velmora.ico", art::WindowIcon()},
  };
  for (const auto& file : files) {
    const std::string path = directory + "/" + file.name;
    if (!WriteFile(path, file.bytes)) {
      std::fprintf(stderr, "make_assets: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("make_assets: %s (%zu bytes)\n", path.c_str(), file.bytes.size());
  }
  return 0;
}
