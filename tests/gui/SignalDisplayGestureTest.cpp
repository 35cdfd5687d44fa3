#include "tab/SignalDisplay.h"

#include "support/AudioFileFixtures.h"
#include "support/ProcessorHarness.h"
#include "support/ViewTestKit.h"

#include <gtest/gtest.h>

#include <limits>

// The waveform strip driven with made-up mouse events, without a window: the events go straight
// to the handlers, and a paint into an image builds the hit areas a real paint would.

namespace
{
using Origin = SignalDisplay::SeekOrigin;

struct Seek
{
    double seconds;
    Origin origin;
};

constexpr int kStripWidth = 624; // a 600 px waveform area: 100 px per second of a 6 s file
constexpr int kStripHeight = 120;
constexpr double kFileSeconds = 6.0;
constexpr double kSampleRate = 48000.0;

class SignalDisplayGestures : public ::testing::Test
{
protected:
    void SetUp() override
    {
        formats.registerBasicFormats();
        ASSERT_TRUE (AudioFileFixtures::writeSine (folder.file ("take.wav"), kSampleRate, 2, kFileSeconds, 110.0));
        useFile (folder.file ("take.wav"));
    }

    void useFile (const juce::File& file, int width = kStripWidth)
    {
        display = std::make_unique<SignalDisplay> (formats, cache);
        display->setFile (file);
        display->setBounds (0, 0, width, kStripHeight);

        display->onSeek = [this] (double seconds, Origin origin) { seeks.push_back ({ seconds, origin }); };

        // What the tab page does when loops come and go: with none left, loops are shown again
        // and the gesture state is reset.
        display->onLoopsChanged = [this] (bool hasLoops)
        {
            loopsChanged.push_back (hasLoops);

            if (! hasLoops)
                display->setLoopsVisible (true);
        };
    }

    float xOf (double seconds) const { return display->timeToX (seconds); }

    juce::MouseEvent event (juce::Point<float> position, bool dragged) const
    {
        const auto now = juce::Time::getCurrentTime();
        return { juce::Desktop::getInstance().getMainMouseSource(), position,
                 juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                 juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                 display.get(), display.get(), now, pressPoint, now, 1, dragged };
    }

    void press (float x, float y = centreY())
    {
        pressPoint = { x, y };
        display->mouseDown (event (pressPoint, false));
    }

    void dragTo (float x, float y = centreY()) { display->mouseDrag (event ({ x, y }, true)); }

    void release (float x, float y = centreY())
    {
        display->mouseUp (event ({ x, y }, pressPoint.getDistanceFrom ({ x, y }) > 0.0f));
    }

    void dragOut (double fromSeconds, double toSeconds)
    {
        press (xOf (fromSeconds));
        dragTo (xOf (toSeconds));
        release (xOf (toSeconds));
    }

    /** Paints into an image, which lays out the hit areas of every loop. */
    juce::Image render()
    {
        juce::Image image (juce::Image::ARGB, display->getWidth(), display->getHeight(), true);
        juce::Graphics g (image);
        display->paintEntireComponent (g, false);
        return image;
    }

    static float centreY() { return kStripHeight / 2.0f; }

    juce::Point<float> deleteBoxOf (int loop) const
    {
        return { xOf (display->loops[loop].end) - 8.0f, 18.0f };
    }

    void setLoops (std::initializer_list<std::pair<double, double>> spans, int active)
    {
        display->loops.clear();

        for (const auto& span : spans)
            display->loops.add ({ span.first, span.second, false });

        display->activeLoopIndex = active;
        display->normaliseActiveLoop();
    }

    TemporaryFolder folder;
    juce::AudioFormatManager formats;
    juce::AudioThumbnailCache cache { 10 };
    std::unique_ptr<SignalDisplay> display;
    std::vector<Seek> seeks;
    std::vector<bool> loopsChanged;
    juce::Point<float> pressPoint;
};

double minimumLoop()
{
    return juce::jmax (17.0 / 600.0 * kFileSeconds, 0.05);
}
} // namespace

//==============================================================================
TEST_F (SignalDisplayGestures, aPressAndReleaseWithoutMovementMakesNoLoopAndSeeksToThePoint)
{
    press (xOf (3.0));
    dragTo (xOf (3.0) + 3.0f);
    release (xOf (3.0));

    EXPECT_TRUE (display->loops.isEmpty());
    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_NEAR (seeks[0].seconds, 3.0, 1e-6);
    EXPECT_EQ (seeks[0].origin, Origin::UserSeek);
    EXPECT_NEAR (display->playheadSeconds, 3.0, 1e-6);
}

TEST_F (SignalDisplayGestures, aFourPixelDragMakesALoopOfTheMinimumLengthAroundItsCentre)
{
    press (xOf (3.0));
    dragTo (xOf (3.0) + 4.0f);
    release (xOf (3.0) + 4.0f);

    ASSERT_EQ (display->loops.size(), 1);
    const auto& loop = display->loops[0];
    EXPECT_NEAR (loop.end - loop.start, minimumLoop(), 1e-9);
    EXPECT_NEAR ((loop.start + loop.end) / 2.0, 3.02, 1e-6);
    EXPECT_TRUE (loop.active);
    EXPECT_EQ (display->activeLoopIndex, 0);
    EXPECT_EQ (loopsChanged, std::vector<bool> { true });
    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_DOUBLE_EQ (seeks[0].seconds, loop.start);
}

TEST_F (SignalDisplayGestures, aShortLoopAtEitherEndOfTheFileIsShiftedInside)
{
    press (xOf (0.0) + 1.0f);
    dragTo (xOf (0.0) - 8.0f);
    release (xOf (0.0) - 8.0f);

    press (xOf (kFileSeconds) - 2.0f);
    dragTo (xOf (kFileSeconds) + 9.0f);
    release (xOf (kFileSeconds) + 9.0f);

    ASSERT_EQ (display->loops.size(), 2);
    EXPECT_DOUBLE_EQ (display->loops[0].start, 0.0);
    EXPECT_NEAR (display->loops[0].end, minimumLoop(), 1e-9);
    EXPECT_NEAR (display->loops[1].start, kFileSeconds - minimumLoop(), 1e-9);
    EXPECT_NEAR (display->loops[1].end, kFileSeconds, 1e-9);
}

TEST_F (SignalDisplayGestures, aLoopDraggedOutAcrossAnotherIsDroppedWithoutTrace)
{
    dragOut (2.0, 3.0);
    seeks.clear();

    dragOut (1.0, 4.0);

    ASSERT_EQ (display->loops.size(), 1);
    EXPECT_NEAR (display->loops[0].start, 2.0, 1e-6);
    EXPECT_EQ (loopsChanged.size(), 1u);
    EXPECT_TRUE (seeks.empty());
}

TEST_F (SignalDisplayGestures, deletingTheMiddleOfThreeLoopsMakesTheFormerThirdActiveAndSeeksToItOnce)
{
    dragOut (1.0, 1.5);
    dragOut (2.5, 3.0);
    dragOut (4.0, 4.5);
    render();
    seeks.clear();

    const auto box = deleteBoxOf (1);
    press (box.x, box.y);
    release (box.x, box.y);

    ASSERT_EQ (display->loops.size(), 2);
    EXPECT_EQ (display->activeLoopIndex, 1);
    EXPECT_TRUE (display->loops[1].active);
    EXPECT_FALSE (display->loops[0].active);
    EXPECT_NEAR (display->loops[1].start, 4.0, 1e-6);
    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_NEAR (seeks[0].seconds, 4.0, 1e-6);
    EXPECT_EQ (seeks[0].origin, Origin::UserSeek);
    EXPECT_EQ (loopsChanged.back(), true);
}

TEST_F (SignalDisplayGestures, deletingTheLastLoopSendsNoSeekAtTheRelease)
{
    dragOut (2.0, 3.0);
    display->playheadSeconds = 2.5;
    render();
    seeks.clear();

    const auto box = deleteBoxOf (0);
    press (box.x, box.y);
    release (box.x, box.y);

    EXPECT_TRUE (display->loops.isEmpty());
    EXPECT_EQ (display->activeLoopIndex, -1);
    EXPECT_EQ (loopsChanged.back(), false);
    EXPECT_TRUE (seeks.empty());
    EXPECT_DOUBLE_EQ (display->playheadSeconds, 2.5);
}

TEST_F (SignalDisplayGestures, draggingAwayFromADeleteBoxNeitherMakesALoopNorSeeks)
{
    for (const auto loopsBefore : { 2, 1 })
    {
        SCOPED_TRACE (loopsBefore);
        setLoops ({ { 2.0, 3.0 }, { 4.0, 5.0 } }, 0);
        display->loops.resize (loopsBefore);
        render();
        seeks.clear();
        const auto countBefore = loopsChanged.size();

        const auto box = deleteBoxOf (0);
        press (box.x, box.y);
        const auto seeksAtPress = seeks.size();
        dragTo (box.x + 60.0f, box.y + 30.0f);
        dragTo (box.x + 120.0f, box.y + 30.0f);
        release (box.x + 120.0f, box.y + 30.0f);

        EXPECT_EQ (display->loops.size(), loopsBefore - 1);
        EXPECT_EQ (seeks.size(), seeksAtPress);
        EXPECT_EQ (loopsChanged.size(), countBefore + 1);
    }
}

TEST_F (SignalDisplayGestures, aLoopMovedAgainstItsNeighbourStopsAtTheNeighboursEdge)
{
    setLoops ({ { 1.0, 2.0 }, { 3.0, 4.0 } }, 1);

    press (xOf (1.5));
    dragTo (xOf (2.0));
    dragTo (xOf (3.5));
    EXPECT_NEAR (display->playheadSeconds, 2.0, 1e-6);
    EXPECT_TRUE (seeks.empty());
    release (xOf (3.5));

    EXPECT_NEAR (display->loops[0].start, 2.0, 1e-6);
    EXPECT_NEAR (display->loops[0].end, 3.0, 1e-6);
    EXPECT_EQ (display->activeLoopIndex, 0);
    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_NEAR (seeks[0].seconds, 2.0, 1e-6);
}

TEST_F (SignalDisplayGestures, aStartHandleDraggedRightStopsAtTheEndMinusTheMinimumLength)
{
    setLoops ({ { 1.0, 3.0 } }, 0);
    render();

    press (xOf (1.0) + 2.0f);
    dragTo (xOf (2.99));
    release (xOf (2.99));

    EXPECT_NEAR (display->loops[0].start, 3.0 - minimumLoop(), 1e-6);
    EXPECT_DOUBLE_EQ (display->loops[0].end, 3.0);
    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_NEAR (seeks[0].seconds, 3.0 - minimumLoop(), 1e-6);
}

TEST_F (SignalDisplayGestures, clickingALoopSeeksToItsStartThenAgainToThePointClicked)
{
    setLoops ({ { 1.0, 3.0 } }, 0);

    press (xOf (2.5));
    release (xOf (2.5));
    press (xOf (2.5));
    release (xOf (2.5));

    ASSERT_EQ (seeks.size(), 2u);
    EXPECT_NEAR (seeks[0].seconds, 1.0, 1e-6);
    EXPECT_NEAR (seeks[1].seconds, 2.5, 1e-6);
    EXPECT_EQ (display->loops.size(), 1);
}

TEST_F (SignalDisplayGestures, withLoopsHiddenEveryDragEventSeeksAndNoLoopIsMade)
{
    setLoops ({ { 1.0, 3.0 } }, 0);
    display->setLoopsVisible (false);

    press (xOf (0.5));
    dragTo (xOf (1.5));
    dragTo (xOf (2.0));
    dragTo (xOf (4.25));
    release (xOf (4.25));

    ASSERT_EQ (seeks.size(), 4u);
    const double expected[] = { 0.5, 1.5, 2.0, 4.25 };

    for (size_t i = 0; i < seeks.size(); ++i)
    {
        EXPECT_NEAR (seeks[i].seconds, expected[i], 1e-6);
        EXPECT_EQ (seeks[i].origin, Origin::UserSeek);
    }

    EXPECT_EQ (display->loops.size(), 1);
    EXPECT_NEAR (display->loops[0].start, 1.0, 1e-9);
}

//==============================================================================
TEST_F (SignalDisplayGestures, theTimerWrapsToTheActiveLoopOnlyWhileLoopsAreShown)
{
    setLoops ({ { 2.0, 4.0 } }, 0);
    double reported = 3.99995;
    display->getPlayheadSeconds = [&reported] { return reported; };
    display->hasPlayheadSource = true;

    display->pollPlayhead();
    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_DOUBLE_EQ (seeks[0].seconds, 2.0);
    EXPECT_EQ (seeks[0].origin, Origin::LoopWrap);

    display->setLoopsVisible (false);
    display->pollPlayhead();
    EXPECT_EQ (seeks.size(), 1u);
    EXPECT_DOUBLE_EQ (display->playheadSeconds, 3.99995);
}

TEST_F (SignalDisplayGestures, aPlayheadReportedBeyondTheFileIsDrawnAtItsEnd)
{
    double reported = 99.0;
    display->getPlayheadSeconds = [&reported] { return reported; };
    display->hasPlayheadSource = true;

    display->pollPlayhead();
    EXPECT_DOUBLE_EQ (display->playheadSeconds, kFileSeconds);

    // The line is white over the empty space above the waveform, and nothing lies right of it.
    const auto image = render();
    const auto x = juce::roundToInt (xOf (kFileSeconds));
    EXPECT_GT (image.getPixelAt (x, 15).getAlpha(), 0x80);
    EXPECT_GT (image.getPixelAt (x, 15).getBrightness(), 0.9f);
    EXPECT_EQ (image.getPixelAt (x + 4, 15).getAlpha(), 0);

    reported = -3.0;
    display->pollPlayhead();
    EXPECT_DOUBLE_EQ (display->playheadSeconds, 0.0);
}

TEST_F (SignalDisplayGestures, restoredLoopsBeyondTheEndOfAShorterFileAreDroppedBeforeTheyWrap)
{
    setLoops ({ { 1.0, 2.0 }, { 8.0, 9.0 }, { 5.0, 7.5 } }, 1);
    double position = 5.99;
    display->getPlayheadSeconds = [&position] { return position; };
    display->hasPlayheadSource = true;
    display->onSeek = [&] (double seconds, Origin origin)
    {
        seeks.push_back ({ seconds, origin });
        position = seconds;
    };

    for (int tick = 0; tick < 5; ++tick)
        display->pollPlayhead();

    ASSERT_EQ (display->loops.size(), 2);
    EXPECT_DOUBLE_EQ (display->loops[1].end, kFileSeconds);
    EXPECT_EQ (display->activeLoopIndex, 0);
    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_DOUBLE_EQ (seeks[0].seconds, 1.0);
    EXPECT_EQ (loopsChanged, std::vector<bool> { true });
}

//==============================================================================
TEST (SignalDisplayFile, aWavJustShorterThanTenSecondsIsDecodedInMemoryAndOneOfTenSecondsIsNot)
{
    TemporaryFolder folder;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    juce::AudioThumbnailCache cache (10);

    for (const auto seconds : { 9.99, 10.0 })
    {
        SCOPED_TRACE (seconds);
        const auto file = folder.file (juce::String (seconds) + ".wav");
        ASSERT_TRUE (AudioFileFixtures::writeSine (file, 44100.0, 1, seconds, 220.0));

        SignalDisplay display (formats, cache);
        display.setFile (file);

        EXPECT_EQ (display.hasSamplesInMemory(), seconds < 10.0);
        EXPECT_NEAR (display.getLengthSeconds(), seconds, 1e-4);
    }
}

TEST (SignalDisplayFile, aMissingFileShowsNoFileAndAClickSeeksToTheStart)
{
    TemporaryFolder folder;
    juce::AudioFormatManager formats;
    formats.registerBasicFormats();
    juce::AudioThumbnailCache cache (10);
    SignalDisplay display (formats, cache);
    display.setFile (folder.file ("gone.wav"));
    display.setBounds (0, 0, 400, 100);

    std::vector<Seek> seeks;
    display.onSeek = [&seeks] (double seconds, Origin origin) { seeks.push_back ({ seconds, origin }); };

    juce::Image image (juce::Image::ARGB, 400, 100, true);
    {
        juce::Graphics g (image);
        display.paintEntireComponent (g, false);
    }

    // The text sits in the middle; the corners stay empty.
    int whitePixels = 0;
    for (int y = 35; y < 65; ++y)
        for (int x = 150; x < 250; ++x)
            whitePixels += image.getPixelAt (x, y).getBrightness() > 0.8f ? 1 : 0;

    EXPECT_GT (whitePixels, 20);
    EXPECT_EQ (image.getPixelAt (5, 5).getAlpha(), 0);

    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent click (juce::Desktop::getInstance().getMainMouseSource(), { 300.0f, 50.0f },
                                  juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                  juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                                  &display, &display, now, { 300.0f, 50.0f }, now, 1, false);
    display.mouseDown (click);
    display.mouseUp (click);

    ASSERT_EQ (seeks.size(), 1u);
    EXPECT_DOUBLE_EQ (seeks[0].seconds, 0.0);
    EXPECT_EQ (seeks[0].origin, Origin::UserSeek);
}

//==============================================================================
// Bad input: whatever the file, the loops or the size, the strip paints inside its own bounds,
// takes every gesture and keeps its numbers finite.
TEST_F (SignalDisplayGestures, unreadableAndEmptyFilesWildLoopsAndATinyStripAreHarmless)
{
    const auto garbage = folder.file ("garbage.wav");
    garbage.replaceWithText ("this is not audio at all");
    const auto empty = folder.file ("empty.wav");
    ASSERT_TRUE (AudioFileFixtures::writeWav (empty, juce::AudioBuffer<float> (2, 0), 44100.0));
    const auto take = folder.file ("take.wav");
    const auto nan = std::numeric_limits<double>::quiet_NaN();

    for (const auto& file : { garbage, empty, take })
    {
        for (const auto width : { 3, 13, 25, kStripWidth })
        {
            SCOPED_TRACE (file.getFileName() + " " + juce::String (width) + " px");
            useFile (file, width);
            display->recordedRanges = { { 0.0, 0.001 }, { 5.9, 99.0 }, { nan, 1.0 } };
            display->showInspectMarker = true;
            display->inspectMarkerSeconds = nan;
            setLoops ({ { nan, 1.0 }, { 3.0, 2.0 }, { 0.5, 0.5 }, { -4.0, -2.0 }, { 50.0, 60.0 } }, 4);
            display->getPlayheadSeconds = [] { return std::numeric_limits<double>::infinity(); };
            display->hasPlayheadSource = true;

            constexpr int margin = 16;
            juce::Image image (juce::Image::ARGB, width + 2 * margin, kStripHeight + 2 * margin, true);
            {
                juce::Graphics g (image);
                g.setOrigin (margin, margin);
                display->paint (g);
            }

            int pixelsOutside = 0;

            for (int y = 0; y < image.getHeight(); ++y)
                for (int x = 0; x < image.getWidth(); ++x)
                    if (! juce::Rectangle<int> (margin, margin, width, kStripHeight).contains (x, y))
                        pixelsOutside += image.getPixelAt (x, y).getAlpha() != 0 ? 1 : 0;

            EXPECT_EQ (pixelsOutside, 0);

            display->pollPlayhead();
            render();
            press (1.0f);
            dragTo ((float) width);
            release ((float) width);
            const auto box = display->loops.isEmpty() ? juce::Point<float> (2.0f, 18.0f) : deleteBoxOf (0);
            press (box.x, box.y);
            release (box.x, box.y);
            display->getTooltip();

            EXPECT_TRUE (std::isfinite (display->playheadSeconds));

            for (const auto& loop : display->loops)
                EXPECT_TRUE (std::isfinite (loop.start) && std::isfinite (loop.end) && loop.start <= loop.end);

            for (const auto& seek : seeks)
                EXPECT_TRUE (std::isfinite (seek.seconds));
        }
    }
}

//==============================================================================
// Recorded stretches that grow, appear and go: repainting only the markers that changed leaves
// the same picture as drawing the whole strip again.
TEST_F (SignalDisplayGestures, repaintingOnlyTheChangedRecordedStretchesDrawsTheSamePicture)
{
    display->setVisible (true);
    display->setRecordedRanges ({ { 0.5, 1.0 } });

    struct Step
    {
        const char* what;
        std::vector<RecordedRange> ranges;
        bool repaints;
    };

    const Step steps[] {
        { "the same stretch again", { { 0.5, 1.0 } }, false },
        { "the stretch grows", { { 0.5, 1.04 } }, true },
        { "a second stretch starts", { { 0.5, 1.04 }, { 3.0, 3.0 } }, true },
        { "the second grows", { { 0.5, 1.04 }, { 3.0, 3.3 } }, true },
        { "the first goes", { { 3.0, 3.3 } }, true },
        { "all go", {}, true },
    };

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.what);
        const auto before = ViewTestKit::render (*display);
        const auto areas = ViewTestKit::recordRepaints (*display, [&] { display->setRecordedRanges (step.ranges); });

        EXPECT_EQ (! areas.isEmpty(), step.repaints);
        EXPECT_LT (areas.getBounds().getWidth(), kStripWidth);
        EXPECT_EQ (ViewTestKit::countDifferentPixels (ViewTestKit::renderInto (before, *display, areas),
                                                      ViewTestKit::render (*display)), 0);
    }
}
