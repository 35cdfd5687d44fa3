#include "support/MusicFixtures.h"

#include <juce_dsp/juce_dsp.h>

#include <cmath>

namespace
{
constexpr double kShelfHz = 150.0;
constexpr float kShelfQ = 0.707f;
}

namespace MusicFixtures
{
juce::AudioBuffer<float> makeMusic (double sampleRate, double seconds)
{
    const int numSamples = (int) (seconds * sampleRate);
    juce::AudioBuffer<float> music (2, numSamples);
    music.clear();
    juce::Random random (11);
    constexpr double twoPi = juce::MathConstants<double>::twoPi;

    const double bassNotes[] = { 55.0, 55.0, 73.42, 82.41, 65.41, 65.41, 98.0, 82.41 };
    const double chordRoots[] = { 220.0, 293.66, 329.63, 261.63 };
    const double melody[] = { 659.26, 783.99, 880.0, 987.77, 880.0, 783.99, 1046.5, 987.77 };
    const double chordRatios[] = { 1.0, 1.26, 1.5, 2.0, 3.0 };
    double bassPhase = 0.0, melodyPhase = 0.0;

    for (int i = 0; i < numSamples; ++i)
    {
        const double t = i / sampleRate;
        const double beat = std::fmod (t, 0.5);
        const double bar = std::fmod (t, 1.0);

        bassPhase += twoPi * bassNotes[(int) (t / 0.5) % 8] / sampleRate;
        const double bass = 0.16 * (std::sin (bassPhase) + 0.35 * std::sin (2.0 * bassPhase)) * std::exp (-beat * 2.0);
        const double kick = bar < 0.12 ? 0.25 * std::sin (twoPi * (50.0 + 60.0 * std::exp (-bar * 30.0)) * bar)
                                             * std::exp (-bar * 25.0)
                                       : 0.0;

        const double root = chordRoots[(int) (t / 2.0) % 4];
        double left = 0.0, right = 0.0;

        for (int k = 0; k < 5; ++k)
        {
            const double partial = 0.06 * std::sin (twoPi * root * chordRatios[k] * t);
            left += (k % 2 == 0 ? 1.0 : 0.6) * partial;
            right += (k % 2 == 0 ? 0.6 : 1.0) * partial;
        }

        melodyPhase += twoPi * melody[(int) (t / 0.25) % 8] / sampleRate;
        const double lead = 0.09 * (std::sin (melodyPhase) + 0.3 * std::sin (3.0 * melodyPhase)) * std::exp (-std::fmod (t, 0.25) * 4.0);

        const double hatEnvelope = std::fmod (t, 0.25) < 0.04 ? std::exp (-std::fmod (t, 0.25) * 90.0) : 0.0;
        const double hat = 0.25 * (random.nextDouble() * 2.0 - 1.0) * hatEnvelope;
        const double floor = 0.004 * (random.nextDouble() * 2.0 - 1.0);

        music.setSample (0, i, (float) (bass + kick + left + 0.8 * lead + hat + floor));
        music.setSample (1, i, (float) (bass + kick + right + lead + 0.8 * hat + floor));
    }

    return music;
}

juce::AudioBuffer<float> cutBass (const juce::AudioBuffer<float>& music, double sampleRate, float cutDb)
{
    juce::AudioBuffer<float> mix (music);
    const auto shelf = juce::dsp::IIR::Coefficients<float>::makeLowShelf (sampleRate, kShelfHz, kShelfQ,
                                                                         juce::Decibels::decibelsToGain (cutDb));

    for (int channel = 0; channel < mix.getNumChannels(); ++channel)
    {
        juce::dsp::IIR::Filter<float> filter (shelf);
        auto* samples = mix.getWritePointer (channel);

        for (int i = 0; i < mix.getNumSamples(); ++i)
            samples[i] = filter.processSample (samples[i]);
    }

    return mix;
}
}
