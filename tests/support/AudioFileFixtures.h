#pragma once

#include <juce_audio_formats/juce_audio_formats.h>

/** Audio files written by the tests themselves, with JUCE's writers (and Debian's lame for MP3,
    which JUCE cannot write). */
namespace AudioFileFixtures
{
/** A sine of `frequency` Hz and `amplitude` on every channel. The format follows the file's
    extension: .wav, .aiff, .flac, .ogg or .mp3. Returns false when the file could not be made. */
bool writeSine (const juce::File& file, double sampleRate, int channels, double seconds,
                double frequency, float amplitude = 0.5f);

/** Writes the buffer as a 24-bit WAV file. */
bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate);

/** Estimates the frequency of a steady tone by counting rising zero crossings. */
double estimateFrequency (const float* samples, int numSamples, double sampleRate);
}
