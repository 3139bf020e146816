#pragma once
#include <windows.h>

namespace services {

// Which file an open handle is, as Windows XP can already tell it: the
// serial number of its volume and the file's index on it. Every name that
// leads to one file or folder (another case, a short name, a link, a subst
// drive) gives the same identity. It is the real file where the final path
// (final_path.h) cannot be told; it says nothing of where the file lies.
// GetFileInformationByHandle asks more of the system than a final path,
// so callers use it only as that fallback.
struct FileIdentity {
  DWORD volume;
  DWORD indexHigh;
  DWORD indexLow;
};

bool IdentityOf(HANDLE open, FileIdentity* identity);
bool SameIdentity(const FileIdentity& one, const FileIdentity& other);

}  // namespace services
