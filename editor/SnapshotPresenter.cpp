#include "editor/SnapshotPresenter.h"

#include <cmath>

SnapshotPresenter::LevelDifference SnapshotPresenter::levelDifferenceOf (const AnalysisSnapshot& snapshot) noexcept
{
    const auto valid = snapshot.levelMatchActive && std::isfinite (snapshot.referenceShortTermLufs)
                    && std::isfinite (snapshot.sourceShortTermLufs);

    if (! valid)
        return {};

    return { true, snapshot.sourceShortTermLufs - snapshot.referenceShortTermLufs };
}

void SnapshotPresenter::push (const AnalysisSnapshot& snapshot, SignalViewTab& tab, bool live, OutputSelection monitored)
{
    auto& views = tab.displayHost;

    const auto difference = levelDifferenceOf (snapshot);
    views.differenceView.setLevelDifference (difference.valid, difference.differenceDb);
    views.differenceView.setBandStats (snapshot.bands);

    bool pushedSpectrum = false;

    const auto pushSeries = [&] (const std::vector<float>& magnitudes, double sampleRate, BandDisplayBase::Series series)
    {
        if (magnitudes.empty() || ! (sampleRate > 0.0))
            return;

        views.spectrumView.pushSpectrum (magnitudes, series, sampleRate);
        views.differenceView.pushSpectrum (magnitudes, series, sampleRate);
        pushedSpectrum = true;
    };

    pushSeries (snapshot.referenceSpectrum, snapshot.referenceSampleRate, BandDisplayBase::Series::Reference);
    pushSeries (snapshot.sourceSpectrum, snapshot.sourceSampleRate, BandDisplayBase::Series::Source);

    // A recorded moment is shown as it was, not approached through the view's easing.
    if (! live && pushedSpectrum)
    {
        views.spectrumView.invalidateBandLevels();
        views.spectrumView.repaint();
        views.spectrumView.requestSnap();
    }

    // The spectrum view's step for this tick (once for both series), now rather than later.
    views.spectrumView.handleUpdateNowIfNeeded();

    const auto fromReference = monitored == OutputSelection::Reference;
    views.goniometerView.setPoints (fromReference ? snapshot.referenceLeft : snapshot.sourceLeft,
                                    fromReference ? snapshot.referenceRight : snapshot.sourceRight,
                                    fromReference);

    if (! snapshot.referencePeakSeries.empty() && ! snapshot.sourcePeakSeries.empty() && ! PeakHistoryDisplay::isFrozen())
        views.peakHistoryView.setSeries (snapshot.referencePeakSeries, snapshot.sourcePeakSeries);
}

void SnapshotPresenter::applyPlotStyle (SignalViewTab& tab, BandDisplayBase::PlotStyle style)
{
    for (auto* view : { static_cast<BandDisplayBase*> (&tab.displayHost.spectrumView),
                        static_cast<BandDisplayBase*> (&tab.displayHost.differenceView) })
        if (view->getPlotStyle() != style)
            view->setPlotStyle (style);
}
