#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** Reads the plug-in's saved state from the bytes a host hands back.

    JUCE's value-tree reader trusts the counts and lengths written in the data, so a damaged or
    foreign blob can make it loop for minutes or recurse without bound. This reader first walks
    the blob's structure within its bounds, exactly as the value-tree reader will, and only then
    lets JUCE parse it. Any thread; no shared state.
*/
class StateBlobReader final
{
public:
    /** The type name of the plug-in's own state tree. */
    static constexpr const char* kStateType = "KalvorinState";

    /** Deepest nesting of children or arrays accepted; the plug-in writes two levels. */
    static constexpr int kMaxDepth = 32;

    /** The state tree held by the blob, or an invalid tree when the bytes are not a well-formed
        value tree of type "KalvorinState". */
    static juce::ValueTree read (const void* data, int sizeInBytes);

    /** True when the bytes form one complete value tree whose type is `expectedType`, with every
        count and length inside the blob. */
    static bool isWellFormed (const void* data, size_t sizeInBytes, const char* expectedType);
};
