#pragma once

#include <juce_core/juce_core.h>

#include <deque>
#include <vector>

/**
    The two peak-history series of the editor: one true-peak value per timer tick and signal,
    oldest first, at most kMaxValues each, for the peak-history view.

    Message thread only.
*/
class PeakSeries final
{
public:
    /** The most values a series keeps; the oldest goes when a new one would exceed it. */
    static constexpr size_t kMaxValues = 512;

    /** The range a value is clamped to, dB; no reading counts as the bottom. */
    static constexpr float kBottomDb = -60.0f;
    static constexpr float kTopDb = 20.0f;

    PeakSeries() = default;

    /** Appends one tick's true-peak readings (dB, NaN for none), each clamped to
        kBottomDb..kTopDb with NaN as kBottomDb. */
    void append (float referenceTruePeakDb, float sourceTruePeakDb);

    /** Empties both series. */
    void clear();

    /** Copies both series, oldest first, into the given lists. */
    void copyTo (std::vector<float>& referenceSeries, std::vector<float>& sourceSeries) const;

    /** The value a reading is stored as. Any thread. */
    static float clampToRange (float db) noexcept;

    /** Number of values in each series (both always hold the same number). */
    size_t size() const noexcept { return referenceValues.size(); }

private:
    static void push (std::deque<float>& series, float db);

    std::deque<float> referenceValues, sourceValues;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PeakSeries)
};
