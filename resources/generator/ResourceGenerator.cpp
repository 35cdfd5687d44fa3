// Draws the product's embedded images in the palette's colours and writes them as PNG files:
//
//     kalvorin_resource_generator <output folder>
//
// Logo.png (300 x 300) and Logo_Big.png (2000 x 2000) are the same vector drawing at two sizes.
// The four 25 x 25 icons (settings, close, history, loop) share one stroke weight and one style:
// light glyphs on a soft dark halo, so they read on the dark header and menus as well as on the
// gold history marks and the green loop band of the waveform.

#include <juce_graphics/juce_graphics.h>

#include "engine/ThemePalette.h"

#include <cmath>
#include <functional>
#include <iostream>
#include <vector>

namespace
{
constexpr int kLogoSize = 300;
constexpr int kBigLogoSize = 2000;
constexpr int kIconSize = 25;

// Icons are drawn on a 25-unit grid whose centre is the centre of pixel (12, 12).
constexpr float kIconCentre = 12.5f;
constexpr float kIconStroke = 2.2f;

// The halo reaches this far beyond the glyph's edge, at this opacity.
constexpr float kHaloWidth = 1.1f;
constexpr float kHaloAlpha = 0.7f;

//==============================================================================
// An icon is a set of filled shapes. Each is filled on its own, so overlapping shapes never
// cancel under the winding rule.
using Glyph = std::vector<juce::Path>;

juce::Path strokeOutline (const juce::Path& centreLine, float thickness)
{
    juce::Path outline;
    juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded)
        .createStrokedPath (outline, centreLine);
    return outline;
}

juce::Path triangle (juce::Point<float> a, juce::Point<float> b, juce::Point<float> c)
{
    juce::Path p;
    p.addTriangle (a, b, c);
    // Slightly softened corners keep the arrowheads in the rounded style of the strokes.
    return p.createPathWithRoundedCorners (0.5f);
}

juce::Image renderIcon (const Glyph& glyph)
{
    // The halo is drawn opaque and faded afterwards, so where halos overlap they do not darken.
    juce::Image halo (juce::Image::ARGB, kIconSize, kIconSize, true);
    {
        juce::Graphics g (halo);
        g.setColour (ThemePalette::background);
        const juce::PathStrokeType haloStroke (2.0f * kHaloWidth, juce::PathStrokeType::curved,
                                               juce::PathStrokeType::rounded);
        for (const auto& shape : glyph)
        {
            g.strokePath (shape, haloStroke);
            g.fillPath (shape);
        }
    }
    halo.multiplyAllAlphas (kHaloAlpha);

    juce::Image icon (juce::Image::ARGB, kIconSize, kIconSize, true);
    juce::Graphics g (icon);
    g.drawImageAt (halo, 0, 0);
    g.setColour (ThemePalette::text);
    for (const auto& shape : glyph)
        g.fillPath (shape);

    return icon;
}

//==============================================================================
Glyph settingsGlyph()
{
    constexpr int teeth = 8;
    constexpr float tipRadius = 10.3f;
    constexpr float rootRadius = 7.4f;
    constexpr float holeRadius = 3.3f;
    // Half-widths of a tooth, as angles, at its tip and at its root.
    constexpr float tipHalfAngle = 0.20f;
    constexpr float rootHalfAngle = 0.30f;

    const auto at = [] (float radius, float angle)
    {
        return juce::Point<float> (kIconCentre + radius * std::sin (angle),
                                   kIconCentre - radius * std::cos (angle));
    };

    juce::Path outline;
    const auto period = juce::MathConstants<float>::twoPi / (float) teeth;
    outline.startNewSubPath (at (rootRadius, -0.5f * period));

    for (int i = 0; i < teeth; ++i)
    {
        const auto mid = (float) i * period;
        outline.lineTo (at (rootRadius, mid - rootHalfAngle));
        outline.lineTo (at (tipRadius, mid - tipHalfAngle));
        outline.lineTo (at (tipRadius, mid + tipHalfAngle));
        outline.lineTo (at (rootRadius, mid + rootHalfAngle));
        outline.lineTo (at (rootRadius, mid + 0.5f * period));
    }
    outline.closeSubPath();

    auto gear = outline.createPathWithRoundedCorners (0.7f);
    gear.addEllipse (kIconCentre - holeRadius, kIconCentre - holeRadius, 2.0f * holeRadius, 2.0f * holeRadius);
    gear.setUsingNonZeroWinding (false);
    return { gear };
}

Glyph closeGlyph()
{
    constexpr float reach = 5.5f;
    juce::Path cross;
    cross.startNewSubPath (kIconCentre - reach, kIconCentre - reach);
    cross.lineTo (kIconCentre + reach, kIconCentre + reach);
    cross.startNewSubPath (kIconCentre + reach, kIconCentre - reach);
    cross.lineTo (kIconCentre - reach, kIconCentre + reach);
    return { strokeOutline (cross, 2.4f) };
}

Glyph historyGlyph()
{
    // A clock face whose rim is an arrow turning back (counter-clockwise): the rim runs clockwise
    // from nine o'clock to seven o'clock, and the arrowhead at nine o'clock points down.
    constexpr float cx = 13.2f;
    constexpr float cy = kIconCentre;
    constexpr float radius = 7.6f;
    constexpr float headHalfWidth = 3.3f;
    constexpr float headLength = 3.6f;
    const auto pi = juce::MathConstants<float>::pi;

    juce::Path rim;
    rim.addCentredArc (cx, cy, radius, radius, 0.0f, -0.5f * pi, 7.0f * pi / 6.0f, true);

    juce::Path hands;
    hands.startNewSubPath (cx, cy - 4.6f);
    hands.lineTo (cx, cy);
    hands.lineTo (cx + 3.2f, cy + 2.2f);

    const auto head = triangle ({ cx - radius - headHalfWidth, cy - 0.4f },
                                { cx - radius + headHalfWidth, cy - 0.4f },
                                { cx - radius, cy - 0.4f + headLength });

    return { strokeOutline (rim, kIconStroke), strokeOutline (hands, kIconStroke), head };
}

Glyph loopGlyph()
{
    // Two arrows chasing each other round a rounded rectangle: along the top to the right, along
    // the bottom to the left.
    constexpr float left = 5.0f, right = 20.0f, top = 8.0f, bottom = 17.0f;
    constexpr float corner = 3.2f;
    constexpr float headHalfHeight = 3.2f;
    constexpr float headLength = 3.8f;
    constexpr float middle = 0.5f * (top + bottom);

    juce::Path upper;
    upper.startNewSubPath (left, middle + 0.5f);
    upper.lineTo (left, top + corner);
    upper.quadraticTo (left, top, left + corner, top);
    upper.lineTo (right - headLength, top);

    juce::Path lower;
    lower.startNewSubPath (right, middle - 0.5f);
    lower.lineTo (right, bottom - corner);
    lower.quadraticTo (right, bottom, right - corner, bottom);
    lower.lineTo (left + headLength, bottom);

    const auto rightHead = triangle ({ right - headLength, top - headHalfHeight },
                                     { right - headLength, top + headHalfHeight },
                                     { right + 0.6f, top });
    const auto leftHead = triangle ({ left + headLength, bottom - headHalfHeight },
                                    { left + headLength, bottom + headHalfHeight },
                                    { left - 0.6f, bottom });

    return { strokeOutline (upper, kIconStroke), strokeOutline (lower, kIconStroke), rightHead, leftHead };
}

//==============================================================================
// The logo: a "K" on a rounded badge. The stem is in the text colour; the arm and the leg carry
// the two signals' colours (the Reference's green above, the Source's cream below), split by
// narrow cuts. Drawn in units of a hundredth of the side, so every size is the same drawing.
juce::Image renderLogo (int size)
{
    juce::Image image (juce::Image::ARGB, size, size, true);
    juce::Graphics g (image);
    g.addTransform (juce::AffineTransform::scale ((float) size / 100.0f));

    constexpr float badgeInset = 3.0f;
    constexpr float badgeCorner = 22.0f;
    constexpr float badgeOutline = 1.6f;

    const juce::Rectangle<float> badge (badgeInset, badgeInset, 100.0f - 2.0f * badgeInset, 100.0f - 2.0f * badgeInset);
    g.setColour (ThemePalette::panel);
    g.fillRoundedRectangle (badge, badgeCorner);
    g.setColour (ThemePalette::borderStrong);
    g.drawRoundedRectangle (badge.reduced (0.5f * badgeOutline), badgeCorner - 0.5f * badgeOutline, badgeOutline);

    // Geometry of the letter. The arm and the leg run at 45 degrees; their ends are cut level.
    constexpr float top = 25.0f, bottom = 75.0f;
    constexpr float stemLeft = 27.0f, stemRight = 39.0f;
    constexpr float cut = 3.2f;              // width of the cuts between the three strokes
    constexpr float armTopLeft = 57.0f;      // the arm's top edge runs from here ...
    constexpr float armWidth = 16.0f;        // ... this far to the right
    constexpr float legWidth = 16.0f;        // the leg's bottom edge, ending at legRight
    constexpr float legRight = 75.0f;

    juce::Path stem;
    stem.addRectangle (stemLeft, top, stemRight - stemLeft, bottom - top);
    g.setColour (ThemePalette::text);
    g.fillPath (stem);

    // Arm: between the lines x + y = armTopLeft + top and x + y = armTopLeft + armWidth + top,
    // from the top down to the cut beside the stem.
    const auto armInner = armTopLeft + top;
    const auto armOuter = armTopLeft + armWidth + top;
    const auto armFoot = stemRight + cut;
    juce::Path arm;
    arm.startNewSubPath (armTopLeft, top);
    arm.lineTo (armTopLeft + armWidth, top);
    arm.lineTo (armFoot, armOuter - armFoot);
    arm.lineTo (armFoot, armInner - armFoot);
    arm.closeSubPath();
    g.setColour (ThemePalette::accent);
    g.fillPath (arm);

    // Leg: between the lines x - y = legRight - legWidth - bottom and x - y = legRight - bottom,
    // from the bottom up to the cut below the arm (the line x + y = armOuter + cut * sqrt 2).
    const auto legInner = legRight - legWidth - bottom;
    const auto legOuter = legRight - bottom;
    const auto legHead = armOuter + cut * juce::MathConstants<float>::sqrt2;
    const auto onHead = [legHead] (float diff) // where x - y = diff meets x + y = legHead
    {
        return juce::Point<float> (0.5f * (legHead + diff), 0.5f * (legHead - diff));
    };
    // With these proportions the leg's inner edge meets the cut below the arm just clear of the
    // cut beside the stem.
    jassert (onHead (legInner).x >= armFoot);

    juce::Path leg;
    leg.startNewSubPath (legRight - legWidth, bottom);
    leg.lineTo (legRight, bottom);
    leg.lineTo (onHead (legOuter));
    leg.lineTo (onHead (legInner));
    leg.closeSubPath();
    g.setColour (ThemePalette::sourceSignal);
    g.fillPath (leg);

    return image;
}

//==============================================================================
bool writePng (const juce::Image& image, const juce::File& file)
{
    file.deleteFile();
    juce::FileOutputStream out (file);

    if (! out.openedOk())
        return false;

    juce::PNGImageFormat png;

    if (! png.writeImageToStream (image, out))
        return false;

    out.flush();
    return out.getStatus().wasOk();
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: kalvorin_resource_generator <output folder>\n";
        return 2;
    }

    const juce::File folder (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));

    if (! folder.createDirectory())
    {
        std::cerr << "cannot create " << folder.getFullPathName() << "\n";
        return 1;
    }

    const std::vector<std::pair<const char*, std::function<juce::Image()>>> outputs {
        { "Logo.png", [] { return renderLogo (kLogoSize); } },
        { "Logo_Big.png", [] { return renderLogo (kBigLogoSize); } },
        { "Settings.png", [] { return renderIcon (settingsGlyph()); } },
        { "Close.png", [] { return renderIcon (closeGlyph()); } },
        { "History.png", [] { return renderIcon (historyGlyph()); } },
        { "Loop.png", [] { return renderIcon (loopGlyph()); } },
    };

    for (const auto& [name, render] : outputs)
    {
        const auto file = folder.getChildFile (name);

        if (! writePng (render(), file))
        {
            std::cerr << "cannot write " << file.getFullPathName() << "\n";
            return 1;
        }

        std::cout << "wrote " << file.getFullPathName() << " (" << file.getSize() << " bytes)\n";
    }

    return 0;
}
