#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "starter_process.h"
#include "test_paths.h"

namespace launcher_test {
namespace {

struct Picture {
  int control;
  const char* file;
  int width, height;
};

constexpr Picture TITLE = {launcher::CONTROL_TITLE_PICTURE, "title.bmp", 300, 300};
constexpr Picture LOGO = {launcher::CONTROL_LOGO_PICTURE, "logo.bmp", 100, 64};

// Pixel (x, y) of a 24-bit bottom-up BMP file, y counted from the top.
COLORREF PixelOf(const std::string& bmp, const Picture& picture, int x, int y) {
  const size_t at = 54 + (picture.height - 1 - y) * picture.width * 3 + x * 3;
  return RGB(static_cast<uint8_t>(bmp[at + 2]), static_cast<uint8_t>(bmp[at + 1]),
             static_cast<uint8_t>(bmp[at]));
}

bool Close(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 2 && std::abs(GetGValue(a) - GetGValue(b)) <= 2 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 2;
}

// The share of sampled points inside the control whose colour on the screen
// is the picture's colour there.
double ShareShown(HWND control, const Picture& picture) {
  const std::string bmp = test_support::SourceFile(std::string("assets/") + picture.file);
  if (bmp.size() != 54u + picture.width * picture.height * 3u) return 0;
  HDC screen = GetDC(nullptr);
  int samples = 0, shown = 0;
  for (int y = 1; y < picture.height; y += 7) {
    for (int x = 2; x < picture.width; x += 5) {
      POINT point = {x, y};
      ClientToScreen(control, &point);
      ++samples;
      if (Close(GetPixel(screen, point.x, point.y), PixelOf(bmp, picture, x, y))) ++shown;
    }
  }
  ReleaseDC(nullptr, screen);
  return static_cast<double>(shown) / samples;
}

SIZE SizeOf(HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

struct Module {
  std::string name;
  std::string path;
};

// The modules the process has loaded; empty when its module list cannot be
// read.
std::vector<Module> ModulesOf(DWORD processId) {
  std::vector<Module> modules;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
  if (snapshot == INVALID_HANDLE_VALUE) return modules;
  MODULEENTRY32 module = {};
  module.dwSize = sizeof(module);
  for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module)) {
    modules.push_back({module.szModule, module.szExePath});
  }
  CloseHandle(snapshot);
  return modules;
}

// The path of the module of that name in the list (names compared as
// Windows compares them); empty when there is none.
std::string ModulePath(const std::vector<Module>& modules, const char* name) {
  for (const Module& module : modules) {
    if (_stricmp(module.name.c_str(), name) == 0) return module.path;
  }
  return "";
}

bool HasModule(const std::vector<Module>& modules, const char* name) {
  return !ModulePath(modules, name).empty();
}

// The process's modules, once its list can be read: it then names the
// module asked for (the program itself, say). Another process's list is read from its memory while it
// runs, and that read can fail or come out short for a moment, for instance
// on a busy machine or while the launcher loads a module.
std::vector<Module> ReadableModules(DWORD processId, const char* module) {
  std::vector<Module> modules;
  test_support::WaitUntil([&] { return HasModule(modules = ModulesOf(processId), module); },
                          10000);
  return modules;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

class PicturesTest : public ::testing::TestWithParam<Build> {
 protected:
  // Both pictures are on the screen at their controls, the controls have the
  // pictures' sizes.
  void ExpectPicturesShown(const StarterProcess& starter) {
    for (const Picture& picture : {TITLE, LOGO}) {
      SCOPED_TRACE(picture.file);
      HWND control = starter.Control(picture.control);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(SizeOf(control).cx, picture.width);
      EXPECT_EQ(SizeOf(control).cy, picture.height);
      double share = 0;
      // Painting follows the window's appearance by a moment.
      test_support::WaitUntil([&] { return (share = ShareShown(control, picture)) >= 0.99; },
                              5000);
      EXPECT_GE(share, 0.99) << "of the sampled pixels show the picture";
    }
  }
  test_support::ScratchDirectory installation;
};

// Both builds where the pictures are read at their places, which differ.
INSTANTIATE_TEST_SUITE_P(Builds, PicturesTest, ::testing::ValuesIn(BUILDS), BuildName);
// One build where the keyboard's DLLs are tested: the builds load the same.
class PicturesOneBuildTest : public PicturesTest {};
INSTANTIATE_TEST_SUITE_P(Builds, PicturesOneBuildTest, ::testing::Values(BUILDS[1]), BuildName);

TEST_P(PicturesTest, ThePicturesAppearInTheirControls) {
  StarterProcess starter(GetParam(), installation);
  ASSERT_NE(starter.window(), nullptr);
  ExpectPicturesShown(starter);
  const std::vector<Module> modules = ReadableModules(starter.processId(), GetParam().program);
  ASSERT_TRUE(HasModule(modules, GetParam().program)) << "the module list can be read";
  EXPECT_TRUE(HasModule(modules, "dinput.dll")) << "the keyboard was set up";
}

// With DirectInput switched off the launcher starts, shows everything and
// ends through Quit just the same.
TEST_P(PicturesOneBuildTest, WithoutDirectInputTheLauncherBehavesTheSame) {
  StarterProcess starter(GetParam(), installation, "",
                         {test_support::DllOverrideSetting("dinput=d")});
  ASSERT_NE(starter.window(), nullptr);
  const std::vector<Module> modules = ReadableModules(starter.processId(), GetParam().program);
  ASSERT_TRUE(HasModule(modules, GetParam().program)) << "the module list can be read";
  EXPECT_FALSE(HasModule(modules, "dinput.dll")) << "DirectInput is switched off";
  EXPECT_TRUE(IsWindowVisible(starter.window()));
  int controls = 0;
  EnumChildWindows(starter.window(), CountChild, reinterpret_cast<LPARAM>(&controls));
  EXPECT_EQ(controls, 11);
  ExpectPicturesShown(starter);
  starter.Quit();
}

// A player's installation with the program in the game's folder and beside
// it a DLL of the name of DirectInput, or of one that DirectInput imports
// (tests/launcher/planted_dll.cpp), which leaves a mark when it is loaded.
// Wine is told to prefer a DLL it finds in the search order to its own, as
// Windows does: DirectInput and what it imports still come from the system
// folder.
TEST_P(PicturesOneBuildTest, DllsInTheGamesFolderAreNeverLoaded) {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  for (const char* planted : {"dinput", "hid"}) {
    SCOPED_TRACE(planted);
    const std::string dll = std::string(planted) + ".dll";
    const std::string program = installation.PathOf(GetParam().program);
    ASSERT_TRUE(
        CopyFileA(test_support::BuildPath(GetParam().program).c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(test_support::BuildPath("planted/" + dll).c_str(),
                          installation.PathOf(dll).c_str(), FALSE));
    test_support::StartUnixCommand(test_support::WineCommand(
        test_support::UnixPathOf(program), "", installation.unixPath(),
        {test_support::DllOverrideSetting(std::string(planted) + "=n,b")}));
    test_support::ChildProcess starter;
    HWND window = test_support::WaitForOtherProcessWindow("WindowClass_0", 15000, &starter);
    ASSERT_NE(window, nullptr) << "the launcher's window did not appear";
    // The frame is the last control made, well after the keyboard.
    EXPECT_TRUE(test_support::WaitUntil(
        [&] { return GetDlgItem(window, launcher::CONTROL_CHARACTER_FRAME) != nullptr; }, 10000));
    const std::vector<Module> modules = ReadableModules(starter.id, "dinput.dll");
    for (const char* name : {"dinput.dll", "hid.dll"}) {
      const std::string loaded = ModulePath(modules, name);
      EXPECT_EQ(_stricmp(loaded.c_str(), (std::string(system) + "\\" + name).c_str()), 0)
          << name << " from " << loaded;
    }
    EXPECT_FALSE(installation.Exists("planted-dll-loaded")) << "the planted DLL ran";
    test_support::EndProcess(&starter);
    ASSERT_TRUE(DeleteFileA(installation.PathOf(dll).c_str()));
  }
}

}  // namespace
}  // namespace launcher_test
