#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include <juce_events/juce_events.h>

/** The editor-state JSON text of one plug-in instance: what the editor keeps of its tabs, which
    the host's state blob carries as "editorStateJson".

    Two sides need the text: the host's state calls, on whatever thread the host makes them, and
    the editor on the message thread. So the text itself lives here, behind a lock of its own,
    and `get` and `set` work from any thread without ever waiting for the message thread: a host
    that makes its state calls from its own message loop cannot deadlock, and destroying the
    processor right after a call leaves at most one update message, which is cancelled.

    A copy of the text is kept as a property of the parameter state tree, for readers of that
    tree. JUCE's parameter timer writes into the same tree on the message thread, under a lock no
    other writer can share, and a write walks the tree's listener lists without any lock; so the
    copy is written on the message thread only: at once when `set` is called there (or by a
    thread that holds the message manager's lock), otherwise on the message thread's next turn.
*/
class EditorStateText final : private juce::AsyncUpdater
{
public:
    /** Keeps the copy in `tree`'s property `property`. The tree must outlive this object and is
        touched only on the message thread. */
    EditorStateText (juce::ValueTree& tree, const juce::Identifier& property);
    ~EditorStateText() override;

    /** The current text; empty until one is set. Any thread. */
    juce::String get() const;

    /** Replaces the text. Any thread. */
    void set (const juce::String& newText);

private:
    void handleAsyncUpdate() override;
    void copyIntoTree();

    juce::ValueTree& tree;
    const juce::Identifier property;

    mutable juce::CriticalSection lock;
    juce::String text;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EditorStateText)
};
