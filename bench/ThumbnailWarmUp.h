#pragma once

#include <juce_audio_utils/juce_audio_utils.h>

/** Builds a file's thumbnail into the cache and waits until the cache holds it complete, so that
    a component drawing the file afterwards takes the finished thumbnail, as it does in a long
    session. Message thread (the cache stores it from its own thread). */
inline void warmThumbnail (juce::AudioFormatManager& formats, juce::AudioThumbnailCache& cache, const juce::File& file)
{
    juce::AudioThumbnail warmUp (512, formats, cache);
    warmUp.setSource (new juce::FileInputSource (file, false));

    while (! warmUp.isFullyLoaded())
        juce::Thread::sleep (10);

    juce::Thread::sleep (500); // the cache stores it just after it is complete
}
