#pragma once

#include "RealtimeAnnotations.h"
#include "StereoFft.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include <functional>
#include <vector>

/**
    Turns one signal into a magnitude spectrum of 4097 bins: an 8192-point Hann-windowed FFT of
    each of the first two channels every 2048 samples, the power of both channels added and
    averaged over the frames of about the last 3 seconds.

    A full-scale sine centred on a bin and present in both channels reads 1.0 in that bin once
    the history is full; in one channel it reads sqrt (0.5). Bin k lies at k * sampleRate / 8192 Hz.

    Both channels go through one complex FFT per frame (see StereoFft), planned by FFTW when the
    analyser is built. The analyser owns its transform and its buffers, so nothing is shared with
    another thread. The input waits in a ring of the last kFftSize samples per channel, and a
    frame reads it from its oldest sample on, so nothing is moved between frames.
*/
class SpectrumAnalyser final
{
public:
    /** FFT order: 2^13 = 8192 points. */
    static constexpr int kFftOrder = 13;

    /** Points of the FFT and length of each analysed frame. */
    static constexpr int kFftSize = 1 << kFftOrder;

    /** Magnitude bins from DC to the Nyquist frequency. */
    static constexpr int kNumBins = kFftSize / 2 + 1;

    /** Samples between two frames (frames overlap by 75 %). */
    static constexpr int kHopSize = 2048;

    /** Span of the running average. */
    static constexpr double kAverageSeconds = 3.0;

    /** Sample rate assumed before prepare(). */
    static constexpr double kDefaultSampleRate = 48000.0;

    /** Called on the audio thread after each new spectrum with the kNumBins magnitudes and the
        sample rate. Set it before processing starts (prepareToPlay); calling it never
        allocates, and whatever it does must not allocate, lock or wait either. */
    std::function<void (const std::vector<float>& magnitudes, double sampleRate)> onSpectrum;

    /** Plans the FFT and builds the window (message thread: planning allocates and must not
        run on the audio thread); the lists stay empty until prepare(). */
    SpectrumAnalyser();
    ~SpectrumAnalyser();

    /** Sizes all buffers for sampleRate and clears them. The first spectrum then follows after
        kHopSize - frameLead samples, and every further one kHopSize samples later: frameLead
        (0 ... kHopSize - 1) moves this analyser's frames ahead of another's, so that the two
        need not complete in the same host block. Allocates: call from prepareToPlay. */
    void prepare (double sampleRate, int frameLead = 0);

    /** Clears the rings, the history, the running sum and the spectrum (audio thread; does not
        allocate); the next spectrum follows after kHopSize - frameLead samples. The sample
        rate, the frame lead and onSpectrum stay. */
    void reset() noexcept;

    /** Feeds one block on the audio thread; calls onSpectrum for every completed frame. Channel 0
        is left, channel 1 right (channel 0 again for a one-channel buffer); further channels
        are ignored and non-finite samples count as 0. Does nothing before prepare(). */
    void process (const juce::AudioBuffer<float>& buffer) noexcept KALVORIN_NONBLOCKING;

    /** The last spectrum (kNumBins values after prepare()). Audio thread, or any thread while
        no block runs. */
    const std::vector<float>& getMagnitudes() const noexcept     { return magnitudes; }

    /** The rate given to prepare(). */
    double getSampleRate() const noexcept                        { return sampleRate; }

    /** Number of frames averaged: about kAverageSeconds of hops at the prepared rate. */
    int getHistoryFrames() const noexcept                        { return historyFrames; }

private:
    /** Writes count samples of both channels into the rings, non-finite ones as 0. */
    void writeToRings (const float* left, const float* right, int count) noexcept;

    void computeFrame() noexcept;
    void windowIntoTransform() noexcept;
    void resumSlice() noexcept;
    void averageIntoMagnitudes() noexcept;

    StereoFft fft { kFftOrder };
    std::vector<float> window;                  // the Hann table, normalised to sum kFftSize

    // Written by prepare() only.
    double sampleRate = kDefaultSampleRate;
    int frameLead = 0;

    // Audio-thread state from here on.
    int ringPosition = 0;       // where the next sample goes: the oldest sample of the rings
    int samplesToNextFrame = 0; // input samples until the next frame completes
    int historyIndex = 0;       // the history row the next frame overwrites
    int historyFrames = 1;      // rows of the history (fixed by prepare())
    int resumBinsPerFrame = 1;  // bins whose running sum each frame rebuilds from the history
    int resumCursor = 0;        // first bin the next rebuild covers

    std::vector<float> ringLeft, ringRight;     // kFftSize each: the latest input samples
    std::vector<double> history;                // historyFrames rows of kNumBins powers
    std::vector<double> runningSum;             // per bin, the sum over all history rows
    std::vector<float> magnitudes;              // the last spectrum

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrumAnalyser)
};
