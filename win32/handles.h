#pragma once
// One small owning type per Win32 handle kind, so that no code path closes a
// handle by hand or forgets to. Each type is move-only and closes on scope
// exit; GetLastError() is preserved across the close, because callers read
// it right after a failed call that may sit next to a cleanup.
#include <windows.h>

#include <utility>

namespace win32 {

template <typename Traits>
class Scoped {
 public:
  using Handle = typename Traits::Handle;

  Scoped() noexcept = default;
  explicit Scoped(Handle handle) noexcept : handle_(handle) {}
  ~Scoped() { Reset(); }

  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;
  Scoped(Scoped&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  Scoped& operator=(Scoped&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Traits::Invalid());
    }
    return *this;
  }

  [[nodiscard]] Handle Get() const noexcept { return handle_; }
  [[nodiscard]] bool Valid() const noexcept { return handle_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return Valid(); }

  void Reset(Handle handle = Traits::Invalid()) noexcept {
    if (Valid()) {
      const DWORD error = GetLastError();
      Traits::Close(handle_);
      SetLastError(error);
    }
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Kernel objects whose failure value is INVALID_HANDLE_VALUE (CreateFile).
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { CloseHandle(h); }
};
using ScopedFile = Scoped<FileHandleTraits>;

// Kernel objects whose failure value is null (processes, threads, events).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { CloseHandle(h); }
};
using ScopedKernelHandle = Scoped<KernelHandleTraits>;

// Directory listings (FindFirstFile).
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) noexcept { FindClose(h); }
};
using ScopedFind = Scoped<FindHandleTraits>;

// GDI objects: bitmaps, brushes, fonts, pens (DeleteObject).
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { DeleteObject(h); }
};
using ScopedGdiObject = Scoped<GdiObjectTraits>;

// Memory device contexts (CreateCompatibleDC).
struct MemoryDcTraits {
  using Handle = HDC;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { DeleteDC(h); }
};
using ScopedMemoryDc = Scoped<MemoryDcTraits>;

// Loaded modules (LoadLibrary, LoadLibraryEx).
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() noexcept { return nullptr; }
  static void Close(Handle h) noexcept { FreeLibrary(h); }
};
using ScopedModule = Scoped<ModuleTraits>;

}  // namespace win32
