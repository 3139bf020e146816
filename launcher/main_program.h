#pragma once
#include <windows.h>

namespace launcher {

// Runs the launcher from start-up to the end of the process.
[[noreturn]] void MainProgram(HINSTANCE instance);

// The way out of a run: releases the keyboard, images, windows and files,
// destroys both heaps and ends the process with exit code 0. (When the
// Windows session ends, the process is ended once it has saved and answered.)
[[noreturn]] void EndProgram();

}  // namespace launcher
