#include "foundation/keyboard.h"

#include "foundation/heaps.h"
#include "foundation/instance.h"

namespace foundation {
namespace {

// The published DirectInput identifiers.
constexpr GUID IID_DIRECT_INPUT_7A = {
    0x9A4CB684, 0x236D, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
constexpr GUID GUID_SYS_KEYBOARD = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID IID_DIRECT_INPUT_DEVICE_7A = {
    0x57D7C6BC, 0x2356, 0x11D3, {0x8E, 0x9D, 0x00, 0xC0, 0x4F, 0x68, 0x44, 0xAE}};
constexpr GUID GUID_KEY = {
    0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

constexpr DWORD DIRECT_INPUT_VERSION = 0x0700;
constexpr HRESULT DI_OK = 0;
constexpr DWORD DISCL_NONEXCLUSIVE = 0x2;

// DirectInput's data format records. Their sizes go into the format itself,
// so they are taken from the records as this build lays them out.
struct ObjectDataFormat {
  const GUID* type;
  DWORD offset;
  DWORD typeFlags;
  DWORD flags;
};

struct DataFormat {
  DWORD size;
  DWORD objectSize;
  DWORD flags;
  DWORD dataSize;
  DWORD objectCount;
  ObjectDataFormat* objects;
};

constexpr DWORD KEY_COUNT = 256;
constexpr DWORD DIDF_RELAXIS = 0x2;
constexpr DWORD DIDFT_BUTTON = 0x0000000C;
constexpr DWORD DIDFT_OPTIONAL = 0x80000000;

using DirectInputCreateEx = HRESULT(__stdcall*)(HINSTANCE instance, DWORD version, const GUID& iid,
                                                 void** made, void* outer);

struct KeyboardSetUp {
  HMODULE library;
  DirectInput7* directInput;
  int32_t users;
  DirectInputDevice7* device;
  int32_t state;
  bool used;
  DataFormat format;
};

KeyboardSetUp keyboard;

// The standard keyboard format (c_dfDIKeyboard): one optional button per key,
// each reported as one byte at the key's own offset.
bool BuildKeyboardFormat() {
  auto* objects = static_cast<ObjectDataFormat*>(
      HeapAlloc(mainHeap, 0, KEY_COUNT * sizeof(ObjectDataFormat)));
  if (!objects) return false;
  for (DWORD key = 0; key < KEY_COUNT; ++key) {
    objects[key] = {&GUID_KEY, key, DIDFT_OPTIONAL | DIDFT_BUTTON | key << 8, 0};
  }
  keyboard.format = {sizeof(DataFormat), sizeof(ObjectDataFormat), DIDF_RELAXIS, KEY_COUNT,
                     KEY_COUNT, objects};
  return true;
}

}  // namespace

DirectInput7* AcquireDirectInput() {
  if (!keyboard.directInput) {
    keyboard.library = LoadLibraryA("DINPUT.DLL");
    if (keyboard.library) {
      auto create = reinterpret_cast<DirectInputCreateEx>(
          reinterpret_cast<void*>(GetProcAddress(keyboard.library, "DirectInputCreateEx")));
      // Only what it stored counts: an older DirectInput leaves nothing there.
      if (create) {
        create(programInstance, DIRECT_INPUT_VERSION, IID_DIRECT_INPUT_7A,
               reinterpret_cast<void**>(&keyboard.directInput), nullptr);
      }
    }
  }
  ++keyboard.users;
  return keyboard.directInput;
}

void ReleaseDirectInput() {
  --keyboard.users;
  if (keyboard.directInput && keyboard.users == 0) {
    keyboard.directInput->methods->release(keyboard.directInput);
    FreeLibrary(keyboard.library);
    keyboard.directInput = nullptr;
    keyboard.library = nullptr;
  }
}

int32_t OpenKeyboard() {
  DirectInput7* directInput = AcquireDirectInput();
  // The keyboard counts as one user however often it is opened, so that the
  // one release in CloseKeyboard lets DirectInput go.
  if (keyboard.used) --keyboard.users;
  keyboard.used = true;
  if (!directInput) return 0;
  if (keyboard.state != 0) return 2;
  if (!BuildKeyboardFormat()) return 0;
  void* device = nullptr;
  if (directInput->methods->createDeviceEx(directInput, GUID_SYS_KEYBOARD,
                                           IID_DIRECT_INPUT_DEVICE_7A, &device, nullptr) != DI_OK) {
    return 0;
  }
  keyboard.device = static_cast<DirectInputDevice7*>(device);
  if (keyboard.device->methods->setDataFormat(keyboard.device, &keyboard.format) != DI_OK) {
    return 0;
  }
  keyboard.state = 1;
  return 1;
}

void CloseKeyboard() {
  if (!keyboard.used) return;
  if (DirectInputDevice7* device = keyboard.device) {
    device->methods->unacquire(device);
    device->methods->setCooperativeLevel(device, nullptr, DISCL_NONEXCLUSIVE);
    device->methods->release(device);
    keyboard.device = nullptr;
  }
  keyboard.state = 0;
  keyboard.used = false;
  ReleaseDirectInput();
}

DirectInputDevice7* KeyboardDevice() { return keyboard.device; }

int32_t KeyboardState() { return keyboard.state; }

}  // namespace foundation
