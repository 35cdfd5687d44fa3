#include "tab/views/DifferenceDisplay.h"
#include "tab/views/SpectrumDisplay.h"

#include <benchmark/benchmark.h>

#include <cmath>

// What one paint of a band view costs the message thread at the editor's full size, with both
// spectra and, for the difference view, the hover box: the paint on its own (hover repaints,
// a repaint of the whole view) and the paint right after a new pair of spectra, which also
// works out the band levels. Drawn with the software renderer into an opaque RGB image, which
// is what the framework paints an opaque window into on Linux.

namespace
{
constexpr int kWidth = 1200;
constexpr int kHeight = 720;
constexpr int kBins = 4097;
constexpr double kSampleRate = 48000.0;

/** A spectrum falling 3 dB per octave with some ripple, like programme material. */
std::vector<float> makeSpectrum (float tilt)
{
    std::vector<float> magnitudes (kBins);
    for (int bin = 0; bin < kBins; ++bin)
    {
        const auto hz = std::max (bin, 1) * kSampleRate / 2.0 / (kBins - 1);
        magnitudes[(size_t) bin] = (float) (0.05 / std::sqrt (hz / 100.0) * (1.0 + 0.3 * std::sin (bin * 0.01)) * (1.0 + tilt * hz / 20000.0));
    }
    return magnitudes;
}

/** One view at the editor's size, fed with two spectra. */
template <typename View>
struct FedView
{
    explicit FedView (BandDisplayBase::PlotStyle style)
    {
        view.setSize (kWidth, kHeight);
        view.setPlotStyle (style);
        push();
    }

    void push()
    {
        view.pushSpectrum (reference, BandDisplayBase::Series::Reference, kSampleRate);
        view.pushSpectrum (source, BandDisplayBase::Series::Source, kSampleRate);

        // The spectrum view steps its glide once per fed frame, as the editor's timer asks.
        if constexpr (std::is_same_v<View, SpectrumDisplay>)
            view.handleUpdateNowIfNeeded();
    }

    void paint()
    {
        juce::Graphics g (image);
        view.paintEntireComponent (g, true);
    }

    juce::ScopedJuceInitialiser_GUI gui;
    View view;
    std::vector<float> reference = makeSpectrum (0.6f), source = makeSpectrum (0.0f);
    juce::Image image { juce::Image::RGB, kWidth, kHeight, true };
};

template <typename View>
void paintBandView (benchmark::State& state, BandDisplayBase::PlotStyle style, bool newSpectraEveryPaint)
{
    FedView<View> fed (style);

    if constexpr (std::is_same_v<View, DifferenceDisplay>)
    {
        fed.view.setLevelDifference (true, -1.5f);
        fed.view.setMatchEqMode (true);
        fed.view.mouseMove (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), { 400.0f, 200.0f }, {},
                                              1.0f, 0.0f, 0.0f, 0.0f, 0.0f, &fed.view, &fed.view, juce::Time(),
                                              { 400.0f, 200.0f }, juce::Time(), 1, false));
    }
    else
    {
        fed.view.setShowHoverReadout (false);
    }

    fed.paint();

    for (auto _ : state)
    {
        if (newSpectraEveryPaint)
            fed.push();

        fed.paint();
        benchmark::ClobberMemory();
    }
}

void spectrumBars (benchmark::State& s)          { paintBandView<SpectrumDisplay> (s, BandDisplayBase::PlotStyle::Bars, false); }
void spectrumLines (benchmark::State& s)         { paintBandView<SpectrumDisplay> (s, BandDisplayBase::PlotStyle::Lines, false); }
void spectrumLinesNewData (benchmark::State& s)  { paintBandView<SpectrumDisplay> (s, BandDisplayBase::PlotStyle::Lines, true); }
void differenceBarsHover (benchmark::State& s)   { paintBandView<DifferenceDisplay> (s, BandDisplayBase::PlotStyle::Bars, false); }
void differenceLinesHover (benchmark::State& s)  { paintBandView<DifferenceDisplay> (s, BandDisplayBase::PlotStyle::Lines, false); }
void differenceLinesNewData (benchmark::State& s) { paintBandView<DifferenceDisplay> (s, BandDisplayBase::PlotStyle::Lines, true); }
}

BENCHMARK (spectrumBars)->Unit (benchmark::kMicrosecond);
BENCHMARK (spectrumLines)->Unit (benchmark::kMicrosecond);
BENCHMARK (spectrumLinesNewData)->Unit (benchmark::kMicrosecond);
BENCHMARK (differenceBarsHover)->Unit (benchmark::kMicrosecond);
BENCHMARK (differenceLinesHover)->Unit (benchmark::kMicrosecond);
BENCHMARK (differenceLinesNewData)->Unit (benchmark::kMicrosecond);
