#pragma once
// Move-only owners for every kind of Win32 handle; each handle kind is one alias.
#include <windows.h>

#include <utility>

namespace tarvex {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : handle_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : handle_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        reset(o.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return handle_; }
    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid()) noexcept {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = h;
    }
    explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

private:
    Handle handle_ = Traits::Invalid();
};

// Lets a call that hands out a handle through a pointer give it straight to its owner:
//
//     UniqueKernelHandle token;
//     if (!OpenProcessToken(process, TOKEN_QUERY, OutParam(token))) ThrowLastError("OpenProcessToken");
//
// When the full expression ends, the owner holds what the call wrote (none if it wrote
// nothing) and has closed what it held before; so `RegOpenKeyExW(key.get(), ..., OutParam(key))`
// opens the child before the parent goes. The calling thread's last error survives that close.
template <typename Traits>
class HandleOutParam {
public:
    using Handle = typename Traits::Handle;
    explicit HandleOutParam(UniqueHandle<Traits>& owner) noexcept : owner_(owner) {}
    ~HandleOutParam() {
        const DWORD error = GetLastError();
        owner_.reset(written_);
        SetLastError(error);
    }
    HandleOutParam(const HandleOutParam&) = delete;
    HandleOutParam& operator=(const HandleOutParam&) = delete;

    operator Handle*() noexcept { return &written_; }

private:
    UniqueHandle<Traits>& owner_;
    Handle written_ = Traits::Invalid();
};

template <typename Traits>
HandleOutParam<Traits> OutParam(UniqueHandle<Traits>& owner) noexcept {
    return HandleOutParam<Traits>(owner);
}

// Handles whose "none" value is null.
template <typename H, auto CloseFn>
struct HandleTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseFn(h); }
};

// Handles whose "none" value is INVALID_HANDLE_VALUE: files, find handles, snapshots.
template <auto CloseFn>
struct InvalidValueHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { CloseFn(h); }
};

template <typename H>
struct TypedGdiTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { DeleteObject(h); }
};

using UniqueKernelHandle = UniqueHandle<HandleTraits<HANDLE, CloseHandle>>;
using UniqueFile = UniqueHandle<InvalidValueHandleTraits<CloseHandle>>;      // CreateFileW
using UniqueFindHandle = UniqueHandle<InvalidValueHandleTraits<FindClose>>;  // FindFirstFileW
using UniqueSnapshot = UniqueHandle<InvalidValueHandleTraits<CloseHandle>>;  // CreateToolhelp32Snapshot
using UniqueFileMapView = UniqueHandle<HandleTraits<LPVOID, UnmapViewOfFile>>;
using UniqueHkey = UniqueHandle<HandleTraits<HKEY, RegCloseKey>>;
using UniqueModule = UniqueHandle<HandleTraits<HMODULE, FreeLibrary>>;
using UniqueMemoryDc = UniqueHandle<HandleTraits<HDC, DeleteDC>>;
using UniqueFont = UniqueHandle<TypedGdiTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<TypedGdiTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<TypedGdiTraits<HBRUSH>>;
using UniquePen = UniqueHandle<TypedGdiTraits<HPEN>>;
using UniqueIcon = UniqueHandle<HandleTraits<HICON, DestroyIcon>>;
using UniqueMenu = UniqueHandle<HandleTraits<HMENU, DestroyMenu>>;
using UniqueWindow = UniqueHandle<HandleTraits<HWND, DestroyWindow>>;

// Selects a GDI object into a DC for one scope and puts the previous one back.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectObjectScope() { SelectObject(dc_, previous_); }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window DC from GetDC, released with its window.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

}  // namespace tarvex
