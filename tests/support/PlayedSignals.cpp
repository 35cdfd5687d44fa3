#include "support/PlayedSignals.h"

#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"

#include <juce_dsp/juce_dsp.h>

#include <cmath>

namespace
{
constexpr double kTwoPi = juce::MathConstants<double>::twoPi;
constexpr double kBeatSeconds = 0.5;            // 120 beats per minute
constexpr int kBeatsPerBar = 4;
constexpr double kMixPeak = 0.7;                // about -3 dBFS
constexpr double kPinkNoiseRms = 0.1;           // -20 dBFS
constexpr float kHistoryFloorDb = -60.0f, kHistoryCeilingDb = 20.0f;

// The loop's chords: root in Hz (bass octave) and the chord's three tones in semitones.
struct Chord { double root; int tones[3]; };
constexpr Chord kChords[] = { { 55.00, { 0, 3, 7 } },    // A minor
                              { 43.65, { 0, 4, 7 } },    // F major
                              { 65.41, { 0, 4, 7 } },    // C major
                              { 49.00, { 0, 4, 7 } } };  // G major

double semitones (int steps) { return std::pow (2.0, steps / 12.0); }
double saw (double phase) { return 2.0 * (phase - std::floor (phase)) - 1.0; }

// A one-pole low-pass, enough to take the edge off the saw waves.
struct OnePole
{
    OnePole (double cutoffHz, double sampleRate) : coefficient (std::exp (-kTwoPi * cutoffHz / sampleRate)) {}
    double process (double x) { state = x + coefficient * (state - x); return state; }
    double coefficient, state = 0.0;
};

void normalisePeak (juce::AudioBuffer<float>& buffer, double peak)
{
    const auto magnitude = buffer.getMagnitude (0, buffer.getNumSamples());
    if (magnitude > 0.0f)
        buffer.applyGain ((float) (peak / magnitude));
}
}

namespace PlayedSignals
{
juce::AudioBuffer<float> makeMix (double sampleRate, double seconds, int seed)
{
    const auto numSamples = (int) std::round (sampleRate * seconds);
    juce::AudioBuffer<float> mix (2, numSamples);
    mix.clear();

    juce::Random random (seed);
    double kickPhase = 0.0, bassPhase = 0.0, leadPhase = 0.0;
    double padPhases[2][3] = {};
    OnePole bassFilter (380.0, sampleRate), padFilterLeft (1600.0, sampleRate), padFilterRight (1600.0, sampleRate);
    OnePole hatLowCut (6000.0, sampleRate), hatHighCut (12000.0, sampleRate), snareHighCut (4000.0, sampleRate);
    OnePole ambienceLeft (2500.0, sampleRate), ambienceRight (2500.0, sampleRate);
    constexpr double kPadDetuneCents[2] = { -12.0, 12.0 };

    for (int i = 0; i < numSamples; ++i)
    {
        const auto t = i / sampleRate;
        const auto& chord = kChords[(int) (t / (kBeatsPerBar * kBeatSeconds)) % 4];
        const auto sinceBeat = std::fmod (t, kBeatSeconds);
        const auto sinceEighth = std::fmod (t, kBeatSeconds / 2.0);
        const auto sinceSixteenth = std::fmod (t, kBeatSeconds / 4.0);
        const auto beatInBar = (int) (t / kBeatSeconds) % kBeatsPerBar;

        // Kick: a falling sine on every beat.
        kickPhase += (45.0 + 75.0 * std::exp (-sinceBeat * 30.0)) / sampleRate;
        const auto kick = 0.8 * std::exp (-sinceBeat * 8.0) * std::sin (kTwoPi * kickPhase);

        // Snare on beats 2 and 4: dull noise and a short tone.
        const auto snareNoise = snareHighCut.process (random.nextDouble() * 2.0 - 1.0);
        double snare = 0.0;
        if (beatInBar % 2 == 1)
            snare = (0.6 * snareNoise + 0.2 * std::sin (kTwoPi * 190.0 * sinceBeat)) * std::exp (-sinceBeat * 18.0);

        // Hats on every eighth: noise between about 6 and 12 kHz, short.
        const auto noise = random.nextDouble() * 2.0 - 1.0;
        const auto hat = 0.3 * hatHighCut.process (noise - hatLowCut.process (noise)) * std::exp (-sinceEighth * 60.0);

        // Bass: a filtered saw on the chord's root, plucked on every eighth.
        bassPhase += chord.root * 2.0 / sampleRate;
        const auto bass = 0.45 * std::exp (-sinceEighth * 3.0) * bassFilter.process (saw (bassPhase));

        // Pad: the chord's three tones as saws, detuned apart between the channels.
        double pad[2] = {};
        for (int channel = 0; channel < 2; ++channel)
        {
            for (int voice = 0; voice < 3; ++voice)
            {
                padPhases[channel][voice] += chord.root * 4.0 * semitones (chord.tones[voice])
                                             * std::pow (2.0, kPadDetuneCents[channel] / 1200.0) / sampleRate;
                pad[channel] += 0.06 * saw (padPhases[channel][voice]);
            }
        }
        pad[0] = padFilterLeft.process (pad[0]);
        pad[1] = padFilterRight.process (pad[1]);

        // Lead: an arpeggio of the chord's tones on sixteenths, two octaves up.
        const auto step = (int) (t / (kBeatSeconds / 4.0)) % 3;
        leadPhase += chord.root * 8.0 * semitones (chord.tones[step]) / sampleRate;
        const auto lead = 0.12 * std::exp (-sinceSixteenth * 10.0)
                          * (std::sin (kTwoPi * leadPhase) + 0.3 * std::sin (2.0 * kTwoPi * leadPhase));

        // A little room: unrelated dull noise in each channel.
        const auto roomLeft = 0.08 * ambienceLeft.process (random.nextDouble() * 2.0 - 1.0);
        const auto roomRight = 0.08 * ambienceRight.process (random.nextDouble() * 2.0 - 1.0);

        const auto centre = kick + bass;
        mix.setSample (0, i, (float) (centre + 0.9 * snare + 0.3 * hat + pad[0] + lead + roomLeft));
        mix.setSample (1, i, (float) (centre + 1.0 * snare + 1.0 * hat + pad[1] + 0.25 * lead + roomRight));
    }

    normalisePeak (mix, kMixPeak);
    return mix;
}

juce::AudioBuffer<float> makePinkNoise (double sampleRate, double seconds, int seed)
{
    const auto numSamples = (int) std::round (sampleRate * seconds);
    juce::AudioBuffer<float> noise (2, numSamples);
    juce::Random random (seed);

    for (int channel = 0; channel < 2; ++channel)
    {
        // Paul Kellet's economical pink filter over white noise.
        double b0 = 0, b1 = 0, b2 = 0;
        for (int i = 0; i < numSamples; ++i)
        {
            const auto white = random.nextDouble() * 2.0 - 1.0;
            b0 = 0.99765 * b0 + white * 0.0990460;
            b1 = 0.96300 * b1 + white * 0.2965164;
            b2 = 0.57000 * b2 + white * 1.0526913;
            noise.setSample (channel, i, (float) (b0 + b1 + b2 + white * 0.1848));
        }
    }

    const auto rms = std::sqrt ((std::pow (noise.getRMSLevel (0, 0, numSamples), 2.0f) + std::pow (noise.getRMSLevel (1, 0, numSamples), 2.0f)) / 2.0f);
    noise.applyGain ((float) (kPinkNoiseRms / rms));
    return noise;
}

juce::AudioBuffer<float> toMono (const juce::AudioBuffer<float>& stereo)
{
    juce::AudioBuffer<float> mono (stereo);

    for (int i = 0; i < mono.getNumSamples(); ++i)
    {
        const auto mean = 0.5f * (stereo.getSample (0, i) + stereo.getSample (stereo.getNumChannels() - 1, i));
        for (int channel = 0; channel < mono.getNumChannels(); ++channel)
            mono.setSample (channel, i, mean);
    }

    return mono;
}

juce::AudioBuffer<float> withHighShelf (const juce::AudioBuffer<float>& input, double sampleRate, double cornerHz, float gainDb)
{
    juce::AudioBuffer<float> output (input);
    const auto coefficients = juce::dsp::IIR::Coefficients<float>::makeHighShelf (
        sampleRate, (float) cornerHz, juce::MathConstants<float>::sqrt2 / 2.0f, juce::Decibels::decibelsToGain (gainDb));

    for (int channel = 0; channel < output.getNumChannels(); ++channel)
    {
        juce::dsp::IIR::Filter<float> filter (coefficients);
        auto* samples = output.getWritePointer (channel);
        for (int i = 0; i < output.getNumSamples(); ++i)
            samples[i] = filter.processSample (samples[i]);
    }

    return output;
}

AnalysisSnapshot play (const juce::AudioBuffer<float>& reference, const juce::AudioBuffer<float>& source,
                       double sampleRate, double tickSeconds, int blockSize)
{
    TemporaryFolder folder;
    ProcessorHarness harness (folder.folder);
    harness.prepare (sampleRate, blockSize);
    harness.playHead.playing = true;

    const auto referenceFile = folder.file ("reference.wav");
    AudioFileFixtures::writeWav (referenceFile, reference, sampleRate);
    auto& processor = *harness.processor;
    [[maybe_unused]] const auto referenceIndex = processor.addReference (referenceFile.getFullPathName());
    jassert (referenceIndex == 0);

    AnalysisSnapshot snapshot;
    const auto tickSamples = std::max (1, (int) std::round (tickSeconds * sampleRate));
    int sinceTick = 0;

    auto historyDb = [] (float linear)
    {
        const auto db = linear > 0.0f ? 20.0f * std::log10 (linear) : kHistoryFloorDb;
        return std::isfinite (db) ? juce::jlimit (kHistoryFloorDb, kHistoryCeilingDb, db) : kHistoryFloorDb;
    };

    for (int start = 0; start < source.getNumSamples(); start += blockSize)
    {
        const auto length = std::min (blockSize, source.getNumSamples() - start);
        juce::AudioBuffer<float> block (2, length);
        for (int channel = 0; channel < 2; ++channel)
            block.copyFrom (channel, 0, source, std::min (channel, source.getNumChannels() - 1), start, length);

        harness.process (block);

        sinceTick += length;
        if (sinceTick >= tickSamples)
        {
            sinceTick -= tickSamples;
            const auto peaks = processor.readPeakHolds();
            snapshot.referencePeakSeries.push_back (historyDb (peaks.referenceTruePeak));
            snapshot.sourcePeakSeries.push_back (historyDb (peaks.sourceTruePeak));
        }
    }

    int sequence = 0;
    processor.referenceSpectrumSnapshot.readIfNew (snapshot.referenceSpectrum, snapshot.referenceSampleRate, sequence);
    sequence = 0;
    processor.sourceSpectrumSnapshot.readIfNew (snapshot.sourceSpectrum, snapshot.sourceSampleRate, sequence);

    snapshot.referenceShortTermLufs = processor.meterReadings.referenceShortTermLufs.load();
    snapshot.sourceShortTermLufs = processor.meterReadings.sourceShortTermLufs.load();
    snapshot.levelMatchActive = processor.levelMatchReady.load();

    {
        const juce::SpinLock::ScopedLockType lock (processor.bandSnapshotLock);
        for (int band = 0; band < kNumStereoBands; ++band)
        {
            snapshot.bands[(size_t) band] = processor.bandSnapshot.reference[(size_t) band];
            snapshot.bands[(size_t) (band + kNumStereoBands)] = processor.bandSnapshot.source[(size_t) band];
        }
    }

    sequence = 0;
    processor.referenceGoniometer.copyLatest (snapshot.referenceLeft, snapshot.referenceRight, sequence);
    sequence = 0;
    processor.sourceGoniometer.copyLatest (snapshot.sourceLeft, snapshot.sourceRight, sequence);

    return snapshot;
}
}
