#include "tab/SignalDisplay.h"

#include "resources/EmbeddedResources.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace
{
constexpr int kSourceSamplesPerThumbnailSample = 512;
constexpr int kInitialWidth = 400;
constexpr int kInitialHeight = 100;

constexpr float kMessageFontHeight = 14.0f;
const juce::Colour kMessageColour { 0xffffffff };

const juce::Colour kWaveformColour { 0xff94a69f };
constexpr float kWaveformAlphaUnderLoops = 0.34f;
constexpr float kWaveformAlpha = 0.48f;

const juce::Colour kLoopColour { 0xff20d39a };
constexpr juce::uint8 kActiveLoopFillAlpha = 0x24;
constexpr juce::uint8 kLoopFillAlpha = 0x12;
constexpr float kInactiveLoopOutlineAlpha = 0.2f;
constexpr float kLoopIconMaxSize = 18.0f;
constexpr float kLoopIconMinSize = 10.0f;
constexpr float kLoopIconInset = 6.0f;
constexpr float kLoopIconOpacity = 0.92f;

// The delete box in the top right corner of every loop: the hit area is a little larger than
// the drawn box.
constexpr float kDeleteHitRight = 15.8f;
constexpr float kDeleteHitTop = 11.0f;
constexpr float kDeleteHitSize = 14.8f;
constexpr float kDeleteBoxRight = 13.8f;
constexpr float kDeleteBoxTop = 13.0f;
constexpr float kDeleteBoxSize = 10.8f;
constexpr float kDeleteBoxCorner = 3.0f;
constexpr float kCrossInset = 3.0f;
constexpr float kCrossFar = 7.8f;
constexpr float kCrossThickness = 1.6f;
const juce::Colour kDeleteBoxFill = juce::Colour (0xff000000).withAlpha ((juce::uint8) 0xa6);
const juce::Colour kDeleteBoxLine = juce::Colour (0xffffffff).withAlpha ((juce::uint8) 0xe6);

constexpr float kHandleDiameter = 8.0f;
constexpr float kHandleHitSize = 14.0f;
const juce::Colour kHandleFill = juce::Colour (0xffffffff).withAlpha ((juce::uint8) 0xd9);
const juce::Colour kHandleLine = juce::Colour (0xff000000).withAlpha ((juce::uint8) 0xa6);

const juce::Colour kNewLoopColour { 0xff87ceeb };
constexpr juce::uint8 kNewLoopFillAlpha = 0x4c;

const juce::Colour kRecordedColour = juce::Colour (0xffd7b56d).withAlpha ((juce::uint8) 0xcc);
constexpr float kHistoryIconMaxSize = 16.0f;
constexpr float kHistoryIconInsetX = 6.0f;
constexpr float kHistoryIconInsetY = 4.0f;
constexpr float kTooltipSlack = 4.0f;

const juce::Colour kInspectColour = juce::Colour (0xffd7b56d).withAlpha ((juce::uint8) 0xd9);
constexpr float kInspectThickness = 2.0f;
const juce::Colour kPlayheadColour { 0xffffffff };
constexpr float kPlayheadThickness = 1.5f;
/** Half the width of the columns a playhead move repaints: the line and its antialiasing. */
constexpr float kPlayheadColumnHalfWidth = 2.0f;

/** Slack within which the playhead already sits on a loop's start. */
constexpr double kSameTime = 1.0e-6;

const juce::String kInspectTooltip { "Inspect recorded analysis while playback is stopped" };

juce::Image loadIcon (const char* fileName, const char* resourceName)
{
    int size = 0;
    const char* data = EmbeddedResources::lookupResource (fileName, size);

    if (data == nullptr)
        data = EmbeddedResources::lookupResource (resourceName, size);

    if (data == nullptr || size <= 0)
        return {};

    return juce::ImageFileFormat::loadFrom (data, (size_t) size);
}
} // namespace

SignalDisplay::SignalDisplay (juce::AudioFormatManager& fm, juce::AudioThumbnailCache& thumbnailCache)
    : thumbnail (kSourceSamplesPerThumbnailSample, fm, thumbnailCache),
      formatManager (fm)
{
    thumbnail.addChangeListener (this);
    historyIcon = loadIcon ("History.png", "History_png");
    loopIcon = loadIcon ("Loop.png", "Loop_png");
    setSize (kInitialWidth, kInitialHeight);
}

SignalDisplay::~SignalDisplay()
{
    stopTimer();
    thumbnail.removeChangeListener (this);
}

//==============================================================================
void SignalDisplay::setFile (const juce::File& newFile)
{
    file = newFile;

    // The thumbnail cache knows the file by its path alone, not by its modification time.
    thumbnail.setSource (new juce::FileInputSource (file, false));
    samples.reset();
    sampleRate = 44100.0;
    waveformPath.clear();
    waveformDirty = true;

    if (file.existsAsFile())
    {
        if (std::unique_ptr<juce::AudioFormatReader> reader { formatManager.createReaderFor (file) })
        {
            const auto numSamples = reader->lengthInSamples;
            const auto isShort = reader->sampleRate > 0.0 && reader->numChannels > 0
                                 && numSamples >= 0 && numSamples <= std::numeric_limits<int>::max()
                                 && (double) numSamples / reader->sampleRate < kInMemoryLimitSeconds;

            if (isShort)
            {
                auto buffer = std::make_unique<juce::AudioBuffer<float>> ((int) reader->numChannels, (int) numSamples);
                buffer->clear();
                reader->read (buffer.get(), 0, (int) numSamples, 0, true, true);
                samples = std::move (buffer);
                sampleRate = reader->sampleRate;
                waveformDirty = true;
            }
        }
    }

    fitLoopsToFile();
    repaint();
}

double SignalDisplay::getLengthSeconds() const
{
    if (samples != nullptr)
        return sampleRate > 0.0 ? samples->getNumSamples() / sampleRate : 0.0;

    return thumbnail.getTotalLength();
}

WaveformGeometry SignalDisplay::getGeometry() const
{
    return { getWidth(), getHeight(), getLengthSeconds() };
}

float SignalDisplay::timeToX (double seconds) const
{
    return getGeometry().timeToX (seconds);
}

double SignalDisplay::xToTime (float x) const
{
    return getGeometry().xToTime (x);
}

double SignalDisplay::getMinimumLoopLength() const
{
    return getGeometry().getMinimumLoopLength();
}

//==============================================================================
int SignalDisplay::normaliseActiveLoop()
{
    return LoopRegionEditing::normaliseActive (loops, activeLoopIndex);
}

void SignalDisplay::jumpToActiveLoop (bool seek)
{
    if (loops.isEmpty())
        return;

    const auto start = loops[normaliseActiveLoop()].start;

    if (std::abs (playheadSeconds - start) > kSameTime)
        setDrawnPlayhead (start);

    if (seek && onSeek)
        onSeek (start, SeekOrigin::UserSeek);
}

void SignalDisplay::clearLoops()
{
    loops.clear();
    activeLoopIndex = -1;
    movingLoop = false;
    afterLoopListChanged();
}

void SignalDisplay::setLoopsVisible (bool shouldBeVisible)
{
    loopsVisible = shouldBeVisible;
    resetGestureState();
    repaint();
}

void SignalDisplay::resetGestureState()
{
    creatingLoop = false;
    newLoopStart = newLoopEnd = 0.0;
    dragEdge = 0;
    dragLoopIndex = -1;
    movingLoop = false;
    pressedLoopIndex = -1;
    lastSelectedLoop = -1;
    gestureHandled = false;
    scrubbing = false;
    forgetHitAreas();
}

void SignalDisplay::forgetHitAreas()
{
    deleteBoxes.clearQuick();
    startHandles.clearQuick();
    endHandles.clearQuick();
}

void SignalDisplay::notifyLoopsChanged()
{
    if (onLoopsChanged)
        onLoopsChanged (! loops.isEmpty());
}

void SignalDisplay::afterLoopListChanged()
{
    // Indices may have moved: forget everything that points into the list until the next paint.
    lastSelectedLoop = -1;
    pressedLoopIndex = -1;
    forgetHitAreas();
    notifyLoopsChanged();
    repaint();
}

bool SignalDisplay::isGestureInProgress() const noexcept
{
    return creatingLoop || movingLoop || dragEdge != 0 || scrubbing;
}

void SignalDisplay::fitLoopsToFile()
{
    if (isGestureInProgress())
        return;

    if (! LoopRegionEditing::fitToFile (loops, activeLoopIndex, getLengthSeconds()))
        return;

    dragLoopIndex = -1;
    afterLoopListChanged();
}

//==============================================================================
void SignalDisplay::startPlayheadTimer()
{
    startTimer (kTimerIntervalMs);
}

void SignalDisplay::stopPlayheadTimer()
{
    stopTimer();
}

bool SignalDisplay::isPlayheadTimerRunning() const noexcept
{
    return isTimerRunning();
}

void SignalDisplay::timerCallback()
{
    pollPlayhead();
}

void SignalDisplay::pollPlayhead()
{
    if (scrubbing)
        return;

    const auto length = getLengthSeconds();

    if (! (length > 0.0))
        return;

    fitLoopsToFile();

    auto reported = (hasPlayheadSource && getPlayheadSeconds) ? getPlayheadSeconds() : playheadSeconds;

    if (! std::isfinite (reported))
        reported = std::isfinite (playheadSeconds) ? playheadSeconds : 0.0;

    reported = juce::jlimit (0.0, length, reported);

    std::optional<LoopRegion> activeLoop;

    if (loopsVisible && ! loops.isEmpty())
    {
        const auto wasActive = activeLoopIndex;
        activeLoop = loops[normaliseActiveLoop()];

        if (activeLoopIndex != wasActive)
            repaint();
    }

    const auto step = LoopRegionEditing::followPlayhead (reported, playheadSeconds,
                                                         activeLoop.has_value() ? &*activeLoop : nullptr);

    if (step.wrap)
    {
        if (onSeek)
            onSeek (step.seconds, SeekOrigin::LoopWrap);

        setDrawnPlayhead (step.seconds);
    }
    else if (step.moved)
    {
        setDrawnPlayhead (step.seconds);
    }
    else
    {
        playheadSeconds = step.seconds;
    }
}

void SignalDisplay::changeListenerCallback (juce::ChangeBroadcaster*)
{
    waveformDirty = true;
    fitLoopsToFile();
    repaint();
}

void SignalDisplay::resized()
{
    waveformDirty = true;
}

//==============================================================================
void SignalDisplay::setDrawnPlayhead (double seconds)
{
    const auto previous = playheadSeconds;
    playheadSeconds = seconds;
    repaintPlayheadColumn (previous);
    repaintPlayheadColumn (seconds);
}

void SignalDisplay::setRecordedRanges (std::vector<RecordedRange> ranges)
{
    const auto geometry = getGeometry();
    const auto repaintMarker = [this, &geometry] (const RecordedRange& range)
    {
        if (const auto marker = geometry.getRecordedRangeMarker (range.start, range.end))
            repaint (marker->getSmallestIntegerContainer().expanded (1));
    };
    const auto same = [] (const RecordedRange& a, const RecordedRange& b) { return a.start == b.start && a.end == b.end; };

    for (size_t i = 0; i < std::max (ranges.size(), recordedRanges.size()); ++i)
    {
        const auto* before = i < recordedRanges.size() ? &recordedRanges[i] : nullptr;
        const auto* after = i < ranges.size() ? &ranges[i] : nullptr;

        if (before != nullptr && after != nullptr && same (*before, *after))
            continue;

        if (before != nullptr)
            repaintMarker (*before);

        if (after != nullptr)
            repaintMarker (*after);
    }

    recordedRanges = std::move (ranges);
}

void SignalDisplay::repaintPlayheadColumn (double seconds)
{
    const auto geometry = getGeometry();
    const auto x = geometry.timeToX (seconds);
    const auto area = geometry.getArea();

    repaint (juce::Rectangle<float> (x - kPlayheadColumnHalfWidth, area.getY(),
                                     2.0f * kPlayheadColumnHalfWidth, area.getHeight())
                 .getSmallestIntegerContainer());
}

void SignalDisplay::seekToMouse (const juce::MouseEvent& e)
{
    const auto seconds = xToTime (e.position.x);
    setDrawnPlayhead (juce::jmax (seconds, 0.0));

    if (onSeek)
        onSeek (seconds, SeekOrigin::UserSeek);
}

//==============================================================================
void SignalDisplay::mouseMove (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::NormalCursor);
}

void SignalDisplay::mouseDown (const juce::MouseEvent& e)
{
    pressConsumedByDelete = false;
    fitLoopsToFile();

    if (! loopsVisible)
    {
        scrubbing = e.mods.isLeftButtonDown();

        if (scrubbing)
            seekToMouse (e);

        return;
    }

    movingLoop = false;
    grabSeconds = 0.0;
    pressedLoopIndex = -1;
    gestureHandled = false;

    for (int i = 0; i < deleteBoxes.size(); ++i)
    {
        if (deleteBoxes.getReference (i).contains (e.position))
        {
            deleteLoopAt (i);
            return;
        }
    }

    if (pressHandle (e.position))
        return;

    const auto seconds = xToTime (e.position.x);
    const auto hit = LoopRegionEditing::indexAt (loops, seconds);

    if (hit >= 0)
    {
        const auto& loop = loops.getReference (hit);
        activeLoopIndex = hit;
        LoopRegionEditing::flagActive (loops, hit);
        grabSeconds = seconds;
        pressedLoopIndex = dragLoopIndex = hit;
        movingLoop = true;
        dragEdge = 0;
        grabOffset = seconds - loop.start;
        grabLength = juce::jmax (loop.end - loop.start, getMinimumLoopLength());
        return;
    }

    creatingLoop = false;
    newLoopAnchor = newLoopStart = newLoopEnd = seconds;
}

void SignalDisplay::deleteLoopAt (int index)
{
    activeLoopIndex = LoopRegionEditing::removeLoop (loops, index);

    if (activeLoopIndex >= 0)
        jumpToActiveLoop (true);

    gestureHandled = true;
    pressConsumedByDelete = true;
    afterLoopListChanged();
}

bool SignalDisplay::pressHandle (juce::Point<float> position)
{
    if (loops.isEmpty() || startHandles.size() != loops.size() || endHandles.size() != loops.size())
        return false;

    for (int i = 0; i < loops.size(); ++i)
    {
        const auto edge = startHandles.getReference (i).contains (position) ? 1
                        : endHandles.getReference (i).contains (position) ? 2
                                                                           : 0;
        if (edge != 0)
        {
            dragLoopIndex = activeLoopIndex = i;
            dragEdge = edge;
            normaliseActiveLoop();
            gestureHandled = true;
            repaint();
            return true;
        }
    }

    return false;
}

void SignalDisplay::mouseDrag (const juce::MouseEvent& e)
{
    if (! loopsVisible)
    {
        if (scrubbing)
            seekToMouse (e);

        return;
    }

    // A press that deleted a loop has done its work: the drag that follows neither moves nor
    // draws anything (there is no anchor for a new loop).
    if (pressConsumedByDelete)
        return;

    const auto distance = e.getDistanceFromDragStart();
    const auto draggedLoopValid = juce::isPositiveAndBelow (dragLoopIndex, loops.size());

    if (movingLoop && dragEdge == 0 && distance > kDragThresholdPx && draggedLoopValid)
    {
        dragEdge = 3;
        gestureHandled = true;
    }

    if (dragEdge == 3 && draggedLoopValid)
    {
        moveDraggedLoop (e);
        return;
    }

    if ((dragEdge == 1 || dragEdge == 2) && draggedLoopValid)
    {
        resizeDraggedLoop (e);
        return;
    }

    if (distance > kDragThresholdPx)
    {
        creatingLoop = true;
        const auto seconds = xToTime (e.position.x);
        newLoopStart = juce::jmin (seconds, newLoopAnchor);
        newLoopEnd = juce::jmax (seconds, newLoopAnchor);
        repaint();
    }
}

void SignalDisplay::moveDraggedLoop (const juce::MouseEvent& e)
{
    const auto length = juce::jmax (grabLength, getMinimumLoopLength());
    LoopRegionEditing::moveLoop (loops, dragLoopIndex, xToTime (e.position.x) - grabOffset, length, getLengthSeconds());
    activeLoopIndex = dragLoopIndex;
    LoopRegionEditing::flagActive (loops, activeLoopIndex);
    jumpToActiveLoop (false);
    repaint();
}

void SignalDisplay::resizeDraggedLoop (const juce::MouseEvent& e)
{
    const auto seconds = xToTime (e.position.x);

    if (dragEdge == 1)
        LoopRegionEditing::dragStartEdge (loops, dragLoopIndex, seconds, getMinimumLoopLength(), getLengthSeconds());
    else
        LoopRegionEditing::dragEndEdge (loops, dragLoopIndex, seconds, getMinimumLoopLength(), getLengthSeconds());

    activeLoopIndex = dragLoopIndex;
    LoopRegionEditing::flagActive (loops, activeLoopIndex);
    jumpToActiveLoop (false);
    repaint();
}

void SignalDisplay::mouseUp (const juce::MouseEvent& e)
{
    if (! loopsVisible)
    {
        if (e.mods.isLeftButtonDown() && (! scrubbing || xToTime (e.position.x) != playheadSeconds))
            seekToMouse (e);

        scrubbing = false;
        return;
    }

    if (pressConsumedByDelete)
    {
        // The press deleted a loop and already sought to the next one (or, with none left,
        // nowhere): the release asks for nothing more.
        pressConsumedByDelete = false;
        gestureHandled = false;
        movingLoop = false;
        pressedLoopIndex = -1;
        return;
    }

    if (dragEdge != 0)
    {
        dragEdge = 0;
        dragLoopIndex = -1;
        gestureHandled = false;
        movingLoop = false;
        pressedLoopIndex = -1;

        if (! loops.isEmpty())
            jumpToActiveLoop (true);

        repaint();
        return;
    }

    if (creatingLoop)
    {
        finishNewLoop();
        return;
    }

    if (movingLoop)
    {
        finishLoopClick();
        return;
    }

    if (e.mods.isLeftButtonDown())
    {
        const auto seconds = xToTime (e.position.x);

        if (loops.isEmpty())
            setDrawnPlayhead (juce::jmax (seconds, 0.0));
        else
            jumpToActiveLoop (false);

        if (onSeek)
            onSeek (seconds, SeekOrigin::UserSeek);
    }
}

void SignalDisplay::finishNewLoop()
{
    creatingLoop = false;
    const auto spanStart = newLoopStart;
    const auto spanEnd = newLoopEnd;
    newLoopStart = newLoopEnd = 0.0;

    const auto newLoop = LoopRegionEditing::loopFromSpan (loops, spanStart, spanEnd, getMinimumLoopLength(), getLengthSeconds());

    if (! newLoop.has_value())
    {
        repaint();
        return;
    }

    LoopRegionEditing::flagActive (loops, -1);
    loops.add (*newLoop);
    activeLoopIndex = loops.size() - 1;
    notifyLoopsChanged();
    movingLoop = false;
    lastSelectedLoop = -1;
    pressedLoopIndex = -1;
    jumpToActiveLoop (true);
    repaint();
}

void SignalDisplay::finishLoopClick()
{
    movingLoop = false;
    const auto index = pressedLoopIndex;

    if (juce::isPositiveAndBelow (index, loops.size()))
    {
        // The first click on a loop goes to its start; a further click on the same loop goes
        // to the point clicked inside it.
        double target = 0.0;

        if (index != lastSelectedLoop)
        {
            lastSelectedLoop = index;
            target = loops[index].start;
            setDrawnPlayhead (juce::jmax (target, 0.0));
        }
        else
        {
            target = juce::jlimit (0.0, juce::jmax (getLengthSeconds(), 0.0), grabSeconds);
            setDrawnPlayhead (target);
        }

        if (onSeek)
            onSeek (target, SeekOrigin::UserSeek);
    }

    pressedLoopIndex = -1;
    repaint();
}

void SignalDisplay::mouseDoubleClick (const juce::MouseEvent& e)
{
    fitLoopsToFile();

    if (! loopsVisible || ! (getLengthSeconds() > 0.0))
        return;

    const auto hit = LoopRegionEditing::indexAt (loops, xToTime (e.position.x));

    if (hit < 0)
        return;

    activeLoopIndex = hit;
    LoopRegionEditing::flagActive (loops, hit);
    const auto start = loops[hit].start;
    setDrawnPlayhead (juce::jmax (start, 0.0));
    repaint();

    if (onSeek)
        onSeek (start, SeekOrigin::UserSeek);

    movingLoop = false;
    pressedLoopIndex = -1;
    lastSelectedLoop = hit;
}

juce::String SignalDisplay::getTooltip()
{
    const auto geometry = getGeometry();
    const auto mouse = getMouseXYRelative().toFloat();

    for (const auto& range : recordedRanges)
        if (const auto marker = geometry.getRecordedRangeMarker (range.start, range.end))
            if (marker->expanded (0.0f, kTooltipSlack).contains (mouse))
                return kInspectTooltip;

    return {};
}

//==============================================================================
void SignalDisplay::paint (juce::Graphics& g)
{
    g.reduceClipRegion (getLocalBounds());

    if (! file.existsAsFile())
    {
        paintMessage (g, "No File");
        return;
    }

    const auto dimmed = loopsVisible && ! loops.isEmpty();

    if (samples == nullptr && thumbnail.getTotalLength() <= 0.0)
    {
        paintMessage (g, "Loading...");
        return;
    }

    const auto geometry = getGeometry();
    paintOutline (g, geometry, dimmed);

    forgetHitAreas();

    if (loopsVisible)
        paintLoops (g, geometry);

    paintNewLoop (g, geometry);
    paintRecordedRanges (g, geometry);
    paintMarkers (g, geometry);
}

void SignalDisplay::paintMessage (juce::Graphics& g, const juce::String& text)
{
    g.setColour (kMessageColour);
    g.setFont (juce::Font (kMessageFontHeight));
    g.drawFittedText (text, getLocalBounds(), juce::Justification::centred, 1);
}

void SignalDisplay::paintOutline (juce::Graphics& g, const WaveformGeometry& geometry, bool dimmed)
{
    const auto area = geometry.getArea();

    if (waveformDirty || area != waveformArea)
    {
        waveformArea = area;
        waveformPath.clear();
        waveformDirty = false;
        waveformImage = {};

        if (samples != nullptr)
            waveformPath = geometry.makeOutlineFromSamples (*samples);
        else
            waveformPath = geometry.makeOutlineFromLevels ([this] (double t0, double t1, float& minimum, float& maximum)
                                                           { thumbnail.getApproximateMinMax (t0, t1, 0, minimum, maximum); });
    }

    if (waveformPath.isEmpty())
        return;

    // The layer covers the outline's bounds only, from a whole-pixel origin.
    const auto layerBounds = waveformPath.getBounds().getSmallestIntegerContainer();
    const auto scale = juce::jmax (g.getInternalContext().getPhysicalPixelScaleFactor(), 0.01f);

    if (! waveformImage.isValid() || scale != waveformImageScale || dimmed != waveformImageDimmed)
    {
        waveformImageScale = scale;
        waveformImageDimmed = dimmed;
        waveformImage = juce::Image (juce::Image::ARGB,
                                     juce::jmax (1, juce::roundToInt ((float) layerBounds.getWidth() * scale)),
                                     juce::jmax (1, juce::roundToInt ((float) layerBounds.getHeight() * scale)), true);
        juce::Graphics layer (waveformImage);
        layer.setColour (kWaveformColour.withAlpha (dimmed ? kWaveformAlphaUnderLoops : kWaveformAlpha));
        layer.fillPath (waveformPath, juce::AffineTransform::translation ((float) -layerBounds.getX(), (float) -layerBounds.getY())
                                          .scaled (scale));
    }

    g.drawImageTransformed (waveformImage, juce::AffineTransform::scale (1.0f / scale)
                                               .translated ((float) layerBounds.getX(), (float) layerBounds.getY()));
}

void SignalDisplay::paintLoops (juce::Graphics& g, const WaveformGeometry& geometry)
{
    const auto area = geometry.getArea();
    const auto top = area.getY();
    const auto height = area.getHeight();
    const auto centreY = top + height / 2.0f;

    for (const auto& loop : loops)
    {
        const auto xs = geometry.timeToX (loop.start);
        const auto xe = geometry.timeToX (loop.end);
        const auto bandWidth = xe - xs;
        const juce::Rectangle<float> band { xs, top, bandWidth, height };

        deleteBoxes.add ({ xe - kDeleteHitRight, kDeleteHitTop, kDeleteHitSize, kDeleteHitSize });
        startHandles.add (juce::Rectangle<float> (kHandleHitSize, kHandleHitSize).withCentre ({ xs, centreY }));
        endHandles.add (juce::Rectangle<float> (kHandleHitSize, kHandleHitSize).withCentre ({ xe, centreY }));

        // A loop that is no time range (ends before it starts, or is not a number) keeps its
        // place among the hit areas but has no band to draw.
        if (! (std::isfinite (xs) && std::isfinite (xe) && bandWidth >= 0.0f))
            continue;

        // A playhead tick repaints a few columns: loops outside them are not drawn at all.
        const auto drawnArea = band.getUnion (deleteBoxes.getLast()).getUnion (startHandles.getLast()).getUnion (endHandles.getLast());

        if (! g.clipRegionIntersects (drawnArea.getSmallestIntegerContainer()))
            continue;

        g.setColour (kLoopColour.withAlpha (loop.active ? kActiveLoopFillAlpha : kLoopFillAlpha));
        g.fillRect (band);
        g.setColour (loop.active ? kLoopColour : kLoopColour.withMultipliedAlpha (kInactiveLoopOutlineAlpha));
        g.drawRect (band, 1.0f);

        if (loop.active && loopIcon.isValid())
        {
            const auto k = juce::jmin (kLoopIconMaxSize, bandWidth - kLoopIconInset, height - kLoopIconInset);

            if (k >= kLoopIconMinSize)
            {
                g.setOpacity (kLoopIconOpacity);
                g.drawImage (loopIcon, { xs + bandWidth / 2.0f - k / 2.0f, top + height / 2.0f - k / 2.0f, k, k });
                g.setOpacity (1.0f);
            }
        }

        const auto boxX = xe - kDeleteBoxRight;
        const juce::Rectangle<float> box { boxX, kDeleteBoxTop, kDeleteBoxSize, kDeleteBoxSize };
        g.setColour (kDeleteBoxFill);
        g.fillRoundedRectangle (box, kDeleteBoxCorner);
        g.setColour (kDeleteBoxLine);
        g.drawRoundedRectangle (box, kDeleteBoxCorner, 1.0f);
        const auto crossTop = kDeleteBoxTop + kCrossInset;
        const auto crossBottom = kDeleteBoxTop + kCrossFar;
        g.drawLine (boxX + kCrossInset, crossTop, boxX + kCrossFar, crossBottom, kCrossThickness);
        g.drawLine (boxX + kCrossFar, crossTop, boxX + kCrossInset, crossBottom, kCrossThickness);

        for (const auto x : { xs, xe })
        {
            const auto handle = juce::Rectangle<float> (kHandleDiameter, kHandleDiameter).withCentre ({ x, centreY });
            g.setColour (kHandleFill);
            g.fillEllipse (handle);
            g.setColour (kHandleLine);
            g.drawEllipse (handle, 1.0f);
        }
    }
}

void SignalDisplay::paintNewLoop (juce::Graphics& g, const WaveformGeometry& geometry)
{
    if (! creatingLoop || ! (newLoopEnd - newLoopStart > 0.0))
        return;

    const auto area = geometry.getArea();
    const auto xs = geometry.timeToX (newLoopStart);
    const juce::Rectangle<float> band { xs, area.getY(), geometry.timeToX (newLoopEnd) - xs, area.getHeight() };

    g.setColour (kNewLoopColour.withAlpha (kNewLoopFillAlpha));
    g.fillRect (band);
    g.setColour (kNewLoopColour);
    g.drawRect (band, 1.0f);
}

void SignalDisplay::paintRecordedRanges (juce::Graphics& g, const WaveformGeometry& geometry)
{
    for (const auto& range : recordedRanges)
    {
        const auto marker = geometry.getRecordedRangeMarker (range.start, range.end);

        if (! marker.has_value() || ! g.clipRegionIntersects (marker->getSmallestIntegerContainer()))
            continue;

        g.setColour (kRecordedColour);
        g.fillRect (*marker);

        if (! historyIcon.isValid())
            continue;

        const auto k = juce::jmin (kHistoryIconMaxSize, marker->getWidth() - kHistoryIconInsetX,
                                   marker->getHeight() - kHistoryIconInsetY);

        if (k > 0.0f)
        {
            g.setOpacity (k / kHistoryIconMaxSize);
            g.drawImage (historyIcon, juce::Rectangle<float> (k, k).withCentre (marker->getCentre()));
            g.setOpacity (1.0f);
        }
    }
}

void SignalDisplay::paintMarkers (juce::Graphics& g, const WaveformGeometry& geometry)
{
    const auto length = geometry.getLength();

    if (! (length > 0.0))
        return;

    const auto area = geometry.getArea();

    if (showInspectMarker)
    {
        const auto x = geometry.timeToX (inspectMarkerSeconds);
        g.setColour (kInspectColour);
        g.drawLine (x, area.getY(), x, area.getBottom(), kInspectThickness);
    }

    const auto x = geometry.timeToX (playheadSeconds);
    g.setColour (kPlayheadColour);
    g.drawLine (x, area.getY(), x, area.getBottom(), kPlayheadThickness);
}
