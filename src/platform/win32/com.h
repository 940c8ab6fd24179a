#pragma once
// COM and OLE for the few parts of the program that use them (the Task Scheduler, the embedded
// web browser). ole32 and oleaut32 are loaded on first use, so that a start that needs neither
// pays nothing, and stay for the process: unloading ole32 under objects that another part of
// the process may still hold is not safe.
#include <windows.h>
#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>

#include <memory>
#include <string_view>

namespace tarvex {

struct ComApi {
    decltype(&CoInitializeEx) InitializeEx = nullptr;
    decltype(&CoUninitialize) Uninitialize = nullptr;
    decltype(&CoCreateInstance) CreateInstance = nullptr;
    decltype(&CoTaskMemAlloc) TaskMemAlloc = nullptr;
    decltype(&OleInitialize) OleInitialize = nullptr;
    decltype(&OleUninitialize) OleUninitialize = nullptr;
    decltype(&SysAllocStringLen) AllocStringLen = nullptr;
    decltype(&SysFreeString) FreeString = nullptr;
};

// The functions, or null where ole32 or oleaut32 lacks one.
const ComApi* LoadComApi();

struct ComRelease {
    void operator()(IUnknown* p) const noexcept { p->Release(); }
};
template <typename Interface>
using ComPtr = std::unique_ptr<Interface, ComRelease>;

// A BSTR, freed with its owner.
class Bstr {
public:
    explicit Bstr(const ComApi& api) noexcept : api_(api) {}
    Bstr(const ComApi& api, std::string_view utf8);
    ~Bstr() { api_.FreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const noexcept { return text_; }
    BSTR* Out() noexcept { return &text_; }
    explicit operator bool() const noexcept { return text_ != nullptr; }

private:
    const ComApi& api_;
    BSTR text_ = nullptr;
};

// This thread in a COM apartment for one call. A thread that is in one already (in either
// model) keeps it; only a successful join is undone.
class ComApartment {
public:
    explicit ComApartment(const ComApi& api) noexcept
        : api_(api), result_(api.InitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(result_)) api_.Uninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    bool Joined() const noexcept { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    const ComApi& api_;
    HRESULT result_;
};

// This thread initialised for OLE (what in-place objects such as the web browser need) for
// the object's life; undone only when it succeeded.
class OleSession {
public:
    explicit OleSession(const ComApi& api) noexcept : api_(api), result_(api.OleInitialize(nullptr)) {}
    ~OleSession() {
        if (SUCCEEDED(result_)) api_.OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

    bool Ready() const noexcept { return SUCCEEDED(result_); }

private:
    const ComApi& api_;
    HRESULT result_;
};

}  // namespace tarvex
