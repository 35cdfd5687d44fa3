#include "support/AllocationGuard.h"

#include <cstdlib>
#include <cstddef>

// Under AddressSanitizer and ThreadSanitizer the sanitizer owns the heap: replacing malloc
// would hand it blocks it never made, and the first free would crash. There the guard counts
// through the sanitizer's allocation hooks instead. Under RealtimeSanitizer the replacements
// stay, but pass each call on to the sanitizer's own entry points, so that it still sees (and
// reports) every allocation made on the audio thread.
#if defined (__has_feature)
 #if __has_feature (address_sanitizer) || __has_feature (thread_sanitizer)
  #define KALVORIN_GUARD_USES_SANITIZER_HOOKS 1
 #elif __has_feature (realtime_sanitizer)
  #define KALVORIN_GUARD_FORWARDS_TO_SANITIZER 1
 #endif
#endif

#if KALVORIN_GUARD_USES_SANITIZER_HOOKS
 #include <sanitizer/allocator_interface.h>
#endif

namespace
{
thread_local bool armed = false;
thread_local int allocationCount = 0;
thread_local int releaseCount = 0;

inline void count() noexcept
{
    if (armed)
        ++allocationCount;
}

// Freeing nothing is no work; only a real block counts as a release.
inline void countRelease (const volatile void* block) noexcept
{
    if (armed && block != nullptr)
        ++releaseCount;
}

#if KALVORIN_GUARD_USES_SANITIZER_HOOKS
void onAllocation (const volatile void*, std::size_t) { count(); }
void onRelease (const volatile void* block) { countRelease (block); }

const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks (onAllocation, onRelease);
#endif
} // namespace

AllocationGuard::AllocationGuard()
    : startCount (allocationCount), startReleases (releaseCount), wasArmed (armed)
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

int AllocationGuard::releasesSoFar() const
{
    return releaseCount - startReleases;
}

#if ! KALVORIN_GUARD_USES_SANITIZER_HOOKS

// The guard counts at the C allocator, so it sees JUCE's HeapBlock and AudioBuffer storage
// (which use malloc and free directly) as well as every operator new and delete (which libstdc++
// builds on malloc and free).
#if KALVORIN_GUARD_FORWARDS_TO_SANITIZER
 #define KALVORIN_REAL(name) __interceptor_##name
#else
 #define KALVORIN_REAL(name) __libc_##name
#endif

extern "C"
{
void* KALVORIN_REAL (malloc) (std::size_t);
void* KALVORIN_REAL (calloc) (std::size_t, std::size_t);
void* KALVORIN_REAL (realloc) (void*, std::size_t);
void* KALVORIN_REAL (memalign) (std::size_t, std::size_t);
void KALVORIN_REAL (free) (void*);

void* malloc (std::size_t size)
{
    count();
    return KALVORIN_REAL (malloc) (size);
}

void* calloc (std::size_t n, std::size_t size)
{
    count();
    return KALVORIN_REAL (calloc) (n, size);
}

void* realloc (void* p, std::size_t size)
{
    count();
    return KALVORIN_REAL (realloc) (p, size);
}

void* aligned_alloc (std::size_t alignment, std::size_t size)
{
    count();
    return KALVORIN_REAL (memalign) (alignment, size);
}

void* memalign (std::size_t alignment, std::size_t size)
{
    count();
    return KALVORIN_REAL (memalign) (alignment, size);
}

int posix_memalign (void** result, std::size_t alignment, std::size_t size)
{
    count();
    *result = KALVORIN_REAL (memalign) (alignment, size);
    return *result != nullptr ? 0 : 12; // ENOMEM
}

void free (void* block)
{
    countRelease (block);
    KALVORIN_REAL (free) (block);
}
}
#endif
