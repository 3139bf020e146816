#include "services/native_files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "foundation/heaps.h"
#include "foundation/owned_handles.h"
#include "processes.h"
#include "scratch_directory.h"

namespace {

using foundation::OwnedHandle;

std::string Narrow(const std::wstring& wide) { return std::string(wide.begin(), wide.end()); }

// The kernel-level operations on handles, in-process on real files.
class NativeFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::CreateMainHeap();
    name.emplace();
    place.MakeDirectory("d");
    place.MakeDirectory("outside");
    place.WriteFile("d\\file.txt", "own");
    place.WriteFile("outside\\target.txt", "outside");
    folder.Reset(CreateFileW(place.WidePathOf("d").c_str(), FILE_LIST_DIRECTORY,
                             services::SHARE_ALL, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(folder);
  }
  void TearDown() override {
    folder.Reset(nullptr);
    name.reset();
    foundation::DestroyHeaps();
  }
  void Unix(const std::string& command) {
    ASSERT_EQ(test_support::RunUnixCommand("cd " + place.unixPath() + " && " + command), 0)
        << command;
  }
  HANDLE Open(const wchar_t* name, ACCESS_MASK access, ULONG kind) {
    return services::OpenInFolder(folder.get(), name, access | FILE_READ_ATTRIBUTES,
                                  services::SHARE_ALL, kind);
  }
  std::wstring KernelName(HANDLE open) {
    const size_t length = services::KernelNameOf(open, name->get());
    return std::wstring((*name)->header.Name.Buffer, length);
  }

  test_support::ScratchDirectory place;
  OwnedHandle folder;
  std::optional<foundation::MainHeapBlock<services::KernelName>> name;
};

// What opens relative to the folder, and what it is once open.
TEST_F(NativeFilesTest, OpeningInAFolder) {
  Unix("ln -s $PWD/outside d/linked && ln -s $PWD/outside/target.txt d/link.txt && mkdir d/sub");
  const std::wstring folderName = KernelName(folder.get());
  ASSERT_FALSE(folderName.empty());
  // A link is told apart from the folder's own entries: opened as itself
  // it is flagged as one; Wine follows a Unix link even when asked not to,
  // and then the kernel's name is where it led.
  struct Row {
    const wchar_t* name;
    ULONG kind;
    bool opens;
    const wchar_t* kernelNameEnd = nullptr;  // what the kernel's name of the open ends with
    bool link = false;
  } rows[] = {
      {L"file.txt", FILE_NON_DIRECTORY_FILE, true, L"\\d\\file.txt"},
      {L"FILE.TXT", FILE_NON_DIRECTORY_FILE, true, L"\\d\\file.txt"},
      {L"file.txt", FILE_DIRECTORY_FILE, false},
      {L"sub", FILE_DIRECTORY_FILE, true, L"\\d\\sub"},
      {L"sub", FILE_NON_DIRECTORY_FILE, false},
      {L"missing", FILE_NON_DIRECTORY_FILE, false},
      {L"linked", FILE_DIRECTORY_FILE, true, L"\\outside", true},
      {L"link.txt", FILE_NON_DIRECTORY_FILE, true, L"\\outside\\target.txt", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name, row.name + wcslen(row.name)));
    SetLastError(0xdeadbeef);
    const OwnedHandle open(Open(row.name, 0, row.kind));
    ASSERT_EQ(static_cast<bool>(open), row.opens);
    if (!open) {
      EXPECT_NE(GetLastError(), 0xdeadbeefu) << "no error kept";
      continue;
    }
    DWORD attributes = 0;
    ASSERT_TRUE(services::AttributesOf(open.get(), &attributes));
    const bool flagged = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    EXPECT_TRUE(!flagged || row.link);
    const std::wstring kernelName = KernelName(open.get());
    const std::wstring end = row.kernelNameEnd;
    const bool namedSo =
        kernelName.size() >= end.size() && kernelName.substr(kernelName.size() - end.size()) == end;
    EXPECT_TRUE(namedSo || flagged) << Narrow(kernelName);
  }
  const OwnedHandle file(Open(L"file.txt", 0, FILE_NON_DIRECTORY_FILE));
  EXPECT_EQ(KernelName(file.get()), folderName + L"\\file.txt") << "one folder, one backslash";
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(Open(L"missing", 0, FILE_NON_DIRECTORY_FILE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(NativeFilesTest, AttributesAndNames) {
  Unix("ln outside/target.txt d/second.txt");
  const OwnedHandle file(Open(L"file.txt", FILE_WRITE_ATTRIBUTES, FILE_NON_DIRECTORY_FILE));
  const OwnedHandle second(Open(L"second.txt", 0, FILE_NON_DIRECTORY_FILE));
  ULONG links = 0;
  ASSERT_TRUE(services::LinkCountOf(file.get(), &links));
  EXPECT_EQ(links, 1u);
  ASSERT_TRUE(services::LinkCountOf(second.get(), &links));
  EXPECT_EQ(links, 2u) << "a second name of a file outside";
  ASSERT_TRUE(services::SetAttributesOf(file.get(), FILE_ATTRIBUTE_READONLY));
  DWORD attributes = 0;
  ASSERT_TRUE(services::AttributesOf(file.get(), &attributes));
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(services::SetAttributesOf(file.get(), FILE_ATTRIBUTE_NORMAL));
}

TEST_F(NativeFilesTest, DeletingAndRenamingTheOpenFile) {
  place.MakeDirectory("d\\full");
  place.WriteFile("d\\full\\inside.txt", "x");
  place.WriteFile("d\\old.cfg", "old");
  {
    const OwnedHandle file(Open(L"file.txt", DELETE, FILE_NON_DIRECTORY_FILE));
    EXPECT_TRUE(services::DeleteOpenFile(file.get()));
    EXPECT_TRUE(place.Exists("d\\file.txt")) << "gone only once closed";
  }
  EXPECT_FALSE(place.Exists("d\\file.txt"));
  {
    const OwnedHandle full(Open(L"full", DELETE, FILE_DIRECTORY_FILE));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(services::DeleteOpenFile(full.get()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  }
  place.WriteFile("d\\new.tmp", "new");
  const OwnedHandle renamed(Open(L"new.tmp", DELETE, FILE_NON_DIRECTORY_FILE));
  {
    // A reader that does not share deletion keeps the old file in place.
    const OwnedHandle reader(CreateFileW(place.WidePathOf("d\\old.cfg").c_str(), GENERIC_READ,
                                         FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(services::RenameOpenFile(renamed.get(), place.WidePathOf("d\\old.cfg").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(place.ReadFile("d\\old.cfg"), "old");
  }
  EXPECT_TRUE(services::RenameOpenFile(renamed.get(), place.WidePathOf("d\\old.cfg").c_str()));
  EXPECT_EQ(place.ReadFile("d\\old.cfg"), "new") << "the old file is replaced";
  EXPECT_FALSE(place.Exists("d\\new.tmp"));
}

}  // namespace
