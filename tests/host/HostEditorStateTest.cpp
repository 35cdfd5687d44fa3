// The editor's part of a project through JUCE's own VST3 host: a project saved with two tabs,
// their loops and the second tab current comes back in a new instance whose editor is opened
// afterwards in a real window, and is saved again the same; a restore while the editor is open
// leaves References and a readable editor state behind.
#include "host/support/HostEditorWindow.h"
#include "host/support/HostStateChunks.h"
#include "host/support/HostedPlugin.h"
#include "support/SavedStateTrees.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
using namespace HostStateChunks;
using SavedStateTrees::blobOf;
using SavedStateTrees::stateTree;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
/** A loop as the editor saves it, in seconds of its file. */
struct Loop
{
    double start, end;
    bool active;
};

/** A Reference tab as the editor saves it. */
struct SavedTab
{
    juce::String path;
    int refIndex;
    std::vector<Loop> loops;
    int activeIndex;
    bool loopsVisible;
    double playhead;
    bool analysisUsesLoop;
};

/** The editor's text for these tabs, in the layout the editor itself writes. */
juce::String editorText (const std::vector<SavedTab>& tabs, int currentTab)
{
    juce::Array<juce::var> tabList;

    for (const auto& tab : tabs)
    {
        juce::Array<juce::var> regions;

        for (const auto& loop : tab.loops)
        {
            auto* region = new juce::DynamicObject();
            region->setProperty ("start", loop.start);
            region->setProperty ("end", loop.end);
            region->setProperty ("active", loop.active);
            regions.add (juce::var (region));
        }

        auto* view = new juce::DynamicObject();
        view->setProperty ("regions", regions);
        view->setProperty ("activeIndex", tab.activeIndex);
        view->setProperty ("loopsVisible", tab.loopsVisible);
        view->setProperty ("playhead", tab.playhead);
        view->setProperty ("analysisUsesLoop", tab.analysisUsesLoop);

        auto* object = new juce::DynamicObject();
        object->setProperty ("path", tab.path);
        object->setProperty ("refIndex", tab.refIndex);
        object->setProperty ("view", juce::var (view));
        tabList.add (juce::var (object));
    }

    auto* root = new juce::DynamicObject();
    root->setProperty ("tabs", tabList);
    root->setProperty ("currentTab", currentTab);
    return juce::JSON::toString (juce::var (root));
}

/** Whether a saved editor text is an object with a "tabs" array and a whole "currentTab". */
::testing::AssertionResult isEditorState (const juce::String& text)
{
    const auto parsed = juce::JSON::fromString (text);

    if (parsed.getDynamicObject() == nullptr)
        return ::testing::AssertionFailure() << "not a JSON object: " << text;

    if (! parsed["tabs"].isArray())
        return ::testing::AssertionFailure() << "no \"tabs\" array: " << text;

    if (! parsed["currentTab"].isInt() && ! parsed["currentTab"].isInt64())
        return ::testing::AssertionFailure() << "no whole \"currentTab\": " << text;

    return ::testing::AssertionSuccess();
}

/** Compares what matters of a saved editor text with the tabs it should hold. */
void expectSameEditorState (const juce::String& text, const std::vector<SavedTab>& expected, int currentTab)
{
    ASSERT_TRUE (isEditorState (text));
    const auto parsed = juce::JSON::fromString (text);
    EXPECT_EQ ((int) parsed["currentTab"], currentTab);

    const auto* tabs = parsed["tabs"].getArray();
    ASSERT_EQ (tabs->size(), (int) expected.size()) << text;

    for (int i = 0; i < tabs->size(); ++i)
    {
        SCOPED_TRACE ("tab " + std::to_string (i));
        const auto& tab = tabs->getReference (i);
        const auto& want = expected[(size_t) i];

        EXPECT_EQ (tab["path"].toString(), want.path);
        EXPECT_EQ ((int) tab["refIndex"], want.refIndex);

        const auto& view = tab["view"];
        ASSERT_NE (view.getDynamicObject(), nullptr) << text;
        EXPECT_EQ ((int) view["activeIndex"], want.activeIndex);
        EXPECT_EQ ((bool) view["loopsVisible"], want.loopsVisible);
        // A tab with loops shown starts again at its active loop, wherever its playhead was.
        const auto playhead = want.loopsVisible && ! want.loops.empty() ? want.loops[(size_t) want.activeIndex].start
                                                                         : want.playhead;
        EXPECT_NEAR ((double) view["playhead"], playhead, 1.0 / kRate);
        EXPECT_EQ ((bool) view["analysisUsesLoop"], want.analysisUsesLoop);

        const auto* regions = view["regions"].getArray();
        ASSERT_NE (regions, nullptr) << text;
        ASSERT_EQ (regions->size(), (int) want.loops.size());

        for (int r = 0; r < regions->size(); ++r)
        {
            const auto& region = regions->getReference (r);
            const auto& loop = want.loops[(size_t) r];
            EXPECT_DOUBLE_EQ ((double) region["start"], loop.start) << "loop " << r;
            EXPECT_DOUBLE_EQ ((double) region["end"], loop.end) << "loop " << r;
            EXPECT_EQ ((bool) region["active"], loop.active) << "loop " << r;
        }
    }
}

struct HostEditorState : ::testing::Test
{
    void SetUp() override
    {
        juce::String error;
        instance = HostedPlugin::create (KALVORIN_BUNDLE_PATH, kRate, kBlock, error);
        ASSERT_NE (instance, nullptr) << error;
        instance->prepareToPlay (kRate, kBlock);

        paths = { files.sine ("first.wav", 220.0), files.sine ("second.wav", 330.0) };
        ASSERT_FALSE (paths[0].isEmpty());
        ASSERT_FALSE (paths[1].isEmpty());

        saved = { { paths[0], 0, { { 0.02, 0.08, false }, { 0.12, 0.2, true } }, 1, true, 0.15, true },
                  { paths[1], 1, { { 0.03, 0.09, true }, { 0.14, 0.22, false } }, 0, true, 0.05, false } };

        project = hostChunkCarrying (blobOf (stateTree (paths, 1, 0.0, editorText (saved, 1))));
    }

    void TearDown() override
    {
        if (instance != nullptr)
            instance->releaseResources();
    }

    /** The plug-in's own tree in what the host saves now. */
    juce::ValueTree savedTree() { return pluginTreeIn (componentStateIn (chunkOf (*instance))); }

    AudioFolder files;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    std::vector<juce::String> paths;
    std::vector<SavedTab> saved;
    juce::MemoryBlock project;
};
} // namespace

TEST_F (HostEditorState, projectRestoredBeforeTheEditorOpensComesBackWithItsTabsAndLoops)
{
    restore (*instance, project);

    {
        HostEditorWindow open (*instance, kBlock);
        ASSERT_NE (open.editor, nullptr);
        EXPECT_TRUE (open.window.isOnDesktop());

        // While open, the editor keeps the project as it was restored.
        const auto whileOpen = savedTree();
        EXPECT_EQ (pathsIn (whileOpen), paths);
        expectSameEditorState (whileOpen["editorStateJson"].toString(), saved, 1);

        EXPECT_TRUE (open.grabInto (screenshotFile ("host-editor-restored.png")));
    }

    const auto afterClosing = savedTree();
    ASSERT_TRUE (afterClosing.isValid());
    EXPECT_EQ (pathsIn (afterClosing), paths);
    EXPECT_EQ ((int) afterClosing["activeRefIndex"], 1);
    expectSameEditorState (afterClosing["editorStateJson"].toString(), saved, 1);
}

// The open window rebuilds its tabs from the restored project; closing it must not write its
// old (here: empty) tabs over the project's.
TEST_F (HostEditorState, projectRestoredWhileTheEditorIsOpenShowsAndKeepsItsTabsAndLoops)
{
    HostEditorWindow open (*instance, kBlock);
    ASSERT_NE (open.editor, nullptr);

    restore (*instance, project);
    open.pump();

    EXPECT_EQ (pathsIn (savedTree()), paths);
    EXPECT_TRUE (open.grabInto (screenshotFile ("host-editor-restored-while-open.png")));

    open.close();

    const auto afterClosing = savedTree();
    ASSERT_TRUE (afterClosing.isValid());
    EXPECT_EQ (pathsIn (afterClosing), paths);
    EXPECT_EQ ((int) afterClosing["activeRefIndex"], 1);
    expectSameEditorState (afterClosing["editorStateJson"].toString(), saved, 1);
}
