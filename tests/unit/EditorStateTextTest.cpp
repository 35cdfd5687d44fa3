// The editor's text between threads: readable and writable from any thread at once, while the
// copy in the parameter state tree is written on the message thread only (this test's main
// thread is the message thread).
#include "engine/EditorStateText.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace
{
const juce::Identifier kProperty { "editorStateJson" };

struct EditorTextBetweenThreads : ::testing::Test
{
    juce::ValueTree tree { "PARAMS" };
    std::unique_ptr<EditorStateText> text = std::make_unique<EditorStateText> (tree, kProperty);
};
} // namespace

TEST_F (EditorTextBetweenThreads, startsEmptyWithoutTouchingTheTree)
{
    EXPECT_TRUE (text->get().isEmpty());
    deliverPendingMessages();
    EXPECT_FALSE (tree.hasProperty (kProperty));
}

TEST_F (EditorTextBetweenThreads, setOnTheMessageThreadReachesTheTreeAtOnce)
{
    text->set (R"({"tabs":[]})");

    EXPECT_EQ (text->get(), R"({"tabs":[]})");
    EXPECT_EQ (tree[kProperty].toString(), R"({"tabs":[]})");
}

TEST_F (EditorTextBetweenThreads, setOnAnotherThreadReachesTheTreeOnTheMessageThreadsNextTurn)
{
    text->set ("first");

    std::thread host ([this] { text->set ("second"); });
    host.join();

    EXPECT_EQ (text->get(), "second");
    EXPECT_EQ (tree[kProperty].toString(), "first");

    deliverPendingMessages();
    EXPECT_EQ (tree[kProperty].toString(), "second");
}

TEST_F (EditorTextBetweenThreads, setByAThreadHoldingTheMessageManagerLockReachesTheTreeAtOnce)
{
    std::atomic<bool> done { false };
    juce::String seenInTree;

    std::thread host ([&]
    {
        const juce::MessageManagerLock lock;
        text->set ("locked");
        seenInTree = tree[kProperty].toString();
        done.store (true);
    });

    // The lock is granted while the message thread dispatches.
    while (! done.load())
    {
        deliverPendingMessages();
        std::this_thread::yield();
    }

    host.join();
    EXPECT_EQ (seenInTree, "locked");
}

TEST_F (EditorTextBetweenThreads, destroyedWithACopyPendingLeavesTheTreeAlone)
{
    text->set ("kept");
    std::thread host ([this] { text->set ("never copied"); });
    host.join();

    text.reset();
    deliverPendingMessages();

    EXPECT_EQ (tree[kProperty].toString(), "kept");
}
