// A buffer whose end lies exactly at an inaccessible page, so that any read
// or write past the last byte faults, and canary bytes before and after the
// area under test for the arbitrarily aligned case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t capacity)
    {
        page_ = page_size();
        data_pages_ = (capacity + page_ - 1) / page_ + 1;
        size_t total = (data_pages_ + 1) * page_;
#if defined(_WIN32)
        base_ = (uint8_t *)VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        DWORD old;
        VirtualProtect(base_ + data_pages_ * page_, page_, PAGE_NOACCESS, &old);
#else
        void *p = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        base_ = p == MAP_FAILED ? nullptr : (uint8_t *)p;
        if (base_)
            mprotect(base_ + data_pages_ * page_, page_, PROT_NONE);
#endif
        total_ = total;
    }
    ~GuardedBuffer()
    {
#if defined(_WIN32)
        VirtualFree(base_, 0, MEM_RELEASE);
#else
        if (base_)
            munmap(base_, total_);
#endif
    }
    GuardedBuffer(const GuardedBuffer &) = delete;
    GuardedBuffer &operator=(const GuardedBuffer &) = delete;

    bool ok() const { return base_ != nullptr; }
    // `size` bytes ending right at the guard page.
    uint8_t *at_end(size_t size) { return base_ + data_pages_ * page_ - size; }
    // `size` bytes at offset `offset` from a page start (canary mode).
    uint8_t *at(size_t offset) { return base_ + offset; }
    uint8_t *base() { return base_; }
    size_t usable() const { return data_pages_ * page_; }

private:
    static size_t page_size()
    {
#if defined(_WIN32)
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        return si.dwPageSize;
#else
        return (size_t)sysconf(_SC_PAGESIZE);
#endif
    }
    uint8_t *base_ = nullptr;
    size_t page_ = 4096, data_pages_ = 0, total_ = 0;
};
