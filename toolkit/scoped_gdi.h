#pragma once
#include <windows.h>

namespace toolkit {

// Scope guards for GDI objects that live for one block: the release stands
// beside the acquisition, and an early return cannot leak. Automatic objects
// only (the programs run no static constructors).

// A device context made by CreateDCA or CreateCompatibleDC; deleted at the
// end of the block. `dc` is 0 when it could not be made.
struct ScopedCreatedDC {
  HDC dc;
  explicit ScopedCreatedDC(HDC made) : dc(made) {}
  ~ScopedCreatedDC() {
    if (dc) DeleteDC(dc);
  }
  ScopedCreatedDC(const ScopedCreatedDC&) = delete;
  ScopedCreatedDC& operator=(const ScopedCreatedDC&) = delete;
};

// An object selected into a device context; the one it replaced goes back in
// at the end of the block. `previous` is 0 when the selection failed.
struct ScopedSelectObject {
  HDC dc;
  HGDIOBJ previous;
  ScopedSelectObject(HDC into, HGDIOBJ object) : dc(into), previous(SelectObject(into, object)) {}
  ~ScopedSelectObject() {
    if (previous) SelectObject(dc, previous);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
};

// The bitmaps GetIconInfo makes for an icon (colour and mask), which the
// caller owns; deleted at the end of the block. `valid` is false when the
// icon gave none.
struct ScopedIconInfo {
  ICONINFO info;
  bool valid;
  explicit ScopedIconInfo(HICON icon) : info(), valid(GetIconInfo(icon, &info) != FALSE) {}
  ~ScopedIconInfo() {
    if (!valid) return;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
  ScopedIconInfo(const ScopedIconInfo&) = delete;
  ScopedIconInfo& operator=(const ScopedIconInfo&) = delete;
};

}  // namespace toolkit
