#include "bench/ThumbnailWarmUp.h"
#include "editor/AdviceReport.h"
#include "editor/LoopPassAccumulator.h"
#include "editor/PeakSeries.h"
#include "editor/SnapshotPresenter.h"
#include "engine/GoniometerCapture.h"
#include "engine/ThemePalette.h"
#include "support/GuiSupport.h"
#include "support/SyntheticAnalysis.h"

#include <benchmark/benchmark.h>

#include <cmath>

// What one full repaint of a Reference tab page costs the message thread at the window's size
// (1200 x 720) with JUCE's software renderer, for each of the five views, with live data in every
// part of the page: spectra, band differences and results, 2048 goniometer points, full peak
// series, a written analysis, and the waveform of a one-minute file with a loop and the playhead.
// The counter reports the share of the fastest timer period (33 ms) one repaint uses. Each run
// leaves the page it drew in screenshots/ beside the executable.

namespace
{
constexpr int kWidth = 1200;
constexpr int kHeight = 720;
constexpr double kFileRate = 44100.0;
constexpr double kFileSeconds = 60.0;
constexpr double kFastestTickMs = 33.0;

/** A one-minute stereo WAV of a swelling noise in the temporary folder, written once per run. */
juce::File makeMinuteFile()
{
    const auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("kalvorin-bench-1min.wav");
    const auto numSamples = (int) (kFileSeconds * kFileRate);
    file.deleteFile();

    juce::AudioBuffer<float> samples (2, numSamples);
    juce::Random random (11);

    for (int i = 0; i < numSamples; ++i)
        for (int ch = 0; ch < 2; ++ch)
            samples.setSample (ch, i, (float) (0.2 + 0.6 * std::abs (std::sin (i / kFileRate * 0.2)))
                                          * (random.nextFloat() * 2.0f - 1.0f));

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (new juce::FileOutputStream (file), kFileRate, 2, 16, {}, 0));
    writer->writeFromAudioSampleBuffer (samples, 0, numSamples);
    return file;
}

/** The live snapshot of a playing session: everything measured, the Reference 2 dB above the
    Source, stereo points and peak series full. */
AnalysisSnapshot makeBusySnapshot()
{
    auto snapshot = SyntheticAnalysis::makeLiveSnapshot (2.0f);
    juce::Random random (13);

    for (auto& difference : snapshot.bandDifferenceDb)
        difference = 6.0f * random.nextFloat() - 3.0f;

    snapshot.bandDifferencesValid = true;

    for (auto* points : { &snapshot.referenceLeft, &snapshot.referenceRight, &snapshot.sourceLeft, &snapshot.sourceRight })
        for (int i = 0; i < GoniometerCapture::kMaxPoints; ++i)
            points->push_back (0.8f * (random.nextFloat() * 2.0f - 1.0f));

    for (auto* series : { &snapshot.referencePeakSeries, &snapshot.sourcePeakSeries })
        for (size_t i = 0; i < PeakSeries::kMaxValues; ++i)
            series->push_back (-20.0f + 18.0f * random.nextFloat());

    return snapshot;
}

/** A written analysis with findings in every section. */
AdviceReport makeReport()
{
    LoopPassAccumulator data;
    data.totalSeconds = data.matchedSeconds = 30.0;

    for (size_t band = 0; band < data.tonalBands.size(); ++band)
    {
        auto& tonal = data.tonalBands[band];
        const auto averageDb = band % 3 == 0 ? 4.0 : -4.0;
        tonal.seconds = 30.0;
        tonal.diffSum = averageDb * tonal.seconds;
        (averageDb > 0 ? tonal.aboveSeconds : tonal.belowSeconds) = 0.8 * tonal.seconds;
    }

    AdviceReport report;
    buildHistoryAdvice (report, data, true, kHistoryMinimumSeconds);
    return report;
}

/** A tab page at the window's size on a complete thumbnail, with live data in every view. */
struct Page
{
    Page()
    {
        formats.registerBasicFormats();
        const auto file = makeMinuteFile();

        warmThumbnail (formats, cache, file);

        tab = std::make_unique<SignalViewTab> ("01  Mix.wav", formats, cache, file);
        tab->setBounds (0, 0, kWidth, kHeight);
        tab->signalDisplay.loops.add ({ 10.0, 25.0, false });
        tab->signalDisplay.activeLoopIndex = 0;
        tab->signalDisplay.normaliseActiveLoop();
        tab->signalDisplay.playheadSeconds = 18.0;
        tab->displayHost.analysisView.setReport (makeReport());
    }

    /** Shows the view and brings it up to date with the live data, as a timer tick does. */
    void show (ViewMode mode)
    {
        tab->setViewMode ((int) mode);
        tab->syncToolbar();

        // The spectrum view eases toward new curves; a few pushes settle it where it would be.
        for (int i = 0; i < 8; ++i)
            SnapshotPresenter::push (snapshot, *tab, true, OutputSelection::Reference);
    }

    juce::ScopedJuceInitialiser_GUI juce;
    GuiSupport::ScopedPluginFont font;
    juce::AudioFormatManager formats;
    juce::AudioThumbnailCache cache { 10 };
    AnalysisSnapshot snapshot = makeBusySnapshot();
    std::unique_ptr<SignalViewTab> tab;
    juce::Image image { juce::Image::ARGB, kWidth, kHeight, true };
};

/** One page for all benchmarks (the thumbnail takes a while to build). It is never destroyed:
    shutting JUCE down from a static destructor would run after JUCE's own statics are gone. */
Page& page()
{
    static auto* instance = new Page();
    return *instance;
}

void fullRepaintOfTabPage (benchmark::State& state)
{
    auto& p = page();
    p.show ((ViewMode) state.range (0));
    double totalMs = 0.0;

    for (auto _ : state)
    {
        const auto start = juce::Time::getMillisecondCounterHiRes();
        {
            juce::Graphics g (p.image);
            p.tab->paintEntireComponent (g, true);
        }
        totalMs += juce::Time::getMillisecondCounterHiRes() - start;
        benchmark::ClobberMemory();
    }

    state.counters["shareOfFastestTick"] = totalMs / (double) state.iterations() / kFastestTickMs;

    // For a person to check that the page measured is the page a user sees.
    GuiSupport::writeScreenshot (*p.tab, "bench-tab-page-view-" + juce::String (state.range (0)), ThemePalette::background);
}
} // namespace

BENCHMARK (fullRepaintOfTabPage)
    ->ArgName ("view")
    ->Arg ((int) ViewMode::Spectrum)
    ->Arg ((int) ViewMode::Match)
    ->Arg ((int) ViewMode::Stereo)
    ->Arg ((int) ViewMode::History)
    ->Arg ((int) ViewMode::Analysis)
    ->Unit (benchmark::kMillisecond);
