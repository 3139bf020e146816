#pragma once
#include <windows.h>

namespace foundation {

// Owning guards for Win32 handles: the release stands beside the
// acquisition, so no early return can leak one. Moved, never copied; for
// automatic objects and the members of automatic objects only (the programs
// run no static constructors or destructors).
//   OwnedHandle:    a kernel handle, closed by CloseHandle;
//   OwnedFind:      a directory search, closed by FindClose;
//   OwnedGdiObject: a bitmap, brush, font or other GDI object, deleted by
//                   DeleteObject.
// A failed acquisition (nullptr, or INVALID_HANDLE_VALUE where the call
// gives that) holds nothing.
template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(Valid(handle) ? handle : nullptr) {}
  Owned(Owned&& other) : handle_(other.Give()) {}
  Owned& operator=(Owned&& other) {
    if (this != &other) Reset(other.Give());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Reset(nullptr); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Releases what is held and holds the new handle instead.
  void Reset(Handle handle) {
    if (handle_) Release(handle_);
    handle_ = Valid(handle) ? handle : nullptr;
  }
  // Hands the handle over to the caller, who then owns it.
  Handle Give() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  static bool Valid(Handle handle) {
    return handle && handle != reinterpret_cast<Handle>(INVALID_HANDLE_VALUE);
  }

  Handle handle_ = nullptr;
};

using OwnedHandle = Owned<HANDLE, CloseHandle>;
using OwnedFind = Owned<HANDLE, FindClose>;
using OwnedGdiObject = Owned<HGDIOBJ, DeleteObject>;

}  // namespace foundation
