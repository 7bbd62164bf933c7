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
  // Hands the handle over to a caller that ends it in its own way.
  [[nodiscard]] Handle Release() { return std::exchange(h_, Traits::Invalid()); }
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
// GDI objects (fonts, brushes, pens, bitmaps), typed so that an owner hands
// out the handle a Win32 call wants without a cast.
template <typename H>
struct GdiTraits {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteObject(h); }
};
// A window, destroyed with its link to the state behind it (GWLP_USERDATA)
// cleared first, so that the messages of its end never reach state that is
// already gone.
struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) {
    ::SetWindowLongPtrW(h, GWLP_USERDATA, 0);
    ::DestroyWindow(h);
  }
};
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { ::DeleteDC(h); }
};

using FileHandle = UniqueResource<FileHandleTraits>;
using KernelHandle = UniqueResource<KernelHandleTraits>;
using FindHandle = UniqueResource<FindHandleTraits>;
using RegKey = UniqueResource<RegKeyTraits>;
using GdiObject = UniqueResource<GdiTraits<HGDIOBJ>>;
using Font = UniqueResource<GdiTraits<HFONT>>;
using Brush = UniqueResource<GdiTraits<HBRUSH>>;
using Pen = UniqueResource<GdiTraits<HPEN>>;
using Bitmap = UniqueResource<GdiTraits<HBITMAP>>;
using MemoryDc = UniqueResource<MemoryDcTraits>;
using Window = UniqueResource<WindowTraits>;

// Selects an object into a device context and puts the one it replaced back
// at the end of the scope. Declare it after the owner of the object, so that
// the object leaves the context before it is deleted.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

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
