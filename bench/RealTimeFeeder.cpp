#include "bench/RealTimeFeeder.h"

#include <chrono>
#include <ctime>
#include <pthread.h>

RealTimeFeeder::RealTimeFeeder (EditorPlayback& playbackToUse, double sampleRate)
    : playback (playbackToUse),
      blockSeconds ((double) playbackToUse.blockSize / sampleRate),
      thread ([this] { run(); })
{
}

RealTimeFeeder::~RealTimeFeeder()
{
    keepRunning = false;
    thread.join();
}

double RealTimeFeeder::cpuSeconds() const
{
    clockid_t clock {};
    timespec time {};

    if (pthread_getcpuclockid (const_cast<std::thread&> (thread).native_handle(), &clock) != 0
        || clock_gettime (clock, &time) != 0)
        return 0.0;

    return (double) time.tv_sec + 1.0e-9 * (double) time.tv_nsec;
}

void RealTimeFeeder::run()
{
    // Each block is due one block's duration after the previous one, as a sound card asks.
    const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration> (std::chrono::duration<double> (blockSeconds));
    auto due = std::chrono::steady_clock::now();

    while (keepRunning)
    {
        playback.playBlock();
        ++blocks;
        due += period;
        std::this_thread::sleep_until (due);
    }
}
