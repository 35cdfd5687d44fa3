#pragma once

/** Counts heap allocations and releases made on the current thread while an instance is alive.

    The test executables replace the global allocation functions; while a guard exists on a
    thread, every allocation and every release of a block on that thread is counted. Real-time
    tests wrap the audio thread's work in a guard and expect both counts to stay at zero.
*/
struct AllocationGuard
{
    AllocationGuard();
    ~AllocationGuard();

    /** Allocations counted on this thread since this guard was made. */
    int allocationsSoFar() const;

    /** Blocks released (freed) on this thread since this guard was made. */
    int releasesSoFar() const;

    AllocationGuard (const AllocationGuard&) = delete;
    AllocationGuard& operator= (const AllocationGuard&) = delete;

private:
    int startCount = 0;
    int startReleases = 0;
    bool wasArmed = false;
};
