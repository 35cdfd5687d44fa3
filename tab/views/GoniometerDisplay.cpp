#include "tab/views/GoniometerDisplay.h"

#include "engine/ThemePalette.h"

namespace
{
// The static picture.
constexpr float kBackgroundBrighter = 0.035f;
constexpr float kBackgroundDarker = 0.08f;
constexpr float kFrameCorner = 6.0f;
constexpr float kRingShares[] = { 0.25f, 0.5f, 0.75f };
constexpr float kInnerRingAlpha = 0.45f, kInnerRingThickness = 0.8f;
constexpr float kOuterRingAlpha = 0.9f, kOuterRingThickness = 1.4f;
constexpr juce::uint8 kAxisAlpha = 0xbf;
constexpr juce::uint8 kLabelAlpha = 0xd9;
constexpr float kLabelFontHeight = 11.0f;

// Labels and the angles they stand at (degrees, 0 = right, 90 = up).
struct Label { const char* text; float angle; };
constexpr Label kLabels[] = { { "M", 90.0f }, { "L", 120.0f }, { "R", 60.0f }, { "+S", 180.0f }, { "-S", 0.0f } };

// Each point is a small square.
constexpr float kPointSize = 1.5f;

// The name and correlation panel, placed from the view's right edge (Rt) and top (T).
constexpr float kPanelLeft = 168.0f, kPanelTop = 8.0f, kPanelWidth = 160.0f, kPanelHeight = 72.0f;
constexpr float kPanelCorner = 4.0f;
constexpr float kPanelContrast = 0.2f;
constexpr juce::uint8 kPanelAlpha = 0x99, kPanelOutlineAlpha = 0xb2;
constexpr float kPanelFontHeight = 11.0f;
constexpr float kTextLeft = 148.0f, kTextWidth = 120.0f, kTextHeight = 16.0f;
constexpr float kNameTop = 12.0f, kCaptionTop = 36.0f;
constexpr float kDotSize = 7.0f, kDotGap = 14.0f, kDotTop = 16.5f;
constexpr float kTrackTop = 52.0f, kTrackHeight = 6.0f;
constexpr juce::uint8 kTrackAlpha = 0xcc;
constexpr float kTickLeft = 89.0f, kTickTop = 50.0f, kTickWidth = 2.0f, kTickHeight = 10.0f;
constexpr juce::uint8 kTickAlpha = 0xd9;
constexpr float kScaleFontHeight = 10.0f;
constexpr int kScaleTop = 62, kScaleWidth = 20, kScaleHeight = 12;
constexpr int kScaleMinusLeft = 158, kScaleZeroLeft = 98, kScalePlusLeft = 38;
}

GoniometerDisplay::GoniometerDisplay()
{
    setOpaque (true);
}

GoniometerDisplay::~GoniometerDisplay() = default;

void GoniometerDisplay::setShowsReference (bool pointsAreReference)
{
    if (pointsAreReference == showsReference)
        return;

    showsReference = pointsAreReference;
    repaint();
}

void GoniometerDisplay::setPoints (const std::vector<float>& left, const std::vector<float>& right, bool fromReference)
{
    // A feed without samples keeps the last picture.
    if (left.empty() || right.empty())
        return;

    setShowsReference (fromReference);

    const juce::ScopedLock lock (pointLock);
    correlation = GoniometerGeometry::makePoints (left, right, points);

    if (isShowing())
        repaint();
}

void GoniometerDisplay::clearPoints()
{
    const juce::ScopedLock lock (pointLock);
    points.clear();
    correlation = 0.0f;
    repaint();
}

float GoniometerDisplay::getCorrelation() const
{
    const juce::ScopedLock lock (pointLock);
    return correlation;
}

std::vector<GoniometerDisplay::Point> GoniometerDisplay::getPoints() const
{
    const juce::ScopedLock lock (pointLock);
    return points;
}

void GoniometerDisplay::resized()
{
    background = {};
    backgroundDirty = true;
}

//==============================================================================
void GoniometerDisplay::buildBackground (float scale)
{
    const auto bounds = getLocalBounds().toFloat();
    const auto centre = bounds.getCentre();
    const auto radius = GoniometerGeometry::radiusFor (bounds.getWidth(), bounds.getHeight());

    background = juce::Image (juce::Image::RGB, juce::roundToInt (bounds.getWidth() * scale),
                              juce::roundToInt (bounds.getHeight() * scale), true);
    juce::Graphics g (background);
    g.addTransform (juce::AffineTransform::scale (scale));

    g.setGradientFill (juce::ColourGradient (ThemePalette::panel.brighter (kBackgroundBrighter), centre.x, bounds.getY(),
                                             ThemePalette::panel.darker (kBackgroundDarker), centre.x, bounds.getBottom(), false));
    g.fillRect (bounds);

    g.setColour (ThemePalette::border);
    g.drawRoundedRectangle (bounds.getX() + 0.5f, bounds.getY() + 0.5f, std::max (0.0f, bounds.getWidth() - 1.0f),
                            std::max (0.0f, bounds.getHeight() - 1.0f), kFrameCorner, 1.0f);

    auto ring = [&] (float ringRadius, float alpha, float thickness)
    {
        g.setColour (ThemePalette::borderStrong.withAlpha (alpha));
        g.drawEllipse (centre.x - ringRadius, centre.y - ringRadius, 2.0f * ringRadius, 2.0f * ringRadius, thickness);
    };

    for (auto share : kRingShares)
        ring (share * radius, kInnerRingAlpha, kInnerRingThickness);

    ring (radius, kOuterRingAlpha, kOuterRingThickness);

    g.setColour (ThemePalette::borderStrong.withAlpha (kAxisAlpha));
    g.drawLine (bounds.getX(), centre.y, bounds.getRight(), centre.y, 1.0f);
    g.drawLine (centre.x, bounds.getY(), centre.x, bounds.getBottom(), 1.0f);

    g.setColour (ThemePalette::textDim.withAlpha (kLabelAlpha));
    g.setFont (juce::Font (kLabelFontHeight));

    for (const auto& label : kLabels)
        g.drawText (label.text, GoniometerGeometry::labelBox (centre, radius, label.angle), juce::Justification::centred, false);

    backgroundDirty = false;
    backgroundScale = scale;
    ++backgroundBuilds;
}

void GoniometerDisplay::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();

    if (bounds.getWidth() <= 0.0f || bounds.getHeight() <= 0.0f)
        return;

    // The static picture is drawn once per size (at the screen's pixel scale) and copied on
    // every paint, which at 30 Hz leaves the points and the panel as the only real work.
    const auto scale = std::max (1.0f, g.getInternalContext().getPhysicalPixelScaleFactor());

    if (backgroundDirty || ! background.isValid() || scale != backgroundScale
        || background.getWidth() != juce::roundToInt (bounds.getWidth() * scale)
        || background.getHeight() != juce::roundToInt (bounds.getHeight() * scale))
        buildBackground (scale);

    if (scale == 1.0f)
        g.drawImageAt (background, 0, 0);
    else
        g.drawImageTransformed (background, juce::AffineTransform::scale (1.0f / scale));

    float shownCorrelation = 0.0f;
    {
        const juce::ScopedLock lock (pointLock);
        paintedPoints = points;
        shownCorrelation = correlation;
    }

    const auto centre = bounds.getCentre();
    const auto radius = GoniometerGeometry::radiusFor (bounds.getWidth(), bounds.getHeight());

    juce::RectangleList<float> squares;
    squares.ensureStorageAllocated ((int) paintedPoints.size());

    for (const auto& point : paintedPoints)
    {
        const auto at = GoniometerGeometry::toScreen (point, centre, radius);
        squares.addWithoutMerging ({ at.x, at.y, kPointSize, kPointSize });
    }

    g.setColour (showsReference ? ThemePalette::accent : ThemePalette::sourceSignal);
    g.fillRectList (squares);

    drawCorrelationBar (g, bounds, shownCorrelation);
}

void GoniometerDisplay::drawCorrelationBar (juce::Graphics& g, juce::Rectangle<float> area, float correlationValue)
{
    const auto right = area.getRight();
    const auto top = area.getY();
    const auto nameColour = showsReference ? ThemePalette::accent : ThemePalette::sourceSignal;
    const juce::String name = showsReference ? "REFERENCE" : "SOURCE";

    const juce::Rectangle<float> panel (right - kPanelLeft, top + kPanelTop, kPanelWidth, kPanelHeight);
    g.setColour (ThemePalette::panel.contrasting (kPanelContrast).withAlpha (kPanelAlpha));
    g.fillRoundedRectangle (panel, kPanelCorner);
    g.setColour (ThemePalette::borderStrong.withAlpha (kPanelOutlineAlpha));
    g.drawRoundedRectangle (panel, kPanelCorner, 1.0f);

    const juce::Font font (kPanelFontHeight, juce::Font::bold);
    g.setFont (font);

    const auto textWidth = std::ceil (font.getStringWidthFloat (name));
    g.setColour (nameColour);
    g.fillEllipse (right - GoniometerGeometry::kBarCentreFromRight - textWidth * 0.5f - kDotGap, top + kDotTop, kDotSize, kDotSize);

    g.setColour (ThemePalette::textDim);
    g.drawFittedText (name, juce::Rectangle<float> (right - kTextLeft, top + kNameTop, kTextWidth, kTextHeight).toNearestInt(),
                      juce::Justification::centred, 1);
    g.drawFittedText ("CORRELATION", juce::Rectangle<float> (right - kTextLeft, top + kCaptionTop, kTextWidth, kTextHeight).toNearestInt(),
                      juce::Justification::centred, 1);

    g.setColour (ThemePalette::borderStrong.withAlpha (kTrackAlpha));
    g.fillRect (right - kTextLeft, top + kTrackTop, kTextWidth, kTrackHeight);

    const auto bar = GoniometerGeometry::correlationBar (correlationValue, right, top);
    g.setColour (nameColour);
    g.fillRect (bar);

    g.setColour (ThemePalette::background.withAlpha (kTickAlpha));
    g.fillRect (right - kTickLeft, top + kTickTop, kTickWidth, kTickHeight);

    g.setColour (ThemePalette::textDim);
    g.setFont (juce::Font (kScaleFontHeight));
    const auto scaleTop = (int) top + kScaleTop;
    const auto rightEdge = (int) right;
    g.drawText ("-1", rightEdge - kScaleMinusLeft, scaleTop, kScaleWidth, kScaleHeight, juce::Justification::centredRight, false);
    g.drawText ("0", rightEdge - kScaleZeroLeft, scaleTop, kScaleWidth, kScaleHeight, juce::Justification::centred, false);
    g.drawText ("+1", rightEdge - kScalePlusLeft, scaleTop, kScaleWidth, kScaleHeight, juce::Justification::centredLeft, false);
}
