#pragma once

#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <atomic>

/** Converts a Reference from its file's rate to the host's rate, reading a source it does not
    own.

    It plays the part of JUCE's resampling source, which takes a mutex on every block: here the
    block path takes no lock and allocates nothing, so the audio thread never waits. The message
    thread changes the ratio and prepares only while no block is processed (before the entry is
    in the list, while processing is suspended, or in prepareToPlay).

    Input samples are kept in a small FIFO; when the file's rate is above the host's they are
    low-passed below the host's Nyquist frequency as they enter it, then a 4-point Lagrange
    interpolator produces the host-rate samples.
*/
class ReferenceResampler final : public juce::AudioSource
{
public:
    ReferenceResampler (juce::AudioSource* inputSource, int numChannels);

    /** Input samples per output sample (file rate / host rate). Message thread, no block running. */
    void setResamplingRatio (double samplesInPerOutputSample);

    /** The ratio in force. */
    double getResamplingRatio() const noexcept { return ratio.load(); }

    /** Sizes the FIFO for blocks of up to `samplesPerBlockExpected` output samples and prepares
        the input. Message thread, no block running. */
    void prepareToPlay (int samplesPerBlockExpected, double sampleRate) override;

    void releaseResources() override;

    /** Forgets buffered input and filter and interpolator state, as after a seek. Audio thread
        (or while no block runs). */
    void flushBuffers() noexcept;

    /** Renders the host-rate samples. Audio thread; no lock, no allocation. */
    void getNextAudioBlock (const juce::AudioSourceChannelInfo& info) KALVORIN_NONBLOCKING override;

private:
    static constexpr int kMaxChannels = 2;
    static constexpr int kSpareInputSamples = 4;
    static constexpr double kAntiAliasFraction = 0.45;

    void topUpFifo (int needed) noexcept;

    juce::AudioSource* input;
    const int numChannels;
    std::atomic<double> ratio { 1.0 };
    double preparedRatio = 1.0;
    double hostRate = 0.0;
    int maxOutputChunk = 0;

    juce::AudioBuffer<float> fifo;
    int fifoCount = 0;

    juce::LagrangeInterpolator interpolators[kMaxChannels];
    juce::dsp::IIR::Filter<float> antiAlias[kMaxChannels][2];
    bool filtering = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReferenceResampler)
};
