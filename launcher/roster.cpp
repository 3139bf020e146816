#include "launcher/roster.h"

#include <windows.h>

#include <cstring>

#include "foundation/lists.h"
#include "foundation/strings.h"
#include "launcher/build_profile.h"
#include "launcher/main_program.h"
#include "launcher/main_window.h"
#include "services/files.h"
#include "toolkit/controls.h"
#include "toolkit/requesters.h"

namespace launcher {
namespace {

using foundation::String;

constexpr char SETTINGS_FILE[] = "velmora.cfg";
constexpr foundation::ObjectNumber SETTINGS_FILE_NUMBER = 0;
// Temporary files of the save are made in the current directory, beside the
// settings file, so that putting one in its place is a rename.
constexpr char SAVE_DIRECTORY[] = ".";
constexpr char SAVE_PREFIX[] = "vlm";

struct Character {
  String name;
};

constexpr foundation::StringLayout CHARACTER_STRINGS[] = {offsetof(Character, name),
                                                         foundation::STRING_LAYOUT_END};

bool canBeSaved;

Character* CurrentCharacter() {
  return static_cast<Character*>(foundation::ElementData(program.roster.current));
}

// The save replaces the settings file with a new one made beside it. A file
// marked read-only must not be replaced, and a directory in which no file can
// be made cannot take the new one, even when the settings file itself could
// be written.
bool CanReplaceSettingsFile() {
  const DWORD attributes = GetFileAttributesA(SETTINGS_FILE);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  char probe[MAX_PATH];
  if (!GetTempFileNameA(SAVE_DIRECTORY, SAVE_PREFIX, 0, probe)) return false;
  DeleteFileA(probe);
  return true;
}

bool OpenSettingsFile() {
  if (services::FileOpenUpdate(SETTINGS_FILE_NUMBER, SETTINGS_FILE)) {
    canBeSaved = CanReplaceSettingsFile();
    return true;
  }
  canBeSaved = false;
  return services::FileOpenReadShared(SETTINGS_FILE_NUMBER, SETTINGS_FILE) != 0;
}

void ReadCharacters() {
  program.savedSelection = services::FileReadByte();
  while (!services::FileAtEnd(SETTINGS_FILE_NUMBER)) {
    char* mark = foundation::ScratchMark();
    services::FileReadLine();
    AppendCharacterFromScratch(mark);
  }
}

// Writes the whole roster to the current file; false when a write fell short.
bool WriteSettings() {
  bool complete = services::FileWriteByte(program.startSelection) == 1;
  if (foundation::ListFirst(&program.roster)) {
    do {
      const char* name = CurrentCharacterName();
      complete &= services::FileWriteLine(name) == static_cast<int32_t>(strlen(name) + 2);
    } while (foundation::ListNext(&program.roster));
  }
  return complete && services::FileFlush();
}

}  // namespace

void LoadRoster() {
  foundation::ListCreate(&program.roster, sizeof(Character), CHARACTER_STRINGS);
  if (!OpenSettingsFile()) return;
  ReadCharacters();
  if (!canBeSaved) services::FileClose(SETTINGS_FILE_NUMBER);
}

bool RosterCanBeSaved() { return canBeSaved; }

void WarnWhenRosterCannotBeSaved() {
  if (canBeSaved) return;
  toolkit::ShowMessageBox(buildProfile.noSelectionTitle, buildProfile.cannotSaveText, MB_OK);
}

void RefillCharacterList() {
  const toolkit::ItemSource names = {
      [](void*) { return foundation::ListFirst(&program.roster) ? CurrentCharacterName() : nullptr; },
      [](void*) { return foundation::ListNext(&program.roster) ? CurrentCharacterName() : nullptr; },
      nullptr,
  };
  toolkit::RefillControlItems(CONTROL_CHARACTERS, names);
}

void ShowAppendedCharacter() {
  toolkit::InsertControlItem(CONTROL_CHARACTERS, -1, CurrentCharacterName());
  toolkit::WriteControlState(CONTROL_CHARACTERS, -1);
}

void SelectRosterEntry(int32_t index) {
  foundation::ListFirst(&program.roster);
  for (int32_t step = 0; step < index; ++step) foundation::ListNext(&program.roster);
}

bool AppendCharacterFromScratch(char* mark) {
  if (!foundation::ListAddAfterCurrent(&program.roster)) {
    foundation::RewindScratch(mark);
    return false;
  }
  foundation::AssignFromScratch(&CurrentCharacter()->name, mark);
  return true;
}

void RemoveCurrentCharacter(int32_t index) {
  foundation::ListRemoveCurrent(&program.roster);
  toolkit::RemoveControlItem(CONTROL_CHARACTERS, index);
  toolkit::WriteControlState(CONTROL_CHARACTERS, -1);
  foundation::ListLast(&program.roster);
}

const char* CurrentCharacterName() {
  Character* character = CurrentCharacter();
  return character && character->name ? character->name : "";
}

void SaveRoster() {
  if (!canBeSaved) return;
  services::FileClose(SETTINGS_FILE_NUMBER);
  char saving[MAX_PATH];
  if (!GetTempFileNameA(SAVE_DIRECTORY, SAVE_PREFIX, 0, saving)) return;
  bool complete = services::FileOpenCreate(SETTINGS_FILE_NUMBER, saving) && WriteSettings();
  services::FileClose(SETTINGS_FILE_NUMBER);
  if (!complete ||
      !MoveFileExA(saving, SETTINGS_FILE, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileA(saving);
  }
}

}  // namespace launcher
