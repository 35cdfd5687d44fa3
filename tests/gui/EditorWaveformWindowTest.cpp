// The editor in a real window on the test's X server: a Reference plays through the processor,
// the current tab's playhead moves on screen, loops are drawn with real pointer drags (xdotool)
// and the engine, told by the editor's seek handler, wraps at the end of the active loop within
// one tick of the waveform's timer. Screenshots: editor-playing.png (both signals playing, the
// readouts lit) and editor-three-loops.png.

#include "support/AudioFileFixtures.h"
#include "support/EditorSession.h"
#include "support/MusicFixtures.h"
#include "support/XTestInput.h"
#include "support/Xdotool.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{
using Origin = SignalDisplay::SeekOrigin;

constexpr double kSampleRate = 48000.0;
constexpr double kReferenceSeconds = 8.0;
constexpr int kBlockSize = 256;
constexpr int kSamplesPerPlayheadTick = SignalDisplay::kTimerIntervalMs * 48; // 16 ms at 48 kHz
constexpr double kPlayheadTickSeconds = SignalDisplay::kTimerIntervalMs / 1000.0;
constexpr int kTimeoutMs = 4000;
/** The mix runs hotter than the Reference: its true peak goes over full scale. */
constexpr float kSourceGain = 2.5f;

/** The brightest pixel of a few columns around x at a height, in an image of the editor. */
float brightestAround (const juce::Image& image, int x, int y)
{
    float brightest = 0.0f;

    for (int column = x - 1; column <= x + 1; ++column)
        brightest = juce::jmax (brightest, image.getPixelAt (column, y).getBrightness());

    return brightest;
}
} // namespace

TEST (EditorWaveformWindow, aReferencePlaysThePlayheadMovesAndTheEngineWrapsAtTheEndOfADrawnLoop)
{
    if (! XTestInput::isAvailable() || ! Xdotool::isAvailable())
        GTEST_SKIP() << "no X display with XTest, or xdotool is missing (scripts/setup.sh installs it)";

    EditorSession session;
    const auto music = MusicFixtures::makeMusic (kSampleRate, kReferenceSeconds);
    const auto file = session.folder.file ("Reference.wav");
    ASSERT_TRUE (AudioFileFixtures::writeWav (file, music, kSampleRate));
    auto& processor = *session.harness.processor;
    ASSERT_EQ (processor.addReference (file.getFullPathName()), 0);

    session.showOnScreen();
    auto& editor = *session.editor;
    auto* page = session.currentPage();
    ASSERT_NE (page, nullptr);
    auto& display = page->signalDisplay;
    ASSERT_TRUE (display.isPlayheadTimerRunning());

    // Each tick of the waveform's timer first lets the engine play one tick's worth of audio
    // (the Source: the same music, hotter), so the engine advances in step with the timer
    // whatever the machine's load. The editor's own query then reads the engine's playhead.
    juce::AudioBuffer<float> block (2, kBlockSize);
    int sourcePosition = 0;
    double highestEnginePosition = 0.0;
    auto editorPlayhead = display.getPlayheadSeconds;
    display.getPlayheadSeconds = [&]
    {
        for (int done = 0; done < kSamplesPerPlayheadTick; done += kBlockSize)
        {
            for (int channel = 0; channel < 2; ++channel)
                for (int i = 0; i < kBlockSize; ++i)
                    block.setSample (channel, i, kSourceGain * music.getSample (channel, (sourcePosition + i) % music.getNumSamples()));

            sourcePosition = (sourcePosition + kBlockSize) % music.getNumSamples();
            session.harness.process (block);
            highestEnginePosition = juce::jmax (highestEnginePosition, processor.getActiveReferencePositionSeconds());
        }

        return editorPlayhead();
    };

    std::vector<std::pair<double, Origin>> seeks;
    auto editorSeek = display.onSeek;
    display.onSeek = [&] (double seconds, Origin origin)
    {
        seeks.push_back ({ seconds, origin });
        editorSeek (seconds, origin);
    };

    session.harness.playHead.playing = true;
    ASSERT_TRUE (MessagePump::runUntil ([&] { return display.playheadSeconds > 0.2; }, kTimeoutMs));

    // The playhead moves on screen with the engine.
    const auto firstPosition = display.playheadSeconds;
    MessagePump::runFor (300);
    EXPECT_GT (display.playheadSeconds, firstPosition + 0.1);
    {
        const auto image = editor.createComponentSnapshot (editor.getLocalBounds());
        const auto origin = editor.getLocalPoint (&display, juce::Point<int>());
        const auto x = origin.x + juce::roundToInt (display.timeToX (display.playheadSeconds));
        EXPECT_GT (brightestAround (image, x, origin.y + 12), 0.6f);
    }

    // Let the readouts settle on three seconds of both signals, then the picture.
    const auto& values = page->meters.getValues();
    EXPECT_TRUE (MessagePump::runUntil ([&] { return values.levelMatchReady; }, 3 * kTimeoutMs));
    EXPECT_TRUE (values.transportPlaying);
    EXPECT_TRUE (std::isfinite (values.sourceShortTermLufs) && std::isfinite (values.referenceShortTermLufs));
    EXPECT_GT (values.sourceShortTermLufs, values.referenceShortTermLufs + 6.0f);
    session.saveScreenshot ("editor-playing.png");

    // Real pointer drags draw loops where they go.
    const auto drag = [&] (double from, double to)
    {
        const auto y = display.getHeight() / 2 + 30;
        return Xdotool::drag (display.localPointToGlobal (juce::Point<int> (juce::roundToInt (display.timeToX (from)), y)),
                              display.localPointToGlobal (juce::Point<int> (juce::roundToInt (display.timeToX (to)), y)));
    };

    ASSERT_TRUE (drag (3.0, 4.2));
    MessagePump::runFor (200);
    ASSERT_EQ (display.loops.size(), 1);
    const auto pixel = kReferenceSeconds / (display.getWidth() - 24);
    EXPECT_NEAR (display.loops[0].start, 3.0, pixel);
    EXPECT_NEAR (display.loops[0].end, 4.2, pixel);
    const auto loop = display.loops[0];

    // The engine stays inside the loop: never more than one timer tick past its end.
    const auto isLoopJump = [] (const auto& seek) { return seek.second == Origin::LoopWrap; };
    highestEnginePosition = 0.0;
    seeks.clear();
    MessagePump::runUntil ([&] { return std::count_if (seeks.begin(), seeks.end(), isLoopJump) >= 2; }, 2 * kTimeoutMs);

    EXPECT_GE (std::count_if (seeks.begin(), seeks.end(), isLoopJump), 2);
    EXPECT_LE (highestEnginePosition, loop.end + kPlayheadTickSeconds + 1.0e-3);

    for (const auto& seek : seeks)
    {
        if (isLoopJump (seek))
        {
            EXPECT_DOUBLE_EQ (seek.first, loop.start);
        }
    }

    // The history goes on through the jumps: the recorded range covers the loop.
    MessagePump::runFor (500);
    ASSERT_FALSE (display.recordedRanges.empty());
    EXPECT_LE (display.recordedRanges.front().start, loop.start + 0.1);
    EXPECT_GE (display.recordedRanges.back().end, loop.end - 0.1);

    // Two more loops; the last one drawn is the active one. Stopped, the picture.
    ASSERT_TRUE (drag (0.6, 2.2));
    ASSERT_TRUE (drag (5.6, 7.2));
    MessagePump::runFor (600);
    ASSERT_EQ (display.loops.size(), 3);
    EXPECT_EQ (display.activeLoopIndex, 2);

    session.harness.playHead.playing = false;
    MessagePump::runFor (300);
    session.saveScreenshot ("editor-three-loops.png");

    display.getPlayheadSeconds = editorPlayhead;
    display.onSeek = editorSeek;
}

// The analysis view's LOOP / HISTORY switch names the half under the real pointer.
TEST (EditorWaveformWindow, theAnalysisSourceSwitchTooltipNamesTheHalfUnderThePointer)
{
    if (! XTestInput::isAvailable())
        GTEST_SKIP() << "no X display with XTest";

    EditorSession session;
    session.harness.processor->addReference (session.writeWav ("A.wav").getFullPathName());
    session.showOnScreen();
    auto* page = session.currentPage();
    ASSERT_NE (page, nullptr);
    page->setViewMode (static_cast<int> (ViewMode::Analysis));
    auto& sourceSwitch = page->analysisSourceSwitch;
    ASSERT_TRUE (sourceSwitch.isShowing());

    const auto pointAt = [&] (float share)
    {
        return sourceSwitch.localPointToGlobal (juce::Point<int> (juce::roundToInt ((float) sourceSwitch.getWidth() * share),
                                                                  sourceSwitch.getHeight() / 2));
    };

    XTestInput::moveTo (pointAt (0.25f));
    MessagePump::runFor (100);
    EXPECT_EQ (sourceSwitch.getTooltip(), "Analyze the retained playback history");

    XTestInput::moveTo (pointAt (0.75f));
    MessagePump::runFor (100);
    EXPECT_EQ (sourceSwitch.getTooltip(), "Analyze complete passes of the active loop; use history when no loop is active");
}
