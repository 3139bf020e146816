#include "installation_directory.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "recordings.h"

namespace test_support {

InstallationDirectory::InstallationDirectory(const char* purpose) : ScratchDirectory(purpose) {
  MakeDirectory("game");
  MakeDirectory("anleitung");
  EXPECT_TRUE(CopyFileA(RecorderPath().c_str(), GameProgram().c_str(), FALSE))
      << "cannot copy the recording program (error " << GetLastError() << ")";
  WriteFile("anleitung\\anleitung.html",
            "<!DOCTYPE html>\r\n<title>Velmora</title>\r\n<p>The manual.</p>\r\n");
}

}  // namespace test_support
