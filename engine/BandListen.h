#pragma once

#include "FocusBand.h"
#include "RealtimeAnnotations.h"

#include <juce_audio_basics/juce_audio_basics.h>
#include <juce_dsp/juce_dsp.h>

#include <atomic>
#include <vector>

/**
    Band listen: narrows the plug-in's output to the frequency band the user selected in a band
    view, with a second-order Butterworth high-pass at the lower edge followed by a second-order
    Butterworth low-pass at the upper edge (12 dB per octave on each side).

    The message thread requests a band with setFocusBand(); the audio thread picks the request
    up at the end of every block and filters the output in place, whichever signal it carries.
    Edge changes glide linearly over 20 ms, with the coefficients redesigned every 16 samples in
    place, so the filter memory runs on and nothing clicks. Engaging starts the filters from
    cleared memory at the requested band; releasing clears their memory at once. Both
    transitions ramp the output over 5 ms from the value last heard, so the switch itself never
    makes a step in the waveform.
*/
class BandListen final
{
public:
    /** One IIR filter per channel, all channels sharing one coefficient set. */
    using FilterSet = juce::dsp::ProcessorDuplicator<juce::dsp::IIR::Filter<float>,
                                                     juce::dsp::IIR::Coefficients<float>>;

    /** Lowest and highest edge a band may have, in Hz. */
    static constexpr double kLowestEdgeHz = 20.0;
    static constexpr double kHighestEdgeHz = 20000.0;

    /** Narrowest band the filters are set to, in Hz. */
    static constexpr double kMinimumWidthHz = 1.0;

    /** Distance kept between the top edge and half the sample rate, in Hz. */
    static constexpr double kNyquistMarginHz = 1.0;

    /** Time an edge change takes to glide to its new value. */
    static constexpr double kGlideSeconds = 0.02;

    /** Samples between two coefficient redesigns while an edge glides. */
    static constexpr int kGlideChunkSamples = 16;

    /** Edge changes up to this size in Hz are ignored. */
    static constexpr double kIgnoredEdgeChangeHz = 0.001;

    /** Length of the output ramp when band listen engages or releases. */
    static constexpr double kTransitionSeconds = 0.005;

    /** Creates band listen off, with the stored band 20 Hz ... 20 kHz and no rate. */
    BandListen();
    ~BandListen();

    /** Requests a band, or band listen off when the band holds no range (message thread).
        The edges are rounded to single precision, put in order and limited to 20 Hz ... 20 kHz;
        a band that then covers the whole span, or has an edge that is not a number, turns band
        listen off. Writes the lower edge, the upper edge and then the on flag, all atomically. */
    void setFocusBand (FocusBand band) noexcept;

    /** Prepares the filters for sampleRate, blocks of up to maxBlock samples and the given
        number of output channels, and returns to off-ready: not engaged, filters at
        20 Hz ... top. A band still requested engages again on the next block. Allocates: call
        while no block is processed (prepareToPlay). */
    void prepare (double sampleRate, int maxBlock, int channels);

    /** Clears the filter memory and forgets the rate, so nothing is filtered until the next
        prepare() (releaseResources). */
    void release() noexcept;

    /** Follows the requested band and, while band listen is on, filters the first prepared
        channels of buffer in place; further channels are left untouched. While off and not
        ramping, the buffer is not touched at all. Audio thread; never allocates, locks or waits. */
    void process (juce::AudioBuffer<float>& buffer) noexcept KALVORIN_NONBLOCKING;

    /** Whether band listen is requested (any thread). */
    bool isRequested() const noexcept                        { return bandListenOn.load(); }

    /** The stored band after setFocusBand's limiting; kept while band listen is off (any thread). */
    juce::Range<double> getRequestedRange() const noexcept   { return { focusLowHz.load(), focusHighHz.load() }; }

    /** Whether the filters are in the output path (audio thread). */
    bool isEngaged() const noexcept                          { return bandListenEngaged; }

    /** Whether an edge is still gliding towards a new value (audio thread). */
    bool isGliding() const noexcept                          { return bandListenLowCutoff.isSmoothing() || bandListenHighCutoff.isSmoothing(); }

    /** The high-pass cutoff as applied, in Hz (audio thread). */
    float getLowCutoffHz() const noexcept                    { return bandListenLowCutoff.getCurrentValue(); }

    /** The low-pass cutoff as applied, in Hz (audio thread). */
    float getHighCutoffHz() const noexcept                   { return bandListenHighCutoff.getCurrentValue(); }

    /** The coefficients the high-pass channels share (audio thread, or while no block runs). */
    const juce::dsp::IIR::Coefficients<float>& getHighPassCoefficients() const noexcept  { return *bandListenHighPass.state; }

    /** The coefficients the low-pass channels share (audio thread, or while no block runs). */
    const juce::dsp::IIR::Coefficients<float>& getLowPassCoefficients() const noexcept   { return *bandListenLowPass.state; }

    /** The rate the filters are prepared for; 0 before prepare() and after release(). */
    double getSampleRate() const noexcept                    { return bandListenSampleRate; }

private:
    /** Redesigns both filters for the edges lowHz and highHz (limited to what the rate allows)
        in the coefficient sets the channels share, leaving the filter memory as it is. Never
        allocates. Does nothing while there is no rate. */
    void updateBandListenFilters (float lowHz, float highHz) noexcept;

    /** Highest usable edge: 20 kHz, or 1 Hz below half the rate when that is lower. */
    double topEdgeHz() const noexcept;

    /** Starts the output ramp on the filtered channels from the value last heard. */
    void startTransition() noexcept;

    /** Ramps the first numChannels channels from the value last heard into what they now hold. */
    void applyTransition (juce::AudioBuffer<float>& buffer, int numChannels) noexcept;

    /** Keeps each filtered channel's last output value for the next transition. */
    void rememberLastOutput (const juce::AudioBuffer<float>& buffer, int numChannels) noexcept;

    /** Passes samples [start, start + length) of the first numChannels channels through the
        high-pass set and then the low-pass set. */
    void filterRange (juce::AudioBuffer<float>& buffer, int numChannels, int start, int length) noexcept;

    // Request from the message thread.
    std::atomic<bool> bandListenOn { false };
    std::atomic<double> focusLowHz { kLowestEdgeHz };
    std::atomic<double> focusHighHz { kHighestEdgeHz };

    // Everything below belongs to the audio thread and to prepare()/release().
    FilterSet bandListenHighPass, bandListenLowPass;
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> bandListenLowCutoff, bandListenHighCutoff;
    double bandListenSampleRate = 0.0;
    bool bandListenEngaged = false;
    double appliedLowHz = kLowestEdgeHz;
    double appliedHighHz = kHighestEdgeHz;

    // Channels the filter sets were prepared for.
    int preparedChannels = 0;

    // Output ramp at engaging and releasing: the value each channel last output, the value the
    // running ramp starts from, and the samples left of it.
    std::vector<float> lastOutput;
    std::vector<float> transitionFrom;
    int transitionRemaining = 0;
    int transitionLength = 1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BandListen)
};
