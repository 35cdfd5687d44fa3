// Inputs that the fuzz targets of tests/fuzz found harmful, kept in the normal suite so that
// the harm cannot come back. Each input is rebuilt here from what made it harmful.

#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include "engine/StateBlobReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>

namespace
{
constexpr double kHostRate = 48000.0;
constexpr int kBlock = 512;

struct FuzzRegression : ::testing::Test
{
    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    KalvorinAudioProcessor& processor = *harness.processor;

    /** Plays a few blocks with the transport running; false when any output is not finite. */
    bool playsFinite (int blocks)
    {
        harness.playHead.playing = true;

        for (int b = 0; b < blocks; ++b)
        {
            const auto out = harness.processConstant (kBlock, 0.1f);

            for (int ch = 0; ch < out.getNumChannels(); ++ch)
                for (int i = 0; i < kBlock; ++i)
                    if (! std::isfinite (out.getSample (ch, i)))
                        return false;
        }

        return true;
    }
};

/** Adds the file, failing the test (and ending the run, since the decoding thread cannot be
    stopped) when addReference has not returned within a generous time: the damage guarded
    against here is a decoder that never returns. */
int addWithinTimeLimit (KalvorinAudioProcessor& processor, const juce::File& file)
{
    constexpr auto kTimeLimit = std::chrono::seconds (30);

    auto pending = std::make_shared<std::promise<int>>();
    auto result = pending->get_future();
    std::thread ([&processor, path = file.getFullPathName(), pending] { pending->set_value (processor.addReference (path)); }).detach();

    if (result.wait_for (kTimeLimit) != std::future_status::ready)
    {
        ADD_FAILURE() << "addReference did not return within 30 s for " << file.getFileName();
        std::abort();
    }

    return result.get();
}

/** A canonical 44-byte WAV header for PCM data of the given shape, followed by `numFrames`
    frames of zeros. */
juce::MemoryBlock wavWithChannels (int numChannels, int bitsPerSample, int numFrames)
{
    const auto bytesPerFrame = numChannels * bitsPerSample / 8;
    const auto dataBytes = bytesPerFrame * numFrames;

    juce::MemoryOutputStream out;
    out.write ("RIFF", 4);
    out.writeInt (36 + dataBytes);
    out.write ("WAVEfmt ", 8);
    out.writeInt (16);
    out.writeShort (1);
    out.writeShort ((short) numChannels);
    out.writeInt (44100);
    out.writeInt (44100 * bytesPerFrame);
    out.writeShort ((short) bytesPerFrame);
    out.writeShort ((short) bitsPerSample);
    out.write ("data", 4);
    out.writeInt (dataBytes);
    out.writeRepeatedByte (0, (size_t) dataBytes);
    return out.getMemoryBlock();
}

/** Overwrites the 36-bit total-samples field of a FLAC file's stream-info block, which always
    comes first: "fLaC", a 4-byte block header, then the field sits in the low 4 bits of byte
    13 of the block and the 4 bytes after it. */
bool claimTotalSamples (const juce::File& flac, std::uint64_t totalSamples)
{
    constexpr size_t kFieldStart = 4 + 4 + 13;

    juce::MemoryBlock bytes;

    if (! flac.loadFileAsData (bytes) || bytes.getSize() < kFieldStart + 5)
        return false;

    auto* b = static_cast<juce::uint8*> (bytes.getData());
    b[kFieldStart] = (juce::uint8) ((b[kFieldStart] & 0xf0) | ((totalSamples >> 32) & 0x0f));

    for (size_t i = 0; i < 4; ++i)
        b[kFieldStart + 1 + i] = (juce::uint8) (totalSamples >> (8 * (3 - i)));

    return flac.replaceWithData (bytes.getData(), bytes.getSize());
}
} // namespace

// A FLAC file of a few kilobytes whose header claims 100 million samples made addReference
// allocate and fill hundreds of megabytes (up to 4 GiB with other claims) with silence: a
// damaged file could take the host's memory. A claim the file cannot hold is not believed.
TEST_F (FuzzRegression, aFlacHeaderClaimingFarMoreAudioThanItsBytesHoldIsNotBelieved)
{
    constexpr double kRealSeconds = 0.1;
    constexpr std::uint64_t kClaimedSamples = 100'000'000;

    harness.prepare (kHostRate, kBlock);
    const auto file = temp.file ("claims-hours.flac");
    ASSERT_TRUE (AudioFileFixtures::writeSine (file, 44100.0, 1, kRealSeconds, 440.0));
    ASSERT_TRUE (claimTotalSamples (file, kClaimedSamples));

    const auto index = processor.addReference (file.getFullPathName());

    if (index >= 0)
    {
        // What is kept must be about what the file really holds, not what it claims.
        const auto& entry = processor.references[(size_t) index];
        EXPECT_LT (entry.samples->getNumSamples(), (int) (10 * kRealSeconds * entry.fileSampleRate));
    }

    EXPECT_TRUE (playsFinite (4));
}

// Sixteen bytes that JUCE's MP3 decoder reads as an MPEG-2 layer III frame with intensity
// stereo, whose band table walks one band past the end of the first channel's spectrum. The
// stray writes stay inside the decoder's own scratch arrays (AddressSanitizer sees nothing; the
// undefined-behaviour check is suppressed for that one function in the extra stages), so the
// harm to guard against is what reaches the plug-in: the file is refused or plays finite.
TEST_F (FuzzRegression, anMp3FrameWhoseIntensityStereoRunsPastItsBandsIsRefusedOrPlaysFinite)
{
    const juce::uint8 frame[] = { 0xff, 0xf2, 0x34, 0x7f, 0x01, 0x00, 0x00, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0xff, 0x7f, 0xff, 0xff };

    harness.prepare (kHostRate, kBlock);
    const auto file = temp.file ("intensity-stereo.mp3");
    ASSERT_TRUE (file.replaceWithData (frame, sizeof (frame)));

    const auto index = processor.addReference (file.getFullPathName());

    if (index >= 0)
        processor.setActiveReference (index);

    EXPECT_TRUE (playsFinite (4));
}

// A WAV header declaring 2000 channels of 32-bit samples: JUCE's WAV reader then reads frames
// wider than its work buffer, and its read loop never advanced, so adding the file hung the
// caller (the host's project load) for ever. Such a file is refused at once.
TEST_F (FuzzRegression, aWavFileDeclaringThousandsOfChannelsIsRefusedAtOnce)
{
    harness.prepare (kHostRate, kBlock);
    const auto file = temp.file ("two-thousand-channels.wav");
    const auto bytes = wavWithChannels (2000, 32, 2);
    ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));

    EXPECT_EQ (addWithinTimeLimit (processor, file), -1);
    EXPECT_TRUE (processor.references.empty());
}

// An AIFF file whose 16-bit channel count has its top bit set: JUCE's AIFF reader sign-extends
// it to a count near 2^32, which as an int is negative, and the decoder asked for a buffer of a
// negative size. Such a file is refused, and the References already loaded play on.
TEST_F (FuzzRegression, anAiffFileWithANegativeLookingChannelCountIsRefused)
{
    constexpr juce::uint8 kChannelCountWithTopBitSet[] = { 0xfc, 0x01 };

    harness.prepare (kHostRate, kBlock);
    const auto good = temp.file ("good.wav");
    ASSERT_TRUE (AudioFileFixtures::writeSine (good, kHostRate, 2, 0.5, 440.0));
    ASSERT_EQ (processor.addReference (good.getFullPathName()), 0);

    const auto file = temp.file ("negative-channels.aiff");
    ASSERT_TRUE (AudioFileFixtures::writeSine (file, 44100.0, 1, 0.05, 440.0));

    juce::MemoryBlock bytes;
    ASSERT_TRUE (file.loadFileAsData (bytes));
    const auto* begin = static_cast<const char*> (bytes.getData());
    const auto* end = begin + bytes.getSize();
    const char chunkName[] = "COMM";
    const auto comm = std::search (begin, end, chunkName, chunkName + 4);
    ASSERT_NE (comm, end);
    // The chunk's name, its 4-byte size, then the channel count.
    bytes.copyFrom (kChannelCountWithTopBitSet, (int) (comm - begin) + 8, sizeof (kChannelCountWithTopBitSet));
    ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));

    EXPECT_EQ (addWithinTimeLimit (processor, file), -1);
    EXPECT_EQ (processor.references.size(), 1u);
    EXPECT_TRUE (playsFinite (4));
}

// A saved state whose active index is a huge floating-point number: converting it to int was
// undefined (on x86 it gave the most negative int, so no Reference became active). An index
// past the end of the list makes the first Reference active, whatever type it was saved as.
TEST_F (FuzzRegression, aSavedActiveIndexFarPastTheEndMakesTheFirstReferenceActive)
{
    harness.prepare (kHostRate, kBlock);
    const auto file = temp.file ("ref.wav");
    ASSERT_TRUE (AudioFileFixtures::writeSine (file, kHostRate, 2, 0.2, 440.0));

    for (const auto& index : { juce::var (7.8e247), juce::var ((juce::int64) 0xffffffff), juce::var (5) })
    {
        juce::ValueTree state (StateBlobReader::kStateType);
        state.setProperty ("monitorRef", 0.0, nullptr);
        juce::ValueTree refs ("refs");
        refs.appendChild (juce::ValueTree ("ref").setProperty ("path", file.getFullPathName(), nullptr), nullptr);
        state.appendChild (refs, nullptr);
        state.setProperty ("activeRefIndex", index, nullptr);

        juce::MemoryOutputStream blob;
        state.writeToStream (blob);
        processor.setStateInformation (blob.getData(), (int) blob.getDataSize());

        EXPECT_EQ (processor.references.size(), 1u) << index.toString();
        EXPECT_EQ (processor.getActiveReferenceIndex(), 0) << index.toString();
    }
}

// A saved Reference path holding bytes that are not UTF-8 and a doubled separator: JUCE keeps
// such text as it is, and its path clean-up then never stops replacing "//", so restoring the
// state hung the host's project load. Restoring returns, and no such path is loaded.
TEST_F (FuzzRegression, aSavedPathThatIsNotUtf8ReturnsPromptlyFromRestoring)
{
    harness.prepare (kHostRate, kBlock);

    // Written with an ASCII stand-in of the same length, then the stand-in's two middle bytes
    // are made into bytes that cannot be UTF-8 (a juce::String would re-encode them).
    juce::ValueTree state (StateBlobReader::kStateType);
    juce::ValueTree refs ("refs");
    refs.appendChild (juce::ValueTree ("ref").setProperty ("path", "}XYp//kalvorin/reference.wav", nullptr), nullptr);
    state.appendChild (refs, nullptr);
    state.setProperty ("activeRefIndex", 0, nullptr);

    juce::MemoryOutputStream stream;
    state.writeToStream (stream);
    auto blob = stream.getMemoryBlock();

    auto* begin = static_cast<char*> (blob.getData());
    auto* end = begin + blob.getSize();
    const char standIn[] = "}XYp//";
    auto* found = std::search (begin, end, standIn, standIn + 6);
    ASSERT_NE (found, end);
    found[1] = (char) 0xff;
    found[2] = (char) 0xce;

    auto restored = std::async (std::launch::async, [this, &blob]
    {
        processor.setStateInformation (blob.getData(), (int) blob.getSize());
    });

    if (restored.wait_for (std::chrono::seconds (30)) != std::future_status::ready)
    {
        ADD_FAILURE() << "setStateInformation did not return within 30 s";
        std::abort();
    }

    EXPECT_TRUE (processor.references.empty());
}
