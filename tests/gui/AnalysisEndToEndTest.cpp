#include "engine/ThemePalette.h"
#include "support/AudioFileFixtures.h"
#include "support/EditorPlayback.h"
#include "support/GuiSupport.h"
#include "support/MessageLoop.h"
#include "support/MusicFixtures.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr double kPlaySeconds = 15.0;
constexpr double kMusicSeconds = 16.0;
constexpr float kBassCutDb = -6.0f;
}

// Two real signals through the processor with the editor's own timer ticking: the written
// analysis of the current tab must find the mix's missing bass, suggest raising it and say
// nothing that the band views would contradict. The tab's analysis view is rendered to
// build/tests/screenshots/analysis-end-to-end.png.
TEST (AnalysisEndToEnd, aMixWithItsBassCutIsToldToRaiseTheBass)
{
    EditorSession session;
    const auto music = MusicFixtures::makeMusic (kSampleRate, kMusicSeconds);
    const auto referenceFile = session.folder.file ("Reference.wav");
    ASSERT_TRUE (AudioFileFixtures::writeWav (referenceFile, music, kSampleRate));
    ASSERT_EQ (session.harness.processor->addReference (referenceFile.getFullPathName()), 0);

    session.open();
    deliverPendingMessages();
    auto* page = session.currentPage();
    ASSERT_NE (page, nullptr);
    page->setViewMode (static_cast<int> (ViewMode::Analysis));

    EditorPlayback playback (session, MusicFixtures::cutBass (music, kSampleRate, kBassCutDb));
    session.harness.playHead.playing = true;
    playback.playFor (kPlaySeconds);

    // While playing the analysis is rebuilt at most four times a second; the first stopped tick
    // writes what the whole history says.
    session.harness.playHead.playing = false;
    playback.playOneTick();

    const auto& report = page->displayHost.analysisView.getShownReport();
    EXPECT_TRUE (report.title.startsWith ("10.0 s of saved playback / 10.0 s ready to compare.")) << report.title;

    bool raisesBassWeight = false;

    for (const auto& line : report.lines[AdviceReport::kToneSection])
    {
        if (line.value == "Your mix has less bass weight than the Reference.")
            raisesBassWeight = line.detail.startsWith ("In your EQ, try raising this range");

        // The cut is below 300 Hz; nothing above it differs by 3 dB or swings both ways.
        EXPECT_TRUE (line.label.startsWith ("Deep bass") || line.label.startsWith ("Bass weight")) << line.label;
        EXPECT_TRUE (line.value.contains ("less")) << line.value;
    }

    EXPECT_TRUE (raisesBassWeight) << report.sections[0];

    // The analysis view as the tab's view host places it in the 1200 x 720 window.
    auto& view = page->displayHost.analysisView;
    view.setBounds (page->displayHost.getLocalBounds().reduced (2));
    view.setVisible (true);
    GuiSupport::writeScreenshot (view, "analysis-end-to-end", ThemePalette::panel);
}
