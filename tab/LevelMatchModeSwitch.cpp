#include "tab/LevelMatchModeSwitch.h"

#include "engine/ThemePalette.h"
#include "tab/LookAndFeelFont.h"

namespace
{
// The caption strip on top, and the segment strip 2 px below it and 2 px above the bottom.
constexpr int kCaptionHeight = 17;
constexpr int kStripGap = 2;
// Clicks count from here down, over the strip's height.
constexpr float kHitTop = (float) (kCaptionHeight + kStripGap);
constexpr int kHitHeightReduction = kCaptionHeight + 2 * kStripGap;

constexpr float kCaptionFontHeight = 10.5f;
constexpr float kLabelFontHeight = 10.0f;
constexpr float kStripCorner = 5.0f;
constexpr float kStripBorderThickness = 1.0f;
constexpr float kSegmentInset = 2.0f;
constexpr float kSegmentCorner = 3.5f;
constexpr int kDividerInset = 5;
constexpr juce::uint8 kDividerAlpha = 0xbf;
constexpr int kLabelInset = 3;

const char* const kSegmentLabels[LevelMatchModeSwitch::kNumSegments] = { "OFF", "SOURCE", "QUIETEST" };

juce::Rectangle<float> segmentStrip (int width, int height) noexcept
{
    const auto caption = juce::jmin (height, kCaptionHeight);
    return { 0.0f, (float) (caption + kStripGap), (float) juce::jmax (width, 0),
             (float) juce::jmax (height - caption - 2 * kStripGap, 0) };
}
} // namespace

LevelMatchModeSwitch::LevelMatchModeSwitch() = default;

LevelMatchModeSwitch::~LevelMatchModeSwitch() = default;

void LevelMatchModeSwitch::setMode (int newMode)
{
    if (newMode != mode)
    {
        mode = newMode;
        repaint();
    }
}

int LevelMatchModeSwitch::segmentAt (float x, float y, int width, int height) noexcept
{
    const auto stripWidth = (float) juce::jmax (width, 0);
    const auto hitHeight = (float) juce::jmax (height - kHitHeightReduction, 0);

    if (! (x >= 0.0f && y >= kHitTop && x < stripWidth && y < kHitTop + hitHeight))
        return -1;

    return juce::jlimit (0, kNumSegments - 1, (int) (x * (float) kNumSegments / stripWidth));
}

void LevelMatchModeSwitch::mouseMove (const juce::MouseEvent& e)
{
    const auto segment = segmentAt (e.position.x, e.position.y, getWidth(), getHeight());

    if (segment != hoverSegment)
    {
        hoverSegment = segment;
        repaint();
    }
}

void LevelMatchModeSwitch::mouseExit (const juce::MouseEvent&)
{
    hoverSegment = -1;
    repaint();
}

void LevelMatchModeSwitch::mouseUp (const juce::MouseEvent& e)
{
    const auto segment = segmentAt (e.position.x, e.position.y, getWidth(), getHeight());

    if (segment < 0)
        return;

    setMode (segment);

    // Reported also when the mode stayed, so that the owner can store the choice again.
    if (onModeChanged)
        onModeChanged (mode);
}

void LevelMatchModeSwitch::paint (juce::Graphics& g)
{
    const auto width = getWidth();
    const auto height = getHeight();

    g.setColour (ThemePalette::textDim);
    g.setFont (lookAndFeelFont (*this, kCaptionFontHeight, juce::Font::bold));
    g.drawFittedText ("LEVEL MATCH", 0, 0, width, juce::jmin (height, kCaptionHeight), juce::Justification::centred, 1);

    const auto strip = segmentStrip (width, height);
    g.setColour (ThemePalette::surface);
    g.fillRoundedRectangle (strip, kStripCorner);

    g.setColour (ThemePalette::borderStrong);
    g.drawRoundedRectangle ({ strip.getX() + 0.5f, strip.getY() + 0.5f,
                              juce::jmax (strip.getWidth() - 1.0f, 0.0f), juce::jmax (strip.getHeight() - 1.0f, 0.0f) },
                            kStripCorner, kStripBorderThickness);

    const auto segmentWidth = strip.getWidth() / (float) kNumSegments;
    const auto labelFont = lookAndFeelFont (*this, kLabelFontHeight, juce::Font::bold);

    for (int i = 0; i < kNumSegments; ++i)
    {
        const auto sx = (float) i * segmentWidth;
        const juce::Rectangle<float> fill (sx + kSegmentInset, strip.getY() + kSegmentInset,
                                           juce::jmax (segmentWidth - 2.0f * kSegmentInset, 0.0f),
                                           juce::jmax (strip.getHeight() - 2.0f * kSegmentInset, 0.0f));

        if (i == mode)
        {
            g.setColour (ThemePalette::accent);
            g.fillRoundedRectangle (fill, kSegmentCorner);
        }
        else if (i == hoverSegment)
        {
            g.setColour (ThemePalette::panelHighlight);
            g.fillRoundedRectangle (fill, kSegmentCorner);
        }

        if (i > 0)
        {
            const auto top = (int) strip.getY() + kDividerInset;
            const auto bottom = (int) (strip.getY() + strip.getHeight()) - kDividerInset;

            if (bottom > top)
            {
                g.setColour (ThemePalette::border.withAlpha (kDividerAlpha));
                g.fillRect (juce::roundToInt (sx), top, 1, bottom - top);
            }
        }

        g.setColour (i == mode ? ThemePalette::textOnLight : ThemePalette::textDim);
        g.setFont (labelFont);
        g.drawFittedText (kSegmentLabels[i],
                          juce::roundToInt (sx) + kLabelInset, juce::roundToInt (strip.getY()),
                          juce::jmax (juce::roundToInt (segmentWidth) - 2 * kLabelInset, 0),
                          juce::jmax (juce::roundToInt (strip.getHeight()), 0),
                          juce::Justification::centred, 1);
    }
}
