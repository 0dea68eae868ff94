// RAII owners for the handles, heap blocks and record lists the plug-in holds.
// One template for all of them, as WIL's unique_any: the close routine is a
// template parameter, so an owner is exactly as large as what it owns, and
// each kind of resource is an alias of it. Owners move and never copy.
// Clean-up never disturbs GetLastError(): routines report the error of the
// call that failed, not of the CloseHandle that followed it.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <utility>

namespace vornel {

// Keeps the thread's last error across a clean-up call.
class last_error_keeper {
public:
    last_error_keeper() noexcept : error_(GetLastError()) {}
    ~last_error_keeper() { SetLastError(error_); }
    last_error_keeper(const last_error_keeper&) = delete;
    last_error_keeper& operator=(const last_error_keeper&) = delete;

private:
    DWORD error_;
};

inline void close_handle(HANDLE h) noexcept { CloseHandle(h); }
inline void close_service(SC_HANDLE h) noexcept { CloseServiceHandle(h); }
inline void close_key(HKEY h) noexcept { RegCloseKey(h); }
inline void free_library(HMODULE h) noexcept { FreeLibrary(h); }
// Blocks from the runtime heap (malloc/free), the allocator the records use.
// Every block the plug-in takes goes through AllocateBlock (calloc when
// `zeroed`), so that a test can let memory run out at any one of them.
inline void* allocate_block(std::size_t bytes, bool zeroed) noexcept
{
    return zeroed ? std::calloc(1, bytes) : std::malloc(bytes);
}
inline void* (*AllocateBlock)(std::size_t bytes, bool zeroed) noexcept = allocate_block;
inline void free_block(void* block) noexcept { std::free(block); }

// Frees a singly or doubly linked list of malloc'ed records by following
// `next`.
template <typename Record>
void free_list(Record* head) noexcept
{
    while (head)
        std::free(std::exchange(head, head->next));
}

template <auto A, auto B>
inline constexpr bool same_routine = false;
template <auto A>
inline constexpr bool same_routine<A, A> = true;

// Owns one T, a handle or pointer, and closes it with Close. Null never
// counts as owned. A kind whose calls fail with another value gives it as
// Empty (INVALID_HANDLE_VALUE is -1, and no constant expression as a
// handle); an empty owner holds that value.
template <typename T, auto Close, std::intptr_t Empty = 0>
class unique_any {
public:
    unique_any() noexcept = default;
    explicit unique_any(T value) noexcept : value_(value) {}
    unique_any(unique_any&& other) noexcept : value_(other.release()) {}
    unique_any& operator=(unique_any&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_any(const unique_any&) = delete;
    unique_any& operator=(const unique_any&) = delete;
    ~unique_any() { reset(); }

    T get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return Owned(value_); }
    T release() noexcept { return std::exchange(value_, EmptyValue()); }

    void reset(T value = EmptyValue()) noexcept
    {
        T old = std::exchange(value_, value);
        if (Owned(old)) {
            last_error_keeper keep;
            Close(old);
        }
    }

    // For calls that return the resource through a pointer: what the owner
    // held is closed first.
    T* put() noexcept
    {
        reset();
        return &value_;
    }
    // The held value's address, nothing closed: for routines that add to a
    // list whose head they are given.
    T* addr() noexcept { return &value_; }

    T operator->() const noexcept
        requires std::is_pointer_v<T>
    {
        return value_;
    }
    decltype(auto) operator[](std::size_t i) const noexcept
        requires std::is_pointer_v<T>
    {
        return value_[i];
    }

    // A block from the runtime heap, for the owners that free one.
    static unique_any allocate(std::size_t bytes) noexcept
        requires same_routine<Close, free_block>
    {
        return unique_any(static_cast<T>(AllocateBlock(bytes, false)));
    }
    static unique_any allocate_zeroed(std::size_t bytes) noexcept
        requires same_routine<Close, free_block>
    {
        return unique_any(static_cast<T>(AllocateBlock(bytes, true)));
    }

private:
    static constexpr T EmptyValue() noexcept
    {
        if constexpr (Empty == 0)
            return nullptr;
        else
            return reinterpret_cast<T>(Empty);
    }
    static bool Owned(T value) noexcept { return value != nullptr && value != EmptyValue(); }

    T value_ = EmptyValue();
};

// Process, thread and token handles: null is the failure value.
using unique_handle = unique_any<HANDLE, close_handle>;
// Toolhelp snapshots and files: INVALID_HANDLE_VALUE is the failure value
// (a null handle counts as failed too).
using unique_hfile = unique_any<HANDLE, close_handle, -1>;
using unique_snapshot = unique_hfile;
using unique_sc_handle = unique_any<SC_HANDLE, close_service>;
using unique_hkey = unique_any<HKEY, close_key>;
// A hold on a module, taken with LoadLibrary or GetModuleHandleEx.
using unique_hmodule = unique_any<HMODULE, free_library>;
template <typename T>
using unique_block = unique_any<T*, free_block>;
// A list of malloc'ed records, held by its head; addr() gives the head's
// address to routines written in terms of one.
template <typename Record>
using list_owner = unique_any<Record*, free_list<Record>>;

// Runs a callable when the scope ends, unless dismissed.
template <typename F>
class scope_exit {
public:
    explicit scope_exit(F f) noexcept : f_(std::move(f)) {}
    scope_exit(const scope_exit&) = delete;
    scope_exit& operator=(const scope_exit&) = delete;
    ~scope_exit()
    {
        if (active_)
            f_();
    }
    void dismiss() noexcept { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

}  // namespace vornel
