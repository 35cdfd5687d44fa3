// The saved state as the host sees it: what a project keeps (monitor choice, References in
// order, the active one, the editor's text), how a restore rebuilds it from real files, and how
// damaged or foreign blobs are refused without touching what the user has.
#include "engine/StateBlobReader.h"
#include "support/AudioFileFixtures.h"
#include "support/MessageLoop.h"
#include "support/ProcessorHarness.h"
#include "support/SavedStateTrees.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{
using SavedStateTrees::blobOf;
using SavedStateTrees::stateTree;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr double kFileSeconds = 0.25;

/** Far above what any restore here needs; only a hang gets near it. */
constexpr double kHangGuardSeconds = 2.0;

const juce::Identifier kEditorState { "editorStateJson" };

juce::MemoryBlock stateOf (KalvorinAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

/** What a restore may change, as the editor and the host see it. */
struct Observed
{
    std::vector<juce::String> paths;
    int active = -1;
    float monitor = 0.0f;
    juce::String editorState;

    bool operator== (const Observed& other) const
    {
        return paths == other.paths && active == other.active && monitor == other.monitor
            && editorState == other.editorState;
    }
};

void PrintTo (const Observed& o, std::ostream* os)
{
    *os << "{ paths:";

    for (const auto& p : o.paths)
        *os << " " << p;

    *os << ", active " << o.active << ", monitor " << o.monitor << ", editor state "
        << (o.editorState.isEmpty() ? juce::String ("(none)") : o.editorState) << " }";
}

Observed observe (KalvorinAudioProcessor& processor)
{
    Observed o;

    for (const auto& entry : processor.references)
        o.paths.push_back (entry.fullPath);

    o.active = processor.getActiveReferenceIndex();
    o.monitor = processor.parameters.getParameter ("monitorRef")->getValue();
    o.editorState = processor.getEditorStateJson();
    return o;
}

/** The list is whole: every entry playable, no path twice, the active index inside it. */
void expectConsistent (KalvorinAudioProcessor& processor)
{
    const auto count = (int) processor.references.size();

    for (int i = 0; i < count; ++i)
    {
        EXPECT_TRUE (processor.references[(size_t) i].isValid()) << i;

        for (int j = 0; j < i; ++j)
            EXPECT_NE (processor.references[(size_t) i].fullPath, processor.references[(size_t) j].fullPath);
    }

    EXPECT_GE (processor.getActiveReferenceIndex(), -1);
    EXPECT_LT (processor.getActiveReferenceIndex(), count);
}

double secondsToRun (const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
}

/** A processor with a folder of its own for settings and audio files. */
struct Instance
{
    Instance() { harness.prepare (kRate, kBlock); }

    KalvorinAudioProcessor& operator*() { return *harness.processor; }
    KalvorinAudioProcessor* operator->() { return harness.processor.get(); }

    /** Writes a short stereo sine and returns its full path. */
    juce::String sine (const juce::String& name)
    {
        const auto file = temp.file (name);
        EXPECT_TRUE (AudioFileFixtures::writeSine (file, kRate, 2, kFileSeconds, 440.0)) << name;
        return file.getFullPathName();
    }

    void restore (const juce::MemoryBlock& blob)
    {
        harness.processor->setStateInformation (blob.getData(), (int) blob.getSize());
    }

    TemporaryFolder temp;
    ProcessorHarness harness { temp.folder };
};

struct SavedState : ::testing::Test
{
    Instance a;
    KalvorinAudioProcessor& processor = *a;
};
} // namespace

//==============================================================================
TEST_F (SavedState, roundTripKeepsMonitorReferencesActiveIndexAndEditorState)
{
    const std::vector<juce::String> paths { a.sine ("one.wav"), a.sine ("two.flac"), a.sine ("three.aiff") };

    for (const auto& path : paths)
        ASSERT_GE (processor.addReference (path), 0) << path;

    processor.setActiveReference (2);
    a.harness.setMonitor (1);
    processor.setEditorStateJson (R"({"tabs":["three.aiff","one.wav"],"view":2})");
    const auto saved = stateOf (processor);

    Instance b;
    b.restore (saved);

    EXPECT_EQ (observe (*b), observe (processor));
    EXPECT_EQ (observe (*b).paths, paths);
    EXPECT_EQ (b->getActiveReferenceIndex(), 2);
    EXPECT_EQ (b->parameters.getParameter ("monitorRef")->getValue(), 1.0f);
    expectConsistent (*b);

    // Saved again, the restored instance writes the very same bytes.
    EXPECT_EQ (stateOf (*b), saved);
}

TEST_F (SavedState, blobIsOneKalvorinStateTreeWithItsValuesInOrder)
{
    const auto one = a.sine ("one.wav");
    const auto two = a.sine ("two.wav");
    processor.addReference (one);
    processor.addReference (two);
    processor.setActiveReference (1);
    a.harness.setMonitor (1);
    processor.setEditorStateJson ("{}");

    const auto blob = stateOf (processor);
    const auto tree = juce::ValueTree::readFromData (blob.getData(), blob.getSize());

    ASSERT_EQ (tree.getType().toString(), "KalvorinState");
    ASSERT_EQ (tree.getNumProperties(), 3);
    EXPECT_EQ (tree.getPropertyName (0).toString(), "monitorRef");
    EXPECT_EQ (tree.getPropertyName (1).toString(), "activeRefIndex");
    EXPECT_EQ (tree.getPropertyName (2).toString(), "editorStateJson");
    EXPECT_TRUE (tree["monitorRef"].isDouble());
    EXPECT_EQ ((double) tree["monitorRef"], 1.0);
    EXPECT_TRUE (tree["activeRefIndex"].isInt());
    EXPECT_EQ ((int) tree["activeRefIndex"], 1);
    EXPECT_EQ (tree["editorStateJson"].toString(), "{}");

    ASSERT_EQ (tree.getNumChildren(), 1);
    const auto refs = tree.getChild (0);
    EXPECT_EQ (refs.getType().toString(), "refs");
    ASSERT_EQ (refs.getNumChildren(), 2);

    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ (refs.getChild (i).getType().toString(), "ref");
        EXPECT_EQ (refs.getChild (i).getNumProperties(), 1);
    }

    EXPECT_EQ (refs.getChild (0)["path"].toString(), one);
    EXPECT_EQ (refs.getChild (1)["path"].toString(), two);
}

TEST_F (SavedState, stateWithoutReferencesHoldsAnEmptyListAndRestoringItEmptiesTheList)
{
    const auto empty = stateOf (processor);
    const auto tree = juce::ValueTree::readFromData (empty.getData(), empty.getSize());

    ASSERT_TRUE (tree.getChildWithName ("refs").isValid());
    EXPECT_EQ (tree.getChildWithName ("refs").getNumChildren(), 0);
    EXPECT_EQ ((int) tree["activeRefIndex"], -1);

    processor.addReference (a.sine ("one.wav"));
    processor.addReference (a.sine ("two.wav"));
    ASSERT_EQ (processor.getActiveReferenceIndex(), 0);

    a.restore (empty);

    EXPECT_TRUE (processor.references.empty());
    EXPECT_EQ (processor.getActiveReferenceIndex(), -1);
}

TEST_F (SavedState, emptyEditorStateTextIsNotWritten)
{
    // Never set, and set empty.
    for (const auto setEmpty : { false, true })
    {
        if (setEmpty)
            processor.setEditorStateJson ({});

        const auto blob = stateOf (processor);
        const auto tree = juce::ValueTree::readFromData (blob.getData(), blob.getSize());

        ASSERT_TRUE (tree.isValid());
        EXPECT_FALSE (tree.hasProperty ("editorStateJson"));
        EXPECT_EQ (tree.getNumProperties(), 2);
    }
}

TEST_F (SavedState, stateIsAppendedToWhatTheBlockAlreadyHolds)
{
    processor.addReference (a.sine ("one.wav"));
    const auto alone = stateOf (processor);

    juce::MemoryBlock block ("host", 4);
    processor.getStateInformation (block);

    ASSERT_EQ (block.getSize(), 4 + alone.getSize());
    EXPECT_EQ (std::memcmp (block.getData(), "host", 4), 0);
    EXPECT_EQ (std::memcmp (static_cast<const char*> (block.getData()) + 4, alone.getData(), alone.getSize()), 0);
}

TEST_F (SavedState, restoreRequestsTheReferenceResetAndForgetsItsReadings)
{
    processor.addReference (a.sine ("one.wav"));
    const auto saved = stateOf (processor);

    // Play long enough for the Reference to have readings of its own.
    a.harness.playHead.playing = true;

    for (int i = 0; i < (int) (1.2 * kRate) / kBlock; ++i)
        a.harness.processConstant (kBlock);

    ASSERT_TRUE (std::isfinite (processor.meterReadings.referenceRmsDb.load()));
    ASSERT_GT (processor.referencePeak.load(), 0.0f);
    processor.resetReferenceRequested.store (false);

    a.restore (saved);

    EXPECT_TRUE (processor.resetReferenceRequested.load());
    EXPECT_TRUE (std::isnan (processor.meterReadings.referenceRmsDb.load()));
    EXPECT_TRUE (std::isnan (processor.meterReadings.referenceShortTermLufs.load()));
    EXPECT_EQ (processor.referencePeak.load(), 0.0f);
    EXPECT_EQ (processor.getActiveReferenceIndex(), 0);
}

TEST_F (SavedState, restoreWithoutEditorStateOrMonitorKeepsThoseAsTheyWere)
{
    processor.setEditorStateJson (R"({"tabs":[]})");
    a.harness.setMonitor (1);
    const auto path = a.sine ("one.wav");

    // Absent, and present with a type that is not theirs.
    for (const auto& tree : { stateTree ({ path }, 0, juce::var(), juce::var()),
                              stateTree ({ path }, 0, "1", 42) })
    {
        a.restore (blobOf (tree));

        EXPECT_EQ (processor.getEditorStateJson(), R"({"tabs":[]})");
        EXPECT_EQ (processor.parameters.getParameter ("monitorRef")->getValue(), 1.0f);
        EXPECT_EQ (observe (processor).paths, std::vector<juce::String> { path });
    }
}

TEST_F (SavedState, restoredEditorTextReachesTheParameterTreeOnlyOnTheMessageThread)
{
    const auto path = a.sine ("one.wav");

    // Restored on the message thread (this one), the tree's copy follows at once.
    a.restore (blobOf (stateTree ({ path }, 0, 0.0, R"({"tabs":[1]})")));
    EXPECT_EQ (processor.parameters.state[kEditorState].toString(), R"({"tabs":[1]})");

    // Restored on a host thread, the text is there at once but the tree is left to the message
    // thread, which copies it on its next turn.
    std::thread host ([&] { a.restore (blobOf (stateTree ({ path }, 0, 0.0, R"({"tabs":[2]})"))); });
    host.join();

    EXPECT_EQ (processor.getEditorStateJson(), R"({"tabs":[2]})");
    EXPECT_EQ (processor.parameters.state[kEditorState].toString(), R"({"tabs":[1]})");

    deliverPendingMessages();
    EXPECT_EQ (processor.parameters.state[kEditorState].toString(), R"({"tabs":[2]})");
}

TEST_F (SavedState, monitorChoiceFromTheBlobIsAlwaysALegalChoice)
{
    // NaN is not a choice: the parameter must not hand it to the host or the editor.

    const struct { double saved; float expected; } cases[] = {
        { 0.0, 0.0f }, { 1.0, 1.0f }, { 7.0, 1.0f }, { -3.0, 0.0f },
        { std::numeric_limits<double>::infinity(), 1.0f }, { -std::numeric_limits<double>::infinity(), 0.0f },
    };

    for (const auto& c : cases)
    {
        a.restore (blobOf (stateTree ({}, -1, c.saved)));
        EXPECT_EQ (processor.parameters.getParameter ("monitorRef")->getValue(), c.expected) << c.saved;
    }

    for (const auto before : { 0, 1 })
    {
        a.harness.setMonitor (before);
        a.restore (blobOf (stateTree ({}, -1, std::numeric_limits<double>::quiet_NaN())));

        const auto value = processor.parameters.getParameter ("monitorRef")->getValue();
        EXPECT_TRUE (value == 0.0f || value == 1.0f) << value;
        EXPECT_EQ (*processor.parameters.getRawParameterValue ("monitorRef"), value);
    }
}

//==============================================================================
namespace
{
/** What one entry of "refs" holds in a restore case. */
enum class Ref
{
    audio,          // a short sine file
    missing,        // a path where no file is
    directory,      // a folder named like audio
    notAudio,       // a text file named like audio
    emptyFile,      // a file of no bytes
    noPath,         // a "ref" without "path"
    numberPath,     // "path" holding a number
    emptyPath,      // "path" holding ""
    otherType,      // a child of another type whose "path" names a sine file
    nestedOnly      // a "ref" whose own child names a sine file; nested trees are not entries
};

struct RestoreCase
{
    const char* name;
    std::vector<Ref> refs;
    juce::var activeRefIndex;
    std::vector<int> expectedEntries;   // positions in `refs` that end up in the list, in order
    int expectedActive;
    bool sameFileTwice = false;         // every audio entry names the first audio file
};

std::ostream& operator<< (std::ostream& os, const RestoreCase& c) { return os << c.name; }

class SavedStateRestores : public ::testing::TestWithParam<RestoreCase> {};
} // namespace

TEST_P (SavedStateRestores, theListThatTheFilesAllow)
{
    const auto& c = GetParam();
    Instance instance;
    auto& processor = *instance;

    // Something to replace, so a restore that leaves old entries shows.
    ASSERT_EQ (processor.addReference (instance.sine ("old.wav")), 0);

    juce::ValueTree state (StateBlobReader::kStateType);
    state.setProperty ("monitorRef", 0.0, nullptr);

    if (! c.activeRefIndex.isVoid())
        state.setProperty ("activeRefIndex", c.activeRefIndex, nullptr);

    juce::ValueTree refs ("refs");
    std::vector<juce::String> paths;
    juce::String firstAudio;

    for (size_t i = 0; i < c.refs.size(); ++i)
    {
        const auto file = instance.temp.file ("entry" + juce::String ((int) i) + ".wav");
        juce::ValueTree ref ("ref");
        juce::String path = file.getFullPathName();

        switch (c.refs[i])
        {
            case Ref::audio:
                if (c.sameFileTwice && firstAudio.isNotEmpty())
                    path = firstAudio;
                else
                    path = instance.sine (file.getFileName());

                if (firstAudio.isEmpty())
                    firstAudio = path;

                ref.setProperty ("path", path, nullptr);
                break;
            case Ref::missing:    ref.setProperty ("path", path, nullptr); break;
            case Ref::directory:  ASSERT_TRUE (file.createDirectory()); ref.setProperty ("path", path, nullptr); break;
            case Ref::notAudio:   ASSERT_TRUE (file.replaceWithText ("not a sound\n")); ref.setProperty ("path", path, nullptr); break;
            case Ref::emptyFile:  ASSERT_TRUE (file.create()); ref.setProperty ("path", path, nullptr); break;
            case Ref::noPath:     break;
            case Ref::numberPath: ref.setProperty ("path", 3, nullptr); break;
            case Ref::emptyPath:  ref.setProperty ("path", "", nullptr); break;
            case Ref::otherType:
                ref = juce::ValueTree ("junk");
                path = instance.sine (file.getFileName());
                ref.setProperty ("path", path, nullptr);
                break;
            case Ref::nestedOnly:
                ref.appendChild (juce::ValueTree ("ref").setProperty ("path", instance.sine (file.getFileName()), nullptr), nullptr);
                break;
        }

        paths.push_back (path);
        refs.appendChild (ref, nullptr);
    }

    state.appendChild (refs, nullptr);

    const auto seconds = secondsToRun ([&] { instance.restore (blobOf (state)); });

    std::vector<juce::String> expectedPaths;

    for (const auto position : c.expectedEntries)
        expectedPaths.push_back (paths[(size_t) position]);

    EXPECT_EQ (observe (processor).paths, expectedPaths);
    EXPECT_EQ (processor.getActiveReferenceIndex(), c.expectedActive);
    expectConsistent (processor);
    EXPECT_LT (seconds, kHangGuardSeconds) << "hang guard";
}

INSTANTIATE_TEST_SUITE_P (
    Cases, SavedStateRestores,
    ::testing::Values (
        RestoreCase { "threeFilesKeepTheirOrderAndIndex", { Ref::audio, Ref::audio, Ref::audio }, 1, { 0, 1, 2 }, 1 },
        RestoreCase { "middleMissingIndexTwoSelectsTheFirst", { Ref::audio, Ref::missing, Ref::audio }, 2, { 0, 2 }, 0 },
        RestoreCase { "middleMissingIndexOneNamesTheFileAfterIt", { Ref::audio, Ref::missing, Ref::audio }, 1, { 0, 2 }, 1 },
        RestoreCase { "indexPastTheEndSelectsTheFirst", { Ref::audio, Ref::audio }, 9, { 0, 1 }, 0 },
        RestoreCase { "negativeIndexSelectsNone", { Ref::audio, Ref::audio }, -1, { 0, 1 }, -1 },
        RestoreCase { "absentIndexSelectsNone", { Ref::audio, Ref::audio }, juce::var(), { 0, 1 }, -1 },
        RestoreCase { "samePathTwiceGivesOneEntry", { Ref::audio, Ref::audio }, 0, { 0 }, 0, true },
        RestoreCase { "samePathTwiceIndexOfTheSecondSelectsTheFirst", { Ref::audio, Ref::audio }, 1, { 0 }, 0, true },
        RestoreCase { "allMissingLeavesAnEmptyList", { Ref::missing, Ref::missing }, 0, {}, -1 },
        RestoreCase { "noRefsLeavesAnEmptyList", {}, 0, {}, -1 },
        RestoreCase { "directoriesAreSkipped", { Ref::directory, Ref::audio }, 0, { 1 }, 0 },
        RestoreCase { "filesThatAreNotAudioAreSkipped", { Ref::notAudio, Ref::emptyFile, Ref::audio }, 0, { 2 }, 0 },
        RestoreCase { "refsWithoutAStringPathAreSkipped", { Ref::noPath, Ref::numberPath, Ref::emptyPath, Ref::audio }, 0, { 3 }, 0 },
        RestoreCase { "childrenOfAnyTypeCount", { Ref::otherType, Ref::audio }, 1, { 0, 1 }, 1 },
        RestoreCase { "nestedTreesAreNotEntries", { Ref::nestedOnly, Ref::audio }, 0, { 1 }, 0 }),
    [] (const auto& c) { return std::string (c.param.name); });

//==============================================================================
namespace
{
/** A processor with something to lose: two References, the second active, Source monitored
    and editor text. */
struct RestoreOverLoadedProcessor : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_EQ (processor.addReference (a.sine ("one.wav")), 0);
        ASSERT_EQ (processor.addReference (a.sine ("two.wav")), 1);
        processor.setActiveReference (1);
        a.harness.setMonitor (1);
        processor.setEditorStateJson (R"({"tabs":["two.wav"]})");
        before = observe (processor);
        processor.resetReferenceRequested.store (false);
    }

    /** Restores the bytes under the hang guard; true when they were refused. */
    bool restoreRefused (const void* data, size_t size, const std::string& what)
    {
        const auto seconds = secondsToRun ([&] { processor.setStateInformation (data, (int) size); });
        EXPECT_LT (seconds, kHangGuardSeconds) << "hang guard, " << what;

        const auto refused = observe (processor) == before && ! processor.resetReferenceRequested.load();

        if (! refused)
            expectConsistent (processor);

        return refused;
    }

    Instance a;
    KalvorinAudioProcessor& processor = *a;
    Observed before;
};

struct BadBlob
{
    const char* name;
    std::function<juce::MemoryBlock (Instance&)> make;
};

std::ostream& operator<< (std::ostream& os, const BadBlob& blob) { return os << blob.name; }

juce::MemoryBlock bytes (const std::string& text)
{
    return { text.data(), text.size() };
}

juce::MemoryBlock written (const std::function<void (juce::MemoryOutputStream&)>& write)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    write (out);
    out.flush();
    return block;
}

class SavedStateRefuses : public RestoreOverLoadedProcessor, public ::testing::WithParamInterface<BadBlob> {};
} // namespace

TEST_P (SavedStateRefuses, badBlobAndChangesNothing)
{
    const auto blob = GetParam().make (a);
    EXPECT_TRUE (restoreRefused (blob.getData(), blob.getSize(), GetParam().name));
    EXPECT_EQ (observe (processor), before);
}

INSTANTIATE_TEST_SUITE_P (
    Blobs, SavedStateRefuses,
    ::testing::Values (
        BadBlob { "empty", [] (Instance&) { return juce::MemoryBlock(); } },
        BadBlob { "oneByte", [] (Instance&) { return bytes ("K"); } },
        BadBlob { "firstByteZero", [] (Instance&) { return bytes (std::string ("\0KalvorinState\0\0\0", 17)); } },
        BadBlob { "anotherPluginsTree", [] (Instance& i)
        {
            // JUCE would read this tree happily; it is not ours, so nothing of it is taken.
            juce::ValueTree other ("PARAMS");
            other.setProperty ("monitorRef", 0.0, nullptr);
            other.setProperty ("editorStateJson", "{}", nullptr);
            other.appendChild (juce::ValueTree ("refs", {}, { juce::ValueTree ("ref", { { "path", i.sine ("x.wav") } }) }), nullptr);
            return blobOf (other);
        } },
        BadBlob { "xml", [] (Instance&) { return bytes ("<?xml version=\"1.0\"?>\n<KalvorinState monitorRef=\"0\"/>"); } },
        BadBlob { "hugeChildCount", [] (Instance&)
        {
            return written ([] (auto& out) { out.writeString ("KalvorinState"); out.writeCompressedInt (0); out.writeCompressedInt (std::numeric_limits<int>::max()); });
        } },
        BadBlob { "hugePropertyCount", [] (Instance&)
        {
            return written ([] (auto& out) { out.writeString ("KalvorinState"); out.writeCompressedInt (std::numeric_limits<int>::max()); });
        } },
        BadBlob { "hugeStringLength", [] (Instance&)
        {
            return written ([] (auto& out)
            {
                out.writeString ("KalvorinState");
                out.writeCompressedInt (1);
                out.writeString ("editorStateJson");
                out.writeCompressedInt (std::numeric_limits<int>::max());
                out.writeByte (5);
                out.writeString ("{}");
                out.writeCompressedInt (0);
            });
        } },
        BadBlob { "deeplyNested", [] (Instance&)
        {
            return written ([] (auto& out)
            {
                out.writeString ("KalvorinState");

                for (int i = 0; i < 50000; ++i)
                {
                    out.writeCompressedInt (0);
                    out.writeCompressedInt (1);
                    out.writeString ("refs");
                }

                out.writeCompressedInt (0);
                out.writeCompressedInt (0);
            });
        } },
        BadBlob { "twoHundredThousandPropertyNames", [] (Instance&)
        {
            return written ([] (auto& out)
            {
                out.writeString ("KalvorinState");
                out.writeCompressedInt (200000);

                for (int i = 0; i < 200000; ++i)
                {
                    out.writeString ("p" + juce::String (i));
                    out.writeCompressedInt (0);
                }

                out.writeCompressedInt (0);
            });
        } },
        BadBlob { "ourTreeUnderAnotherTypeName", [] (Instance& i)
        {
            auto tree = stateTree ({ i.sine ("y.wav") }, 0, 0.0, "{}");
            auto other = juce::ValueTree ("Kalvorin");
            other.copyPropertiesAndChildrenFrom (tree, nullptr);
            return blobOf (other);
        } }),
    [] (const auto& blob) { return std::string (blob.param.name); });

TEST_F (RestoreOverLoadedProcessor, everyTruncationOfARealStateChangesNothing)
{
    Instance other;
    other->addReference (other.sine ("first.wav"));
    other->addReference (other.sine ("second.wav"));
    other->setEditorStateJson (R"({"tabs":["first.wav","second.wav"]})");
    const auto saved = stateOf (*other);

    for (size_t length = 0; length < saved.getSize(); ++length)
    {
        EXPECT_TRUE (restoreRefused (saved.getData(), length, "length " + std::to_string (length)))
            << "length " << length << " of " << saved.getSize();
    }

    // The whole of it is taken.
    EXPECT_FALSE (restoreRefused (saved.getData(), saved.getSize(), "whole"));
    EXPECT_EQ (observe (processor), observe (*other));
}

TEST_F (RestoreOverLoadedProcessor, randomOrDamagedBytesAreRefusedOrRestoredWhole)
{
    // Random bytes, random bytes behind the plug-in's type name, and this processor's own
    // state with a few bytes changed. Whatever is not refused must leave a whole, playable list.
    const auto own = stateOf (processor);
    const std::string typeName ("KalvorinState", 14);
    int refused = 0, taken = 0;

    for (unsigned int seed = 0; seed < 1500; ++seed)
    {
        std::mt19937 random (seed);
        std::uniform_int_distribution<int> anyByte (0, 255);
        std::string blob;

        switch (seed % 3)
        {
            case 0:
            case 1:
            {
                blob = seed % 3 == 0 ? std::string() : typeName;
                const auto length = std::uniform_int_distribution<size_t> (0, 300) (random);

                for (size_t i = 0; i < length; ++i)
                    blob += (char) (random() % 4 == 0 ? anyByte (random) : anyByte (random) % 8);
                break;
            }

            default:
            {
                blob.assign (static_cast<const char*> (own.getData()), own.getSize());

                for (int n = std::uniform_int_distribution<int> (1, 3) (random); --n >= 0;)
                    blob[std::uniform_int_distribution<size_t> (0, blob.size() - 1) (random)] = (char) anyByte (random);
                break;
            }
        }

        if (restoreRefused (blob.data(), blob.size(), "seed " + std::to_string (seed)))
        {
            ++refused;
        }
        else
        {
            ++taken;

            // Back to the state the next blob may damage.
            processor.setStateInformation (own.getData(), (int) own.getSize());
            ASSERT_EQ (observe (processor), before) << "seed " << seed;
            processor.resetReferenceRequested.store (false);
        }
    }

    EXPECT_GT (refused, 0);
    EXPECT_GT (taken, 0);
}

TEST_F (SavedState, savedPathNamingAPipeIsSkippedWithoutWaitingForAWriter)
{
    const auto pipe = a.temp.file ("pipe.wav");
    ASSERT_EQ (::mkfifo (pipe.getFullPathName().toRawUTF8(), 0600), 0);
    const auto state = blobOf (stateTree ({ pipe.getFullPathName(), a.sine ("one.wav") }, 0));

    // Should the restore wait on the pipe, open it for writing once the hang guard has passed
    // so that the reader sees an empty file and the test ends instead of hanging.
    std::atomic<bool> done { false };
    std::thread unblocker ([&]
    {
        const auto start = std::chrono::steady_clock::now();

        while (! done.load())
        {
            std::this_thread::sleep_for (std::chrono::milliseconds (20));

            if (std::chrono::steady_clock::now() - start > std::chrono::duration<double> (kHangGuardSeconds))
            {
                const auto fd = ::open (pipe.getFullPathName().toRawUTF8(), O_WRONLY | O_NONBLOCK);

                if (fd >= 0)
                    ::close (fd);
            }
        }
    });

    const auto seconds = secondsToRun ([&] { a.restore (state); });
    done.store (true);
    unblocker.join();

    EXPECT_LT (seconds, kHangGuardSeconds) << "hang guard";
    EXPECT_EQ (observe (processor).paths, std::vector<juce::String> { a.temp.file ("one.wav").getFullPathName() });
    EXPECT_EQ (processor.getActiveReferenceIndex(), 0);
}
