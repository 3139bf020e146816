#pragma once
// DirectInput 7 as the system's own header declares it, in its C form: the
// interfaces are records with a method table (lpVtbl), so the calls are the
// ones the header's macros spell out and a test can stand in for a method.
// The identifiers and the standard keyboard format are plain data from
// libdxguid.a and libdinput.a; DINPUT.DLL itself is loaded at run time.
#ifndef CINTERFACE
#define CINTERFACE
#endif
#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>
