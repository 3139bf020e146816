#include "launcher/character_actions.h"

#include <windows.h>

#include <cwchar>

#include "foundation/heaps.h"
#include "foundation/strings.h"
#include "launcher/build_profile.h"
#include "launcher/main_window.h"
#include "launcher/outside_actions.h"
#include "launcher/roster.h"
#include "services/code_page.h"
#include "services/directory_removal.h"
#include "services/file_names.h"
#include "services/folder_aliases.h"
#include "toolkit/controls.h"
#include "toolkit/requesters.h"

namespace launcher {
namespace {

// True when the folder at the path is the current character's own and no
// one else's. Windows finds game\<name> without regard to case and by a
// folder's short alias, so the name may open a folder named otherwise: the
// folder's name on disk must be the character's (a case slip still finds
// its own folder, an alias does not), and no other character's name may
// lead to it (a duplicate, another case, its alias, a link to it).
bool IsOnlyCurrentCharactersFolder(const wchar_t* path) {
  const foundation::MainHeapBlock<services::FolderAliases> folder;
  return folder && services::FindFolderAliases(path, folder.get()) &&
         !AnyOtherCharacter(
             [](const char* name, void* context) {
               return services::LeadsToFolder(*static_cast<services::FolderAliases*>(context),
                                              name);
             },
             folder.get());
}

// The folder is game\<name> in the folder the launcher was started in. Only
// a name that is one entry of its own there, by path, is followed; where the
// name cannot be read or the path cannot be made, nothing is removed.
void RemoveCharacterDirectory(const char* name) {
  const wchar_t* folders = Paths().characterFolders;
  wchar_t* path = folders ? services::JoinedPathInHeap(folders, name) : nullptr;
  if (path && services::KindOfName(path + wcslen(folders)) == services::NAME_OWN &&
      IsOnlyCurrentCharactersFolder(path)) {
    services::DirectoryRemove(path, L"", 0);
  }
  foundation::MainHeapFree(path);
}

// A name is one line of the settings file: line breaks, and the other control
// characters but Tab, typed or pasted into the requester are left out. The
// text runs from the mark to the scratch position, which ends up on its zero.
void KeepOneLineFromScratch(char* mark) {
  char* kept = mark;
  for (const char* c = mark; *c; ++c) {
    if (static_cast<unsigned char>(*c) >= ' ' || *c == '\t') *kept++ = *c;
  }
  *kept = '\0';
  foundation::RewindScratch(kept);
}

}  // namespace

void NewCharacter() {
  char* mark = foundation::ScratchMark();
  toolkit::AskText(buildProfile.newCharacterTitle, buildProfile.newCharacterPrompt, "");
  KeepOneLineFromScratch(mark);
  if (AppendCharacterFromScratch(mark)) ShowAppendedCharacter();
}

void DeleteCharacter() {
  if (toolkit::ShowMessageBox(buildProfile.deleteTitle, buildProfile.deleteQuestion, MB_YESNO) !=
      IDYES) {
    return;
  }
  const int32_t selection =
      static_cast<int32_t>(toolkit::ReadControlState(CONTROL_CHARACTERS));
  if (selection == -1) {
    ShowNoSelectionError();
    return;
  }
  SelectRosterEntry(selection);
  RemoveCharacterDirectory(CurrentCharacterName());
  RemoveCurrentCharacter(selection);
}

}  // namespace launcher
