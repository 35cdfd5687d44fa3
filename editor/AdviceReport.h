#pragma once

#include "editor/LoopPassAccumulator.h"

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

    /** Whether all three section texts are empty (the report has no findings). */
    bool hasNoFindings() const noexcept;
};

/** The least matched time the playback history needs before its advice compares anything. */
constexpr double kHistoryMinimumSeconds = 0.5;

/**
    Writes the advice for an accumulated comparison from scratch into report: the title with the
    recorded and matched time, then a tonal line for every band whose average gap reaches 3 dB
    (or that swings both ways), and per stereo band a width-and-mono line and a peaks line where
    they stand out. Bands with less than minimumSeconds of measurements are left out; the title
    says when there is not enough audio to compare. historyEnabled false gives only the text that
    the history is off. Message thread (any thread: it touches nothing shared).
*/
void buildHistoryAdvice (AdviceReport& report, const LoopPassAccumulator& data, bool historyEnabled,
                         double minimumSeconds);
