#include "support/SavedStateTrees.h"

namespace SavedStateTrees
{
juce::ValueTree stateTree (const std::vector<juce::String>& paths, const juce::var& activeRefIndex,
                           const juce::var& monitorRef, const juce::var& editorState)
{
    juce::ValueTree state ("KalvorinState");

    if (! monitorRef.isVoid())
        state.setProperty ("monitorRef", monitorRef, nullptr);

    if (! activeRefIndex.isVoid())
        state.setProperty ("activeRefIndex", activeRefIndex, nullptr);

    if (! editorState.isVoid())
        state.setProperty ("editorStateJson", editorState, nullptr);

    juce::ValueTree refs ("refs");

    for (const auto& path : paths)
        refs.appendChild (juce::ValueTree ("ref").setProperty ("path", path, nullptr), nullptr);

    state.appendChild (refs, nullptr);
    return state;
}

juce::MemoryBlock blobOf (const juce::ValueTree& tree)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    tree.writeToStream (out);
    return block;
}
} // namespace SavedStateTrees
