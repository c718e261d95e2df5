#pragma once

#include <objbase.h>

#include "common/unique_resource.h"

// A COM interface pointer, released when its owner goes.
template <class Interface> struct ComTraits {
    using Value = Interface*;
    static Value Invalid() noexcept { return nullptr; }
    static void Close(Value value) noexcept { value->Release(); }
};

template <class Interface> using UniqueCom = UniqueResource<ComTraits<Interface>>;

// Initialises COM for the calling thread for the owner's lifetime.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialised_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};
