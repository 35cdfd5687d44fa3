#include "engine/ReferenceEntry.h"

#include <sys/stat.h>

#include <cmath>
#include <new>

namespace
{
/** Only regular files are decoded: opening a named pipe or a device would block the caller
    (the host's project load, or the editor) until something else writes to it. */
bool isRegularFile (const juce::File& file)
{
    struct stat info {};
    return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
}

constexpr std::int64_t kMaxSamplesPerChannel = 2147483647;

/** More samples per channel than any honest file holds per byte of itself: the densest real
    streams (FLAC or Vorbis frames of digital silence) stay below a few thousand. A header that
    claims more is damaged or hostile, and believing it would fill gigabytes with silence. */
constexpr std::int64_t kMaxSamplesPerFileByte = 8192;
constexpr int kMaxChannels = 2;

/** Most channels a file may declare. More means a damaged header (JUCE's AIFF reader turns a
    16-bit count of 32768 or more into a number near 2^32, negative as an int), and JUCE's
    WAV and AIFF readers loop for ever on frames wider than their 5760-byte work buffer. */
constexpr unsigned int kMaxFileChannels = 64;

/** Widest sample a file may declare; wider frames stall the same readers. */
constexpr unsigned int kMaxBitsPerSample = 64;
constexpr int kFallbackBlockSize = 512;
}

ReferenceEntry ReferenceEntry::decode (const juce::String& path, juce::AudioFormatManager& formats)
{
    ReferenceEntry entry;
    entry.fullPath = path;

    // Only a full path names a file: a relative one (from a damaged project, say) would be
    // looked up in whatever folder the host happens to work in.
    if (! juce::File::isAbsolutePath (path))
        return entry;

    const juce::File file (path);

    if (! isRegularFile (file))
        return entry;

    std::unique_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (file));

    if (reader == nullptr
        || ! (reader->sampleRate > 0.0)
        || reader->numChannels == 0
        || reader->numChannels > kMaxFileChannels
        || reader->bitsPerSample > kMaxBitsPerSample
        || reader->lengthInSamples < 1
        || reader->lengthInSamples > kMaxSamplesPerChannel)
        return entry;

    const auto channels = juce::jmin ((int) reader->numChannels, kMaxChannels);
    const auto length = reader->lengthInSamples;

    if (length > file.getSize() * kMaxSamplesPerFileByte)
        return entry;

    if ((std::int64_t) channels * length * (std::int64_t) sizeof (float) > kMaxDecodedBytes)
        return entry;

    try
    {
        auto samples = std::make_unique<juce::AudioBuffer<float>> (channels, (int) length);

        if (! reader->read (samples.get(), 0, (int) length, 0, true, true))
            return entry;

        // Decoders may hand out NaN or infinity from a damaged stream; what the meters and the
        // host receive must stay finite.
        for (int ch = 0; ch < channels; ++ch)
        {
            auto* data = samples->getWritePointer (ch);

            for (int i = 0; i < (int) length; ++i)
                if (! std::isfinite (data[i]))
                    data[i] = 0.0f;
        }

        entry.numChannels = channels;
        entry.fileSampleRate = reader->sampleRate;
        entry.samples = std::move (samples);
        entry.transport = std::make_unique<ReferenceTransport>();
        entry.memorySource = std::make_unique<juce::MemoryAudioSource> (*entry.samples, false, true);
        reader.reset();
        entry.resampler = std::make_unique<ReferenceResampler> (entry.memorySource.get(), channels);
    }
    catch (const std::bad_alloc&)
    {
        ReferenceEntry failed;
        failed.fullPath = path;
        return failed;
    }

    return entry;
}

ReferenceEntry& ReferenceEntry::operator= (ReferenceEntry&& other) noexcept
{
    if (this != &other)
    {
        destroyInOrder();
        fullPath = std::move (other.fullPath);
        numChannels = other.numChannels;
        fileSampleRate = other.fileSampleRate;
        samples = std::move (other.samples);
        memorySource = std::move (other.memorySource);
        resampler = std::move (other.resampler);
        transport = std::move (other.transport);
    }

    return *this;
}

ReferenceEntry::~ReferenceEntry()
{
    destroyInOrder();
}

void ReferenceEntry::destroyInOrder() noexcept
{
    // The resampler reads the memory source, which refers to the sample buffer.
    transport.reset();
    resampler.reset();
    memorySource.reset();
    samples.reset();
}

void ReferenceEntry::prepare (int blockSize, double hostSampleRate)
{
    if (memorySource == nullptr || ! (hostSampleRate > 0.0))
        return;

    const auto block = blockSize < 1 ? kFallbackBlockSize : blockSize;
    memorySource->prepareToPlay (block, hostSampleRate);

    if (resampler != nullptr && fileSampleRate > 0.0)
    {
        resampler->setResamplingRatio (juce::jmax (0.0, fileSampleRate / hostSampleRate));
        resampler->prepareToPlay (block, hostSampleRate);
    }

    memorySource->setNextReadPosition (transport != nullptr ? (juce::int64) transport->positionSamples : 0);
}

void ReferenceEntry::release()
{
    if (resampler != nullptr)
        resampler->releaseResources();

    if (memorySource != nullptr)
        memorySource->releaseResources();
}
