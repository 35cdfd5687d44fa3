#include "support/EditorSession.h"
#include "support/XTestInput.h"

#include <gtest/gtest.h>

namespace
{
class EditorTabs : public ::testing::Test
{
protected:
    KalvorinAudioProcessorEditor& openWithFiles (const juce::StringArray& names)
    {
        auto& editor = session.open();
        drop (names);
        return editor;
    }

    void drop (const juce::StringArray& names)
    {
        juce::StringArray paths;

        for (const auto& name : names)
            paths.add (session.writeWav (name).getFullPathName());

        session.editor->filesDropped (paths, 0, 0);
        MessagePump::runFor (50);
    }

    EditorSession session;
};
}

// Tab numbers are fixed when a tab is added: after closing 01 the next file is added before
// "+ ADD" at position 2 and is numbered 02 as well.
TEST_F (EditorTabs, tabNumbersStayWithTheirTabsAndNewTabsGoBeforeAdd)
{
    auto& editor = openWithFiles ({ "A.wav", "B.wav" });
    editor.closeReferenceTab (0);
    editor.syncTabReferenceIndices();
    drop ({ "C.wav" });

    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "02  B.wav", "02  C.wav", "+ ADD" }));
    EXPECT_EQ (session.tabPaths(), session.referencePaths());
    EXPECT_EQ (editor.getTabs().getTabbedButtonBar().getTabButton (2)->getTooltip(), "Add reference");
    EXPECT_EQ (editor.getTabs().getTabbedButtonBar().getTabButton (0)->getTooltip(), session.referencePaths()[0]);
}

// The tab page's controls reach the processor and the settings, and every tab follows.
TEST_F (EditorTabs, tabControlsReachTheProcessorAndTheSettingsAndEveryTabFollows)
{
    auto& editor = openWithFiles ({ "A.wav", "B.wav" });
    auto& first = *editor.getReferencePage (0);
    auto& second = *editor.getReferencePage (1);
    auto& settings = session.harness.processor->settingsStore;

    first.onLevelMatchModeChanged (7);
    EXPECT_EQ (settings.getValue ("General", "LevelMatchMode"), "2");
    EXPECT_EQ (second.meters.getLevelMatchMode(), 2);
    EXPECT_TRUE (settings.getSettingsFile().existsAsFile());

    first.displayHost.onPlotStyleChanged (BandDisplayBase::PlotStyle::Lines);
    EXPECT_EQ (settings.getValue ("General", "AnalyzerPlotStyle"), "Lines");
    EXPECT_EQ (second.displayHost.spectrumView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
    EXPECT_EQ (second.displayHost.differenceView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);

    first.onOutputSelectionChanged (OutputSelection::Source);
    EXPECT_GE (session.harness.processor->parameters.getRawParameterValue ("monitorRef")->load(), 0.5f);
    ASSERT_TRUE (MessagePump::runUntil ([&] { return second.meters.getOutputSelection() == OutputSelection::Source; }, 2000));

    drop ({ "C.wav" });
    EXPECT_EQ (editor.getReferencePage (2)->meters.getOutputSelection(), OutputSelection::Source);
    EXPECT_EQ (editor.getReferencePage (2)->meters.getLevelMatchMode(), 2);
    EXPECT_EQ (editor.getReferencePage (2)->displayHost.spectrumView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
}

// With more tabs than the bar holds, the framework's overflow button shows and the tab buttons
// are squeezed to end before it.
TEST_F (EditorTabs, tabButtonsEndBeforeTheOverflowButtonWhenTheyDoNotFit)
{
    juce::StringArray names;

    for (int i = 0; i < 14; ++i)
        names.add ("A rather long file name " + juce::String (i) + ".wav");

    auto& editor = openWithFiles (names);
    auto& bar = editor.getTabs().getTabbedButtonBar();
    MessagePump::runFor (100);

    const auto children = bar.getChildren();
    const auto overflowAt = std::find_if (children.begin(), children.end(), [] (juce::Component* child)
    {
        return child->isVisible() && dynamic_cast<juce::Button*> (child) != nullptr
            && dynamic_cast<juce::TabBarButton*> (child) == nullptr;
    });
    ASSERT_NE (overflowAt, children.end());
    auto* overflow = *overflowAt;

    int maxRight = 0;

    for (int i = 0; i < bar.getNumTabs(); ++i)
        if (bar.getTabButton (i)->isVisible())
            maxRight = juce::jmax (maxRight, bar.getTabButton (i)->getRight());

    EXPECT_LE (maxRight, overflow->getX() - 6);
    EXPECT_GT (maxRight, overflow->getX() - 20);
}

// The window keeps its 5:3 shape between 1000 x 600 and 1600 x 960.
TEST_F (EditorTabs, windowResizesOnlyAlongFiveToThreeWithinItsLimits)
{
    auto& editor = session.open();
    auto* constrainer = editor.getConstrainer();
    ASSERT_NE (constrainer, nullptr);
    EXPECT_DOUBLE_EQ (constrainer->getFixedAspectRatio(), 1200.0 / 720.0);
    EXPECT_EQ (constrainer->getMinimumWidth(), 1000);
    EXPECT_EQ (constrainer->getMinimumHeight(), 600);
    EXPECT_EQ (constrainer->getMaximumWidth(), 1600);
    EXPECT_EQ (constrainer->getMaximumHeight(), 960);
    EXPECT_EQ (editor.getBounds(), juce::Rectangle<int> (0, 0, 1200, 720));
}

// Acceptable files dragged over the window light it up; anything else does not.
TEST_F (EditorTabs, onlyLoadableFilesLightUpTheWindowWhileDraggedOver)
{
    auto& editor = session.open();
    const auto pixel = [&] { return editor.createComponentSnapshot ({ 8, 300, 1, 1 }, true, 1.0f).getPixelAt (0, 0); };
    const auto plain = pixel();

    editor.fileDragEnter ({ session.folder.folder.getFullPathName() }, 10, 10);
    EXPECT_EQ (pixel(), plain);

    editor.fileDragEnter ({ session.writeWav ("A.wav").getFullPathName() }, 10, 10);
    EXPECT_GT (pixel().getBrightness(), plain.getBrightness());

    editor.fileDragExit ({});
    EXPECT_EQ (pixel(), plain);
}
