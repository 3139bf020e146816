#pragma once

namespace launcher {

// New: asks for a name and appends a character with it, whatever was typed
// (Escape gives an empty name, a name may repeat), but for line breaks and
// other control characters except Tab, which are left out.
void NewCharacter();
// Delete: after a Yes, removes the selected character from the roster and
// the plain files of its own directory under game, and that directory when
// it is left empty.
void DeleteCharacter();

}  // namespace launcher
