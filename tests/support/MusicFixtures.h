#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** Music made by the tests, for comparisons that need real programme material rather than tones. */
namespace MusicFixtures
{
/** A short piece of stereo music: a bass line with its second harmonic and a kick, chords and
    a melody spread across the stereo field, and hi-hats, over a quiet noise floor; about
    -16 LUFS, with the bass carrying about as much of the loudness as in a pop mix. */
juce::AudioBuffer<float> makeMusic (double sampleRate, double seconds);

/** The same music with its bass cut by a low shelf at 150 Hz, as a mix whose bass is too thin. */
juce::AudioBuffer<float> cutBass (const juce::AudioBuffer<float>& music, double sampleRate, float cutDb);
}
