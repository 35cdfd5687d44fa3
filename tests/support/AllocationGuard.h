#pragma once

/** Counts heap allocations made on the current thread while an instance is alive.

    The test executables replace the global allocation functions; while a guard exists on a
    thread, every allocation on that thread is counted. Real-time tests wrap the audio thread's
    work in a guard and expect the count to stay at zero.
*/
struct AllocationGuard
{
    AllocationGuard();
    ~AllocationGuard();

    /** Allocations counted on this thread since this guard was made. */
    int allocationsSoFar() const;

    AllocationGuard (const AllocationGuard&) = delete;
    AllocationGuard& operator= (const AllocationGuard&) = delete;

private:
    int startCount = 0;
    bool wasArmed = false;
};
