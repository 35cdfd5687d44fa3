// The saved state through JUCE's own VST3 host, as a DAW stores and reloads a project: the
// host's chunk carries the plug-in's state inside the VST3 layer's own header, a second
// instance restores it to the same bytes, and damaged chunks change nothing.
#include "host/support/HostStateChunks.h"
#include "host/support/HostedPlugin.h"
#include "support/SavedStateTrees.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

namespace
{
using namespace HostStateChunks;
using SavedStateTrees::blobOf;
using SavedStateTrees::stateTree;

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

/** Far above what any restore here needs; only a hang gets near it. */
constexpr double kHangGuardSeconds = 5.0;

void restore (juce::AudioPluginInstance& instance, const juce::MemoryBlock& chunk)
{
    instance.setStateInformation (chunk.getData(), (int) chunk.getSize());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
}

struct HostState : ::testing::Test
{
    void SetUp() override
    {
        juce::String error;
        a = HostedPlugin::create (KALVORIN_BUNDLE_PATH, kRate, kBlock, error);
        ASSERT_NE (a, nullptr) << error;
        b = HostedPlugin::create (KALVORIN_BUNDLE_PATH, kRate, kBlock, error);
        ASSERT_NE (b, nullptr) << error;
        a->prepareToPlay (kRate, kBlock);
        b->prepareToPlay (kRate, kBlock);
    }

    void TearDown() override
    {
        for (auto* instance : { a.get(), b.get() })
            if (instance != nullptr)
                instance->releaseResources();
    }

    AudioFolder files;
    std::unique_ptr<juce::AudioPluginInstance> a, b;
};
} // namespace

TEST_F (HostState, plainTreeBytesAreNotAHostChunkAndChangeNothing)
{
    // JUCE's host takes only its own chunk (its XML with the component's state); bare bytes
    // of the plug-in's tree never reach the plug-in.
    const auto before = chunkOf (*a);
    const auto tree = blobOf (stateTree ({ files.sine ("one.wav") }, 0, 1.0, "{}"));

    restore (*a, tree);

    EXPECT_EQ (chunkOf (*a), before);
}

TEST_F (HostState, referencesMoveToASecondInstanceByteForByte)
{
    const std::vector<juce::String> paths { files.sine ("one.wav", 220.0), files.sine ("two.wav", 330.0), files.sine ("three.wav", 440.0) };
    const juce::String editorState (R"({"tabs":["one.wav","two.wav","three.wav"],"view":1})");

    // The plug-in's tree as the component state, without the VST3 layer's legacy header.
    restore (*a, hostChunkCarrying (blobOf (stateTree (paths, 1, 0.0, editorState))));

    const auto chunkA = chunkOf (*a);
    const auto savedByA = pluginTreeIn (componentStateIn (chunkA));
    ASSERT_TRUE (savedByA.isValid()) << "the component state carries the VST3 layer's header and the tree";
    EXPECT_EQ (pathsIn (savedByA), paths);
    EXPECT_EQ ((int) savedByA["activeRefIndex"], 1);
    EXPECT_EQ (savedByA["editorStateJson"].toString(), editorState);

    // A's chunk, with its legacy header, into a fresh instance.
    restore (*b, chunkA);
    EXPECT_EQ (chunkOf (*b), chunkA);

    // And set and read back on the same instance.
    restore (*a, chunkA);
    EXPECT_EQ (chunkOf (*a), chunkA);
}

TEST_F (HostState, monitorChoiceSetByTheHostSurvivesIntoASecondInstance)
{
    auto* monitorA = HostedPlugin::findParameter (*a, "Monitor");
    auto* monitorB = HostedPlugin::findParameter (*b, "Monitor");
    ASSERT_NE (monitorA, nullptr);
    ASSERT_NE (monitorB, nullptr);
    ASSERT_EQ (monitorB->getValue(), 0.0f);

    restore (*a, hostChunkCarrying (blobOf (stateTree ({ files.sine ("one.wav") }, 0, 0.0, "{}"))));
    monitorA->setValueNotifyingHost (1.0f);

    const auto chunkA = chunkOf (*a);
    EXPECT_EQ ((double) pluginTreeIn (componentStateIn (chunkA))["monitorRef"], 1.0);

    restore (*b, chunkA);

    EXPECT_EQ (monitorB->getValue(), 1.0f);
    EXPECT_EQ (chunkOf (*b), chunkA);
}

TEST_F (HostState, damagedComponentStateChangesNothing)
{
    restore (*b, hostChunkCarrying (blobOf (stateTree ({ files.sine ("one.wav"), files.sine ("two.wav") }, 1, 1.0, "{}"))));
    const auto before = chunkOf (*b);
    ASSERT_EQ (pathsIn (pluginTreeIn (componentStateIn (before))).size(), 2u);

    const auto valid = blobOf (stateTree ({ files.sine ("three.wav") }, 0, 0.0, "{\"x\":1}"));
    std::vector<std::pair<std::string, juce::MemoryBlock>> damaged;

    for (const auto length : { (size_t) 1, (size_t) 14, valid.getSize() / 2, valid.getSize() - 1 })
        damaged.emplace_back ("truncated to " + std::to_string (length), juce::MemoryBlock (valid.getData(), length));

    damaged.emplace_back ("another type", blobOf (juce::ValueTree ("PARAMS").setProperty ("monitorRef", 0.0, nullptr)));

    for (unsigned int seed = 0; seed < 20; ++seed)
    {
        std::mt19937 random (seed);
        juce::MemoryBlock noise (1 + random() % 400);

        for (size_t i = 0; i < noise.getSize(); ++i)
            noise[i] = (char) random();

        damaged.emplace_back ("random, seed " + std::to_string (seed), noise);
    }

    // The same damage behind the VST3 layer's legacy header.
    const auto component = componentStateIn (before);

    const auto headers = kVstWHeaderBytes + kBankHeaderBytes;
    ASSERT_GT (component.getSize(), headers + 4);

    for (const auto length : { headers + 3, headers + (component.getSize() - headers) / 2 })
        damaged.emplace_back ("legacy chunk truncated to " + std::to_string (length), juce::MemoryBlock (component.getData(), length));

    for (const auto& [what, bytes] : damaged)
    {
        const auto start = std::chrono::steady_clock::now();
        restore (*b, hostChunkCarrying (bytes));
        const auto seconds = std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();

        EXPECT_EQ (chunkOf (*b), before) << what;
        EXPECT_LT (seconds, kHangGuardSeconds) << "hang guard, " << what;
    }
}
