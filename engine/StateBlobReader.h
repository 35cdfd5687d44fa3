#pragma once

#include <juce_data_structures/juce_data_structures.h>

/** Reads the plug-in's saved state from the bytes a host hands back.

    JUCE's value-tree reader trusts the counts and lengths written in the data, so a damaged or
    foreign blob can make it loop for minutes or recurse without bound. Even a well-formed tree
    can be slow to build: every distinct name goes into JUCE's global string pool and every
    property is looked up among its tree's others, both with costs that grow with the square of
    their number. This reader first walks the blob's structure within its bounds, exactly as the
    value-tree reader will, refuses trees far larger than any state the plug-in writes, and only
    then lets JUCE parse it. Any thread; no shared state.
*/
class StateBlobReader final
{
public:
    /** The type name of the plug-in's own state tree. */
    static constexpr const char* kStateType = "KalvorinState";

    /** Deepest nesting of children or arrays accepted; the plug-in writes two levels. */
    static constexpr int kMaxDepth = 32;

    /** Most trees accepted in one blob; the plug-in writes one per Reference and two more. */
    static constexpr int kMaxTrees = 4096;

    /** Most values accepted in one blob, properties and array items together; each costs JUCE
        far more memory than the byte or two it may take in the blob. */
    static constexpr int kMaxValues = 65536;

    /** Most distinct type and property names accepted in one blob, which also bounds the
        properties of one tree; the plug-in writes seven names. */
    static constexpr int kMaxNames = 64;

    /** The state tree held by the blob, or an invalid tree when the bytes are not a well-formed
        value tree of type "KalvorinState". */
    static juce::ValueTree read (const void* data, int sizeInBytes);

    /** True when the bytes form one complete value tree whose type is `expectedType` (any type
        when null), with every count and length inside the blob and its size within the limits
        above. */
    static bool isWellFormed (const void* data, size_t sizeInBytes, const char* expectedType);
};
