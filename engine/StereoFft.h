#pragma once

#include "RealtimeAnnotations.h"

#include <juce_core/juce_core.h>

struct fftwf_plan_s;

/**
    A forward complex FFT, by FFTW, that transforms two real signals at once: the left signal
    goes into the real parts, the right one into the imaginary parts. With Z the transform,
    the two signals' spectra are L_k = (Z_k + conj Z_(N-k)) / 2 and R_k = (Z_k - conj Z_(N-k)) / 2i,
    so |L_k|^2 + |R_k|^2 = (|Z_k|^2 + |Z_(N-k)|^2) / 2: one transform of N points serves both.

    Planning is not thread-safe in FFTW and allocates, so the plan is made in the constructor,
    on the thread that builds the owner (the message thread), with FFTW's planner made safe to
    use from several threads first: several instances of the plug-in may be built at once.
    Executing the plan allocates nothing, takes no lock and may run on the audio thread.
    The buffers are FFTW's own, aligned for its vector code.
*/
class StereoFft final
{
public:
    /** Plans a transform of 2^order points and allocates its buffers (message thread). */
    explicit StereoFft (int order);
    ~StereoFft();

    /** Points of the transform. */
    int getSize() const noexcept                        { return size; }

    /** True when the plan and the buffers exist; false only when memory ran out. */
    bool isReady() const noexcept                       { return plan != nullptr; }

    /** getSize() complex input values, interleaved (real, imaginary): the owner writes left
        samples at even and right samples at odd positions before perform(). */
    float* getInput() noexcept                          { return input; }

    /** getSize() complex results, interleaved, after perform(). */
    const float* getOutput() const noexcept             { return output; }

    /** Transforms the input into the output (audio thread; nothing when not ready). */
    void perform() noexcept KALVORIN_NONBLOCKING;

    /** The library that performs the transform, as FFTW names its build. */
    static const char* getLibraryVersion() noexcept;

private:
    int size = 0;
    float* input = nullptr;
    float* output = nullptr;
    fftwf_plan_s* plan = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StereoFft)
};
