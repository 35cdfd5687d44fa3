#include "tab/views/GoniometerDisplay.h"

#include <benchmark/benchmark.h>

#include <cmath>

// What the goniometer costs the message thread at 30 Hz with a full capture of 2048 points at
// the editor's full size: one paint (a copy of the cached static picture, the points and the
// correlation panel), and one feed (thinning the pairs and the correlation). Drawn with the
// software renderer into an opaque RGB image, as the framework paints an opaque window on Linux.

namespace
{
constexpr int kWidth = 1200;
constexpr int kHeight = 720;
constexpr int kPairs = 2048;

/** A view at the editor's size and a stereo capture for it: a common part and a part of each
    channel's own. */
struct GoniometerAtFullSize
{
    GoniometerAtFullSize()
    {
        juce::Random random (7);
        for (int i = 0; i < kPairs; ++i)
        {
            const auto common = 0.5f * std::sin (0.02f * (float) i);
            left.push_back (common + 0.2f * (random.nextFloat() - 0.5f));
            right.push_back (common + 0.2f * (random.nextFloat() - 0.5f));
        }

        view.setSize (kWidth, kHeight);
    }

    juce::ScopedJuceInitialiser_GUI gui;
    std::vector<float> left, right;
    GoniometerDisplay view;
};

void goniometerPaint (benchmark::State& state)
{
    GoniometerAtFullSize goniometer;
    goniometer.view.setPoints (goniometer.left, goniometer.right, true);

    juce::Image image (juce::Image::RGB, kWidth, kHeight, true);
    auto paint = [&]
    {
        juce::Graphics g (image);
        goniometer.view.paintEntireComponent (g, true);
    };

    paint();

    for (auto _ : state)
    {
        paint();
        benchmark::ClobberMemory();
    }
}

void goniometerFeed (benchmark::State& state)
{
    GoniometerAtFullSize goniometer;

    for (auto _ : state)
    {
        goniometer.view.setPoints (goniometer.left, goniometer.right, true);
        benchmark::ClobberMemory();
    }
}
}

BENCHMARK (goniometerPaint)->Unit (benchmark::kMicrosecond);
BENCHMARK (goniometerFeed)->Unit (benchmark::kMicrosecond);
