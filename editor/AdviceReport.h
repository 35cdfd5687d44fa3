#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <vector>

/** One labelled finding of an AdviceReport. */
struct AdviceLine
{
    /** The frequency range (or band) the line speaks of. */
    juce::String label;
    /** What stands out. */
    juce::String value;
    /** What to try. */
    juce::String detail;
    /** The measured figure; may be empty. */
    juce::String followUp;
};

/**
    The written comparison of the Source with the Reference that the analysis view renders: a
    title, and three sections (tonal balance, stereo width and mono, peaks against body), each as
    a plain-text rendering and as a list of lines. A default report has empty texts and lists.
    A copyable value; message thread only.
*/
struct AdviceReport
{
    /** Number of sections. */
    static constexpr int kNumSections = 3;
    /** Section of the tonal-balance lines. */
    static constexpr int kToneSection = 0;
    /** Section of the stereo width and mono-compatibility lines. */
    static constexpr int kStereoSection = 1;
    /** Section of the peaks-against-body (crest factor) lines. */
    static constexpr int kPunchSection = 2;

    /** The summary and, for loops, the status line. */
    juce::String title;

    /** Plain-text renderings of the three line lists. */
    std::array<juce::String, (size_t) kNumSections> sections;

    /** The three line lists. */
    std::array<std::vector<AdviceLine>, (size_t) kNumSections> lines;

    /** Appends a line's text to the section text at an index (0, 1, or 2 for any other value)
        and the line to that section's list. */
    void addLine (int section, AdviceLine line);
};
