#pragma once

#include <windows.h>
#include <winsvc.h>

#include <utility>

// One move-only owner for every kind of handle. A traits type names the value
// that means "nothing held" and how to close; the last error survives a close,
// so a caller can still read why the call before it failed.
template <class Traits> class UniqueResource {
public:
    using Value = typename Traits::Value;

    UniqueResource() noexcept = default;
    explicit UniqueResource(Value value) noexcept : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;

    Value get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

    Value release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    void reset(Value value = Traits::Invalid()) noexcept {
        if (value_ != Traits::Invalid()) {
            const DWORD lastError = GetLastError();
            Traits::Close(value_);
            SetLastError(lastError);
        }
        value_ = value;
    }

    // For out-parameters of creating calls: closes what is held first.
    Value* put() noexcept {
        reset();
        return &value_;
    }

private:
    Value value_ = Traits::Invalid();
};

struct KernelHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { CloseHandle(value); }
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE, not as null.
struct FileHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) noexcept { CloseHandle(value); }
};

struct RegistryKeyTraits {
    using Value = HKEY;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { RegCloseKey(value); }
};

struct FindHandleTraits {
    using Value = HANDLE;
    static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Value value) noexcept { FindClose(value); }
};

struct ServiceHandleTraits {
    using Value = SC_HANDLE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { CloseServiceHandle(value); }
};

// Memory the system allocated with LocalAlloc for the caller (security
// descriptors, SDDL text).
struct LocalMemoryTraits {
    using Value = HLOCAL;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { LocalFree(value); }
};
using UniqueLocal = UniqueResource<LocalMemoryTraits>;

struct LibraryTraits {
    using Value = HMODULE;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { FreeLibrary(value); }
};

// GDI objects of one kind (brush, bitmap, font): DeleteObject.
template <class Object> struct GdiObjectTraits {
    using Value = Object;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { DeleteObject(value); }
};

// A device context made with CreateCompatibleDC.
struct MemoryDcTraits {
    using Value = HDC;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { DeleteDC(value); }
};

struct IconTraits {
    using Value = HICON;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { DestroyIcon(value); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFile = UniqueResource<FileHandleTraits>;
using UniqueKey = UniqueResource<RegistryKeyTraits>;
using UniqueFind = UniqueResource<FindHandleTraits>;
using UniqueServiceHandle = UniqueResource<ServiceHandleTraits>;
using UniqueLibrary = UniqueResource<LibraryTraits>;
using UniqueBrush = UniqueResource<GdiObjectTraits<HBRUSH>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueIcon = UniqueResource<IconTraits>;
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

// Runs a callable when the scope ends, on every path out of it.
template <class Callable> class ScopeExit {
public:
    explicit ScopeExit(Callable callable) : callable_(std::move(callable)) {}
    ~ScopeExit() { callable_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Callable callable_;
};

// A COM interface pointer; Release on reset.
template <class Interface> struct ComTraits {
    using Value = Interface*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { value->Release(); }
};

template <class Interface> using UniqueCom = UniqueResource<ComTraits<Interface>>;
