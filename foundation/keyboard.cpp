#include "foundation/keyboard.h"

#include "foundation/direct_input.h"
#include "foundation/instance.h"
#include "foundation/system_library.h"

namespace foundation {
namespace {

using DirectInputCreateEx = HRESULT(WINAPI*)(HINSTANCE instance, DWORD version, REFIID iid,
                                              void** made, IUnknown* outer);

struct KeyboardSetUp {
  HMODULE library;
  IDirectInput7A* directInput;
  int32_t users;
  IDirectInputDevice7A* device;
  int32_t state;
  bool used;
};

KeyboardSetUp keyboard;

void ReleaseDevice() {
  IDirectInputDevice7_Release(keyboard.device);
  keyboard.device = nullptr;
}

}  // namespace

IDirectInput7A* AcquireDirectInput() {
  if (!keyboard.directInput) {
    // From the system folder only: a dinput.dll in the game's folder never runs.
    keyboard.library = LoadSystemLibrary("dinput.dll");
    const auto create = LibraryFunction<DirectInputCreateEx>(keyboard.library, "DirectInputCreateEx");
    // Only what it stored counts: an older DirectInput leaves nothing there.
    if (create) {
      create(programInstance, DIRECTINPUT_VERSION, IID_IDirectInput7A,
             reinterpret_cast<void**>(&keyboard.directInput), nullptr);
    }
  }
  ++keyboard.users;
  return keyboard.directInput;
}

void ReleaseDirectInput() {
  --keyboard.users;
  if (keyboard.directInput && keyboard.users == 0) {
    IDirectInput7_Release(keyboard.directInput);
    FreeLibrary(keyboard.library);
    keyboard.directInput = nullptr;
    keyboard.library = nullptr;
  }
}

int32_t OpenKeyboard() {
  IDirectInput7A* directInput = AcquireDirectInput();
  // The keyboard counts as one user however often it is opened, so that the
  // one release in CloseKeyboard lets DirectInput go.
  if (keyboard.used) --keyboard.users;
  keyboard.used = true;
  if (!directInput) return 0;
  if (keyboard.state != 0) return 2;
  void* device = nullptr;
  if (IDirectInput7_CreateDeviceEx(directInput, GUID_SysKeyboard, IID_IDirectInputDevice7A,
                                   &device, nullptr) != DI_OK) {
    return 0;
  }
  keyboard.device = static_cast<IDirectInputDevice7A*>(device);
  // A device without the keyboard format is of no use; a later open makes a
  // new one.
  if (IDirectInputDevice7_SetDataFormat(keyboard.device, &c_dfDIKeyboard) != DI_OK) {
    ReleaseDevice();
    return 0;
  }
  keyboard.state = 1;
  return 1;
}

void CloseKeyboard() {
  if (!keyboard.used) return;
  if (IDirectInputDevice7A* device = keyboard.device) {
    IDirectInputDevice7_Unacquire(device);
    IDirectInputDevice7_SetCooperativeLevel(device, nullptr, DISCL_NONEXCLUSIVE);
    ReleaseDevice();
  }
  keyboard.state = 0;
  keyboard.used = false;
  ReleaseDirectInput();
}

IDirectInputDevice7A* KeyboardDevice() { return keyboard.device; }

int32_t KeyboardState() { return keyboard.state; }

}  // namespace foundation
