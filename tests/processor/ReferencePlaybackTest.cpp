#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

namespace
{
constexpr double kHostRate = 48000.0;
constexpr int kBlock = 480;

struct ReferencePlayback : ::testing::Test
{
    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
    KalvorinAudioProcessor& processor = *harness.processor;

    juce::File sineFile (const juce::String& name, double rate, int channels, double seconds, double hz, float amp = 0.5f)
    {
        auto file = temp.file (name);
        EXPECT_TRUE (AudioFileFixtures::writeSine (file, rate, channels, seconds, hz, amp)) << name;
        return file;
    }

    /** A WAV file holding a constant value, which makes fades easy to read. */
    juce::File constantFile (const juce::String& name, float value, int length, double rate = kHostRate)
    {
        juce::AudioBuffer<float> buffer (1, length);
        juce::FloatVectorOperations::fill (buffer.getWritePointer (0), value, length);
        auto file = temp.file (name);
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::OutputStream> stream (file.createOutputStream());
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), rate, 1, 32, {}, 0));
        stream.release();
        writer->writeFromAudioSampleBuffer (buffer, 0, length);
        return file;
    }

    /** Plays `blocks` blocks of a silent Source and returns the concatenated output's channel. */
    std::vector<float> play (int blocks, int channel = 0)
    {
        std::vector<float> out;

        for (int b = 0; b < blocks; ++b)
        {
            auto buffer = harness.processConstant (kBlock);
            out.insert (out.end(), buffer.getReadPointer (channel), buffer.getReadPointer (channel) + kBlock);
        }

        return out;
    }
};
} // namespace

TEST_F (ReferencePlayback, firstReferenceBecomesActiveAndDuplicatesAreNotDecodedAgain)
{
    harness.prepare (kHostRate, kBlock);
    const auto a = sineFile ("a.wav", kHostRate, 2, 1.0, 440.0);
    const auto b = sineFile ("b.wav", kHostRate, 2, 1.0, 440.0);

    EXPECT_EQ (processor.addReference (a.getFullPathName()), 0);
    EXPECT_EQ (processor.getActiveReferenceIndex(), 0);
    EXPECT_TRUE (processor.resetReferenceRequested.exchange (false));

    EXPECT_EQ (processor.addReference (b.getFullPathName()), 1);
    EXPECT_EQ (processor.getActiveReferenceIndex(), 0);
    EXPECT_FALSE (processor.resetReferenceRequested.load());

    EXPECT_EQ (processor.addReference (a.getFullPathName()), 0);
    EXPECT_EQ (processor.references.size(), 2u);
}

TEST_F (ReferencePlayback, everyFormatDecodesAtTheRightSpeed)
{
    harness.prepare (kHostRate, kBlock);
    harness.playHead.playing = true;

    const struct { const char* name; double rate; int channels; } files[] = {
        { "stereo48.wav", 48000.0, 2 },
        { "mono44.aiff", 44100.0, 1 },
        { "six96.wav", 96000.0, 6 },
        { "stereo44.flac", 44100.0, 2 },
        { "stereo48.ogg", 48000.0, 2 },
        { "stereo44.mp3", 44100.0, 2 },
        { "bwf48.bwf", 48000.0, 2 },
    };

    for (const auto& f : files)
    {
        const auto file = sineFile (f.name, f.rate, f.channels, 2.0, 1000.0);
        const auto index = processor.addReference (file.getFullPathName());
        ASSERT_GE (index, 0) << f.name;

        const auto& entry = processor.references[(size_t) index];
        EXPECT_EQ (entry.numChannels, juce::jmin (f.channels, 2)) << f.name;
        EXPECT_DOUBLE_EQ (entry.fileSampleRate, f.rate) << f.name;

        processor.setActiveReference (index);
        const auto start = processor.getActiveReferencePositionSeconds();
        const auto left = play (50, 0);
        const auto right = play (1, 1);

        // 51 host blocks are 0.51 s of the file, whatever the file's own rate.
        EXPECT_NEAR (processor.getActiveReferencePositionSeconds() - start, 0.51, 1e-6) << f.name;
        // The pitch survives resampling: a 1 kHz tone stays at 1 kHz at the host's rate.
        EXPECT_NEAR (AudioFileFixtures::estimateFrequency (left.data() + kBlock * 10, kBlock * 30, kHostRate), 1000.0, 2.0) << f.name;
        EXPECT_GT (std::abs (right[100]) + std::abs (right[200]), 0.0f) << f.name << ": both channels carry the file";
    }
}

TEST_F (ReferencePlayback, badFilesAreNotAddedAndChangeNothing)
{
    harness.prepare (kHostRate, kBlock);
    const auto good = sineFile ("good.wav", kHostRate, 2, 0.5, 440.0);
    ASSERT_EQ (processor.addReference (good.getFullPathName()), 0);
    processor.resetReferenceRequested.store (false);

    auto truncated = temp.file ("truncated.wav");
    {
        const auto full = sineFile ("full.wav", kHostRate, 2, 0.5, 440.0);
        juce::MemoryBlock bytes;
        full.loadFileAsData (bytes);
        truncated.replaceWithData (bytes.getData(), 60);
    }

    auto text = temp.file ("text.wav");
    text.replaceWithText ("this is not audio at all\n");
    auto empty = temp.file ("empty.flac");
    empty.create();
    auto corruptFlac = temp.file ("corrupt.flac");
    {
        const auto flac = sineFile ("src.flac", kHostRate, 2, 0.5, 440.0);
        juce::MemoryBlock bytes;
        flac.loadFileAsData (bytes);
        for (size_t i = 200; i < bytes.getSize(); i += 7)
            static_cast<char*> (bytes.getData())[i] ^= 0x5a;
        corruptFlac.replaceWithData (bytes.getData(), bytes.getSize());
    }
    auto corruptMp3 = temp.file ("corrupt.mp3");
    {
        juce::Random random (42);
        juce::MemoryBlock bytes (4096);
        for (size_t i = 0; i < bytes.getSize(); ++i)
            static_cast<juce::uint8*> (bytes.getData())[i] = (juce::uint8) random.nextInt (256);
        corruptMp3.replaceWithData (bytes.getData(), bytes.getSize());
    }

    const juce::String paths[] = {
        truncated.getFullPathName(), text.getFullPathName(), empty.getFullPathName(),
        corruptFlac.getFullPathName(), corruptMp3.getFullPathName(),
        temp.folder.getFullPathName(), temp.file ("missing.wav").getFullPathName(), "", "relative.wav"
    };

    for (const auto& path : paths)
    {
        const auto before = processor.references.size();
        const auto index = processor.addReference (path);

        if (index >= 0)
        {
            // A damaged file may still decode in part; what is added must be whole and playable.
            const auto& entry = processor.references[(size_t) index];
            EXPECT_TRUE (entry.isValid()) << path;
            EXPECT_GT (entry.samples->getNumSamples(), 0) << path;
            EXPECT_EQ (processor.references.size(), before + 1) << path;
            processor.removeReference (index);
        }

        EXPECT_EQ (processor.references.size(), 1u) << path;
        EXPECT_EQ (processor.getActiveReferenceIndex(), 0) << path;
    }

    harness.playHead.playing = true;
    const auto out = play (4);
    for (auto v : out)
        ASSERT_TRUE (std::isfinite (v));
}

// A path that is not absolute (from a damaged project, say) names no file: it is never looked
// up in the host's working directory, where a file of that name may well exist.
TEST_F (ReferencePlayback, aRelativePathIsRefusedEvenWhereTheWorkingFolderHoldsThatFile)
{
    harness.prepare (kHostRate, kBlock);
    sineFile ("here.wav", kHostRate, 2, 0.5, 440.0);

    const auto previous = juce::File::getCurrentWorkingDirectory();
    ASSERT_TRUE (temp.folder.setAsCurrentWorkingDirectory());

    for (const auto* path : { "here.wav", "./here.wav" })
        EXPECT_LT (processor.addReference (path), 0) << path;

    previous.setAsCurrentWorkingDirectory();
    EXPECT_TRUE (processor.references.empty());
}

TEST_F (ReferencePlayback, stoppedTransportSilencesAMonitoredReferenceAndFadesInOnStart)
{
    ASSERT_EQ (processor.addReference (constantFile ("dc.wav", 0.5f, 48000).getFullPathName()), 0);
    harness.prepare (kHostRate, kBlock);

    juce::AudioBuffer<float> source (2, kBlock);
    juce::FloatVectorOperations::fill (source.getWritePointer (0), 0.3f, kBlock);
    juce::FloatVectorOperations::fill (source.getWritePointer (1), 0.3f, kBlock);
    harness.process (source);
    EXPECT_EQ (source.getMagnitude (0, kBlock), 0.0f) << "stopped: nothing while the Reference is monitored";
    EXPECT_FLOAT_EQ (processor.sourcePeak.load(), 0.3f) << "the Source is still measured";

    harness.playHead.playing = true;
    const auto out = play (1);
    // 5 ms at 48 kHz = 240 samples: the fade starts at exactly 0 and ramps linearly.
    EXPECT_FLOAT_EQ (out[0], 0.0f);
    EXPECT_NEAR (out[120], 0.25f, 1e-3f);
    EXPECT_NEAR (out[239], 0.5f * (1.0f - 1.0f / 240.0f), 1e-3f);
    EXPECT_NEAR (out[240], 0.5f, 1e-4f);
    EXPECT_NEAR (out[400], 0.5f, 1e-4f);
}

TEST_F (ReferencePlayback, switchingTheMonitorToTheSourceCrossfadesOverTenMilliseconds)
{
    harness.prepare (kHostRate, kBlock);
    ASSERT_EQ (processor.addReference (constantFile ("dc.wav", 0.5f, 48000).getFullPathName()), 0);
    harness.processConstant (kBlock, 0.3f);

    harness.setMonitor (1);
    auto out = harness.processConstant (kBlock, 0.3f);
    // Stopped: the Reference contributes nothing, the Source comes in over 480 samples.
    EXPECT_NEAR (out.getSample (0, 0), 0.3f / 480.0f, 1e-4f);
    EXPECT_NEAR (out.getSample (0, 239), 0.15f, 1e-3f);
    EXPECT_NEAR (out.getSample (0, 479), 0.3f, 1e-4f);
}

TEST_F (ReferencePlayback, seekWhilePlayingRampsFromTheLastOutputValue)
{
    harness.prepare (kHostRate, kBlock);
    juce::AudioBuffer<float> steps (1, 48000);
    for (int i = 0; i < 48000; ++i)
        steps.setSample (0, i, i < 24000 ? 0.2f : 0.8f);
    const auto file = temp.file ("steps.wav");
    ASSERT_TRUE (AudioFileFixtures::writeWav (file, steps, kHostRate));
    ASSERT_EQ (processor.addReference (file.getFullPathName()), 0);

    harness.playHead.playing = true;
    play (2);
    processor.requestSeek (0.75);
    EXPECT_DOUBLE_EQ (processor.getActiveReferencePositionSeconds(), 0.75) << "a pending seek shows at once";
    EXPECT_FALSE (processor.resetReferenceRequested.load()) << "no reset while playing";

    const auto out = play (1);
    EXPECT_NEAR (out[0], 0.2f, 2e-3f);
    EXPECT_NEAR (out[120], 0.5f, 5e-3f);
    EXPECT_NEAR (out[300], 0.8f, 2e-3f);
    EXPECT_NEAR (processor.getActiveReferencePositionSeconds(), 0.76, 1e-9);
}

TEST_F (ReferencePlayback, seekWhileStoppedMovesWithoutFadeAndRequestsAReset)
{
    harness.prepare (kHostRate, kBlock);
    ASSERT_EQ (processor.addReference (sineFile ("s.wav", kHostRate, 2, 2.0, 100.0).getFullPathName()), 0);
    harness.processConstant (kBlock);
    processor.resetReferenceRequested.store (false);

    processor.requestSeek (1.25);
    EXPECT_TRUE (processor.resetReferenceRequested.load());
    harness.processConstant (kBlock);
    EXPECT_DOUBLE_EQ (processor.getActiveReferencePositionSeconds(), 1.25);
}

TEST_F (ReferencePlayback, seekRequestsAreClampedToTheFile)
{
    harness.prepare (kHostRate, kBlock);
    ASSERT_EQ (processor.addReference (sineFile ("s.wav", kHostRate, 1, 1.0, 100.0).getFullPathName()), 0);

    const struct { double seconds; double expected; } cases[] = {
        { -3.0, 0.0 }, { 0.5, 0.5 }, { 99.0, 47999.0 / kHostRate }, { 1.0, 47999.0 / kHostRate },
    };

    for (const auto& c : cases)
    {
        processor.requestSeek (c.seconds);
        EXPECT_DOUBLE_EQ (processor.getActiveReferencePositionSeconds(), c.expected) << c.seconds;
    }

    const auto before = processor.getActiveReferencePositionSeconds();
    processor.requestSeek (std::numeric_limits<double>::quiet_NaN());
    processor.requestSeek (std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ (processor.getActiveReferencePositionSeconds(), before);
}

TEST_F (ReferencePlayback, playheadWrapsAtTheEndOfTheFileWithoutAGap)
{
    ASSERT_EQ (processor.addReference (constantFile ("short.wav", 0.5f, 1000).getFullPathName()), 0);
    harness.prepare (kHostRate, kBlock);
    harness.playHead.playing = true;

    const auto out = play (5);
    for (size_t i = 240; i < out.size(); ++i)
        ASSERT_NEAR (out[i], 0.5f, 1e-4f) << i;

    EXPECT_NEAR (processor.getActiveReferencePositionSeconds(), std::fmod (5.0 * kBlock, 1000.0) / kHostRate, 1e-9);
}

TEST_F (ReferencePlayback, removingReferencesKeepsTheActiveIndexInRange)
{
    harness.prepare (kHostRate, kBlock);
    const auto a = sineFile ("a.wav", kHostRate, 2, 0.2, 440.0);
    const auto b = sineFile ("b.wav", kHostRate, 2, 0.2, 440.0);
    const auto c = sineFile ("c.wav", kHostRate, 2, 0.2, 440.0);

    for (const auto& f : { a, b, c })
        processor.addReference (f.getFullPathName());

    processor.setActiveReference (2);
    processor.removeReferenceByPath (c.getFullPathName());
    EXPECT_EQ (processor.getActiveReferenceIndex(), 1) << "the new last entry";

    processor.removeReference (0);
    EXPECT_EQ (processor.getActiveReferenceIndex(), 0) << "clamped to the list";
    EXPECT_EQ (processor.references[0].fullPath, b.getFullPathName());

    processor.removeReferenceByPath ("/not/in/the/list.wav");
    EXPECT_EQ (processor.references.size(), 1u);

    harness.playHead.playing = true;
    play (2);
    processor.removeReference (0);
    EXPECT_EQ (processor.getActiveReferenceIndex(), -1);
    EXPECT_EQ (processor.referencePeak.load(), 0.0f);
}

TEST_F (ReferencePlayback, activeReferenceChangesRequestResetsOnlyForValidIndices)
{
    harness.prepare (kHostRate, kBlock);
    processor.addReference (sineFile ("a.wav", kHostRate, 2, 0.2, 440.0).getFullPathName());
    processor.addReference (sineFile ("b.wav", kHostRate, 2, 0.2, 440.0).getFullPathName());
    processor.resetReferenceRequested.store (false);

    processor.setActiveReference (0);
    EXPECT_FALSE (processor.resetReferenceRequested.load()) << "same index";
    processor.setActiveReference (1);
    EXPECT_TRUE (processor.resetReferenceRequested.exchange (false));
    processor.setActiveReference (7);
    EXPECT_EQ (processor.getActiveReferenceIndex(), -1);
    EXPECT_FALSE (processor.resetReferenceRequested.load());
    EXPECT_EQ (processor.getActiveReferencePositionSeconds(), 0.0);
}

TEST_F (ReferencePlayback, referenceAddedBeforePreparationPlaysOnceTheHostGivesARate)
{
    ASSERT_EQ (processor.addReference (sineFile ("a.wav", 44100.0, 2, 2.0, 1000.0).getFullPathName()), 0);
    harness.prepare (0.0, kBlock);
    harness.prepare (kHostRate, kBlock);
    harness.playHead.playing = true;
    const auto out = play (40);
    EXPECT_NEAR (AudioFileFixtures::estimateFrequency (out.data() + kBlock * 5, kBlock * 30, kHostRate), 1000.0, 2.0);
}

TEST_F (ReferencePlayback, monoFileOnStereoOutputPlaysOnBothChannels)
{
    processor.addReference (constantFile ("mono.wav", 0.5f, 48000).getFullPathName());
    harness.prepare (kHostRate, kBlock);
    harness.playHead.playing = true;
    auto out = harness.processConstant (kBlock);
    EXPECT_NEAR (out.getSample (0, 400), 0.5f, 1e-4f);
    EXPECT_NEAR (out.getSample (1, 400), 0.5f, 1e-4f);
}
