#include "support/AllocationGuard.h"

#include <cstdlib>
#include <cstddef>

// The guard counts at the C allocator, so it sees JUCE's HeapBlock and AudioBuffer storage
// (which use malloc directly) as well as every operator new (which libstdc++ builds on malloc).
extern "C"
{
void* __libc_malloc (std::size_t);
void* __libc_calloc (std::size_t, std::size_t);
void* __libc_realloc (void*, std::size_t);
void* __libc_memalign (std::size_t, std::size_t);
}

namespace
{
thread_local bool armed = false;
thread_local int allocationCount = 0;

inline void count() noexcept
{
    if (armed)
        ++allocationCount;
}
} // namespace

AllocationGuard::AllocationGuard()
    : startCount (allocationCount), wasArmed (armed)
{
    armed = true;
}

AllocationGuard::~AllocationGuard()
{
    armed = wasArmed;
}

int AllocationGuard::allocationsSoFar() const
{
    return allocationCount - startCount;
}

extern "C"
{
void* malloc (std::size_t size)
{
    count();
    return __libc_malloc (size);
}

void* calloc (std::size_t n, std::size_t size)
{
    count();
    return __libc_calloc (n, size);
}

void* realloc (void* p, std::size_t size)
{
    count();
    return __libc_realloc (p, size);
}

void* aligned_alloc (std::size_t alignment, std::size_t size)
{
    count();
    return __libc_memalign (alignment, size);
}

void* memalign (std::size_t alignment, std::size_t size)
{
    count();
    return __libc_memalign (alignment, size);
}

int posix_memalign (void** result, std::size_t alignment, std::size_t size)
{
    count();
    *result = __libc_memalign (alignment, size);
    return *result != nullptr ? 0 : 12; // ENOMEM
}
}
