#pragma once
#include <string>

#include "scratch_directory.h"

namespace test_support {

// A temporary installation of the game: game\game.exe is the recording
// program, anleitung\anleitung.html a small page. The launcher is started
// with this directory as its current directory.
class InstallationDirectory : public ScratchDirectory {
 public:
  explicit InstallationDirectory(const char* purpose = "installation");

  std::string GameProgram() const { return PathOf("game\\game.exe"); }
  std::string GameDirectory() const { return PathOf("game"); }
  std::string Manual() const { return PathOf("anleitung\\anleitung.html"); }
  std::string ManualDirectory() const { return PathOf("anleitung"); }
  // The character's folder game\<name> with a saved game, save.dat, in it.
  void MakeSavedGame(const std::wstring& name) const;
};

}  // namespace test_support
