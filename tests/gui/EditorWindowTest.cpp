#include "support/EditorSession.h"
#include "support/AllocationGuard.h"
#include "support/XTestInput.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
constexpr int kTimeoutMs = 3000;

/** A window test: a processor, its editor in a real window, and real X input. */
class EditorWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (! XTestInput::isAvailable())
            GTEST_SKIP() << "no X display with XTest";
    }

    /** Shows the editor (in a window, or only built) and drops files on it; returns the files. */
    juce::Array<juce::File> showWithDroppedFiles (const juce::StringArray& names, bool onScreen = true)
    {
        juce::Array<juce::File> files;
        juce::StringArray paths;

        for (const auto& name : names)
        {
            files.add (session.writeWav (name));
            paths.add (files.getLast().getFullPathName());
        }

        if (onScreen)
            session.showOnScreen();
        else
            session.open();

        session.editor->filesDropped (paths, 300, 300);
        MessagePump::runFor (100);
        return files;
    }

    /** Whether the tabs and the processor's list name the same files in the same order. */
    bool tabsAgreeWithEngine() const
    {
        return session.tabPaths() == session.referencePaths();
    }

    EditorSession session;
};
}

// Three files dropped, one of them already open: the new ones get tabs in the given order, the
// open one only becomes current again, "+ ADD" comes last, and choosing a tab with the mouse
// makes its Reference the processor's active one.
TEST_F (EditorWindow, droppedFilesGetTabsInOrderAndAChosenTabBecomesTheActiveReference)
{
    const auto files = showWithDroppedFiles ({ "First take.wav", "Second.wav" });
    auto& editor = *session.editor;

    const auto third = session.writeWav ("Third.wav");
    editor.filesDropped ({ third.getFullPathName(), files[0].getFullPathName(), files[1].getFullPathName() }, 300, 300);
    ASSERT_TRUE (MessagePump::runUntil ([&] { return session.tabTexts().size() == 4; }, kTimeoutMs));

    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "01  First take.wav", "02  Second.wav", "03  Third.wav", "+ ADD" }));
    EXPECT_TRUE (tabsAgreeWithEngine());
    EXPECT_EQ (editor.getTabs().getCurrentTabIndex(), 1);
    EXPECT_FALSE (editor.isShowingEmptyState());
    session.saveScreenshot ("editor-three-tabs.png");

    for (int tab : { 0, 2 })
    {
        XTestInput::click (session.tabButtonCentre (tab));
        ASSERT_TRUE (MessagePump::runUntil ([&] { return editor.getTabs().getCurrentTabIndex() == tab; }, kTimeoutMs));
        EXPECT_EQ (session.harness.processor->getActiveReferenceIndex(), tab);
        EXPECT_TRUE (session.currentPage()->signalDisplay.isPlayheadTimerRunning());
    }

    EXPECT_FALSE (editor.getReferencePage (0)->signalDisplay.isPlayheadTimerRunning());
}

// Three files dragged from another program's window (one already open) and dropped through the
// window system's drag-and-drop protocol: the new ones get tabs in the dragged order, the open
// one only becomes current again.
TEST_F (EditorWindow, filesDraggedFromAnotherProgramAreDroppedThroughTheWindowSystem)
{
    const auto open = showWithDroppedFiles ({ "Open.wav" })[0];
    const auto a = session.writeWav ("A.wav");
    const auto b = session.writeWav ("B.wav");

    juce::ChildProcess source;

    struct StopSourceOnExit
    {
        ~StopSourceOnExit() { process.kill(); }
        juce::ChildProcess& process;
    } stopSource { source };

    ASSERT_TRUE (source.start (juce::StringArray { KALVORIN_DRAG_SOURCE, a.getFullPathName(), b.getFullPathName(), open.getFullPathName() },
                               juce::ChildProcess::wantStdOut));

    // The source prints one line once its window shows (the read waits for each byte).
    juce::String ready;

    for (char c = 0; c != '\n' && source.readProcessOutput (&c, 1) == 1;)
        ready += juce::String::charToString ((juce::juce_wchar) (unsigned char) c);

    MessagePump::runFor (200);

    const auto words = juce::StringArray::fromTokens (ready.trim(), " ", {});
    ASSERT_EQ (words.size(), 3) << ready;
    const juce::Point<int> start (words[1].getIntValue(), words[2].getIntValue());

    XTestInput::moveTo (start);
    XTestInput::pressButton();

    for (int step = 1; step <= 5; ++step)
        XTestInput::moveTo (start + juce::Point<int> (-step * 4, step * 4));

    const auto target = session.toScreen (*session.editor, juce::Point<int> (300, 400));

    for (int step = 1; step <= 10; ++step)
        XTestInput::moveTo (start + (target - start) * step / 10);

    MessagePump::runFor (300);
    XTestInput::releaseButton();

    ASSERT_TRUE (MessagePump::runUntil ([&] { return session.tabTexts().size() == 4; }, kTimeoutMs));
    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "01  Open.wav", "02  A.wav", "03  B.wav", "+ ADD" }));
    EXPECT_EQ (session.editor->getTabs().getCurrentTabIndex(), 0);
    EXPECT_TRUE (tabsAgreeWithEngine());
}

// One middle click closes one tab (the editor hears the tab bar's clicks once) and leaves the
// current tab current, and Ctrl+W, which X11 reports as the letter's own key code, closes the
// current tab.
TEST_F (EditorWindow, oneMiddleClickClosesOneTabAndControlWClosesTheCurrentOne)
{
    showWithDroppedFiles ({ "A.wav", "B.wav", "C.wav" });
    auto& editor = *session.editor;
    ASSERT_TRUE (MessagePump::runUntil ([&] { return session.tabTexts().size() == 4; }, kTimeoutMs));

    XTestInput::click (session.tabButtonCentre (0), XTestInput::MouseButton::middle);
    MessagePump::runUntil ([&] { return session.tabTexts().size() < 4; }, kTimeoutMs);
    MessagePump::runFor (150);
    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "02  B.wav", "03  C.wav", "+ ADD" }));
    EXPECT_TRUE (tabsAgreeWithEngine());
    EXPECT_EQ (editor.getTabs().getCurrentTabIndex(), 1);
    EXPECT_EQ (session.harness.processor->getActiveReferenceIndex(), 1);

    XTestInput::click (session.tabButtonCentre (0));
    ASSERT_TRUE (MessagePump::runUntil ([&] { return editor.getTabs().getCurrentTabIndex() == 0; }, kTimeoutMs));
    XTestInput::pressWithControl ('w');
    MessagePump::runUntil ([&] { return session.tabTexts().size() < 3; }, kTimeoutMs);
    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "03  C.wav", "+ ADD" }));
    EXPECT_TRUE (tabsAgreeWithEngine());

    XTestInput::click (session.tabButtonCentre (0));
    ASSERT_TRUE (MessagePump::runUntil ([&] { return editor.getTabs().getCurrentTabIndex() == 0; }, kTimeoutMs));
    XTestInput::pressWithControl ('w');
    MessagePump::runUntil ([&] { return session.tabTexts().isEmpty(); }, kTimeoutMs);
    EXPECT_TRUE (session.tabTexts().isEmpty());
    EXPECT_TRUE (session.referencePaths().isEmpty());
    EXPECT_TRUE (editor.isShowingEmptyState());
}

namespace
{
/** The menu that a right click opened, while it shows. */
juce::Component* findOpenMenu()
{
    return juce::Component::getCurrentlyModalComponent();
}

/** Opens the tab menu of a tab with a right click. */
bool openTabMenu (EditorSession& session, int tabIndex)
{
    XTestInput::click (session.tabButtonCentre (tabIndex), XTestInput::MouseButton::right);

    if (! MessagePump::runUntil ([] { return findOpenMenu() != nullptr; }, kTimeoutMs))
        return false;

    // A menu ignores releases that come right after it opened (they belong to the click that
    // opened it).
    MessagePump::runFor (400);
    return true;
}

/** Clicks the menu item at an index (separators count) of the open menu. */
void clickMenuItem (EditorSession& session, int itemIndex)
{
    auto* menu = findOpenMenu();
    ASSERT_NE (menu, nullptr);
    ASSERT_GT (menu->getNumChildComponents(), itemIndex);

    auto* item = menu->getChildComponent (itemIndex);
    XTestInput::click (session.toScreen (*item, item->getLocalBounds().getCentre()));
    MessagePump::runUntil ([] { return findOpenMenu() == nullptr; }, kTimeoutMs);
    MessagePump::runFor (100);
}
}

// The tab menu closes one tab, refuses "Close Others" while only one Reference tab is left, and
// "Close All" brings back the empty state.
TEST_F (EditorWindow, tabMenuClosesTabsAndCloseAllReturnsToTheEmptyState)
{
    showWithDroppedFiles ({ "A.wav", "B.wav" });
    auto& editor = *session.editor;
    ASSERT_TRUE (MessagePump::runUntil ([&] { return session.tabTexts().size() == 3; }, kTimeoutMs));

    ASSERT_TRUE (openTabMenu (session, 0));
    clickMenuItem (session, 0);
    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "02  B.wav", "+ ADD" }));
    EXPECT_TRUE (tabsAgreeWithEngine());

    ASSERT_TRUE (openTabMenu (session, 0));
    clickMenuItem (session, 1);
    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "02  B.wav", "+ ADD" }));

    juce::PopupMenu::dismissAllActiveMenus();
    MessagePump::runFor (150);

    ASSERT_TRUE (openTabMenu (session, 0));
    clickMenuItem (session, 2);
    EXPECT_TRUE (session.tabTexts().isEmpty());
    EXPECT_TRUE (session.referencePaths().isEmpty());
    EXPECT_TRUE (editor.isShowingEmptyState());
    EXPECT_EQ (editor.getNumFileDialogsOpened(), 0);
}

TEST (EditorTabMenu, closeOthersNeedsTwoReferenceTabsAndNoItemIsTicked)
{
    for (int numTabs : { 1, 2 })
    {
        std::vector<std::pair<int, bool>> items;

        const auto menu = KalvorinAudioProcessorEditor::createTabMenu (numTabs);

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            EXPECT_FALSE (it.getItem().isTicked);
            items.emplace_back (it.getItem().itemID, it.getItem().isEnabled);
        }

        const std::vector<std::pair<int, bool>> expected { { 1, true }, { 2, numTabs > 1 }, { 3, true }, { 0, true }, { 4, true } };
        EXPECT_EQ (items, expected) << numTabs << " tabs";
    }
}

// Choosing "+ ADD" moves the selection to the Reference tab on its left and opens the dialog
// once; the dialog's result handler then loads the chosen file like a drop.
TEST_F (EditorWindow, choosingAddMovesTheSelectionBackAndOpensTheDialogOnce)
{
    showWithDroppedFiles ({ "A.wav", "B.wav" });
    auto& editor = *session.editor;
    ASSERT_TRUE (MessagePump::runUntil ([&] { return session.tabTexts().size() == 3; }, kTimeoutMs));

    XTestInput::click (session.tabButtonCentre (0));
    ASSERT_TRUE (MessagePump::runUntil ([&] { return editor.getTabs().getCurrentTabIndex() == 0; }, kTimeoutMs));
    XTestInput::click (session.tabButtonCentre (2));
    ASSERT_TRUE (MessagePump::runUntil ([&] { return editor.getNumFileDialogsOpened() > 0; }, kTimeoutMs));
    MessagePump::runFor (150);

    EXPECT_EQ (editor.getTabs().getCurrentTabIndex(), 1);
    EXPECT_EQ (editor.getNumFileDialogsOpened(), 1);
    EXPECT_EQ (session.harness.processor->getActiveReferenceIndex(), 1);

    editor.loadChosenFile (session.writeWav ("Chosen.wav"));
    MessagePump::runFor (100);
    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "01  A.wav", "02  B.wav", "03  Chosen.wav", "+ ADD" }));
    EXPECT_EQ (editor.getTabs().getCurrentTabIndex(), 2);

    editor.loadChosenFile (juce::File());
    EXPECT_EQ (session.tabTexts().size(), 4);
}

// Closing a tab left of the current one never lets the tab bar re-select the current tab with
// the index its Reference had before the list was renumbered.
TEST_F (EditorWindow, closingATabLeftOfTheCurrentOneKeepsTheCurrentReferenceActive)
{
    showWithDroppedFiles ({ "A.wav", "B.wav", "C.wav" });
    auto& editor = *session.editor;
    ASSERT_TRUE (MessagePump::runUntil ([&] { return session.tabTexts().size() == 4; }, kTimeoutMs));
    editor.getTabs().setCurrentTabIndex (1);

    auto& tabs = editor.getTabs();
    const auto handler = tabs.onCurrentTabChanged;
    int staleSelections = 0;

    tabs.onCurrentTabChanged = [&] (int index)
    {
        if (auto* page = editor.getReferencePage (index))
            if (session.referencePaths().indexOf (page->getProperties()["fullPath"].toString()) != (int) page->getProperties()["refIndex"])
                ++staleSelections;

        handler (index);
    };

    ASSERT_TRUE (openTabMenu (session, 0));
    clickMenuItem (session, 0);

    EXPECT_EQ (staleSelections, 0);
    EXPECT_EQ (tabs.getCurrentTabIndex(), 0);
    EXPECT_EQ (session.harness.processor->references[(size_t) session.harness.processor->getActiveReferenceIndex()].fullPath,
               session.tabPaths()[0]);
    tabs.onCurrentTabChanged = handler;
}

// The host may automate "monitorRef" from its audio thread: the editor only notes the choice
// there, allocating nothing, and its timer shows it on every tab.
TEST_F (EditorWindow, monitorChangesFromAnotherThreadReachEveryTabThroughTheTimer)
{
    showWithDroppedFiles ({ "A.wav", "B.wav" }, false);
    auto& editor = *session.editor;

    int allocations = -1;
    std::thread automation ([&]
    {
        AllocationGuard guard;
        session.harness.setMonitor (1);
        allocations = guard.allocationsSoFar();
    });
    automation.join();
    EXPECT_EQ (allocations, 0);

    EXPECT_EQ (editor.getReferencePage (0)->meters.getOutputSelection(), OutputSelection::Reference);
    ASSERT_TRUE (MessagePump::runUntil ([&] { return editor.getReferencePage (0)->meters.getOutputSelection() == OutputSelection::Source; }, kTimeoutMs));
    EXPECT_EQ (editor.getReferencePage (1)->meters.getOutputSelection(), OutputSelection::Source);

    session.harness.setMonitor (0);
    session.close();
    MessagePump::runFor (100);
}

// Folders, text files, missing paths, undecodable audio, an open path and a thousand paths at
// once: each is refused or handled, and the tabs and the processor's list always agree.
TEST_F (EditorWindow, badDropsAreRefusedAndTabsAndEngineAlwaysAgree)
{
    const auto files = showWithDroppedFiles ({ "Good.wav" }, false);
    auto& editor = *session.editor;

    const auto text = session.folder.file ("notes.txt");
    text.replaceWithText ("not audio");
    const auto broken = session.folder.file ("broken.wav");
    broken.replaceWithText ("RIFF but not really");
    const auto folderPath = session.folder.folder.getChildFile ("sub");
    folderPath.createDirectory();

    EXPECT_FALSE (editor.isInterestedInFileDrag ({ folderPath.getFullPathName(), text.getFullPathName() }));
    EXPECT_FALSE (editor.isInterestedInFileDrag ({ "/dev/zero", "relative/path.wav" }));

    juce::StringArray many;

    for (int i = 0; i < 1000; ++i)
        many.add (i % 4 == 0 ? files[0].getFullPathName()
                             : i % 4 == 1 ? text.getFullPathName()
                                          : i % 4 == 2 ? folderPath.getChildFile ("missing" + juce::String (i) + ".wav").getFullPathName()
                                                       : broken.getFullPathName());

    editor.filesDropped (many, 10, 10);
    editor.filesDropped ({ folderPath.getFullPathName(), "/dev/zero", "", "x.wav" }, 10, 10);
    MessagePump::runFor (100);

    EXPECT_EQ (session.tabTexts(), (juce::StringArray { "01  Good.wav", "+ ADD" }));
    EXPECT_TRUE (tabsAgreeWithEngine());
}

// The empty window answers one click with one dialog; its two buttons open none. (Last of the
// window tests: the dialog opens while the button is still down and takes its release.)
TEST_F (EditorWindow, oneClickOnTheEmptyWindowOpensTheFileDialogOnce)
{
    session.showOnScreen();
    auto& editor = *session.editor;
    ASSERT_TRUE (editor.isShowingEmptyState());
    session.saveScreenshot ("editor-empty.png");

    XTestInput::click (session.toScreen (editor, juce::Point<int> (1146 + 18, 16 + 18)));
    XTestInput::click (session.toScreen (editor, juce::Point<int> (13 + 27, 7 + 27)));
    MessagePump::runFor (100);
    EXPECT_EQ (editor.getNumFileDialogsOpened(), 0);

    // The settings button opened its modal dialog; close it so the next click reaches the window.
    juce::ModalComponentManager::getInstance()->cancelAllModalComponents();
    MessagePump::runFor (100);

    XTestInput::click (session.toScreen (editor, juce::Point<int> (200, 400)));
    ASSERT_TRUE (MessagePump::runUntil ([&] { return editor.getNumFileDialogsOpened() > 0; }, kTimeoutMs));
    MessagePump::runFor (200);
    EXPECT_EQ (editor.getNumFileDialogsOpened(), 1);
}
