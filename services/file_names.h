#pragma once

namespace services {

// What a single name (one part of a path, in its wide form: see
// code_page.h) may hold, judged on its characters. The one rule for every
// caller that takes a name as one entry of a folder: Delete, which joins a
// character's name to game\, the question which other names lead to a
// folder (folder_aliases.h), and the walk of a folder being removed
// (directory_removal.h).
enum NameKind {
  NAME_OWN,      // names one entry of its own, by path or in an open folder
  NAME_TRIMMED,  // ends in a dot or a blank, which a path loses: by path it
                 // names another entry, only in an open folder its own
  NAME_DEVICE,   // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension:
                 // by path a device, only in an open folder an entry
  NAME_PATH,     // holds a separator or a drive's colon: a path, not a name
  NAME_NONE,     // empty, "." or "..", or holds a wildcard, a control
                 // character or another one no name may hold: no entry
};

NameKind KindOfName(const wchar_t* name);

}  // namespace services
