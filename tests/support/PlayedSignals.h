#pragma once

#include "editor/AnalysisSnapshot.h"

#include <juce_audio_basics/juce_audio_basics.h>

/** Music-like test signals and what the processor measures when it plays them: for the views'
    screenshots and tests that want real measurements rather than made-up numbers. */
namespace PlayedSignals
{
/** A stereo mix at sampleRate: kick and bass in the middle, snare, hats panned right, a wide
    detuned chord pad and a lead panned left, over a four-chord loop at 120 beats per minute.
    Peaks at about -3 dBFS. The same seed gives the same mix. */
juce::AudioBuffer<float> makeMix (double sampleRate, double seconds, int seed = 1);

/** Stereo pink noise (independent channels) with an RMS of about -20 dBFS. */
juce::AudioBuffer<float> makePinkNoise (double sampleRate, double seconds, int seed = 1);

/** The buffer with both channels set to their mean (a mono signal on two channels). */
juce::AudioBuffer<float> toMono (const juce::AudioBuffer<float>& stereo);

/** The buffer through a second-order high shelf (every channel). */
juce::AudioBuffer<float> withHighShelf (const juce::AudioBuffer<float>& input, double sampleRate,
                                        double cornerHz, float gainDb);

/** Plays the Source through a processor (transport running) in host blocks of blockSize while it
    plays the Reference from a file, for the length of the Source, and records what the editor's
    timer would: every tickSeconds the two peak-history values (true peak in dB, limited to
    -60 ... +20), and at the end the spectra with their rates, both short-term loudness values,
    whether level matching measured both signals, the six band results and both signals' last
    stereo points (one block's worth). */
AnalysisSnapshot play (const juce::AudioBuffer<float>& reference, const juce::AudioBuffer<float>& source,
                       double sampleRate, double tickSeconds = 1.0 / 15.0, int blockSize = 512);
}
