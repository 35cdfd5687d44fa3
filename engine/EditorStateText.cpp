#include "engine/EditorStateText.h"

EditorStateText::EditorStateText (juce::ValueTree& treeToUse, const juce::Identifier& propertyToUse)
    : tree (treeToUse), property (propertyToUse)
{
}

EditorStateText::~EditorStateText()
{
    cancelPendingUpdate();
}

juce::String EditorStateText::get() const
{
    const juce::ScopedLock scope (lock);
    return text;
}

void EditorStateText::set (const juce::String& newText)
{
    {
        const juce::ScopedLock scope (lock);
        text = newText;
    }

    if (juce::MessageManager::existsAndIsLockedByCurrentThread())
        copyIntoTree();
    else
        triggerAsyncUpdate();
}

void EditorStateText::handleAsyncUpdate()
{
    copyIntoTree();
}

void EditorStateText::copyIntoTree()
{
    // Whatever was set last is copied: a later `set` from another thread posts its own update.
    tree.setProperty (property, get(), nullptr);
}
