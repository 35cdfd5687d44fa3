#include "support/MessageLoop.h"
#include "support/ViewTestKit.h"
#include "tab/DisplayHost.h"

#include <gtest/gtest.h>

using namespace ViewTestKit;

namespace
{
const juce::ModifierKeys kRight { juce::ModifierKeys::rightButtonModifier };

int openMenus() { return juce::ModalComponentManager::getInstance()->getNumModalComponents(); }

void closeMenus()
{
    juce::PopupMenu::dismissAllActiveMenus();
    MessagePump::runFor (50);
}

// Picks an item of the open menu with the keyboard, as a user can: the n-th item, then return.
void chooseItem (int position)
{
    auto* menu = juce::ModalComponentManager::getInstance()->getModalComponent (0);
    ASSERT_NE (menu, nullptr);

    for (int i = 0; i < position; ++i)
        menu->keyPressed (juce::KeyPress (juce::KeyPress::downKey));

    menu->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    MessagePump::runFor (100);
}

// The host in a window of its own on the test's X display.
struct DisplayHostMenu : ::testing::Test
{
    DisplayHostMenu()
    {
        host->setBounds (100, 100, 1000, 500);
        host->addToDesktop (0);
        host->setVisible (true);
        host->onPlotStyleChanged = [this] (BandDisplayBase::PlotStyle style) { chosenStyles.push_back (style); };
        MessagePump::runFor (50);
    }

    ~DisplayHostMenu() override
    {
        closeMenus();
    }

    // A point in the middle of the view shown (host coordinates).
    static juce::Point<float> insideView() { return { 500.0f, 200.0f }; }

    std::unique_ptr<DisplayHost> host = std::make_unique<DisplayHost>();
    std::vector<BandDisplayBase::PlotStyle> chosenStyles;
};
}

TEST_F (DisplayHostMenu, aRightClickInABandViewOrOnTheFrameOpensOneMenu)
{
    PeerMouse mouse (*host);

    for (auto mode : { ViewMode::Spectrum, ViewMode::Match })
    {
        host->setViewMode (static_cast<int> (mode));

        mouse.click (insideView(), kRight);
        EXPECT_EQ (openMenus(), 1) << "inside the view, mode " << static_cast<int> (mode);
        closeMenus();

        mouse.click ({ 1.0f, 1.0f }, kRight);
        EXPECT_EQ (openMenus(), 1) << "on the frame, mode " << static_cast<int> (mode);
        closeMenus();
    }

    // The band views took no selection from the right button.
    EXPECT_TRUE (host->spectrumView.getSelection().isEmpty());
}

TEST_F (DisplayHostMenu, otherViewsAndRightButtonDragsOpenNoMenu)
{
    PeerMouse mouse (*host);

    for (auto mode : { ViewMode::Stereo, ViewMode::History, ViewMode::Analysis })
    {
        host->setViewMode (static_cast<int> (mode));
        mouse.click (insideView(), kRight);
        mouse.click ({ 1.0f, 1.0f }, kRight);
        EXPECT_EQ (openMenus(), 0) << "mode " << static_cast<int> (mode);
    }

    host->setViewMode (static_cast<int> (ViewMode::Spectrum));
    mouse.drag (insideView(), insideView() + juce::Point<float> (120.0f, 30.0f), kRight);
    EXPECT_EQ (openMenus(), 0);

    // A left click in the plot selects instead.
    mouse.click (insideView(), juce::ModifierKeys::leftButtonModifier);
    EXPECT_EQ (openMenus(), 0);
    EXPECT_FALSE (host->spectrumView.getSelection().isEmpty());
}

TEST_F (DisplayHostMenu, aChoiceSetsBothBandViewsAndIsReportedEvenWhenUnchanged)
{
    PeerMouse mouse (*host);

    mouse.click (insideView(), kRight);
    chooseItem (2);   // "Bars", already in use

    ASSERT_EQ (chosenStyles.size(), 1u);
    EXPECT_EQ (chosenStyles[0], BandDisplayBase::PlotStyle::Bars);
    EXPECT_EQ (host->spectrumView.getPlotStyle(), BandDisplayBase::PlotStyle::Bars);

    host->setViewMode (static_cast<int> (ViewMode::Match));
    mouse.click (insideView(), kRight);
    chooseItem (1);   // "Lines"

    ASSERT_EQ (chosenStyles.size(), 2u);
    EXPECT_EQ (chosenStyles[1], BandDisplayBase::PlotStyle::Lines);
    EXPECT_EQ (host->spectrumView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);
    EXPECT_EQ (host->differenceView.getPlotStyle(), BandDisplayBase::PlotStyle::Lines);

    // Dismissing the menu chooses nothing.
    mouse.click (insideView(), kRight);
    closeMenus();
    EXPECT_EQ (chosenStyles.size(), 2u);
}

TEST_F (DisplayHostMenu, aChoiceAfterTheTabClosedDoesNothing)
{
    PeerMouse mouse (*host);
    mouse.click (insideView(), kRight);
    ASSERT_EQ (openMenus(), 1);

    host.reset();
    chooseItem (1);

    EXPECT_TRUE (chosenStyles.empty());
}
