#pragma once
#include <windows.h>

#include <cstdint>

// DirectInput's interfaces, declared by <dinput.h> in foundation/direct_input.h.
struct IDirectInput7A;
struct IDirectInputDevice7A;

namespace foundation {

// The optional DirectInput 7 keyboard. DINPUT.DLL is loaded at run time from
// the system folder and never required: without it every operation quietly
// does nothing. Nothing in this system acquires or reads the device; the
// launcher's keys come through window messages.

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
IDirectInput7A* AcquireDirectInput();
// Drops one user; the last one releases the object and unloads the library.
void ReleaseDirectInput();

// What OpenKeyboard made, for tests: the device (nullptr for none) and the
// keyboard state (0 no usable device, 1 device made and data format set).
IDirectInputDevice7A* KeyboardDevice();
int32_t KeyboardState();

}  // namespace foundation
