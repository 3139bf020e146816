#include "services/file_identity.h"

#include "foundation/owned_handles.h"
#include "services/native_files.h"

namespace services {

bool IdentityOf(HANDLE open, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(open, &information)) return false;
  *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
               information.nFileIndexLow};
  return true;
}

bool IdentityAt(const wchar_t* path, FileIdentity* identity) {
  const foundation::OwnedHandle open(OpenToLookAt(path));
  return open && IdentityOf(open.get(), identity);
}

bool SameIdentity(const FileIdentity& one, const FileIdentity& other) {
  return one.volume == other.volume && one.indexHigh == other.indexHigh &&
         one.indexLow == other.indexLow;
}

}  // namespace services
