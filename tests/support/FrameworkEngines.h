#pragma once

#include "engine/BandStereoAnalyser.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <functional>
#include <memory>
#include <vector>

/*  The three heaviest measurements of the plug-in done the plain way, on the framework's own
    building blocks: its two-stage 4x oversampler, its IIR filters called sample by sample, and
    its FFT. They are the yardstick for the engines in engine/: the tests check that the engines
    read the same, and the benchmarks time both in the same run.
*/

/** Block true peak (never below the sample peak) through juce::dsp::Oversampling, as the
    true-peak meter defines it. */
class FrameworkTruePeak final
{
public:
    /** Builds one oversampler per channel for blocks of up to maxBlockSize samples. */
    void prepare (int numChannels, int maxBlockSize);

    /** Returns the block's true peak over the prepared channels; the filters run on. */
    float process (const juce::AudioBuffer<float>& buffer) noexcept;

private:
    std::vector<std::unique_ptr<juce::dsp::Oversampling<float>>> oversamplers;
    juce::AudioBuffer<float> scratch;
    int maxBlockSize = 1;
};

/** The spectrum of two channels with two real transforms of the framework's FFT per frame,
    averaged as the spectrum analyser defines it. */
class FrameworkSpectrum final
{
public:
    FrameworkSpectrum();

    /** Sizes the history for the rate and clears everything. */
    void prepare (double sampleRate);

    /** Feeds one block; returns the number of frames it completed. */
    int process (const juce::AudioBuffer<float>& buffer) noexcept;

    /** The last spectrum. */
    const std::vector<float>& getMagnitudes() const noexcept { return magnitudes; }

private:
    void computeFrame() noexcept;

    juce::dsp::FFT fft;
    std::vector<float> window, fifoLeft, fifoRight, workLeft, workRight, magnitudes;
    std::vector<double> history, runningSum;
    int fifoIndex = 0, historyIndex = 0, historyFrames = 1, resumCursor = 0, resumBins = 1;
};

/** The band analysis with the framework's IIR filters, one sample and one filter at a time. */
class FrameworkBandAnalyser final
{
public:
    /** Designs the filters for the rate and clears everything. */
    void prepare (double sampleRate);

    /** Filters and accumulates one block; results as the band stereo analyser defines them. */
    void process (const juce::AudioBuffer<float>& buffer) noexcept;

    /** The results as of the last closed group. */
    const BandResults& getResults() const noexcept { return results; }

private:
    struct Sums { double ll = 0.0, rr = 0.0, lr = 0.0, peak = 0.0; };

    struct Band
    {
        juce::dsp::IIR::Filter<float> highPassLeft, lowPassLeft, highPassRight, lowPassRight;
        Sums current;
        std::array<Sums, (size_t) BandStereoAnalyser::kHistoryGroups> history {};
    };

    void closeGroup() noexcept;

    std::array<Band, (size_t) kNumStereoBands> bands;
    BandResults results {};
    int groupLength = 0, groupCount = 0, groupIndex = 0, groupsFilled = 0;
};

/** Seconds of stereo test programme at sampleRate: tones over noise that differ between the
    channels, a loud burst beyond full scale, a stretch of silence, a single-channel stretch and
    a few non-finite samples, so that every path of an engine is taken. */
juce::AudioBuffer<float> makeTestProgramme (double sampleRate, double seconds, int seed);

/** Hands the signal to process in consecutive blocks of changing sizes (1 sample to several
    thousand), as hosts with varying buffers do; the blocks refer to the signal without copying. */
void forEachVaryingBlock (const juce::AudioBuffer<float>& signal,
                          const std::function<void (const juce::AudioBuffer<float>&)>& process);
