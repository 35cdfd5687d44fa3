#pragma once

#include <juce_core/juce_core.h>

/** A temporary folder that is deleted with the object. */
struct TemporaryFolder
{
    TemporaryFolder();
    ~TemporaryFolder();

    juce::File file (const juce::String& name) const { return folder.getChildFile (name); }

    juce::File folder;
};
