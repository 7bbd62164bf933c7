// Move-only owners of Win32 handles, each closed in its destructor.
#pragma once

#include <windows.h>

#include <utility>

namespace zel::win32 {

template <typename Traits>
class UniqueResource {
 public:
  using Handle = typename Traits::Handle;
  UniqueResource() = default;
  explicit UniqueResource(Handle h) : h_(h) {}
  ~UniqueResource() { Reset(); }
  UniqueResource(UniqueResource&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) {
      Reset();
      h_ = std::exchange(other.h_, Traits::Invalid());
    }
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  Handle Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }
  void Reset(Handle h = Traits::Invalid()) {
    if (Valid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Invalid();
};

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct KernelHandleTraits {  // handles whose "none" is null (mutex, process)
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::RegCloseKey(h); }
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};

using FileHandle = UniqueResource<FileHandleTraits>;
using KernelHandle = UniqueResource<KernelHandleTraits>;
using FindHandle = UniqueResource<FindHandleTraits>;
using RegKey = UniqueResource<RegKeyTraits>;
using GdiObject = UniqueResource<GdiObjectTraits>;

// A window's device context, released in the destructor.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace zel::win32
