#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <deque>
#include <vector>

/**
    One peak-history series as it grew over the recorded ticks, stored once.

    Each tick's series is the previous one with a value appended (and the oldest dropped once
    it is full), so consecutive copies share all but one value. The log keeps every value once
    and tells each recorded tick where its series lies; a series that does not continue the
    last one (after the series were emptied) is stored whole. Message thread only.
*/
class PeakSeriesLog final
{
public:
    /** Where one tick's series lies in the log: the index one past its newest value and its
        length. */
    struct Span
    {
        std::int64_t end = 0;
        int length = 0;
    };

    PeakSeriesLog();
    ~PeakSeriesLog();

    /** Stores a tick's series and returns where it lies; only the values that continue the
        last stored series are added. */
    Span append (const std::vector<float>& series);

    /** The series of a span returned by append, oldest first; values already forgotten are
        left out. */
    std::vector<float> read (Span span) const;

    /** Drops the values below an index, once no recorded tick needs them. */
    void forgetBefore (std::int64_t index);

    /** Empties the log. */
    void clear();

    /** Number of values held. */
    size_t size() const noexcept { return values.size(); }

    /** Bytes held by the values (the container's own blocks included roughly). */
    size_t getMemoryBytes() const noexcept;

private:
    /** Whether the values of a span of the log equal a run of series values, bit for bit. */
    bool logMatches (std::int64_t logStart, const std::vector<float>& series, int count) const;

    std::deque<float> values;
    /** Index of values.front() since the last clear. */
    std::int64_t firstIndex = 0;
    /** The last stored series. */
    Span last;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PeakSeriesLog)
};
