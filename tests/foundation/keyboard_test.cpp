#include "foundation/keyboard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "foundation/direct_input.h"
#include "foundation/heaps.h"
#include "foundation/instance.h"
#include "processes.h"
#include "runtime_heaps.h"
#include "scratch_directory.h"

namespace {

using namespace foundation;

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override { programInstance = GetModuleHandleA(nullptr); }
  void TearDown() override { CloseKeyboard(); }

  test_support::RuntimeHeaps heaps;
};

TEST_F(KeyboardTest, OpeningGivesOneThenNonzeroWithoutASecondDeviceNorAcquiring) {
  CloseKeyboard();
  EXPECT_EQ(KeyboardDevice(), nullptr) << "closing before opening does nothing";
  EXPECT_EQ(GetModuleHandleA("dinput.dll"), nullptr);

  ASSERT_EQ(OpenKeyboard(), 1);
  IDirectInputDevice7A* device = KeyboardDevice();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(KeyboardState(), 1);
  BYTE keys[257];
  EXPECT_EQ(IDirectInputDevice7_GetDeviceState(device, 256, keys), DIERR_NOTACQUIRED);
  EXPECT_NE(OpenKeyboard(), 0);
  EXPECT_EQ(KeyboardDevice(), device) << "no second device";
  EXPECT_EQ(IDirectInputDevice7_GetDeviceState(device, 256, keys), DIERR_NOTACQUIRED)
      << "nor does opening again acquire it";
  // One reference: ours. AddRef answers the count after it.
  EXPECT_EQ(IDirectInputDevice7_AddRef(device), 2u);
  EXPECT_EQ(IDirectInputDevice7_Release(device), 1u);

  // The data format is DirectInput's standard keyboard format: once the test
  // acquires the device itself, the state reads as 256 bytes and no other size.
  ASSERT_EQ(IDirectInputDevice7_Acquire(device), DI_OK);
  EXPECT_EQ(IDirectInputDevice7_GetDeviceState(device, 256, keys), DI_OK);
  EXPECT_NE(IDirectInputDevice7_GetDeviceState(device, 255, keys), DI_OK);
  EXPECT_NE(IDirectInputDevice7_GetDeviceState(device, 257, keys), DI_OK);
  IDirectInputDevice7_Unacquire(device);
}

// Records the calls that CloseKeyboard makes, by giving the device and the
// DirectInput object copies of their method tables with recording entries.
// Calls that DirectInput makes itself while one of these runs (the device
// lets go of the DirectInput object as it goes) are not recorded.
std::vector<std::string> calls;
int depth = 0;

void Record(const std::string& call) {
  if (depth == 0) calls.push_back(call);
}
IDirectInputDevice7AVtbl realDevice;
IDirectInputDevice7AVtbl recordingDevice;
IDirectInput7AVtbl realDirectInput;
IDirectInput7AVtbl recordingDirectInput;

HRESULT __stdcall RecordUnacquire(IDirectInputDevice7A* self) {
  Record("device Unacquire");
  ++depth;
  const HRESULT result = realDevice.Unacquire(self);
  --depth;
  return result;
}

HRESULT __stdcall RecordSetCooperativeLevel(IDirectInputDevice7A* self, HWND window, DWORD flags) {
  Record(std::string("device SetCooperativeLevel ") + (window ? "window " : "none ") +
         std::to_string(flags));
  ++depth;
  const HRESULT result = realDevice.SetCooperativeLevel(self, window, flags);
  --depth;
  return result;
}

HRESULT __stdcall RecordAcquire(IDirectInputDevice7A* self) {
  Record("device Acquire");
  return realDevice.Acquire(self);
}

ULONG __stdcall RecordDeviceRelease(IDirectInputDevice7A* self) {
  ++depth;
  const ULONG left = realDevice.Release(self);
  --depth;
  Record("device Release, " + std::to_string(left) + " left");
  return left;
}

ULONG __stdcall RecordDirectInputRelease(IDirectInput7A* self) {
  const ULONG left = realDirectInput.Release(self);
  Record("DirectInput Release, " + std::to_string(left) + " left");
  return left;
}

TEST_F(KeyboardTest, ClosingReleasesInTheGivenOrder) {
  ASSERT_EQ(OpenKeyboard(), 1);
  IDirectInputDevice7A* device = KeyboardDevice();
  // DirectInput is shared by counted users: the keyboard and this test.
  IDirectInput7A* directInput = AcquireDirectInput();
  ASSERT_NE(directInput, nullptr);
  EXPECT_EQ(AcquireDirectInput(), directInput);
  ReleaseDirectInput();
  ReleaseDirectInput();  // gives back both users this test counted
  ASSERT_NE(GetModuleHandleA("dinput.dll"), nullptr) << "the keyboard is a user still";

  realDevice = *device->lpVtbl;
  recordingDevice = realDevice;
  recordingDevice.Acquire = RecordAcquire;
  recordingDevice.Unacquire = RecordUnacquire;
  recordingDevice.SetCooperativeLevel = RecordSetCooperativeLevel;
  recordingDevice.Release = RecordDeviceRelease;
  device->lpVtbl = &recordingDevice;

  realDirectInput = *directInput->lpVtbl;
  recordingDirectInput = realDirectInput;
  recordingDirectInput.Release = RecordDirectInputRelease;
  directInput->lpVtbl = &recordingDirectInput;

  calls.clear();
  CloseKeyboard();
  const std::vector<std::string> expected = {
      "device Unacquire",
      "device SetCooperativeLevel none " + std::to_string(DISCL_NONEXCLUSIVE),
      "device Release, 0 left",
      "DirectInput Release, 0 left",
  };
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(KeyboardDevice(), nullptr);
  EXPECT_EQ(KeyboardState(), 0);
  EXPECT_EQ(GetModuleHandleA("dinput.dll"), nullptr) << "the library was unloaded";

  calls.clear();
  CloseKeyboard();
  EXPECT_TRUE(calls.empty()) << "a second close does nothing";
  EXPECT_EQ(OpenKeyboard(), 1) << "the keyboard can be opened again";
}

// Run only as the child of the next test, in a process whose DirectInput is
// switched off; it leaves a mark when every check held.
TEST_F(KeyboardTest, DISABLED_ChildWithoutDirectInput) {
  EXPECT_EQ(LoadLibraryA("DINPUT.DLL"), nullptr) << "DirectInput is still there";
  EXPECT_EQ(OpenKeyboard(), 0);
  EXPECT_EQ(KeyboardDevice(), nullptr);
  EXPECT_EQ(KeyboardState(), 0);
  EXPECT_EQ(AcquireDirectInput(), nullptr);
  ReleaseDirectInput();
  EXPECT_EQ(OpenKeyboard(), 0) << "a later call tries again, and fails again";
  CloseKeyboard();
  char mark[MAX_PATH] = {};
  if (!HasFailure() && GetEnvironmentVariableA("KEYBOARD_TEST_MARK", mark, sizeof(mark))) {
    CloseHandle(CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  }
}

TEST_F(KeyboardTest, WithoutDirectInputOpeningGivesZeroAndClosingIsQuiet) {
  test_support::ScratchDirectory scratch("keyboard");
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof(self));
  const int exitCode = test_support::RunUnixCommand(
      test_support::WineCommand(test_support::UnixPathOf(self),
                                "--gtest_filter=KeyboardTest.DISABLED_ChildWithoutDirectInput"
                                " --gtest_also_run_disabled_tests >/dev/null 2>&1",
                                scratch.unixPath(),
                                {test_support::DllOverrideSetting("dinput=d"),
                                 "KEYBOARD_TEST_MARK=" + scratch.PathOf("mark")}),
      60000);
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(scratch.Exists("mark")) << "the child's checks did not all hold";
}

}  // namespace
