#include "services/native_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "foundation/heaps.h"
#include "foundation/owned_handles.h"
#include "processes.h"
#include "runtime_heaps.h"
#include "scratch_directory.h"

namespace {

using foundation::OwnedHandle;

// The kernel-level operations on handles, in-process on real files in d\.
class NativeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(test_support::RunUnixCommand(
                  "cd " + place.unixPath() + " && mkdir d d/sub outside && echo own > d/file.txt" +
                  " && echo outside > outside/target.txt && ln -s $PWD/outside d/linked" +
                  " && ln -s $PWD/outside/target.txt d/link.txt && ln outside/target.txt d/second"),
              0);
    folder.Reset(CreateFileW(place.WidePathOf("d").c_str(), FILE_LIST_DIRECTORY,
                             services::SHARE_ALL, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(folder);
  }
  HANDLE Open(const wchar_t* entry, ACCESS_MASK access, ULONG kind) {
    return services::OpenInFolder(folder.get(), entry, access | FILE_READ_ATTRIBUTES,
                                  services::SHARE_ALL, kind);
  }
  std::wstring KernelName(HANDLE open) {
    const size_t length = services::KernelNameOf(open, name.get());
    return std::wstring(name->header.Name.Buffer, length);
  }

  test_support::RuntimeHeaps heaps;
  test_support::ScratchDirectory place;
  OwnedHandle folder;
  foundation::MainHeapBlock<services::KernelName> name;
};

// What opens relative to the folder, and what the open is. A link is told
// apart from the folder's own entries: opened as itself it is flagged as
// one; Wine follows a Unix link even when asked not to, and then the
// kernel's name is where it led.
TEST_F(NativeFilesTest, OpeningInAFolder) {
  const struct {
    const wchar_t* entry;
    ULONG kind;
    const wchar_t* nameEnd;  // of the kernel's name; nullptr: no open
    ULONG links = 1;
  } rows[] = {
      {L"file.txt", FILE_NON_DIRECTORY_FILE, L"\\d\\file.txt"},
      {L"FILE.TXT", FILE_NON_DIRECTORY_FILE, L"\\d\\file.txt"},
      {L"file.txt", FILE_DIRECTORY_FILE, nullptr},
      {L"sub", FILE_DIRECTORY_FILE, L"\\d\\sub"},
      {L"sub", FILE_NON_DIRECTORY_FILE, nullptr},
      {L"missing", FILE_NON_DIRECTORY_FILE, nullptr},
      {L"linked", FILE_DIRECTORY_FILE, L"\\outside"},
      {L"link.txt", FILE_NON_DIRECTORY_FILE, L"\\outside\\target.txt", 2},
      {L"second", FILE_NON_DIRECTORY_FILE, L"\\d\\second", 2},
  };
  const std::wstring folderName = KernelName(folder.get());
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.entry, row.entry + wcslen(row.entry)));
    SetLastError(0xdeadbeef);
    const OwnedHandle open(Open(row.entry, 0, row.kind));
    ASSERT_EQ(static_cast<bool>(open), row.nameEnd != nullptr);
    if (!open) {
      EXPECT_NE(GetLastError(), 0xdeadbeefu) << "no error kept";
      continue;
    }
    DWORD attributes = 0;
    ULONG links = 0;
    ASSERT_TRUE(services::AttributesOf(open.get(), &attributes));
    EXPECT_EQ(services::IsLinkOrUnknown(open.get()),
              (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
    const std::wstring kernelName = KernelName(open.get());
    const std::wstring end = row.nameEnd;
    EXPECT_TRUE((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                (kernelName.size() >= end.size() &&
                 kernelName.compare(kernelName.size() - end.size(), end.size(), end) == 0))
        << std::string(kernelName.begin(), kernelName.end());
    if (!(row.kind & FILE_DIRECTORY_FILE)) {
      ASSERT_TRUE(services::LinkCountOf(open.get(), &links));
      EXPECT_EQ(links, row.links) << "names of the file";
    }
  }
  const OwnedHandle file(Open(L"file.txt", 0, FILE_NON_DIRECTORY_FILE));
  EXPECT_EQ(KernelName(file.get()), folderName + L"\\file.txt") << "one folder, one backslash";
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Open(L"missing", 0, FILE_NON_DIRECTORY_FILE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(NativeFilesTest, AttributesDeletingAndRenaming) {
  place.WriteFile("d\\sub\\inside.txt", "x");
  place.WriteFile("d\\old.cfg", "old");
  place.WriteFile("d\\new.tmp", "new");
  {
    const OwnedHandle file(Open(L"file.txt", DELETE | FILE_WRITE_ATTRIBUTES, FILE_NON_DIRECTORY_FILE));
    DWORD attributes = 0;
    ASSERT_TRUE(services::SetAttributesOf(file.get(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(services::AttributesOf(file.get(), &attributes));
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(services::SetAttributesOf(file.get(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(services::DeleteOpenFile(file.get()));
    EXPECT_TRUE(place.Exists("d\\file.txt")) << "gone only once closed";
  }
  EXPECT_FALSE(place.Exists("d\\file.txt"));
  {
    const OwnedHandle full(Open(L"sub", DELETE, FILE_DIRECTORY_FILE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(services::DeleteOpenFile(full.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  }
  const OwnedHandle renamed(Open(L"new.tmp", DELETE, FILE_NON_DIRECTORY_FILE));
  const std::wstring old = place.WidePathOf("d\\old.cfg");
  {
    // A reader that does not share deletion keeps the old file in place.
    const OwnedHandle reader(CreateFileW(old.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(services::RenameOpenFile(renamed.get(), old.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(place.ReadFile("d\\old.cfg"), "old");
  }
  EXPECT_TRUE(services::RenameOpenFile(renamed.get(), old.c_str()));
  EXPECT_EQ(place.ReadFile("d\\old.cfg"), "new") << "the old file is replaced";
  EXPECT_FALSE(place.Exists("d\\new.tmp"));
}

}  // namespace
