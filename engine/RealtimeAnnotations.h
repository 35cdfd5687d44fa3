#pragma once

/** Marks a function that runs on the audio thread and so must never block: no allocation, no
    lock other than a try-lock, no wait, no system call, no file I/O.

    In the real-time sanitizer build (compiled by clang with -fsanitize=realtime and
    KALVORIN_RTSAN=1) it is clang's `nonblocking` attribute: from the moment such a function is
    entered until it returns, every call it makes, however deep and in whatever library, is
    checked at run time, and a blocking one stops the run with its stack. Everywhere else it
    expands to nothing and costs nothing.

    It goes where the exception specification goes, after the parameter list and `noexcept`
    and before `override`, on the declaration:

        void process (const juce::AudioBuffer<float>& buffer) noexcept KALVORIN_NONBLOCKING;
        void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) KALVORIN_NONBLOCKING override;
*/
#if defined (KALVORIN_RTSAN) && KALVORIN_RTSAN
 #define KALVORIN_NONBLOCKING [[clang::nonblocking]]
#else
 #define KALVORIN_NONBLOCKING
#endif
