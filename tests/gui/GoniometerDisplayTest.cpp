#include "engine/ThemePalette.h"
#include "support/AudioFileFixtures.h"
#include "support/PlayedSignals.h"
#include "support/ProcessorHarness.h"
#include "support/ViewTestKit.h"
#include "tab/views/GoniometerDisplay.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace ViewTestKit;

namespace
{
constexpr double kSampleRate = 48000.0;

// The goniometer's size in a 1200 x 720 editor (the display host less its 2 px frame).
constexpr int kWidth = 1172;
constexpr int kHeight = 498;

// The panel's name dot: left of the centred name, 14 px before it.
juce::Colour dotColour (const juce::Image& image, const juce::String& name)
{
    const auto textWidth = std::ceil (juce::Font (11.0f, juce::Font::bold).getStringWidthFloat (name));
    const auto x = (float) image.getWidth() - 88.0f - textWidth * 0.5f - 14.0f + 3.5f;
    return image.getPixelAt ((int) x, 20);
}

bool isNear (juce::Colour a, juce::Colour b)
{
    return std::abs (a.getRed() - b.getRed()) < 24 && std::abs (a.getGreen() - b.getGreen()) < 24
        && std::abs (a.getBlue() - b.getBlue()) < 24;
}

std::vector<float> sine (int length, float amplitude, float phase = 0.0f)
{
    std::vector<float> samples ((size_t) length);
    for (int i = 0; i < length; ++i)
        samples[(size_t) i] = amplitude * std::sin (0.03f * (float) i + phase);
    return samples;
}
}

TEST (GoniometerDisplay, theStaticPictureIsDrawnOncePerSize)
{
    GoniometerDisplay view;
    view.setSize (600, 400);

    for (int i = 0; i < 4; ++i)
    {
        view.setPoints (sine (2048, 0.5f), sine (2048, 0.4f, 0.3f * (float) i), true);
        render (view);
    }
    EXPECT_EQ (view.getBackgroundBuildCount(), 1);

    view.setSize (640, 400);
    render (view);
    render (view);
    EXPECT_EQ (view.getBackgroundBuildCount(), 2);

    // A view of no size draws nothing and builds nothing.
    GoniometerDisplay empty;
    juce::Image image (juce::Image::RGB, 4, 4, true);
    juce::Graphics g (image);
    empty.paint (g);
    EXPECT_EQ (empty.getBackgroundBuildCount(), 0);
}

TEST (GoniometerDisplay, aFeedWithoutSamplesKeepsThePictureAndAClearEmptiesIt)
{
    GoniometerDisplay view;
    view.setSize (400, 300);

    view.setPoints (sine (1000, 0.5f), sine (1000, 0.5f), false);
    EXPECT_EQ (view.getPoints().size(), 1000u);
    EXPECT_NEAR (view.getCorrelation(), 1.0f, 1e-5f);
    EXPECT_FALSE (view.getShowsReference());

    view.setPoints ({}, sine (1000, 0.5f), true);
    view.setPoints (sine (1000, 0.5f), {}, true);
    EXPECT_EQ (view.getPoints().size(), 1000u);
    EXPECT_FALSE (view.getShowsReference());

    view.clearPoints();
    EXPECT_TRUE (view.getPoints().empty());
    EXPECT_FLOAT_EQ (view.getCorrelation(), 0.0f);
    render (view);
}

// The goniometer in a window of its own, fed from a processor the way the editor feeds it: the
// Reference's points while "monitorRef" selects the Reference (its raw value below 0.5),
// otherwise the Source's. The Reference is mono, the Source a stereo mix.
TEST (GoniometerDisplay, showsTheMonitoredSignalAndSwitchesWithTheParameter)
{
    TemporaryFolder folder;
    ProcessorHarness harness (folder.folder);
    harness.prepare (kSampleRate, 512);
    harness.playHead.playing = true;

    const auto mix = PlayedSignals::makeMix (kSampleRate, 2.0);
    const auto referenceFile = folder.file ("mono.wav");
    ASSERT_TRUE (AudioFileFixtures::writeWav (referenceFile, PlayedSignals::toMono (mix), kSampleRate));
    ASSERT_EQ (harness.processor->addReference (referenceFile.getFullPathName()), 0);

    GoniometerDisplay view;
    view.setBounds (50, 50, kWidth, kHeight);
    view.addToDesktop (0);
    view.setVisible (true);

    std::vector<float> left, right;
    auto playAndFeed = [&]
    {
        for (int start = 0; start + 512 <= mix.getNumSamples() / 2; start += 512)
        {
            juce::AudioBuffer<float> block (2, 512);
            for (int channel = 0; channel < 2; ++channel)
                block.copyFrom (channel, 0, mix, channel, start, 512);
            harness.process (block);
        }

        const auto* monitor = harness.processor->parameters.getRawParameterValue ("monitorRef");
        const bool reference = monitor == nullptr || monitor->load() < 0.5f;
        int sequence = 0;
        (reference ? harness.processor->referenceGoniometer : harness.processor->sourceGoniometer).copyLatest (left, right, sequence);
        view.setPoints (left, right, reference);
    };

    harness.setMonitor (0);
    playAndFeed();
    EXPECT_TRUE (view.getShowsReference());
    EXPECT_NEAR (view.getCorrelation(), 1.0f, 1e-3f);
    for (const auto& point : view.getPoints())
        ASSERT_NEAR (point.x, 0.0f, 1e-6f) << "mono lies on the vertical";
    EXPECT_TRUE (isNear (dotColour (render (view), "REFERENCE"), ThemePalette::accent));

    harness.setMonitor (1);
    playAndFeed();
    EXPECT_FALSE (view.getShowsReference());
    EXPECT_LT (view.getCorrelation(), 0.95f);
    EXPECT_GT (view.getCorrelation(), 0.0f);
    EXPECT_TRUE (isNear (dotColour (render (view), "SOURCE"), ThemePalette::sourceSignal));
}

TEST (GoniometerDisplay, screenshotsOfAStereoMixAndAMonoSignal)
{
    // Host blocks of 2048 samples, the last one full: a capture of the full 2048 points.
    const auto mix = PlayedSignals::makeMix (kSampleRate, 94 * 2048 / kSampleRate);
    const auto played = PlayedSignals::play (PlayedSignals::toMono (mix), mix, kSampleRate, 1.0 / 30.0, 2048);
    ASSERT_EQ (played.sourceLeft.size(), 2048u);

    GoniometerDisplay view;
    view.setSize (kWidth, kHeight);

    view.setPoints (played.sourceLeft, played.sourceRight, false);
    EXPECT_EQ (view.getPoints().size(), played.sourceLeft.size());
    saveScreenshot (view, "goniometer-stereo-mix.png");

    view.setPoints (played.referenceLeft, played.referenceRight, true);
    EXPECT_NEAR (view.getCorrelation(), 1.0f, 1e-3f);
    saveScreenshot (view, "goniometer-mono.png");

    view.clearPoints();
    saveScreenshot (view, "goniometer-cleared.png");
}
