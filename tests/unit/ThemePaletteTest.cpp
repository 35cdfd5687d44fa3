#include <gtest/gtest.h>

#include "engine/ThemePalette.h"

#include <cmath>
#include <iterator>
#include <ostream>
#include <string>

namespace
{
struct NamedColour
{
    const char* name;
    const juce::Colour* colour;
    juce::uint32 argb;
};

void PrintTo (const NamedColour& c, std::ostream* os) { *os << c.name; }

// The palette in declaration order, with the values every view is drawn in.
const NamedColour paletteTable[] {
    { "background", &ThemePalette::background, 0xff07100d },
    { "surface", &ThemePalette::surface, 0xff0b1713 },
    { "panel", &ThemePalette::panel, 0xff0e1c18 },
    { "panelHighlight", &ThemePalette::panelHighlight, 0xff13251f },
    { "border", &ThemePalette::border, 0xff244139 },
    { "borderStrong", &ThemePalette::borderStrong, 0xff31594d },
    { "accent", &ThemePalette::accent, 0xff20d39a },
    { "accentDim", &ThemePalette::accentDim, 0xff168d6a },
    { "sourceSignal", &ThemePalette::sourceSignal, 0xfff2eee5 },
    { "text", &ThemePalette::text, 0xfff2f4f1 },
    { "textDim", &ThemePalette::textDim, 0xff94a69f },
    { "warning", &ThemePalette::warning, 0xffe3b341 },
    { "textOnDark", &ThemePalette::textOnDark, 0xfff2f4f1 },
    { "textOnLight", &ThemePalette::textOnLight, 0xff07100d },
    { "loopRegion", &ThemePalette::loopRegion, 0xff20d39a },
    { "focusBand", &ThemePalette::focusBand, 0xff20d39a },
    { "historyMark", &ThemePalette::historyMark, 0xffd7b56d },
};

// The brightness rule that picks the text colour on a fill, written out independently:
// sqrt (0.241 r^2 + 0.691 g^2 + 0.068 b^2) with r, g, b in 0..1.
double brightnessOf (juce::uint32 argb)
{
    const auto channel = [argb] (int shift) { return (double) ((argb >> shift) & 0xffu) / 255.0; };
    const auto r = channel (16), g = channel (8), b = channel (0);
    return std::sqrt (0.241 * r * r + 0.691 * g * g + 0.068 * b * b);
}

constexpr double kBrightnessTolerance = 0.005;

class ThemePaletteColour : public ::testing::TestWithParam<NamedColour> {};
} // namespace

TEST_P (ThemePaletteColour, holdsItsOpaqueArgbValue)
{
    const auto& c = GetParam();
    EXPECT_EQ (c.colour->getARGB(), c.argb);
    EXPECT_TRUE (c.colour->isOpaque());
}

INSTANTIATE_TEST_SUITE_P (AllSeventeen, ThemePaletteColour, ::testing::ValuesIn (paletteTable),
                          [] (const auto& paramInfo) { return std::string (paramInfo.param.name); });

TEST (ThemePalette, hasSeventeenNamedColours)
{
    EXPECT_EQ (std::size (paletteTable), 17u);
}

TEST (ThemePalette, sharedValuesStaySeparateNames)
{
    // Equal values, but three separate constants: a future change to one role's colour leaves
    // the other roles alone.
    EXPECT_EQ (ThemePalette::accent, ThemePalette::loopRegion);
    EXPECT_EQ (ThemePalette::accent, ThemePalette::focusBand);
    EXPECT_NE (&ThemePalette::accent, &ThemePalette::loopRegion);
    EXPECT_NE (&ThemePalette::accent, &ThemePalette::focusBand);
    EXPECT_NE (&ThemePalette::loopRegion, &ThemePalette::focusBand);
}

TEST (ThemePalette, brightnessMatchesTheWeightedRule)
{
    for (const auto& c : paletteTable)
        EXPECT_NEAR (ThemePalette::perceivedBrightness (*c.colour), brightnessOf (c.argb), kBrightnessTolerance) << c.name;
}

TEST (ThemePalette, accentAndSourceSignalAreLightFillsAndTakeTextOnLight)
{
    EXPECT_NEAR (brightnessOf (0xff20d39a), 0.71, 0.01);
    EXPECT_NEAR (brightnessOf (0xfff2eee5), 0.93, 0.01);

    EXPECT_EQ (ThemePalette::textColourOn (ThemePalette::accent), ThemePalette::textOnLight);
    EXPECT_EQ (ThemePalette::textColourOn (ThemePalette::sourceSignal), ThemePalette::textOnLight);
}

TEST (ThemePalette, panelHighlightIsADarkFillAndTakesTextOnDark)
{
    EXPECT_NEAR (brightnessOf (0xff13251f), 0.13, 0.01);
    EXPECT_EQ (ThemePalette::textColourOn (ThemePalette::panelHighlight), ThemePalette::textOnDark);
}

TEST (ThemePalette, textColourSwitchesJustAboveThreshold)
{
    // The weights add up to 1, so a grey's brightness is its level: 158/255 = 0.6196 is still
    // dark (at most 0.62), 159/255 = 0.6235 is light.
    const auto darkGrey = juce::Colour (0xff9e9e9e);
    const auto lightGrey = juce::Colour (0xff9f9f9f);

    EXPECT_LE (ThemePalette::perceivedBrightness (darkGrey), ThemePalette::kLightFillThreshold);
    EXPECT_GT (ThemePalette::perceivedBrightness (lightGrey), ThemePalette::kLightFillThreshold);
    EXPECT_EQ (ThemePalette::textColourOn (darkGrey), ThemePalette::textOnDark);
    EXPECT_EQ (ThemePalette::textColourOn (lightGrey), ThemePalette::textOnLight);
}
