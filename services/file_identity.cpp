#include "services/file_identity.h"

namespace services {

bool IdentityOf(HANDLE open, FileIdentity* identity) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(open, &information)) return false;
  *identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
               information.nFileIndexLow};
  return true;
}

bool SameIdentity(const FileIdentity& one, const FileIdentity& other) {
  return one.volume == other.volume && one.indexHigh == other.indexHigh &&
         one.indexLow == other.indexLow;
}

}  // namespace services
