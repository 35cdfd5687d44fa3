#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <functional>
#include <vector>

/**
    Turns one signal into a magnitude spectrum of 4097 bins: an 8192-point Hann-windowed FFT of
    each of the first two channels every 2048 samples, the power of both channels added and
    averaged over the frames of about the last 3 seconds.

    A full-scale sine centred on a bin and present in both channels reads 1.0 in that bin once
    the history is full; in one channel it reads sqrt (0.5). Bin k lies at k * sampleRate / 8192 Hz.

    The analyser owns its FFT object: the framework's FFT serialises calls on one object with a
    lock of its own, so an FFT shared between threads could make the audio thread wait.
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

    /** Builds the FFT and the window; the lists stay empty until prepare(). */
    SpectrumAnalyser();
    ~SpectrumAnalyser();

    /** Sizes all buffers for sampleRate and clears them. The first spectrum then follows after
        kHopSize samples. Allocates: call from prepareToPlay. */
    void prepare (double sampleRate);

    /** Clears the FIFOs, the history, the running sum and the spectrum (audio thread; does not
        allocate). The sample rate and onSpectrum stay. */
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
    void computeFrame() noexcept;
    void transformChannel (const std::vector<float>& fifo, std::vector<float>& work) noexcept;
    void resumSlice() noexcept;

    juce::dsp::FFT fft;
    juce::dsp::WindowingFunction<float> window;

    // Written by prepare() only.
    double sampleRate = kDefaultSampleRate;

    // Audio-thread state from here on.
    int fifoIndex = 0;          // samples held in the two FIFOs
    int historyIndex = 0;       // the history row the next frame overwrites
    int historyFrames = 1;      // rows of the history (fixed by prepare())
    int resumBinsPerFrame = 1;  // bins whose running sum each frame rebuilds from the history
    int resumCursor = 0;        // first bin the next rebuild covers

    std::vector<float> fifoLeft, fifoRight;     // kFftSize each: the latest input samples
    std::vector<float> fftLeft, fftRight;       // 2 * kFftSize each: the transforms' work space
    std::vector<double> history;                // historyFrames rows of kNumBins powers
    std::vector<double> runningSum;             // per bin, the sum over all history rows
    std::vector<float> magnitudes;              // the last spectrum

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SpectrumAnalyser)
};
