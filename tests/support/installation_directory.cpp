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

void InstallationDirectory::MakeSavedGame(const std::wstring& name) const {
  const std::wstring folder = WidePathOf("game\\") + name;
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << "error " << GetLastError();
  HANDLE file = CreateFileW((folder + L"\\save.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  DWORD written = 0;
  ::WriteFile(file, "progress", 8, &written, nullptr);
  CloseHandle(file);
}

}  // namespace test_support
