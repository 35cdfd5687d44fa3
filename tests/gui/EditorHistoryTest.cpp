// The playback history, the loop passes and the seeks with the real editor: its timer records
// what the playing engine measures, the tab's waveform shows what was recorded, and the seeks
// that the waveform sends move the engine and keep the history and the loop passes true to the
// jump.

#include "support/AudioFileFixtures.h"
#include "support/EditorPlayback.h"
#include "support/MessageLoop.h"
#include "support/MusicFixtures.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

namespace
{
using Origin = SignalDisplay::SeekOrigin;

constexpr double kSampleRate = 48000.0;
constexpr double kReferenceSeconds = 8.0;
/** Blocks of EditorPlayback's 256 samples in one 16 ms tick of the waveform's playhead timer. */
constexpr int kBlocksPerPlayheadTick = 3;

class EditorHistory : public ::testing::Test
{
protected:
    /** Opens the editor on one Reference (a sine, or the given music) and plays `source`. */
    void open (const juce::AudioBuffer<float>* referenceMusic = nullptr)
    {
        if (referenceMusic != nullptr)
        {
            const auto file = session.folder.file ("Reference.wav");
            ASSERT_TRUE (AudioFileFixtures::writeWav (file, *referenceMusic, kSampleRate));
            session.harness.processor->addReference (file.getFullPathName());
            session.open();
            deliverPendingMessages();
        }
        else
        {
            session.openWithReferences ({ "Reference.wav" }, kReferenceSeconds);
        }

        page = session.currentPage();
        ASSERT_NE (page, nullptr);
        playback = std::make_unique<EditorPlayback> (session, MusicFixtures::makeMusic (kSampleRate, 4.0));
    }

    /** A seek as the tab's waveform sends it. */
    void seek (double seconds, Origin origin) { page->signalDisplay.onSeek (seconds, origin); }

    double enginePosition() const { return session.harness.processor->getActiveReferencePositionSeconds(); }

    const PlaybackHistoryRecorder& recorder() const { return session.editor->getRecorder(); }

    EditorSession session;
    SignalViewTab* page = nullptr;
    std::unique_ptr<EditorPlayback> playback;
};
} // namespace

// Three seconds of play are one recorded range under the waveform; stopped, a seek into it
// moves the engine and shows the moment recorded there with the inspect marker, and a seek
// past it clears the marker.
TEST_F (EditorHistory, playingRecordsARangeAndAStoppedSeekInspectsTheMomentRecordedThere)
{
    open();
    session.harness.playHead.playing = true;
    playback->playFor (3.0);

    const auto& display = page->signalDisplay;
    ASSERT_EQ (display.recordedRanges.size(), 1u);
    EXPECT_NEAR (display.recordedRanges[0].start, 0.0, 0.1);
    EXPECT_NEAR (display.recordedRanges[0].end, 3.0, 0.1);
    EXPECT_FALSE (display.showInspectMarker);

    session.harness.playHead.playing = false;
    playback->playOneTick();
    EXPECT_FALSE (display.showInspectMarker);

    seek (1.5, Origin::UserSeek);
    EXPECT_DOUBLE_EQ (enginePosition(), 1.5);
    EXPECT_TRUE (recorder().isInspecting());
    EXPECT_TRUE (display.showInspectMarker);
    EXPECT_NEAR (display.inspectMarkerSeconds, 1.5, 0.05);
    EXPECT_NEAR (recorder().getShownSnapshot().playheadSeconds, 1.5, 0.05);

    // The stopped ticks keep showing it.
    playback->playOneTick();
    EXPECT_TRUE (display.showInspectMarker);

    seek (6.0, Origin::UserSeek);
    EXPECT_DOUBLE_EQ (enginePosition(), 6.0);
    EXPECT_FALSE (recorder().isInspecting());
    EXPECT_FALSE (display.showInspectMarker);
    ASSERT_EQ (display.recordedRanges.size(), 1u);
}

// The waveform's jump back to a loop's start goes to the engine and the history goes on; a
// seek by the user while playing empties the history, the peak series, the live snapshot and
// the recorded ranges, and the next tick starts again from one value.
TEST_F (EditorHistory, aUserSeekWhilePlayingStartsAfreshButTheWaveformsLoopJumpDoesNot)
{
    open();
    session.harness.playHead.playing = true;
    playback->playFor (2.0);

    const auto recordedBefore = recorder().getRecordedSeconds();
    const auto seriesBefore = session.editor->getLiveSnapshot().referencePeakSeries.size();
    ASSERT_GT (recordedBefore, 1.9);

    seek (0.5, Origin::LoopWrap);
    EXPECT_DOUBLE_EQ (enginePosition(), 0.5);
    EXPECT_DOUBLE_EQ (recorder().getRecordedSeconds(), recordedBefore);
    EXPECT_EQ (session.editor->getLiveSnapshot().referencePeakSeries.size(), seriesBefore);

    playback->playOneTick();
    EXPECT_GT (recorder().getRecordedSeconds(), recordedBefore);
    ASSERT_EQ (page->signalDisplay.recordedRanges.size(), 1u);
    EXPECT_NEAR (page->signalDisplay.recordedRanges[0].end, 2.0, 0.1);

    seek (1.0, Origin::UserSeek);
    EXPECT_DOUBLE_EQ (enginePosition(), 1.0);
    EXPECT_DOUBLE_EQ (recorder().getRecordedSeconds(), 0.0);
    EXPECT_TRUE (recorder().getHistory().isEmpty());
    EXPECT_TRUE (session.editor->getLiveSnapshot().referencePeakSeries.empty());
    EXPECT_TRUE (session.editor->getLiveSnapshot().referenceSpectrum.empty());
    EXPECT_TRUE (page->signalDisplay.recordedRanges.empty());

    playback->playOneTick();
    EXPECT_EQ (session.editor->getLiveSnapshot().referencePeakSeries.size(), 1u);
    EXPECT_EQ (recorder().getHistory().size(), 1);
}

// A 2 s loop on the waveform, played with the waveform's playhead timer running in audio time:
// the waveform's own jumps back to the loop start keep the engine inside the loop and complete
// loop passes, and the analysis, switched to LOOP, reports the last completed pass.
TEST_F (EditorHistory, theWaveformsJumpsToTheLoopStartCompleteLoopPasses)
{
    const auto music = MusicFixtures::makeMusic (kSampleRate, kReferenceSeconds);
    open (&music);

    auto& display = page->signalDisplay;
    display.loops.add ({ 2.0, 4.0, true });
    display.activeLoopIndex = 0;
    page->setViewMode (static_cast<int> (ViewMode::Analysis));
    page->displayHost.analysisView.setUsesLoop (true);
    seek (2.0, Origin::UserSeek);

    int loopJumps = 0;
    double highestPosition = 0.0;
    auto editorSeek = display.onSeek;
    display.onSeek = [&] (double seconds, Origin origin)
    {
        loopJumps += origin == Origin::LoopWrap ? 1 : 0;
        editorSeek (seconds, origin);
    };

    int blocks = 0;
    playback->onBlock = [&]
    {
        highestPosition = juce::jmax (highestPosition, enginePosition());

        if (++blocks % kBlocksPerPlayheadTick == 0)
            display.pollPlayhead();
    };

    session.harness.playHead.playing = true;
    playback->playFor (13.0);

    EXPECT_GE (loopJumps, 5);
    EXPECT_LE (highestPosition, 4.0 + kBlocksPerPlayheadTick * playback->blockSize / kSampleRate + 1.0e-3);
    EXPECT_GE (recorder().getLoopState().completedPasses, 2);

    session.harness.playHead.playing = false;
    playback->playOneTick();
    const auto title = page->displayHost.analysisView.getShownReport().title;
    EXPECT_TRUE (title.startsWith ("Active loop: 2.00 - 4.00 s. Showing completed pass ")) << title;
    EXPECT_TRUE (title.contains ("Playback stopped. Play to record a complete loop.")) << title;
}
