#pragma once

#include "editor/AnalysisSnapshot.h"
#include "tab/SignalViewTab.h"

/**
    Writes one AnalysisSnapshot into the views of a Reference tab: the level difference and the
    band results into the difference view, the spectra into the spectrum and difference views,
    the monitored signal's stereo points into the goniometer and the peak series into the
    peak-history view; and applies the plot-style setting to a tab's two band views.

    Stateless; message thread only.
*/
struct SnapshotPresenter final
{
    SnapshotPresenter() = delete;

    /** The loudness difference that brings the Reference to the Source (Source minus Reference
        short-term loudness), known only when level matching measured both signals and both
        values are finite; 0 when not known. */
    struct LevelDifference
    {
        bool valid = false;
        float differenceDb = 0.0f;
    };

    /** The level difference a snapshot gives. Any thread. */
    static LevelDifference levelDifferenceOf (const AnalysisSnapshot& snapshot) noexcept;

    /** Writes the snapshot into the tab's views. `live` is false for a recorded moment shown
        while stopped: then the spectrum view jumps to the new curves instead of easing toward
        them; either way the spectrum view takes its step for the tick before push returns.
        `monitored` chooses whose stereo points the goniometer shows. While Shift freezes
        the peak-history view, its series are left alone. */
    static void push (const AnalysisSnapshot& snapshot, SignalViewTab& tab, bool live, OutputSelection monitored);

    /** Gives the tab's spectrum and difference views the style; each repaints only when its
        style changed. */
    static void applyPlotStyle (SignalViewTab& tab, BandDisplayBase::PlotStyle style);
};
