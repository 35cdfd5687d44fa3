#include "editor/PlaybackHistoryRecorder.h"
#include "support/FakeAnalysisTab.h"
#include "support/SyntheticAnalysis.h"

#include <gtest/gtest.h>

namespace
{
using SeekOrigin = SignalDisplay::SeekOrigin;

// The editor's timer and the waveform's loop seeks, on a clock of their own: each tick records
// at the playhead and then moves it on by one timer interval; when a loop is active and the
// playhead passed its end, the waveform sends its LoopWrap seek back to the loop start.
struct Session
{
    explicit Session (int timerIntervalMs = 41) : intervalMs (timerIntervalMs)
    {
        recorder.onHistoryCleared = [this] (const AdviceReport& report)
        {
            clearedReport = report;
            ++historyClears;
        };
    }

    void tick (bool playing)
    {
        recorder.recordPlaybackHistory (&tab, playing, playhead, live, intervalMs);
        clockMs += intervalMs;
    }

    void play (double seconds)
    {
        const int ticks = (int) std::lround (seconds * 1000.0 / intervalMs);

        for (int i = 0; i < ticks; ++i)
        {
            tick (true);
            playhead += intervalMs / 1000.0;

            const auto key = LoopPassState::computeLoopKey (tab.fullPath, tab.loopsVisible, tab.activeLoopIndex, tab.loops);

            if (key.valid && playhead > key.end)
            {
                const auto response = recorder.handleSeek (tab, SeekOrigin::LoopWrap, key.start, true, playhead, live,
                                                           intervalMs);
                EXPECT_FALSE (response.discardLiveMeasurements);
                playhead = key.start;
            }
        }
    }

    PlaybackHistoryRecorder::SeekResponse seek (double seconds, bool playing)
    {
        const double before = playhead;
        playhead = seconds;
        return recorder.handleSeek (tab, SeekOrigin::UserSeek, seconds, playing, before, live, intervalMs);
    }

    int intervalMs;
    double clockMs = 1000.0;
    PlaybackHistoryRecorder recorder { [this] { return clockMs; } };
    FakeAnalysisTab tab;
    AnalysisSnapshot live = SyntheticAnalysis::makeLiveSnapshot (4.0f);
    double playhead = 0.0;
    AdviceReport clearedReport;
    int historyClears = 0;
};

const juce::String kStatusEnding = " Suggestions apply to Source. Based on recorded 3-second measurement windows.";
}

TEST (PlaybackHistoryRecorder, twentySecondsOfPlayKeepTheLastTenSecondsOfPlayingTime)
{
    Session session (50);
    session.play (20.0);

    const auto& history = session.recorder.getHistory();
    const double recorded = session.recorder.getRecordedSeconds();
    EXPECT_NEAR (recorded, 20.0, 1.0e-9);
    EXPECT_LE (recorded - history.getEntry (0).timeStamp, 10.0);
    EXPECT_GT (recorded - history.getEntry (0).timeStamp, 10.0 - 0.05);
    EXPECT_NEAR (history.getEntry (0).playheadSeconds, 10.0, 0.051);
    EXPECT_EQ (session.tab.shown, FakeAnalysisTab::Shown::live);
}

TEST (PlaybackHistoryRecorder, aLoopPlayedThreeTimesIsOneRecordedRange)
{
    Session session;
    session.tab.setSingleLoop (2.0, 4.0);
    session.playhead = 2.0;
    session.play (6.1);

    const auto& ranges = session.tab.recordedRanges;
    ASSERT_EQ (ranges.size(), 1u);
    EXPECT_EQ (ranges[0].start, 2.0);
    EXPECT_NEAR (ranges[0].end, 4.0, 0.041);
}

TEST (PlaybackHistoryRecorder, aStoppedPlayheadInsideTheRecordingShowsTheNearestMoment)
{
    Session session;
    session.play (5.0);
    const double lastPlayhead = session.recorder.getHistory().getEntry (session.recorder.getHistory().size() - 1).playheadSeconds;
    session.tick (false);
    EXPECT_EQ (session.tab.shown, FakeAnalysisTab::Shown::cleared);

    session.seek (3.0, false);
    const double nearest = std::round (3.0 / 0.041) * 0.041;
    EXPECT_TRUE (session.recorder.isInspecting());
    EXPECT_EQ (session.tab.shown, FakeAnalysisTab::Shown::recorded);
    EXPECT_NEAR (session.tab.shownSnapshot.playheadSeconds, nearest, 1.0e-9);
    EXPECT_TRUE (session.tab.inspectMarkerShown);
    EXPECT_NEAR (session.tab.inspectMarkerSeconds, nearest, 1.0e-9);
    EXPECT_NEAR (session.tab.shownSnapshot.bandDifferenceDb[10], 4.0f, 1.0e-3);

    session.seek (lastPlayhead + 0.004, false);
    EXPECT_TRUE (session.recorder.isInspecting());
    EXPECT_NEAR (session.tab.inspectMarkerSeconds, lastPlayhead, 1.0e-9);

    session.seek (6.0, false);
    EXPECT_FALSE (session.recorder.isInspecting());
    EXPECT_EQ (session.tab.shown, FakeAnalysisTab::Shown::cleared);
    EXPECT_FALSE (session.tab.inspectMarkerShown);
    EXPECT_EQ (session.recorder.getHistory().size(), 122);
}

TEST (PlaybackHistoryRecorder, startingPlaybackBeginsANewHistory)
{
    Session session;
    session.play (5.0);
    session.tick (false);
    session.seek (3.0, false);
    ASSERT_TRUE (session.tab.inspectMarkerShown);

    session.play (0.041);

    EXPECT_EQ (session.recorder.getHistory().size(), 1);
    EXPECT_FALSE (session.recorder.isInspecting());
    EXPECT_FALSE (session.tab.inspectMarkerShown);
    EXPECT_EQ (session.tab.shown, FakeAnalysisTab::Shown::live);
}

TEST (PlaybackHistoryRecorder, aUserSeekWhilePlayingDiscardsWhatWasMeasuredButALoopWrapDoesNot)
{
    Session session;
    session.play (5.0);

    const auto wrap = session.recorder.handleSeek (session.tab, SeekOrigin::LoopWrap, 1.0, true, session.playhead,
                                                   session.live, session.intervalMs);
    EXPECT_FALSE (wrap.discardLiveMeasurements);
    EXPECT_EQ (session.recorder.getHistory().size(), 122);

    const auto user = session.seek (1.0, true);
    EXPECT_TRUE (user.discardLiveMeasurements);
    EXPECT_TRUE (session.recorder.getHistory().isEmpty());
    EXPECT_TRUE (session.tab.recordedRanges.empty());
    EXPECT_EQ (session.tab.shown, FakeAnalysisTab::Shown::cleared);

    session.play (0.041 * 3);
    EXPECT_EQ (session.recorder.getHistory().size(), 3); // the next tick did not clear again
    EXPECT_EQ (session.tab.recordedRanges.at (0).start, 1.0);
}

TEST (PlaybackHistoryRecorder, anotherFileOrADisabledHistoryEmptiesTheHistory)
{
    Session session;
    session.play (2.0);

    session.tab.fullPath = "/music/Other.wav";
    session.play (0.041);
    EXPECT_EQ (session.recorder.getHistory().size(), 1);

    session.recorder.setHistorySettings (false, 10.0);
    EXPECT_EQ (session.clearedReport.title, "Playback history is disabled. Enable it in Settings to record an analysis.");

    session.play (1.0);
    EXPECT_TRUE (session.recorder.getHistory().isEmpty());
    EXPECT_TRUE (session.tab.recordedRanges.empty());
    EXPECT_EQ (session.tab.shown, FakeAnalysisTab::Shown::live);
    EXPECT_EQ (session.tab.report.title, session.clearedReport.title);
}

TEST (PlaybackHistoryRecorder, aTwoSecondLoopCompletesItsFirstPassAtTheThirdWrap)
{
    Session session;
    session.tab.setSingleLoop (0.0, 2.0);
    const auto& loop = session.recorder.getLoopState();

    std::vector<int> passesAtWrap;
    double previous = 0.0;

    while (passesAtWrap.size() < 3)
    {
        session.play (0.041);

        if (session.playhead < previous)
            passesAtWrap.push_back (loop.completedPasses);

        previous = session.playhead;
    }

    EXPECT_EQ (passesAtWrap, (std::vector<int> { 0, 0, 1 }));
    EXPECT_NEAR (loop.lastPass.tonalBands[12].diffSum / loop.lastPass.tonalBands[12].seconds, 4.0, 1.0e-3);
}

TEST (PlaybackHistoryRecorder, movingTheLoopHidingLoopsOrSwitchingTheActiveLoopEmptiesThePasses)
{
    const std::function<void (FakeAnalysisTab&)> changes[] = {
        [] (FakeAnalysisTab& tab) { tab.loops.getReference (0).end += 0.01; },
        [] (FakeAnalysisTab& tab) { tab.loopsVisible = false; },
        [] (FakeAnalysisTab& tab) { tab.activeLoopIndex = 1; },
    };

    for (const auto& change : changes)
    {
        Session session;
        session.tab.setSingleLoop (0.0, 2.0);
        session.tab.loops.add ({ 3.0, 4.0, false });
        session.play (7.0);
        ASSERT_GE (session.recorder.getLoopState().completedPasses, 1);

        change (session.tab);
        session.tick (true);
        EXPECT_EQ (session.recorder.getLoopState().completedPasses, 0);
    }
}

TEST (PlaybackHistoryRecorder, theLoopStatusTellsTheWarmUp)
{
    Session session (40);
    session.tab.usesLoop = true;
    session.tab.setSingleLoop (1.25, 3.75);
    session.playhead = 1.25;
    session.play (1.2);
    session.recorder.updateAnalysisStatus (session.tab, false);

    EXPECT_EQ (session.tab.report.title, "Active loop: 1.25 - 3.75 s. Warming up measurements (1.2/3 s). Keep both "
                                         "tracks playing; short loops need several passes." + kStatusEnding);
    EXPECT_TRUE (session.tab.report.hasNoFindings());

    session.tick (false);
    EXPECT_EQ (session.tab.report.title, "Active loop: 1.25 - 3.75 s. Playback stopped. Play to record a complete loop."
                                         + kStatusEnding);
}

TEST (PlaybackHistoryRecorder, aCompletedPassIsShownWithItsAdvice)
{
    Session session;
    session.tab.usesLoop = true;
    session.tab.setSingleLoop (0.0, 2.0);
    session.play (6.5);
    session.recorder.updateAnalysisStatus (session.tab, false);

    const auto& title = session.tab.report.title;
    EXPECT_TRUE (title.startsWith ("Active loop: 0.00 - 2.00 s. Showing completed pass 1. Recording loop: ")) << title;
    EXPECT_TRUE (title.endsWith ("%." + kStatusEnding)) << title;
    ASSERT_FALSE (session.tab.report.lines[0].empty());
    EXPECT_EQ (session.tab.report.lines[0][0].value, "Your mix has less deep bass than the Reference.");
}

TEST (PlaybackHistoryRecorder, choosingLoopWithoutAnActiveLoopFallsBackToTheHistory)
{
    Session session;
    session.tab.usesLoop = true;
    session.play (1.0);
    session.recorder.updateAnalysisStatus (session.tab, false);

    EXPECT_TRUE (session.tab.report.title.startsWith ("No active loop - using Playback History.\n")) << session.tab.report.title;
}

TEST (PlaybackHistoryRecorder, theAnalysisIsRebuiltAtMostFourTimesASecondWhilePlayingAndOnlyWhenShown)
{
    Session session;
    session.tab.showingAnalysis = false;
    session.play (2.0);
    EXPECT_EQ (session.tab.reportsReceived, 0);

    session.tab.showingAnalysis = true;
    session.play (0.041);
    EXPECT_EQ (session.tab.reportsReceived, 1); // at once on showing ANALYSIS

    session.play (2.0);
    EXPECT_GE (session.tab.reportsReceived, 8);
    EXPECT_LE (session.tab.reportsReceived, 9);
    EXPECT_TRUE (session.tab.report.title.startsWith ("4.1 s of saved playback / 4.1 s ready to compare."))
        << session.tab.report.title;
    EXPECT_EQ (session.tab.report.lines[0].size(), 30u);

    const int beforeStop = session.tab.reportsReceived;
    session.tick (false);
    session.tick (false);
    EXPECT_LE (session.tab.reportsReceived, beforeStop + 1);
}
