// The window's lifetime against the host's: opened and closed while the audio thread plays, and
// taken down together with the plug-in while work for it is still queued or while one of its
// menus or dialogs shows. Under AddressSanitizer (the asan stage) any use of a freed window or
// processor fails the run, and JUCE's leak detector reports every editor object that outlives
// the test.

#include "editor/EditorLayout.h"
#include "support/AudioThread.h"
#include "support/EditorSession.h"
#include "support/ModalWindows.h"
#include "support/XTestInput.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
constexpr int kOpenCloseRounds = 50;
constexpr int kOpenMilliseconds = 40;
constexpr int kTimeoutMs = 5000;

class EditorLifetime : public ::testing::Test
{
protected:
    void SetUp() override
    {
        session.harness.playHead.playing = true;

        for (const auto* name : { "A.wav", "B.wav" })
            ASSERT_GE (session.harness.processor->addReference (session.writeWav (name).getFullPathName()), 0);
    }

    EditorSession session;
};
} // namespace

TEST_F (EditorLifetime, windowOpensAndClosesFiftyTimesWhileTheTransportPlays)
{
    AudioThread audio (session.harness);

    for (int round = 0; round < kOpenCloseRounds; ++round)
    {
        auto& editor = session.open();
        ASSERT_EQ (session.tabPaths(), session.referencePaths()) << "round " << round;

        // Alternate tabs so that every round changes the active Reference under the audio thread.
        editor.getTabs().setCurrentTabIndex (round % 2);
        MessagePump::runFor (kOpenMilliseconds);
        session.close();
    }

    EXPECT_GT (audio.blocksProcessed(), 0);
    EXPECT_EQ (session.harness.processor->getActiveEditor(), nullptr);
    EXPECT_EQ (session.referencePaths().size(), 2);
}

TEST_F (EditorLifetime, windowOnScreenOpensAndClosesWhileTheTransportPlays)
{
    AudioThread audio (session.harness);

    for (int round = 0; round < 3; ++round)
    {
        session.showOnScreen();
        MessagePump::runFor (kOpenMilliseconds);
        session.close();
    }

    EXPECT_GT (audio.blocksProcessed(), 0);
}

// The host takes the plug-in down the way JUCE's VST3 layer does, window first and processor
// right after, in one turn of the message loop, while the audio thread's blocks have just
// played: the "monitorRef" change made on another thread just before is still waiting for the
// window's timer, and the parameter tree's own update is still queued. Whatever was queued then
// runs against neither.
TEST_F (EditorLifetime, pluginGoesDownWithItsWindowOpenAndAMonitorChangeQueued)
{
    session.showOnScreen();
    MessagePump::runFor (kOpenMilliseconds);

    {
        AudioThread audio (session.harness);
        MessagePump::runUntil ([&audio] { return audio.blocksProcessed() > AudioThread::blocksPerMonitorFlip; }, kTimeoutMs);
    }

    // A last change from another thread, as automation makes it, that no timer tick has shown.
    const auto sourceShown = session.harness.processor->parameters.getRawParameterValue ("monitorRef")->load() > 0.5f;
    std::thread automation ([this, sourceShown] { session.harness.setMonitor (sourceShown ? 0 : 1); });
    automation.join();

    session.removePlugin();
    MessagePump::runFor (kOpenMilliseconds);
}

namespace
{
/** Something the window opens on top of itself, and the user's input that opens it. */
struct OpenOnTop
{
    const char* name;
    /** Sends the input; returns where on the screen it went. */
    juce::Point<int> (*open) (EditorSession&);
    /** Whether it shows. */
    bool (*isShowing) (EditorSession&);
};

void PrintTo (const OpenOnTop& opened, std::ostream* stream)
{
    *stream;
}

juce::Point<int> rightClickOnFirstTab (EditorSession& session)
{
    const auto where = session.tabButtonCentre (0);
    XTestInput::click (where, XTestInput::MouseButton::right);
    return where;
}

juce::Point<int> rightClickOnBandView (EditorSession& session)
{
    auto& view = session.currentPage()->displayHost.spectrumView;
    const auto where = session.toScreen (view, view.getLocalBounds().getCentre());
    XTestInput::click (where, XTestInput::MouseButton::right);
    return where;
}

juce::Point<int> clickSettingsButton (EditorSession& session)
{
    auto& editor = *session.editor;
    const auto button = EditorLayout::windowLayout (editor.getWidth(), editor.getHeight()).settingsButton;
    const auto where = session.toScreen (editor, button.getCentre());
    XTestInput::click (where);
    return where;
}

juce::Point<int> clickAddTab (EditorSession& session)
{
    const auto where = session.tabButtonCentre (session.editor->getTabs().getNumTabs() - 1);
    XTestInput::click (where);
    return where;
}

bool menuShows (EditorSession&)
{
    return ModalWindows::findMenu() != nullptr;
}

bool settingsDialogShows (EditorSession&)
{
    auto* dialog = ModalWindows::findSettingsDialog();
    return dialog != nullptr && dialog->isCurrentlyModal();
}

bool fileDialogShows (EditorSession& session)
{
    // A native dialog is another program, which the test cannot see; the window's count says
    // that it asked for one.
    if (session.editor->getNumFileDialogsOpened() == 0)
        return false;

    return ModalWindows::findFileDialog() != nullptr || juce::FileChooser::isPlatformDialogAvailable();
}

const OpenOnTop kOpenOnTop[] {
    { "TabMenu", rightClickOnFirstTab, menuShows },
    { "PlotStyleMenu", rightClickOnBandView, menuShows },
    { "SettingsDialog", clickSettingsButton, settingsDialogShows },
    { "FileDialog", clickAddTab, fileDialogShows },
};

class EditorLifetimeWithSomethingOpen : public EditorLifetime,
                                        public ::testing::WithParamInterface<OpenOnTop>
{
protected:
    void SetUp() override
    {
        if (! XTestInput::isAvailable())
            GTEST_SKIP() << "no X display with XTest";

        EditorLifetime::SetUp();
    }
};
} // namespace

// The host removes the plug-in while the user has a menu or dialog of its window open, the
// audio thread still playing when the window goes. Nothing of it may stay behind: no window on
// the desktop, no modal component that would swallow the input of the next plug-in window the
// module opens, and no later event reaching a freed window, store or processor (the pointer
// and a key where it showed, and the loop turning on).
TEST_P (EditorLifetimeWithSomethingOpen, pluginGoesDownWhileItShowsAndNothingStaysBehind)
{
    const auto& opened = GetParam();
    const auto windowsBefore = juce::Desktop::getInstance().getNumComponents();

    session.showOnScreen();
    ASSERT_TRUE (MessagePump::runUntil ([this] { return session.tabPaths().size() == 2 && session.tabTexts().size() == 3; }, kTimeoutMs));

    auto audio = std::make_unique<AudioThread> (session.harness);
    const auto where = opened.open (session);
    ASSERT_TRUE (MessagePump::runUntil ([&] { return opened.isShowing (session); }, kTimeoutMs));
    MessagePump::runFor (kOpenMilliseconds);

    // JUCE's VST3 layer deletes the window, the host stops the audio thread, then the processor goes.
    session.removePlugin ([&audio] { audio.reset(); });
    MessagePump::runFor (kOpenMilliseconds);

    // No click: with the window gone, the window manager's own root menu would take it.
    XTestInput::moveTo (where);
    XTestInput::pressKey ("Escape");
    MessagePump::runFor (kOpenMilliseconds);

    EXPECT_EQ (ModalWindows::countModal(), 0);
    EXPECT_EQ (juce::Desktop::getInstance().getNumComponents(), windowsBefore);
}

INSTANTIATE_TEST_SUITE_P (EachMenuAndDialog, EditorLifetimeWithSomethingOpen, ::testing::ValuesIn (kOpenOnTop),
                          [] (const ::testing::TestParamInfo<OpenOnTop>& info) { return std::string (info.param.name); });
