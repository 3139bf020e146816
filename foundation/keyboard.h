#pragma once
#include <windows.h>

#include <cstdint>

namespace foundation {

// The optional DirectInput 7 keyboard. DINPUT.DLL is loaded at run time and
// never required: without it every operation quietly does nothing. Nothing
// in this system acquires or reads the device; the launcher's keys come
// through window messages.

// The parts of the DirectInput 7 interfaces that are used, declared here so
// that no DirectX headers are needed. Every method is in its vtable slot;
// those never called are left untyped.
struct DirectInputDevice7;
struct DirectInputDeviceMethods {
  void* queryInterface;
  ULONG(__stdcall* addRef)(DirectInputDevice7* self);
  ULONG(__stdcall* release)(DirectInputDevice7* self);
  void* getCapabilities;
  void* enumObjects;
  void* getProperty;
  void* setProperty;
  HRESULT(__stdcall* acquire)(DirectInputDevice7* self);
  HRESULT(__stdcall* unacquire)(DirectInputDevice7* self);
  HRESULT(__stdcall* getDeviceState)(DirectInputDevice7* self, DWORD size, void* data);
  void* getDeviceData;
  HRESULT(__stdcall* setDataFormat)(DirectInputDevice7* self, const void* format);
  void* setEventNotification;
  HRESULT(__stdcall* setCooperativeLevel)(DirectInputDevice7* self, HWND window, DWORD flags);
};
struct DirectInputDevice7 {
  const DirectInputDeviceMethods* methods;
};

struct DirectInput7;
struct DirectInputMethods {
  void* queryInterface;
  ULONG(__stdcall* addRef)(DirectInput7* self);
  ULONG(__stdcall* release)(DirectInput7* self);
  void* createDevice;
  void* enumDevices;
  void* getDeviceStatus;
  void* runControlPanel;
  void* initialize;
  void* findDevice;
  HRESULT(__stdcall* createDeviceEx)(DirectInput7* self, const GUID& device, const GUID& iid,
                                     void** made, void* outer);
};
struct DirectInput7 {
  const DirectInputMethods* methods;
};

// Makes the system keyboard device with the standard keyboard data format:
// 1 when this call made it ready, another nonzero value when it was ready
// already, 0 when it cannot be had. Never acquires the device.
int32_t OpenKeyboard();
// Unacquires and releases the device, then drops the one DirectInput user
// that OpenKeyboard counted (however often it was called). Does nothing
// unless OpenKeyboard was called since the last close.
void CloseKeyboard();

// Loads DirectInput and makes its object on first use; counts one user.
// nullptr when there is no DirectInput 7.
DirectInput7* AcquireDirectInput();
// Drops one user; the last one releases the object and unloads the library.
void ReleaseDirectInput();

// What OpenKeyboard made, for tests: the device (nullptr for none) and the
// keyboard state (0 no usable device, 1 device made and data format set).
DirectInputDevice7* KeyboardDevice();
int32_t KeyboardState();

}  // namespace foundation
