#include "bench/ThumbnailWarmUp.h"
#include "tab/SignalDisplay.h"

#include <benchmark/benchmark.h>

#include <cmath>

// What one paint of the waveform strip costs the message thread at 1200 x 150 px for a
// 10-minute Reference (drawn from its thumbnail) with three loops, recorded stretches and the
// playhead: the usual paint with the outline cached, a paint that rebuilds the outline (after a
// resize or new thumbnail data), and the repaint of a playhead tick, which only covers the
// columns the playhead left and entered.

namespace
{
constexpr double kSampleRate = 44100.0;
constexpr double kFileSeconds = 600.0;
constexpr int kWidth = 1200;
constexpr int kHeight = 150;

/** A 10-minute mono WAV of a slowly swelling noise, written once per run. */
juce::File makeLongFile()
{
    const auto file = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("kalvorin-bench-10min.wav");
    const auto numSamples = (juce::int64) (kFileSeconds * kSampleRate);

    if (file.getSize() > numSamples)
        return file;

    file.deleteFile();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (new juce::FileOutputStream (file), kSampleRate, 1, 16, {}, 0));

    juce::Random random (3);
    juce::AudioBuffer<float> chunk (1, 65536);

    for (juce::int64 written = 0; written < numSamples; written += chunk.getNumSamples())
    {
        const auto count = (int) juce::jmin ((juce::int64) chunk.getNumSamples(), numSamples - written);

        for (int i = 0; i < count; ++i)
        {
            const auto t = (double) (written + i) / kSampleRate;
            const auto swell = 0.2 + 0.6 * std::abs (std::sin (t * 0.05));
            chunk.setSample (0, i, (float) (swell * (random.nextFloat() * 2.0f - 1.0f)));
        }

        writer->writeFromAudioSampleBuffer (chunk, 0, count);
    }

    return file;
}

/** A strip on a fully built thumbnail, with three loops (the second active), two recorded
    stretches and the playhead inside the active loop. */
struct Strip
{
    Strip()
    {
        formats.registerBasicFormats();
        const auto file = makeLongFile();

        warmThumbnail (formats, cache, file);

        display = std::make_unique<SignalDisplay> (formats, cache);
        display->setFile (file);
        display->setBounds (0, 0, kWidth, kHeight);
        display->loops.add ({ 30.0, 75.0, false });
        display->loops.add ({ 200.0, 260.0, false });
        display->loops.add ({ 480.0, 500.0, false });
        display->activeLoopIndex = 1;
        display->normaliseActiveLoop();
        display->recordedRanges = { { 190.0, 240.0 }, { 520.0, 521.0 } };
        display->playheadSeconds = 230.0;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    juce::AudioFormatManager formats;
    juce::AudioThumbnailCache cache { 10 };
    std::unique_ptr<SignalDisplay> display;
    juce::Image image { juce::Image::ARGB, kWidth, kHeight, true };
};

/** One strip for all benchmarks (the thumbnail takes a while to build). It is never destroyed:
    shutting JUCE down from a static destructor would run after JUCE's own statics are gone. */
Strip& strip()
{
    static auto* instance = new Strip();
    return *instance;
}

void stripPaintWithCachedOutline (benchmark::State& state)
{
    auto& s = strip();
    juce::Graphics g (s.image);
    s.display->paint (g);

    for (auto _ : state)
    {
        s.display->paint (g);
        benchmark::ClobberMemory();
    }
}

void stripPaintRebuildingTheOutline (benchmark::State& state)
{
    auto& s = strip();
    juce::Graphics g (s.image);

    for (auto _ : state)
    {
        s.display->resized();
        s.display->paint (g);
        benchmark::ClobberMemory();
    }
}

void playheadTickRepaint (benchmark::State& state)
{
    auto& s = strip();
    juce::Graphics warm (s.image);
    s.display->paint (warm);

    // The two columns a tick repaints: where the playhead was and where it is now.
    const auto x = juce::roundToInt (s.display->timeToX (s.display->playheadSeconds));
    juce::RectangleList<int> columns;
    columns.add ({ x - 3, 10, 6, kHeight - 20 });
    columns.add ({ x - 1, 10, 6, kHeight - 20 });

    for (auto _ : state)
    {
        juce::Graphics g (s.image);
        g.reduceClipRegion (columns);
        s.display->paint (g);
        benchmark::ClobberMemory();
    }
}
} // namespace

BENCHMARK (stripPaintWithCachedOutline)->Unit (benchmark::kMicrosecond);
BENCHMARK (stripPaintRebuildingTheOutline)->Unit (benchmark::kMicrosecond);
BENCHMARK (playheadTickRepaint)->Unit (benchmark::kMicrosecond);
