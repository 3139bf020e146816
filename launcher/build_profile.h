#pragma once

namespace launcher {

// The texts and layout constants that differ between the German and the
// English program. Each program links exactly one profile; texts are
// Windows-1252 bytes.
struct BuildProfile {
  const char* windowTitle;
  const char* startText;
  const char* buyText;
  const char* manualText;
  const char* websiteText;
  const char* quitText;
  const char* newCharacterText;
  const char* deleteCharacterText;
  const char* frameCaption;
  // The title of the error boxes: no character selected, the character list
  // cannot be saved.
  const char* errorTitle;
  const char* noSelectionText;
  const char* newCharacterTitle;
  const char* newCharacterPrompt;
  const char* deleteTitle;
  const char* deleteQuestion;
  // Shown once at start when the settings file cannot be replaced (another
  // launcher holds it, it or its folder is write-protected).
  const char* cannotSaveText;
  // Shown with Retry and Cancel when the save at the end failed.
  const char* saveFailedText;
  // Passed to the game in front of "-dir <name> -pl <name>"; ends in a blank.
  const char* gameArgumentPrefix;
  int innerWidth;
  int innerHeight;
  int buttonColumnX;     // controls 1, 2, 3, 4, 5, 9 and 10
  int characterButtonX;  // controls 6 and 7
  int comboBoxX;         // control 8
  int titlePictureX;
  int titlePictureY;
};

extern const BuildProfile buildProfile;

// Shared by both builds: the maker's home page and its shop page.
constexpr char WEBSITE_ADDRESS[] = "https://www.velmora.example";
constexpr char SHOP_ADDRESS[] = "https://www.velmora.example/vlm.php";
// The first parameter that starts the launcher in shop mode.
constexpr char SHOP_MODE_PARAMETER[] = "-BUY";
// Paths under the base directory, which is used as the system gives it.
constexpr char GAME_PROGRAM_PATH[] = "\\game\\game.exe";
constexpr char GAME_DIRECTORY_PATH[] = "\\game";
constexpr char MANUAL_PATH[] = "\\anleitung\\anleitung.html";
// Followed by the character's name: the game's folder for that character.
constexpr char CHARACTER_DIRECTORY_PREFIX[] = "\\game\\";
// Appended to the game arguments around the character's name.
constexpr char CHARACTER_DIRECTORY_SWITCH[] = "-dir ";
constexpr char CHARACTER_PLAYER_SWITCH[] = " -pl ";

}  // namespace launcher
