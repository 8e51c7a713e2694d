#pragma once
// Owners of the Win32 things both programs hold for a while: kernel handles, GDI objects, device
// contexts, objects selected into a context, the COM apartment and its values, GDI+.
// Each gives its thing back exactly once, when the owner goes; none can be copied.

#include <windows.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <string>
#include <utility>

namespace qvx::base::win32 {

// A kernel handle closed with CloseHandle. Both null and INVALID_HANDLE_VALUE mean "none", so
// the result of CreateFile and of OpenProcess can be held alike.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    HANDLE Release() { return std::exchange(handle_, nullptr); }
    void Reset(HANDLE handle = nullptr) {
        if (Valid()) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// A GDI object (font, brush, pen, bitmap, region) deleted with DeleteObject. It must not be
// selected into a context when the owner goes: select it through SelectedObject.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(Handle handle = nullptr) {
        if (handle_ != nullptr) {
            DeleteObject(handle_);
        }
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

// An object selected into a context; the context's previous object is put back when the owner
// goes. Declare it after the owner of the object, so the object is deselected before deletion.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

    // Selects another object in place of the current one; the first previous one is still what
    // comes back at the end.
    void Select(HGDIOBJ object) { SelectObject(dc_, object); }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's (or the screen's, window = nullptr) context from GetDC, released with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A context made by CreateCompatibleDC or CreateDC, deleted with DeleteDC.
class CreatedDc {
public:
    CreatedDc() = default;
    explicit CreatedDc(HDC dc) : dc_(dc) {}
    ~CreatedDc() { Reset(); }
    CreatedDc(CreatedDc&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    CreatedDc& operator=(CreatedDc&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.dc_, nullptr));
        }
        return *this;
    }
    CreatedDc(const CreatedDc&) = delete;
    CreatedDc& operator=(const CreatedDc&) = delete;
    HDC Get() const { return dc_; }
    void Reset(HDC dc = nullptr) {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
        dc_ = dc;
    }

private:
    HDC dc_ = nullptr;
};

// CoInitializeEx for this thread, undone when the owner goes if it was this owner that did it.
// A thread already in another apartment model keeps it; late-bound calls work in either.
class ComApartment {
public:
    ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

// COM interface pointers: AddRef on copy, Release when the owner goes.
template <class Interface>
using ComPtr = Microsoft::WRL::ComPtr<Interface>;

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text)
        : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return value_; }
    BSTR* Out() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    std::wstring Text() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : L""; }

private:
    BSTR value_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT& Get() { return value_; }
    const VARIANT& Get() const { return value_; }
    VARIANT* Out() {
        VariantClear(&value_);
        return &value_;
    }

private:
    VARIANT value_;
};

// GDI+ started for as long as the owner lives; Started() says whether it could be.
class GdiplusSession {
public:
    GdiplusSession();
    ~GdiplusSession();
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool Started() const { return token_ != 0; }

private:
    ULONG_PTR token_ = 0;
};

}  // namespace qvx::base::win32
