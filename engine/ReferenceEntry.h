#pragma once

#include "engine/ReferenceResampler.h"
#include "engine/ReferenceTransport.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_audio_formats/juce_audio_formats.h>

#include <memory>

/** One loaded Reference: a whole audio file decoded into memory, a looping source over it, a
    resampler to the host's rate and the transport record shared with the audio thread.

    Entries are built on the message thread (or the host's state call) by `decode`, then moved
    into the processor's list while processing is suspended. They are moved, never copied.
*/
struct ReferenceEntry
{
    /** Largest decoded size accepted, in bytes of 32-bit samples over all channels: over three
        hours of 48 kHz stereo. Larger files are refused rather than risking the host's memory. */
    static constexpr std::int64_t kMaxDecodedBytes = std::int64_t (4) << 30;

    /** Reads the whole file at `path` with one of `formats`' readers. Returns an entry whose
        `memorySource` is null when the path is not a full one, or the file cannot be opened, is
        empty, too large or fails to decode; never throws. Message thread (or the host's state
        call). */
    static ReferenceEntry decode (const juce::String& path, juce::AudioFormatManager& formats);

    ReferenceEntry() = default;
    ReferenceEntry (ReferenceEntry&&) noexcept = default;
    ReferenceEntry& operator= (ReferenceEntry&&) noexcept;
    ~ReferenceEntry();

    /** True when the file was decoded and the entry can be played. */
    bool isValid() const noexcept { return memorySource != nullptr; }

    /** Prepares the sources for the host's rate; a rate that is not positive prepares nothing,
        so the next valid preparation does it. Message thread, never during a block. */
    void prepare (int blockSize, double hostSampleRate);

    /** Releases what `prepare` sized. */
    void release();

    juce::String fullPath;
    int numChannels = 0;
    double fileSampleRate = 0.0;
    std::unique_ptr<juce::AudioBuffer<float>> samples;
    std::unique_ptr<juce::MemoryAudioSource> memorySource;
    std::unique_ptr<ReferenceResampler> resampler;
    std::unique_ptr<ReferenceTransport> transport;

private:
    void destroyInOrder() noexcept;
};
