#include "editor/EditorStateJson.h"
#include "support/EditorSession.h"
#include "support/XTestInput.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace
{
const juce::Identifier editorStateKey { "editorStateJson" };

juce::StringArray propertyNames (const juce::var& object)
{
    juce::StringArray names;

    if (auto* dynamic = object.getDynamicObject())
        for (const auto& property : dynamic->getProperties())
            names.add (property.name.toString());

    return names;
}

/** Counts the changes of the stored editor state. */
struct StateChangeCounter final : juce::ValueTree::Listener
{
    void valueTreePropertyChanged (juce::ValueTree&, const juce::Identifier& property) override
    {
        if (property == editorStateKey)
            ++changes;
    }

    int changes = 0;
};

class EditorState : public ::testing::Test
{
protected:
    juce::String storedState() const
    {
        return session.harness.processor->getEditorStateJson();
    }

    void setStoredState (const juce::String& text)
    {
        session.harness.processor->setEditorStateJson (text);
    }

    /** Loads files into the processor as a restored project would. */
    juce::Array<juce::File> loadReferences (const juce::StringArray& names, double seconds = 3.0)
    {
        juce::Array<juce::File> files;

        for (const auto& name : names)
        {
            files.add (session.writeWav (name, seconds));
            session.harness.processor->addReference (files.getLast().getFullPathName());
        }

        return files;
    }

    /** Opens the editor and lets its posted calls run. */
    KalvorinAudioProcessorEditor& openEditor()
    {
        auto& editor = session.open();
        MessagePump::runFor (50);
        return editor;
    }

    /** A saved state of the given tabs (path, playhead) with the given current tab. */
    static juce::String stateFor (const juce::Array<juce::File>& files, int currentTab, bool writeCurrentTab = true)
    {
        std::vector<EditorStateJson::Tab> tabs;

        for (int i = 0; i < files.size(); ++i)
        {
            EditorStateJson::TabView view;
            view.playhead = 0.5 * (i + 1);
            tabs.push_back ({ files[i].getFullPathName(), i, view });
        }

        auto text = EditorStateJson::write (tabs, currentTab);

        if (writeCurrentTab)
            return text;

        auto parsed = juce::JSON::parse (text);
        parsed.getDynamicObject()->removeProperty ("currentTab");
        return juce::JSON::toString (parsed);
    }

    EditorSession session;
};
}

// Two tabs with loops, the second current: the text lists both tabs in tab order with every key
// in its place, and "currentTab" 1.
TEST_F (EditorState, savedTextListsTheTabsWithTheirViewsInOrder)
{
    const auto files = loadReferences ({ "A.wav", "B.wav" });
    setStoredState ({});
    auto& editor = openEditor();
    ASSERT_EQ (session.tabPaths().size(), 2);

    editor.getReferencePage (0)->signalDisplay.loops.add ({ 0.5, 1.0, true });
    editor.getReferencePage (0)->signalDisplay.activeLoopIndex = 0;
    editor.getReferencePage (1)->signalDisplay.loops.add ({ 1.0, 2.0, false });
    editor.getTabs().setCurrentTabIndex (1);
    editor.saveEditorState();

    const auto saved = juce::JSON::parse (storedState());
    EXPECT_EQ (propertyNames (saved), (juce::StringArray { "tabs", "currentTab" }));
    EXPECT_EQ ((int) saved["currentTab"], 1);
    ASSERT_EQ (saved["tabs"].size(), 2);

    for (int i = 0; i < 2; ++i)
    {
        const auto& tab = saved["tabs"][i];
        EXPECT_EQ (propertyNames (tab), (juce::StringArray { "path", "refIndex", "view" }));
        EXPECT_EQ (tab["path"].toString(), files[i].getFullPathName());
        EXPECT_EQ ((int) tab["refIndex"], i);
        EXPECT_EQ (propertyNames (tab["view"]), (juce::StringArray { "regions", "activeIndex", "loopsVisible", "playhead", "analysisUsesLoop" }));
        EXPECT_EQ (propertyNames (tab["view"]["regions"][0]), (juce::StringArray { "start", "end", "active" }));
    }

    EXPECT_EQ ((int) saved["tabs"][0]["view"]["activeIndex"], 0);
    EXPECT_DOUBLE_EQ ((double) saved["tabs"][1]["view"]["regions"][0]["end"], 2.0);
}

TEST_F (EditorState, noTabSavesAnEmptyListAndNoCurrentTabAndAnUnchangedSaveChangesNothing)
{
    auto& editor = openEditor();
    editor.saveEditorState();
    const auto saved = juce::JSON::parse (storedState());
    EXPECT_TRUE (saved["tabs"].isArray());
    EXPECT_EQ (saved["tabs"].size(), 0);
    EXPECT_EQ ((int) saved["currentTab"], -1);

    StateChangeCounter counter;
    session.harness.processor->parameters.state.addListener (&counter);
    editor.filesDropped ({ session.writeWav ("A.wav").getFullPathName() }, 0, 0);
    MessagePump::runFor (50);
    const auto afterDrop = counter.changes;
    EXPECT_GE (afterDrop, 1);

    editor.saveEditorState();
    editor.saveEditorState();
    EXPECT_EQ (counter.changes, afterDrop);
    session.harness.processor->parameters.state.removeListener (&counter);
}

namespace
{
struct RestoreCase
{
    const char* text;
    int expectedTabs;
};
}

// What a stored text that is not a list of tabs restores while the processor holds two
// References: nothing usable gives one tab per Reference, valid JSON that is no object none.
TEST_F (EditorState, textsThatAreNoTabListRestoreOneTabPerReferenceOrNone)
{
    loadReferences ({ "A.wav", "B.wav" }, 0.5);

    const RestoreCase cases[] = {
        { "", 2 }, { "garbage", 2 }, { "null", 2 }, { "{\"tabs\": [", 2 },
        { "[]", 0 }, { "5", 0 }, { "\"x\"", 0 }, { "true", 0 }, { "{}", 0 }, { "{\"tabs\": 7, \"currentTab\": 0}", 0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.text);
        setStoredState (c.text);
        openEditor();
        EXPECT_EQ (session.tabPaths().size(), c.expectedTabs);
        EXPECT_EQ (session.editor->isShowingEmptyState(), c.expectedTabs == 0);
        EXPECT_EQ (session.referencePaths().size(), 2);
        session.close();
    }
}

// A file deleted since the project was saved loses its tab; "currentTab" then counts the
// rebuilt tabs. A missing "currentTab" selects the first tab.
TEST_F (EditorState, deletedFilesAreSkippedAndCurrentTabCountsTheRebuiltTabs)
{
    const auto files = loadReferences ({ "A.wav", "B.wav", "C.wav" }, 0.5);
    const auto state = stateFor (files, 1);
    const auto withoutCurrent = stateFor (files, 2, false);

    session.harness.processor->removeReferenceByPath (files[1].getFullPathName());
    ASSERT_TRUE (files[1].deleteFile());

    setStoredState (state);
    auto& editor = openEditor();
    EXPECT_EQ (session.tabPaths(), (juce::StringArray { files[0].getFullPathName(), files[2].getFullPathName() }));
    EXPECT_EQ (editor.getTabs().getCurrentTabIndex(), 1);
    session.close();

    setStoredState (withoutCurrent);
    openEditor();
    EXPECT_EQ (session.editor->getTabs().getCurrentTabIndex(), 0);
}

// A text naming a file the host state did not restore loads it.
TEST_F (EditorState, aSavedTabWhoseFileIsNotLoadedYetLoadsIt)
{
    const auto file = session.writeWav ("Later.wav");
    setStoredState (stateFor ({ file }, 0));
    openEditor();
    EXPECT_EQ (session.referencePaths(), (juce::StringArray { file.getFullPathName() }));
    EXPECT_EQ (session.tabPaths(), session.referencePaths());
}

// Closing the window and opening it again (or a new instance restored from the project) shows
// the same tabs, loops, loop visibility, playheads and analysis sources.
TEST_F (EditorState, aRoundTripRebuildsTheSameTabsAndViews)
{
    loadReferences ({ "A.wav", "B.wav" });
    setStoredState ({});
    auto& editor = openEditor();

    auto& first = *editor.getReferencePage (0);
    first.restoreViewState (juce::JSON::parse (R"({"regions": [{"start": 0.5, "end": 1.5}, {"start": 2.0, "end": 2.5}],
                                                  "activeIndex": 1, "loopsVisible": false, "playhead": 1.25,
                                                  "analysisUsesLoop": true})"));
    auto& second = *editor.getReferencePage (1);
    second.restoreViewState (juce::JSON::parse (R"({"regions": [], "playhead": 2.75})"));
    editor.getTabs().setCurrentTabIndex (1);
    session.close();
    const auto saved = storedState();

    const auto check = [&] (KalvorinAudioProcessorEditor& reopened)
    {
        ASSERT_EQ (reopened.getTabs().getNumTabs(), 3);
        EXPECT_EQ (reopened.getTabs().getCurrentTabIndex(), 1);

        const auto& a = *reopened.getReferencePage (0);
        ASSERT_EQ (a.signalDisplay.loops.size(), 2);
        EXPECT_DOUBLE_EQ (a.signalDisplay.loops[1].start, 2.0);
        EXPECT_EQ (a.signalDisplay.activeLoopIndex, 1);
        EXPECT_FALSE (a.signalDisplay.loopsVisible);
        EXPECT_DOUBLE_EQ (a.signalDisplay.playheadSeconds, 1.25);
        EXPECT_TRUE (a.displayHost.analysisView.getUsesLoop());
        EXPECT_TRUE (a.hideLoopsButton.getToggleState());

        const auto& b = *reopened.getReferencePage (1);
        EXPECT_TRUE (b.signalDisplay.loops.isEmpty());
        EXPECT_TRUE (b.signalDisplay.loopsVisible);
        EXPECT_DOUBLE_EQ (b.signalDisplay.playheadSeconds, 2.75);
        EXPECT_FALSE (b.displayHost.analysisView.getUsesLoop());
    };

    check (openEditor());
    session.close();

    juce::MemoryBlock blob;
    session.harness.processor->getStateInformation (blob);
    EditorSession other;
    other.harness.processor->setStateInformation (blob.getData(), (int) blob.getSize());
    EXPECT_EQ (other.harness.processor->getEditorStateJson(), saved);
    check (other.open());
}

// Each restored tab's playhead lands on its own Reference, also for the tabs restored while
// another tab's Reference was active.
TEST_F (EditorState, restoredPlayheadsMoveEachTabsOwnReference)
{
    const auto files = loadReferences ({ "A.wav", "B.wav", "C.wav" });
    setStoredState (stateFor (files, 0));
    openEditor();

    const auto& references = session.harness.processor->references;

    for (size_t i = 0; i < references.size(); ++i)
        EXPECT_EQ (references[i].transport->pendingSeekSample.load(), (std::int64_t) (0.5 * (double) (i + 1) * 48000.0)) << i;

    EXPECT_EQ (session.harness.processor->getActiveReferenceIndex(), 0);
}

// Damaged or hostile texts: huge, deeply nested, folders, devices and pipes as paths, loops
// with infinite or reversed edges, "currentTab" of any type or size. The editor opens with
// what it can rebuild.
TEST_F (EditorState, hostileTextsOpenWithWhatCanBeRebuilt)
{
    // Long enough for the restored loops: loops that start past the end of the file are dropped.
    const auto file = session.writeWav ("Good.wav", 3.0);
    const auto pipe = session.folder.file ("pipe.wav");
    ASSERT_EQ (mkfifo (pipe.getFullPathName().toRawUTF8(), 0600), 0);
    const auto path = juce::JSON::toString (file.getFullPathName());

    const juce::String texts[] = {
        juce::String::repeatedString ("[", 200000),
        "{\"tabs\": [" + juce::String::repeatedString ("[", 100) + "]}",
        "{\"tabs\": [{\"path\": \"" + session.folder.folder.getFullPathName() + "\"}, {\"path\": \"/dev/zero\"},"
            " {\"path\": \"" + pipe.getFullPathName() + "\"}, {\"path\": \"relative.wav\"}, {\"path\": 5}, 7, null]}",
        "{\"tabs\": [{\"path\": " + path + ", \"view\": {\"regions\": [{\"start\": 1e999, \"end\": 1}, {\"start\": 2, \"end\": 1},"
            " 3, {\"start\": \"x\"}], \"activeIndex\": 1e300, \"playhead\": -1e999}}], \"currentTab\": 1e300}",
        "{\"tabs\": [{\"path\": " + path + "}], \"currentTab\": \"0\"}",
        "{\"tabs\": [{\"path\": " + path + "}], \"currentTab\": [1, 2]}",
        "{\"tabs\": [{\"path\": " + path + "}], \"currentTab\": -99999999999}",
        "{\"tabs\": [{\"path\": " + path + ", \"view\": {\"playhead\": -" + juce::String::repeatedString ("5", 80) + "}}], \"currentTab\": "
            + juce::String::repeatedString ("9", 40) + "}",
        "{\"tabs\": [], \"padding\": \"" + juce::String::repeatedString ("x", EditorStateJson::kMaxTextLength) + "\"}",
    };

    for (const auto& text : texts)
    {
        SCOPED_TRACE (text.substring (0, 120));
        setStoredState (text);
        openEditor();
        EXPECT_EQ (session.tabPaths(), session.referencePaths());
        EXPECT_LE (session.referencePaths().size(), 1);
        session.close();
    }

    setStoredState (texts[3]);
    auto& editor = openEditor();
    const auto& display = editor.getReferencePage (0)->signalDisplay;
    ASSERT_EQ (display.loops.size(), 2);
    EXPECT_DOUBLE_EQ (display.loops[0].start, 1.0);
    EXPECT_DOUBLE_EQ (display.loops[0].end, 2.0);
    EXPECT_EQ (display.activeLoopIndex, 1);
    EXPECT_DOUBLE_EQ (display.playheadSeconds, 1.0);
}

TEST (EditorStateJson, indicesReadLikeTheFrameworkButNeverConvertOutOfRange)
{
    EXPECT_EQ (EditorStateJson::toIndex (2), 2);
    EXPECT_EQ (EditorStateJson::toIndex (2.9), 2);
    EXPECT_EQ (EditorStateJson::toIndex ("3"), 3);
    EXPECT_EQ (EditorStateJson::toIndex (true), 1);
    EXPECT_EQ (EditorStateJson::toIndex (juce::var()), 0);
    EXPECT_EQ (EditorStateJson::toIndex (1e300), -1);
    EXPECT_EQ (EditorStateJson::toIndex ("99999999999"), -1);
    EXPECT_EQ (EditorStateJson::toIndex ((juce::int64) 1 << 40), -1);
}

// A saved text with a whole number longer than 64 bits (a damaged project, or the fuzzer's
// find) must neither overflow the parser nor wrap into a small value that passes as an index.
TEST (EditorStateJson, wholeNumbersTooLongForSixtyFourBitsReadAsTheLargeNumbersTheyAre)
{
    EXPECT_EQ (EditorStateJson::read ("{\"tabs\": [], \"currentTab\": 55555555555555555555555}").currentTab, -1);
    EXPECT_EQ (EditorStateJson::read ("{\"tabs\": [], \"currentTab\": 18446744073709551617}").currentTab, -1);

    const auto parsed = juce::JSON::parse ("[-5555555555555555555555, 9223372036854775807, 12]");
    EXPECT_DOUBLE_EQ ((double) parsed[0], -5.555555555555555555555e21);
    EXPECT_EQ ((juce::int64) parsed[1], std::numeric_limits<juce::int64>::max());
    EXPECT_EQ ((int) parsed[2], 12);
}
