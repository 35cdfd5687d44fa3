#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

/**
    Whether a file may be offered to the processor as a Reference: a regular file (not a
    folder, device, pipe or socket, whose reading could block or never end) that has the
    extension of a registered format or that one of the formats opens. Message thread.
*/
namespace ReferenceFileCheck
{
/** True when the path names a regular file (symbolic links followed). */
bool isRegularFile (const juce::File& file);

/** True when the file is a regular file with a registered format's extension (ignoring case),
    or one that a registered format reads. */
bool canLoadFile (const juce::File& file, juce::AudioFormatManager& formats);
}
