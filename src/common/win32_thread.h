#pragma once

#include <windows.h>

#include <memory>
#include <utility>

#include "common/unique_resource.h"

// Threads and locks on Win32 primitives. The win32 thread-model compilers the
// program is built with have no std::thread or std::mutex (the posix ones
// bring winpthreads, which imports functions Windows XP lacks).

// A critical section, entered for a scope by CriticalSectionLock.
class CriticalSection {
public:
    CriticalSection() noexcept { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() noexcept { EnterCriticalSection(&section_); }
    void Leave() noexcept { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};

class CriticalSectionLock {
public:
    explicit CriticalSectionLock(CriticalSection& section) noexcept : section_(section) {
        section_.Enter();
    }
    ~CriticalSectionLock() { section_.Leave(); }
    CriticalSectionLock(const CriticalSectionLock&) = delete;
    CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
    CriticalSection& section_;
};

// A thread running a callable, waited for when its owner ends: nothing the
// callable uses can be destroyed under it.
class JoinedThread {
public:
    template <class Callable> explicit JoinedThread(Callable callable) {
        auto task = std::make_unique<Callable>(std::move(callable));
        thread_.reset(CreateThread(nullptr, 0, &Run<Callable>, task.get(), 0, nullptr));
        if (thread_)
            task.release(); // the thread owns it now
    }
    ~JoinedThread() { Join(); }
    JoinedThread(const JoinedThread&) = delete;
    JoinedThread& operator=(const JoinedThread&) = delete;

    // Whether the thread could be started.
    explicit operator bool() const noexcept { return static_cast<bool>(thread_); }

    // Waits until the thread has ended; at once when it has or never started.
    void Join() noexcept {
        if (thread_) {
            WaitForSingleObject(thread_.get(), INFINITE);
            thread_.reset();
        }
    }

private:
    template <class Callable> static DWORD WINAPI Run(void* context) {
        const std::unique_ptr<Callable> task(static_cast<Callable*>(context));
        (*task)();
        return 0;
    }

    UniqueHandle thread_;
};
