#pragma once
#include <windows.h>

namespace launcher {

// Runs the launcher from start-up to the end of the process.
[[noreturn]] void MainProgram(HINSTANCE instance);

// The one way out: releases the keyboard, images, windows and files, destroys
// both heaps and ends the process with exit code 0.
[[noreturn]] void EndProgram();

}  // namespace launcher
