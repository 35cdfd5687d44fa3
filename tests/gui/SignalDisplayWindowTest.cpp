#include "tab/SignalDisplay.h"

#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"
#include "support/MessageLoop.h"
#include "support/Xdotool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

// The waveform strip in a real window under the test's X server: a Reference plays through the
// processor, the strip's own 16 ms timer follows it, loops are drawn with real mouse events
// (sent through the X server's test extension by xdotool) and the engine wraps at the end of
// the active loop within one tick.

namespace
{
using Origin = SignalDisplay::SeekOrigin;

constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 256;
constexpr double kFileSeconds = 12.0;
constexpr double kTickSeconds = SignalDisplay::kTimerIntervalMs / 1000.0;
constexpr int kStripWidth = 912; // a 888 px waveform area
constexpr int kStripHeight = 150;
constexpr int kWindowMargin = 10;

/** Hits and a silent bar over a quiet bed, so that the outline has something to show. */
juce::AudioBuffer<float> makeProgramme()
{
    const auto numSamples = (int) (kFileSeconds * kSampleRate);
    juce::AudioBuffer<float> buffer (2, numSamples);
    juce::Random random (7);

    for (int i = 0; i < numSamples; ++i)
    {
        const auto t = i / kSampleRate;
        const auto beat = std::fmod (t, 0.5);
        const auto hit = std::exp (-beat * 14.0) * (t > 8.0 && t < 9.0 ? 0.0 : 0.85);
        const auto bed = 0.12 * std::sin (juce::MathConstants<double>::twoPi * 0.25 * t);
        const auto value = (float) ((hit + std::abs (bed)) * (random.nextFloat() * 2.0f - 1.0f));

        buffer.setSample (0, i, value);
        buffer.setSample (1, i, value * 0.8f);
    }

    return buffer;
}

/** The panel the tab page paints behind the strip, with the strip in it. */
struct StripWindow final : juce::Component
{
    explicit StripWindow (SignalDisplay& display)
    {
        setOpaque (true);
        addAndMakeVisible (display);
        display.setBounds (kWindowMargin, kWindowMargin, kStripWidth, kStripHeight);
        setBounds (100, 100, kStripWidth + 2 * kWindowMargin, kStripHeight + 2 * kWindowMargin);
    }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colour (0xff0b1713));
        g.setColour (juce::Colour (0xff0e1c18));
        g.fillRoundedRectangle (getLocalBounds().toFloat().reduced (4.5f), 6.0f);
        g.setColour (juce::Colour (0xff244139));
        g.drawRoundedRectangle (getLocalBounds().toFloat().reduced (4.5f), 6.0f, 1.0f);
    }
};

juce::File buildFolder()
{
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
}
} // namespace

TEST (SignalDisplayWindow, aReferencePlaysTheStripFollowsAndTheEngineWrapsAtTheEndOfADrawnLoop)
{
    if (! Xdotool::isAvailable())
        GTEST_SKIP() << "xdotool is missing (scripts/setup.sh installs it)";

    TemporaryFolder folder;
    const auto file = folder.file ("programme.wav");
    ASSERT_TRUE (AudioFileFixtures::writeWav (file, makeProgramme(), kSampleRate));

    ProcessorHarness harness (folder.folder);
    harness.prepare (kSampleRate, kBlockSize);
    ASSERT_EQ (harness.processor->addReference (file.getFullPathName()), 0);
    auto& processor = *harness.processor;

    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    juce::AudioThumbnailCache cache (10);
    SignalDisplay display (formats, cache);
    display.setFile (file);

    // Each tick of the strip's timer lets the engine play one tick's worth of audio first, so
    // the engine's playhead advances in step with the timer whatever the machine's load.
    double highestEnginePosition = 0.0;
    display.getPlayheadSeconds = [&]
    {
        for (int done = 0; done < (int) (kTickSeconds * kSampleRate); done += kBlockSize)
        {
            harness.processConstant (kBlockSize);
            highestEnginePosition = juce::jmax (highestEnginePosition, processor.getActiveReferencePositionSeconds());
        }

        return processor.getActiveReferencePositionSeconds();
    };
    display.hasPlayheadSource = true;

    std::vector<std::pair<double, Origin>> seeks;
    display.onSeek = [&] (double seconds, Origin origin)
    {
        seeks.push_back ({ seconds, origin });
        processor.requestSeek (seconds);
    };
    display.onLoopsChanged = [&display] (bool) { display.repaint(); };

    StripWindow window (display);
    window.addToDesktop (0);
    window.setVisible (true);
    harness.playHead.playing = true;
    display.startPlayheadTimer();
    MessagePump::runUntil ([&] { return display.playheadSeconds > 0.2; }, 400);

    // The playhead moves on screen with the engine.
    const auto firstPosition = display.playheadSeconds;
    EXPECT_GT (firstPosition, 0.0);
    MessagePump::runFor (300);
    EXPECT_GT (display.playheadSeconds, firstPosition + 0.1);
    {
        const auto snapshot = window.createComponentSnapshot (window.getLocalBounds());
        const auto x = kWindowMargin + juce::roundToInt (display.timeToX (display.playheadSeconds));
        float brightest = 0.0f;

        for (int column = x - 1; column <= x + 1; ++column)
            brightest = juce::jmax (brightest, snapshot.getPixelAt (column, kWindowMargin + 12).getBrightness());

        EXPECT_GT (brightest, 0.6f);
    }

    // Real mouse events draw a loop from 3 s to 4.2 s.
    const auto drag = [&] (double from, double to)
    {
        const auto y = kStripHeight / 2 + 30;
        const auto start = display.localPointToGlobal (juce::Point<int> (juce::roundToInt (display.timeToX (from)), y));
        const auto end = display.localPointToGlobal (juce::Point<int> (juce::roundToInt (display.timeToX (to)), y));
        return Xdotool::drag (start, end);
    };

    ASSERT_TRUE (drag (3.0, 4.2));
    MessagePump::runFor (200);

    ASSERT_EQ (display.loops.size(), 1);
    const auto pixel = kFileSeconds / (kStripWidth - 24);
    EXPECT_NEAR (display.loops[0].start, 3.0, pixel);
    EXPECT_NEAR (display.loops[0].end, 4.2, pixel);
    const auto loop = display.loops[0];

    // Playback stays inside the loop: the engine never runs more than one tick past its end.
    highestEnginePosition = 0.0;
    seeks.clear();
    MessagePump::runUntil ([&] { return std::count_if (seeks.begin(), seeks.end(), [] (auto& s) { return s.second == Origin::LoopWrap; }) >= 2; }, 4000);

    const auto wraps = std::count_if (seeks.begin(), seeks.end(), [] (auto& s) { return s.second == Origin::LoopWrap; });
    EXPECT_GE (wraps, 2);
    EXPECT_LE (highestEnginePosition, loop.end + kTickSeconds + 1.0e-3);

    for (const auto& seek : seeks)
    {
        if (seek.second == Origin::LoopWrap)
        {
            EXPECT_DOUBLE_EQ (seek.first, loop.start);
        }
    }

    EXPECT_GE (processor.getActiveReferencePositionSeconds(), loop.start - 1.0e-3);
    EXPECT_LE (processor.getActiveReferencePositionSeconds(), loop.end + kTickSeconds);

    // Two more loops; the last one drawn is the active one. Then the picture.
    ASSERT_TRUE (drag (0.6, 2.2));
    ASSERT_TRUE (drag (9.2, 10.9));
    MessagePump::runFor (200);
    ASSERT_EQ (display.loops.size(), 3);
    EXPECT_EQ (display.activeLoopIndex, 2);

    display.recordedRanges = { { 0.2, 2.6 }, { 9.3, 9.31 } };
    display.repaint();
    harness.playHead.playing = false;
    MessagePump::runFor (200);

    const auto screenshot = window.createComponentSnapshot (window.getLocalBounds());
    const auto png = buildFolder().getChildFile ("SignalDisplayThreeLoops.png");
    png.deleteFile();
    juce::FileOutputStream stream (png);
    ASSERT_TRUE (stream.openedOk());
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (screenshot, stream));

    display.stopPlayheadTimer();
    window.removeFromDesktop();
}
