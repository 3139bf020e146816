#pragma once
#include <cstdint>

namespace launcher {

// The player's characters, kept here in the order of the settings file,
// mirrored item for item by the combo box, and carried from one run to the
// next by "velmora.cfg" in the installation folder: one byte with the
// selection (0xFF for none), then one line per name ending in CR LF.

// Reads the settings file. It stays open (others may only read it) until
// the save, and the file's lock (services/file_lock.h) is held until the save
// is done, so that a second launcher cannot overwrite it meanwhile, not even
// while the save closes and replaces it. When the lock is held elsewhere or
// cannot be made, or the file cannot be opened for update, what can be read
// is read and the roster is not saved at the end.
void LoadRoster();
// Tells the player, once the window shows the characters, when changes to
// them cannot be saved.
void WarnWhenRosterCannotBeSaved();
// Refills the combo box from the roster; afterwards nothing is selected and
// the last character is the current element. New and Delete change the
// combo box by the one item that changed and leave it and the roster the
// same way.
void RefillCharacterList();
// Shows the character just appended (the current one, the last) as the
// combo box's last item.
void ShowAppendedCharacter();
// Makes the character at the index current; an index past the end gives the
// last character, one of 0 or below the first.
void SelectRosterEntry(int32_t index);
// Appends a character named by the text from the mark up to the scratch
// position (a string result), after the current one, which after a refill is
// the last; rewinds the scratch to the mark. False when there was no room
// for another character.
bool AppendCharacterFromScratch(char* mark);
// Removes the current character, shown at `index` in the combo box, from the
// roster and the combo box; its name goes with it.
void RemoveCurrentCharacter(int32_t index);
// The name of the current character ("" when there is none).
const char* CurrentCharacterName();
// The selection the settings file held at the load.
int32_t SavedSelection();
// True when `test` gives true for the name of a character other than the
// current one; the current one stays current.
using NameTest = bool (*)(const char* name, void* context);
bool AnyOtherCharacter(NameTest test, void* context);
// Writes the roster and the selection Start last read (none for a position
// beyond 127, which the byte cannot carry) to the settings file, once. The new
// content is written to a new file beside it, made under a name nothing had,
// and then that very file is put in its place in one step, so the old file
// stays whole until the new one is complete. A replace that a reader holds
// off is tried again for about a second; a save that still fails is told to
// the player, who may retry it or give it up. After a successful save,
// temporary files that launchers ended during their save left are removed.
void SaveRoster(int32_t startSelection);
// The same save when no one is there to answer (the Windows session ends):
// a save that fails leaves the old file whole, and nothing is asked.
void SaveRosterUnattended(int32_t startSelection);

}  // namespace launcher
