#pragma once

#include <atomic>
#include <cstdint>

/** The playhead of one Reference, shared by the message thread and the audio thread.

    The message thread requests a seek by exchanging `pendingSeekSample`; the audio thread takes
    it back to -1 with one compare-and-swap, so a newer request made meanwhile stays pending.
    The audio thread publishes the position it reached in `positionSeconds`.
*/
struct ReferenceTransport
{
    /** A requested playhead position in file samples, or -1 when no seek is pending. */
    std::atomic<std::int64_t> pendingSeekSample { -1 };

    /** The playhead in seconds as the audio thread last published it. */
    std::atomic<double> positionSeconds { 0.0 };

    /** The playhead in file samples, fractional. Written by the audio thread only (and read by
        prepareToPlay, while no block runs, to restore the read position). */
    double positionSamples = 0.0;
};
