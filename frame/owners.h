// RAII owners for the handles, heap blocks and record lists the plug-in holds.
// One template per kind of resource, the close routine a template parameter so
// an owner is exactly as large as what it owns. Clean-up never disturbs
// GetLastError(): routines report the error of the call that failed, not of
// the CloseHandle that followed it.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <cstdlib>
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

template <typename T, auto Close, T Invalid>
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
    explicit operator bool() const noexcept { return value_ != Invalid; }

    T release() noexcept { return std::exchange(value_, Invalid); }

    void reset(T value = Invalid) noexcept
    {
        T old = std::exchange(value_, value);
        if (old != Invalid) {
            last_error_keeper keep;
            Close(old);
        }
    }

    // For APIs that return the resource through a pointer.
    T* put() noexcept
    {
        reset();
        return &value_;
    }

private:
    T value_ = Invalid;
};

inline void close_handle(HANDLE h) noexcept { CloseHandle(h); }
inline void close_service(SC_HANDLE h) noexcept { CloseServiceHandle(h); }
inline void close_key(HKEY h) noexcept { RegCloseKey(h); }

// Process, thread and token handles: null is the invalid value.
using unique_handle = unique_any<HANDLE, close_handle, nullptr>;
// Toolhelp snapshots and files: INVALID_HANDLE_VALUE is the invalid value,
// and a null handle counts as failed too. (INVALID_HANDLE_VALUE is not a
// constant expression, so this kind is written out instead of unique_any.)
class unique_hfile {
public:
    unique_hfile() noexcept = default;
    explicit unique_hfile(HANDLE h) noexcept : h_(h) {}
    unique_hfile(unique_hfile&& o) noexcept : h_(o.release()) {}
    unique_hfile& operator=(unique_hfile&& o) noexcept
    {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    unique_hfile(const unique_hfile&) = delete;
    unique_hfile& operator=(const unique_hfile&) = delete;
    ~unique_hfile() { reset(); }

    HANDLE get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE release() noexcept { return std::exchange(h_, INVALID_HANDLE_VALUE); }
    void reset(HANDLE h = INVALID_HANDLE_VALUE) noexcept
    {
        HANDLE old = std::exchange(h_, h);
        if (old != INVALID_HANDLE_VALUE && old != nullptr) {
            last_error_keeper keep;
            CloseHandle(old);
        }
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};
using unique_snapshot = unique_hfile;

using unique_sc_handle = unique_any<SC_HANDLE, close_service, nullptr>;
using unique_hkey = unique_any<HKEY, close_key, nullptr>;

// A block from the runtime heap (malloc/free), the allocator the record
// lists use.
template <typename T>
class unique_block {
public:
    unique_block() noexcept = default;
    explicit unique_block(T* p) noexcept : p_(p) {}
    unique_block(unique_block&& o) noexcept : p_(o.release()) {}
    unique_block& operator=(unique_block&& o) noexcept
    {
        if (this != &o)
            reset(o.release());
        return *this;
    }
    unique_block(const unique_block&) = delete;
    unique_block& operator=(const unique_block&) = delete;
    ~unique_block() { reset(); }

    static unique_block allocate(size_t bytes) noexcept
    {
        return unique_block(static_cast<T*>(std::malloc(bytes)));
    }
    static unique_block allocate_zeroed(size_t bytes) noexcept
    {
        return unique_block(static_cast<T*>(std::calloc(1, bytes)));
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator[](size_t i) const noexcept { return p_[i]; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T* release() noexcept { return std::exchange(p_, nullptr); }
    void reset(T* p = nullptr) noexcept
    {
        T* old = std::exchange(p_, p);
        if (old) {
            last_error_keeper keep;
            std::free(old);
        }
    }

private:
    T* p_ = nullptr;
};

// Frees a singly or doubly linked list of malloc'ed records by following
// `next`. The owner holds the head by value so callers can still pass its
// address (`put()`/`addr()`) to routines written in terms of a head pointer.
template <typename Record>
void free_list(Record*& head) noexcept
{
    last_error_keeper keep;
    while (head) {
        Record* next = head->next;
        std::free(head);
        head = next;
    }
}

template <typename Record>
class list_owner {
public:
    list_owner() noexcept = default;
    list_owner(const list_owner&) = delete;
    list_owner& operator=(const list_owner&) = delete;
    ~list_owner() { reset(); }

    Record* get() const noexcept { return head_; }
    Record** addr() noexcept { return &head_; }
    void reset() noexcept { free_list(head_); }

private:
    Record* head_ = nullptr;
};

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
