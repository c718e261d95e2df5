#pragma once

#include <objbase.h>

#include "common/unique_resource.h"

// UniqueCom, the owner of an interface pointer, is in unique_resource.h.

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
