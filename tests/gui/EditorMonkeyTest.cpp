// Bad input at the window: a few thousand X events in a fixed pseudo-random order (clicks of
// every button, double clicks, drags, the wheel and keys) at random points of every part of
// the editor's window, while the audio thread plays. The menus and dialogs they open get
// input of their own and are then dismissed, so that the run goes on. After every event the
// engine's Reference list must match the tabs: the same files in the same order, and the
// active Reference the current tab's. Under AddressSanitizer (the asan stage, where JUCE's
// assertions are compiled in and fail the test) the run also proves that nothing is used after
// it was freed.
//
// KALVORIN_MONKEY_SEED and KALVORIN_MONKEY_EVENTS change the seed and the number of events
// for a longer run by hand; the suite runs the fixed ones.

#include "editor/EditorLayout.h"
#include "editor/SettingsComponent.h"
#include "support/AudioThread.h"
#include "support/EditorSession.h"
#include "support/MessageLoop.h"
#include "support/ModalWindows.h"
#include "support/XTestInput.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <iostream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

namespace
{
constexpr juce::int64 kDefaultSeed = 0x4b616c76;
constexpr int kDefaultEvents = 3000;
/** How long the loop turns after each piece of input: short, so that input comes faster than
    the window draws, as a hurried user's does. */
constexpr int kSettleMs = 2;
/** Events a menu or dialog may take before the test dismisses it itself. */
constexpr int kMaxEventsOnTop = 6;
constexpr int kCheckpointEvery = 500;
/** A menu takes a release as a choice only this long after it opened. */
constexpr int kMenuOpeningMs = 260;
constexpr int kTimeoutMs = 5000;
constexpr int kRecentEventsShown = 40;
/** Seconds without a finished event after which the run counts as hung. */
constexpr int kHangSeconds = 90;
constexpr int kReferenceFiles = 3;
constexpr double kReferenceSeconds = 2.0;

using XTestInput::MouseButton;

int environmentNumber (const char* name, int fallback)
{
    const auto text = juce::SystemStats::getEnvironmentVariable (name, {});
    return text.isNotEmpty() ? text.getIntValue() : fallback;
}

/** The keys the monkey presses at the window; Ctrl+W comes on its own. */
const char* const kKeys[] {
    "Escape", "Return", "Delete", "BackSpace", "Tab", "space", "Left", "Right", "Up", "Down",
    "Home", "End", "Prior", "Next", "a", "b", "l", "m", "s", "w", "z", "1", "2", "plus", "minus",
};

/** The keys it presses in the settings dialog: without Tab, which could bring the focus to
    the dialog's link, where Return or space would start a web browser. */
const char* const kDialogKeys[] {
    "Escape", "Return", "Delete", "BackSpace", "Left", "Right", "Up", "Down", "Home", "End",
    "a", "x", "0", "1", "5", "9", "minus", "period",
};

/**
    The monkey: a processor with References loaded from WAV files, its editor in a window on
    the display, an audio thread playing, and a random generator with a fixed seed choosing
    every event. Message thread.
*/
class EditorMonkey : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! XTestInput::isAvailable())
            GTEST_SKIP() << "no X display with XTest";

        session.harness.playHead.playing = true;

        for (int i = 0; i < kReferenceFiles; ++i)
            files.add (session.writeWav (juce::String::charToString ((juce::juce_wchar) ('A' + i)) + ".wav", kReferenceSeconds));

        // Two are loaded as a restored project has them; the third comes only through the file dialog.
        for (int i = 0; i < 2; ++i)
            ASSERT_GE (session.harness.processor->addReference (files[i].getFullPathName()), 0);

        session.showOnScreen();
        ASSERT_TRUE (MessagePump::runUntil ([this] { return session.tabPaths().size() == 2; }, kTimeoutMs));
        audio = std::make_unique<AudioThread> (session.harness);
    }

    void TearDown() override
    {
        {
            const std::lock_guard<std::mutex> lock (logLock);
            finished = true;
        }

        watchWake.notify_all();

        if (hangWatch.joinable())
            hangWatch.join();

        audio.reset();
    }

    /** Ends the process with the last events when no event finishes for a while: a run that
        hangs (a dialog that never returns, an X server taken by another client) must fail
        rather than stall the suite. */
    void startHangWatch()
    {
        hangWatch = std::thread ([this]
        {
            std::unique_lock<std::mutex> lock (logLock);
            auto lastSeen = -1;

            while (! finished)
            {
                lastSeen = eventsFinished;

                if (watchWake.wait_for (lock, std::chrono::seconds (kHangSeconds), [&] { return finished || eventsFinished != lastSeen; }))
                    continue;

                std::cerr << "The monkey made no progress for " << kHangSeconds << " s after event " << lastSeen
                          << ". Last events:\n" << recentEventsLocked() << std::flush;
                std::abort();
            }
        });
    }

    //==============================================================================
    /** What is wrong between the tabs and the engine, or an empty text. */
    juce::String findMismatch() const
    {
        const auto tabs = session.tabPaths();
        const auto references = session.referencePaths();

        if (tabs != references)
            return "tabs [" + tabs.joinIntoString (", ") + "] but References [" + references.joinIntoString (", ") + "]";

        auto& editor = *session.editor;

        if (editor.countReferenceTabs() != tabs.size())
            return "a Reference tab without a path";

        const auto active = session.harness.processor->getActiveReferenceIndex();
        const auto current = editor.getTabs().getCurrentTabIndex();

        if (! juce::isPositiveAndBelow (active + 1, references.size() + 1))
            return "active Reference " + juce::String (active) + " of " + juce::String (references.size());

        // Closing the current tab leaves none current, and the engine keeps the Reference that
        // the removal left active until a tab is chosen.
        if (current >= 0)
        {
            const auto* page = session.currentPage();

            if (page == nullptr)
                return "tab " + juce::String (current) + " is current but is no Reference tab";

            const auto expected = references.indexOf (page->getProperties()[SignalViewTab::fullPathProperty].toString());

            if (active != expected)
                return "active Reference " + juce::String (active) + " but the current tab's is " + juce::String (expected);
        }

        if (editor.isShowingEmptyState() != tabs.isEmpty())
            return "the empty state " + juce::String (editor.isShowingEmptyState() ? "shows" : "hides") + " with "
                   + juce::String (tabs.size()) + " tabs";

        return {};
    }

    /** Fails with the events that led here when the tabs and the engine disagree. */
    bool checkInvariants (const char* when)
    {
        const auto mismatch = findMismatch();

        if (mismatch.isEmpty())
            return true;

        ADD_FAILURE() << when << " after event " << eventCount << ": " << mismatch << "\nLast events:\n" << recentEvents();
        return false;
    }

    juce::String recentEvents()
    {
        const std::lock_guard<std::mutex> lock (logLock);
        return recentEventsLocked();
    }

    juce::String recentEventsLocked() const
    {
        juce::String text;

        for (const auto& line : log)
            text << "  " << line << "\n";

        return text;
    }

    void note (const juce::String& event)
    {
        const std::lock_guard<std::mutex> lock (logLock);
        log.push_back (juce::String (eventCount) + ": " + event);

        while ((int) log.size() > kRecentEventsShown)
            log.pop_front();
    }

    /** Tells the hang watch that one more event has run. */
    void eventDone()
    {
        {
            const std::lock_guard<std::mutex> lock (logLock);
            eventsFinished = eventCount;
        }

        watchWake.notify_all();
    }

    //==============================================================================
    /** A point of a component on the screen. The window manager frames the editor and the
        settings dialog, and the framework may believe them elsewhere than they are: their
        points are corrected by what the pointer found (menus are not framed). */
    juce::Point<int> onScreen (const juce::Component& component, juce::Point<int> local) const
    {
        auto* topLevel = component.getTopLevelComponent();

        if (topLevel == session.editor.get())
            return session.toScreen (component, local);

        if (topLevel == settingsDialog.getComponent())
            return component.localPointToGlobal (local) + settingsDialogOffset;

        return component.localPointToGlobal (local);
    }

    /** The settings dialog's content when the dialog shows, or null. */
    SettingsComponent* findSettingsContent()
    {
        auto* window = ModalWindows::findSettingsDialog();
        auto* content = window != nullptr ? dynamic_cast<SettingsComponent*> (window->getContentComponent()) : nullptr;

        if (content == nullptr || ! window->isShowing())
            return nullptr;

        if (settingsDialog != window)
        {
            settingsDialog = window;
            settingsDialogOffset = XTestInput::findScreenOffset (*content, content->getLocalBounds().getCentre());
        }

        return content;
    }

    juce::Point<int> randomPointIn (juce::Rectangle<int> area)
    {
        return { area.getX() + random.nextInt (juce::jmax (1, area.getWidth())),
                 area.getY() + random.nextInt (juce::jmax (1, area.getHeight())) };
    }

    /** A random point of the editor's window on the screen; often in the header, where the
        tabs and buttons are small targets. While the settings dialog shows over it, a point of
        the dialog's content instead: a click must never reach the window manager's frames and
        title bars, whose moves and menus would take the X server for themselves. */
    juce::Point<int> randomPointOfWindow()
    {
        if (auto* content = findSettingsContent())
            return onScreen (*content, randomPointIn (content->getLocalBounds().reduced (2)));

        auto& editor = *session.editor;
        const auto inside = editor.getLocalBounds().reduced (1);
        const auto header = inside.withHeight (EditorLayout::kHeaderHeight);
        return onScreen (editor, randomPointIn (random.nextInt (10) < 3 ? header : inside));
    }

    void click (juce::Point<int> where, MouseButton button, const char* what)
    {
        note (juce::String (what) + " at " + where.toString());
        XTestInput::click (where, button);
    }

    void drag (juce::Point<int> from, juce::Point<int> to, MouseButton button)
    {
        note ("drag " + juce::String (button == MouseButton::left ? "left" : "right") + " " + from.toString() + " -> " + to.toString());
        XTestInput::moveTo (from);
        XTestInput::pressButton (button);

        constexpr int steps = 4;

        for (int i = 1; i <= steps; ++i)
            XTestInput::moveTo (from + (to - from) * i / steps);

        XTestInput::releaseButton (button);
    }

    void pressKey (const char* key, bool withControl = false)
    {
        note (juce::String (withControl ? "Ctrl+" : "") + key);
        XTestInput::pressKey (key, withControl);
    }

    /** One random event at the window: the most common are clicks and keys. */
    void sendRandomEvent()
    {
        const auto choice = random.nextInt (100);
        const auto where = randomPointOfWindow();

        if (choice < 25)
            click (where, MouseButton::left, "left click");
        else if (choice < 35)
            click (where, MouseButton::right, "right click");
        else if (choice < 41)
            click (where, MouseButton::middle, "middle click");
        else if (choice < 47)
        {
            note ("double click at " + where.toString());
            XTestInput::click (where, MouseButton::left);
            XTestInput::click (where, MouseButton::left);
        }
        else if (choice < 59)
            drag (where, randomPointOfWindow(), MouseButton::left);
        else if (choice < 62)
            drag (where, randomPointOfWindow(), MouseButton::right);
        else if (choice < 72)
            click (where, random.nextBool() ? MouseButton::wheelUp : MouseButton::wheelDown, "wheel");
        else if (choice < 75)
            pressKey ("w", true);
        else
        {
            // Keys go to the window under the pointer.
            XTestInput::moveTo (where);
            pressKey (kKeys[random.nextInt ((int) std::size (kKeys))], random.nextInt (8) == 0);
        }
    }

    //==============================================================================
    /** Input for a menu, the settings dialog or the file dialog when one shows; true when
        one did. After a few events on top, the test dismisses it itself. */
    bool handleSomethingOnTop()
    {
        auto& editor = *session.editor;

        if (editor.getNumFileDialogsOpened() != fileDialogsSeen)
        {
            fileDialogsSeen = editor.getNumFileDialogsOpened();
            answerFileDialog();
            return true;
        }

        if (ModalWindows::countModal() == 0)
        {
            eventsOnTop = 0;
            return false;
        }

        if (++eventsOnTop > kMaxEventsOnTop)
        {
            note ("the test dismisses what is still open");
            ++forcedDismissals;
            dismissEverything();
            return true;
        }

        if (auto* menu = ModalWindows::findMenu())
            answerMenu (*menu);
        else if (auto* content = findSettingsContent())
            answerSettingsDialog (*content);
        else
            pressKey ("Escape");

        return true;
    }

    void answerMenu (juce::Component& menu)
    {
        ++menusSeen;
        const auto choice = random.nextInt (4);

        if (choice < 2 && menu.getNumChildComponents() > 0)
        {
            auto* item = menu.getChildComponent (random.nextInt (menu.getNumChildComponents()));
            // A menu ignores a release right after it opened: it belongs to the opening click.
            MessagePump::runFor (kMenuOpeningMs);
            click (onScreen (*item, item->getLocalBounds().getCentre()), MouseButton::left, "menu item");
        }
        else if (choice == 2)
            pressKey ("Escape");
        else
            click (randomPointOfWindow(), MouseButton::left, "left click beside the menu");
    }

    void answerSettingsDialog (SettingsComponent& content)
    {
        ++settingsDialogsSeen;

        const auto centreOf = [this] (juce::Component& c) { return onScreen (c, c.getLocalBounds().getCentre()); };
        const auto choice = random.nextInt (10);

        if (choice < 2)
            click (centreOf (content.okButton), MouseButton::left, "OK");
        else if (choice < 3)
            click (centreOf (content.cancelButton), MouseButton::left, "Cancel");
        else if (choice < 4)
        {
            XTestInput::moveTo (centreOf (content));
            pressKey ("Escape");
        }
        else if (choice < 6)
        {
            XTestInput::moveTo (centreOf (content));
            pressKey (kDialogKeys[random.nextInt ((int) std::size (kDialogKeys))]);
        }
        else
        {
            // Anywhere in the dialog but its link, which would start a web browser.
            auto point = randomPointIn (content.getLocalBounds().reduced (2));

            if (content.creditLink.getBounds().contains (point))
                point = content.okButton.getBounds().getCentre();

            click (onScreen (content, point), random.nextBool() ? MouseButton::left : MouseButton::right, "click in the settings");
        }
    }

    /** The user's answer to the file dialog: a file of the test's (one already open or not),
        or nothing. The framework's own dialog is also cancelled with Escape; a native one is
        another program, answered as it would answer. */
    void answerFileDialog()
    {
        ++fileDialogsAnswered;
        auto& editor = *session.editor;

        MessagePump::runUntil ([] { return ModalWindows::findFileDialog() != nullptr; }, juce::FileChooser::isPlatformDialogAvailable() ? 0 : kTimeoutMs);

        const auto choice = random.nextInt (4);
        auto* dialog = ModalWindows::findFileDialog();

        if (choice == 0 && dialog != nullptr)
        {
            XTestInput::moveTo (onScreen (*dialog, dialog->getLocalBounds().getCentre()));
            pressKey ("Escape");
            MessagePump::runUntil ([] { return ModalWindows::findFileDialog() == nullptr; }, kTimeoutMs);
        }

        if (ModalWindows::findFileDialog() != nullptr || dialog == nullptr)
        {
            const auto file = choice == 1 ? juce::File() : files[random.nextInt (files.size())];
            note ("file dialog answers " + (file == juce::File() ? juce::String ("nothing") : file.getFileName()));
            editor.loadChosenFile (file);
        }
    }

    void dismissEverything()
    {
        juce::PopupMenu::dismissAllActiveMenus();

        if (session.editor != nullptr && ModalWindows::findFileDialog() != nullptr)
            session.editor->loadChosenFile ({});

        juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
        MessagePump::runUntil ([] { return ModalWindows::countModal() == 0; }, kTimeoutMs);
        eventsOnTop = 0;
    }

    /** Runs the loop until everything posted has run, then checks the tabs against the engine. */
    bool settleAndCheck (const char* when)
    {
        deliverPendingMessages();
        return ModalWindows::countModal() > 0 || checkInvariants (when);
    }

    //==============================================================================
    EditorSession session;
    juce::Component::SafePointer<juce::DialogWindow> settingsDialog;
    juce::Point<int> settingsDialogOffset;
    juce::Array<juce::File> files;
    std::unique_ptr<AudioThread> audio;
    juce::Random random { (juce::int64) environmentNumber ("KALVORIN_MONKEY_SEED", (int) kDefaultSeed) };
    std::mutex logLock;
    std::deque<juce::String> log;
    std::condition_variable watchWake;
    int eventsFinished = 0;
    bool finished = false;
    std::thread hangWatch;
    int eventCount = 0, eventsOnTop = 0, fileDialogsSeen = 0;
    int menusSeen = 0, settingsDialogsSeen = 0, fileDialogsAnswered = 0, forcedDismissals = 0;
};
} // namespace

TEST_F (EditorMonkey, thousandsOfRandomEventsLeaveTheTabsAndTheEngineInAgreement)
{
    const auto events = environmentNumber ("KALVORIN_MONKEY_EVENTS", kDefaultEvents);
    const auto started = juce::Time::getMillisecondCounterHiRes();

    startHangWatch();

    {
        XTestInput::ScopedSettleTime fast (kSettleMs);

        for (eventCount = 1; eventCount <= events; ++eventCount)
        {
            if (! handleSomethingOnTop())
                sendRandomEvent();

            if (! settleAndCheck ("after an event"))
                break;

            eventDone();

            if (eventCount % kCheckpointEvery == 0)
            {
                dismissEverything();
                const auto blocks = audio->blocksProcessed();
                ASSERT_TRUE (settleAndCheck ("at a checkpoint"));
                ASSERT_TRUE (MessagePump::runUntil ([&] { return audio->blocksProcessed() > blocks; }, kTimeoutMs))
                    << "the audio thread stopped";
            }
        }
    }

    dismissEverything();
    ASSERT_TRUE (settleAndCheck ("at the end"));
    session.saveScreenshot ("editor-after-monkey.png");

    // What the storm left is the project's editor state too: closed and opened again, the
    // window shows the same tabs.
    const auto tabsBefore = session.tabPaths();
    session.close();
    session.open();
    deliverPendingMessages();
    EXPECT_EQ (session.tabPaths(), tabsBefore);
    EXPECT_EQ (findMismatch(), juce::String());

    std::cout << "[ monkey   ] " << eventCount - 1 << " events in "
              << juce::roundToInt ((juce::Time::getMillisecondCounterHiRes() - started) / 1000.0) << " s: "
              << menusSeen << " menu events, " << settingsDialogsSeen << " settings dialog events, "
              << fileDialogsAnswered << " file dialogs, " << forcedDismissals << " dismissed by the test, "
              << audio->blocksProcessed() << " blocks played" << std::endl;
}
