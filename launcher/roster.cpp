#include "launcher/roster.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "foundation/lists.h"
#include "foundation/owned_handles.h"
#include "foundation/strings.h"
#include "launcher/build_profile.h"
#include "launcher/installation.h"
#include "launcher/main_window.h"
#include "services/directory_removal.h"
#include "services/file_lock.h"
#include "services/files.h"
#include "toolkit/controls.h"
#include "toolkit/requesters.h"

namespace launcher {
namespace {

using foundation::String;

constexpr char SETTINGS_FILE[] = "velmora.cfg";
constexpr foundation::ObjectNumber SETTINGS_FILE_NUMBER = 0;
// The new content is written to a file beside the settings file, so that
// putting it in place is a rename: "vlm", eight hexadecimal digits and
// ".tmp", the digits the launcher's process id or, when a name of that shape
// is taken, another number. Only the launcher that holds the settings file
// saves, so any such file that is left when a save has succeeded was left by
// a launcher that ended during its save.
constexpr char SAVE_FILE_PREFIX[] = "vlm";
constexpr char SAVE_FILE_EXTENSION[] = ".tmp";
// A name of the shape, whose digits each attempt writes anew.
constexpr char SAVE_FILE_SHAPE[] = "vlm00000000.tmp";
constexpr wchar_t SAVE_FILE_PATTERN[] = L"vlm*.tmp";
constexpr size_t SAVE_FILE_DIGITS = 8;
constexpr int SAVE_NAME_ATTEMPTS = 16;
// A reader of the settings file can hold off its replacement for a moment.
constexpr int REPLACE_ATTEMPTS = 5;
constexpr DWORD REPLACE_PAUSE_MS = 250;
// The saved selection is one byte read back as -128..127; a position the byte
// cannot carry is stored as none rather than as another character.
constexpr int32_t LARGEST_STORED_SELECTION = 127;
constexpr int32_t NO_SELECTION = -1;

struct Character {
  String name;
};

constexpr foundation::StringLayout CHARACTER_STRINGS[] = {offsetof(Character, name),
                                                         foundation::STRING_LAYOUT_END};

// The roster and its settings file for this run; LoadRoster starts it anew.
struct RosterState {
  foundation::List characters;
  // The selection read from the settings file.
  int32_t savedSelection;
  bool canBeSaved;
  // Held from the load until the save is done, so that a second launcher
  // that starts meanwhile, even while the settings file is closed and
  // replaced, cannot update it.
  HANDLE lock;
  // The settings file and the save file in the installation folder, by full
  // literal paths (main heap), so that the list is read, saved and locked in
  // the one folder, wherever the current directory goes meanwhile; the save
  // file's name ends its path.
  wchar_t* settingsPath;
  wchar_t* savePath;
  wchar_t* saveName;
};

RosterState roster;

const char* NameOf(foundation::ListElement* element) {
  const auto* character = static_cast<const Character*>(foundation::ElementData(element));
  return character && character->name ? character->name : "";
}

Character* CurrentCharacter() {
  return static_cast<Character*>(foundation::ElementData(roster.characters.current));
}

// Writes the save file's digits for the attempt into its path: the process
// id first, then numbers that a process id does not predict.
void WriteSaveFileDigits(int attempt) {
  DWORD number = GetCurrentProcessId();
  if (attempt > 0) number ^= (GetTickCount() + static_cast<DWORD>(attempt)) * 2654435761u;
  wchar_t* digits = roster.saveName + strlen(SAVE_FILE_PREFIX);
  for (size_t digit = SAVE_FILE_DIGITS; digit-- > 0;) {
    *digits++ = L"0123456789ABCDEF"[(number >> (4 * digit)) & 15];
  }
}

// Makes a new file under a save file's name that nothing has yet: whatever
// has a name already (a file another launcher left, a link planted there) is
// never opened, emptied, followed or deleted. False when no name would do.
bool MakeUnderFreeSaveName(bool (*make)(const wchar_t* path)) {
  for (int attempt = 0; attempt < SAVE_NAME_ATTEMPTS; ++attempt) {
    WriteSaveFileDigits(attempt);
    if (make(roster.savePath)) return true;
  }
  return false;
}

bool IsHexDigit(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}

// True for a name of SaveFileName's shape, whichever process made it; the
// search for SAVE_FILE_PATTERN gives only names of the shape "vlm*.tmp".
bool IsSaveFileName(const wchar_t* name) {
  const size_t prefix = strlen(SAVE_FILE_PREFIX);
  if (wcslen(name) != prefix + SAVE_FILE_DIGITS + strlen(SAVE_FILE_EXTENSION)) return false;
  for (size_t i = prefix; i < prefix + SAVE_FILE_DIGITS; ++i) {
    if (!IsHexDigit(name[i])) return false;
  }
  return true;
}

// The save replaces the settings file with a new one made beside it. A file
// marked read-only must not be replaced, and a directory in which no file can
// be made cannot take the new one, even when the settings file itself could
// be written.
bool CanReplaceSettingsFile() {
  const DWORD attributes = GetFileAttributesW(roster.settingsPath);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    return false;
  }
  return MakeUnderFreeSaveName([](const wchar_t* path) {
    return static_cast<bool>(foundation::OwnedHandle(CreateFileW(
        path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr)));
  });
}

// Without the lock, taken here or not to be had, the file is only read.
// Without the installation folder there is no file.
bool OpenSettingsFile() {
  roster.settingsPath = InstallationFileInHeap(SETTINGS_FILE);
  roster.savePath = InstallationFileInHeap(SAVE_FILE_SHAPE);
  if (!roster.settingsPath || !roster.savePath) return false;
  roster.saveName = roster.savePath + wcslen(roster.savePath) - strlen(SAVE_FILE_SHAPE);
  roster.lock = services::TakeFileLock(roster.settingsPath);
  if (roster.lock && services::FileOpenUpdate(SETTINGS_FILE_NUMBER, roster.settingsPath)) {
    roster.canBeSaved = CanReplaceSettingsFile();
    return true;
  }
  roster.canBeSaved = false;
  return services::FileOpenReadShared(SETTINGS_FILE_NUMBER, roster.settingsPath) != 0;
}

void ReadCharacters() {
  roster.savedSelection = services::FileReadByte();
  while (!services::FileAtEnd(SETTINGS_FILE_NUMBER)) {
    char* mark = foundation::ScratchMark();
    services::FileReadLine();
    AppendCharacterFromScratch(mark);
  }
}

// Writes the whole roster and the selection to the current file; false when
// a write fell short.
bool WriteSettings(int32_t selection) {
  const bool storable = selection >= 0 && selection <= LARGEST_STORED_SELECTION;
  bool complete = services::FileWriteByte(storable ? selection : NO_SELECTION) == 1;
  if (foundation::ListFirst(&roster.characters)) {
    do {
      const char* name = CurrentCharacterName();
      complete &= services::FileWriteLine(name) == static_cast<int32_t>(strlen(name) + 2);
    } while (foundation::ListNext(&roster.characters));
  }
  return complete && services::FileFlush();
}

// Puts the save file, the current file, in the settings file's place.
bool ReplaceSettingsFile() {
  for (int attempt = 1;; ++attempt) {
    if (services::FileMoveTo(roster.settingsPath)) return true;
    if (attempt == REPLACE_ATTEMPTS) return false;
    Sleep(REPLACE_PAUSE_MS);
  }
}

// One whole save: the new content in a new file beside the settings file,
// then that very file in its place; a save file that is not put in place is
// deleted.
bool TrySave(int32_t selection) {
  services::FileClose(SETTINGS_FILE_NUMBER);
  if (!MakeUnderFreeSaveName([](const wchar_t* path) {
        return services::FileOpenNew(SETTINGS_FILE_NUMBER, path) != 0;
      })) {
    return false;
  }
  if (WriteSettings(selection) && ReplaceSettingsFile()) {
    services::FileClose(SETTINGS_FILE_NUMBER);
    return true;
  }
  services::FileCloseAndDelete(SETTINGS_FILE_NUMBER);
  return false;
}

// Saves with the selection; after a failure the player may try again while
// `askAfterFailure`.
void Save(int32_t selection, bool askAfterFailure) {
  if (!roster.canBeSaved) return;
  // Nothing is lost without a word: the player may try again, for instance
  // once another program has let go of the file, or give the changes up.
  for (;;) {
    if (TrySave(selection)) {
      // Files that launchers which ended during their save left.
      services::DeleteFilesInFolder(InstallationFolderLiteral(), SAVE_FILE_PATTERN, IsSaveFileName);
      break;
    }
    if (!askAfterFailure || toolkit::ShowMessageBox(buildProfile.errorTitle,
                                                    buildProfile.saveFailedText,
                                                    MB_RETRYCANCEL) != IDRETRY) {
      break;
    }
  }
  roster.canBeSaved = false;
  services::ReleaseFileLock(roster.lock);
  roster.lock = nullptr;
}

}  // namespace

void LoadRoster() {
  roster = {};
  foundation::ListCreate(&roster.characters, sizeof(Character), CHARACTER_STRINGS);
  if (!OpenSettingsFile()) return;
  ReadCharacters();
  if (roster.canBeSaved) return;
  services::FileClose(SETTINGS_FILE_NUMBER);
  services::ReleaseFileLock(roster.lock);
  roster.lock = nullptr;
}

void WarnWhenRosterCannotBeSaved() {
  if (roster.canBeSaved) return;
  toolkit::ShowMessageBox(buildProfile.errorTitle, buildProfile.cannotSaveText, MB_OK);
}

void RefillCharacterList() {
  const toolkit::ItemSource names = {
      [](void* characters) {
        auto* list = static_cast<foundation::List*>(characters);
        return foundation::ListFirst(list) ? NameOf(list->current) : nullptr;
      },
      [](void* characters) {
        auto* list = static_cast<foundation::List*>(characters);
        return foundation::ListNext(list) ? NameOf(list->current) : nullptr;
      },
      &roster.characters,
  };
  toolkit::RefillControlItems(CONTROL_CHARACTERS, names);
}

void ShowAppendedCharacter() {
  toolkit::InsertControlItem(CONTROL_CHARACTERS, -1, CurrentCharacterName());
  toolkit::WriteControlState(CONTROL_CHARACTERS, -1);
}

void SelectRosterEntry(int32_t index) {
  foundation::ListFirst(&roster.characters);
  for (int32_t step = 0; step < index; ++step) foundation::ListNext(&roster.characters);
}

bool AppendCharacterFromScratch(char* mark) {
  if (!foundation::ListAddAfterCurrent(&roster.characters)) {
    foundation::RewindScratch(mark);
    return false;
  }
  foundation::AssignFromScratch(&CurrentCharacter()->name, mark);
  return true;
}

void RemoveCurrentCharacter(int32_t index) {
  foundation::ListRemoveCurrent(&roster.characters);
  toolkit::RemoveControlItem(CONTROL_CHARACTERS, index);
  toolkit::WriteControlState(CONTROL_CHARACTERS, -1);
  foundation::ListLast(&roster.characters);
}

const char* CurrentCharacterName() { return NameOf(roster.characters.current); }

int32_t SavedSelection() { return roster.savedSelection; }

bool AnyOtherCharacter(NameTest test, void* context) {
  for (foundation::ListElement* element = roster.characters.header->first; element;
       element = element->next) {
    if (element != roster.characters.current && test(NameOf(element), context)) return true;
  }
  return false;
}

void SaveRoster(int32_t startSelection) { Save(startSelection, true); }

void SaveRosterUnattended(int32_t startSelection) { Save(startSelection, false); }

}  // namespace launcher
