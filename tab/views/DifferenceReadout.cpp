#include "tab/views/DifferenceReadout.h"

#include "tab/views/BandDisplayBase.h"

#include <cmath>
#include <limits>

namespace
{
constexpr float kNotKnown = std::numeric_limits<float>::quiet_NaN();

constexpr float kBoxMaxWidth = 340.0f;
constexpr float kBoxHeight = 76.0f;
constexpr float kBoxTopOffset = 34.0f;
constexpr float kBoxMargin = 8.0f;

const juce::String kMinusSign { juce::CharPointer_UTF8 ("\xe2\x88\x92") };
const juce::String kMiddleDot { juce::CharPointer_UTF8 (" \xc2\xb7 ") };
const juce::String kEnDash { juce::CharPointer_UTF8 ("\xe2\x80\x93") };

bool isKnown (const std::vector<float>& values, int index) noexcept
{
    return juce::isPositiveAndBelow (index, (int) values.size()) && std::isfinite (values[(size_t) index]);
}

juce::String oneDecimal (float value)
{
    return juce::String (std::abs (value) < DifferenceReadout::kSameDb ? 0.0f : value, 1);
}
}

namespace DifferenceReadout
{
void computeBandDifferences (const std::vector<float>& referenceRawLevels, const std::vector<float>& sourceRawLevels,
                             float referenceOffsetDb, float sourceOffsetDb, bool differenceValid,
                             std::vector<float>& differences)
{
    differences.assign (std::min (referenceRawLevels.size(), sourceRawLevels.size()), kNotKnown);

    if (! differenceValid)
        return;

    for (size_t i = 0; i < differences.size(); ++i)
    {
        const auto reference = referenceRawLevels[i];
        const auto source = sourceRawLevels[i];

        if (reference > kNoSignalDb && source > kNoSignalDb)
            differences[i] = (source + sourceOffsetDb) - (reference + referenceOffsetDb);
    }
}

float plottedValue (float difference, bool matchEqMode) noexcept
{
    return matchEqMode ? -difference : difference;
}

float valueAt (double hz, const std::vector<double>& edges, const std::vector<double>& centres,
               const std::vector<float>& differences, bool matchEqMode, bool smoothCurve)
{
    if (differences.empty() || std::isnan (hz))
        return kNotKnown;

    int edgesBelow = 0;
    for (auto edge : edges)
        if (edge <= hz)
            ++edgesBelow;

    const auto band = juce::jlimit (0, (int) differences.size() - 1, edgesBelow - 1);

    if (! isKnown (differences, band))
        return kNotKnown;

    const auto here = plottedValue (differences[(size_t) band], matchEqMode);

    if (! smoothCurve || centres.size() < differences.size())
        return here;

    auto between = [&] (int lower)
    {
        const auto t = std::log (hz / centres[(size_t) lower]) / std::log (centres[(size_t) lower + 1] / centres[(size_t) lower]);
        return plottedValue (BandDisplayBase::interpolateLevel (differences, centres, lower, lower + 1, (float) t), matchEqMode);
    };

    const auto centre = centres[(size_t) band];

    if (hz < centre && isKnown (differences, band - 1))
        return between (band - 1);

    if (hz > centre && isKnown (differences, band + 1))
        return between (band);

    return here;
}

juce::String frequencyText (double hz)
{
    if (! std::isfinite (hz))
        return "-";

    if (hz >= 1000.0)
        return juce::String (hz / 1000.0, 1) + " kHz";

    return juce::String (juce::roundToInt (hz)) + " Hz";
}

juce::String valueText (float value)
{
    if (std::isnan (value))
        return "No signal";

    const auto magnitude = std::abs (value);
    juce::String text;

    if (value <= -kSameDb)
        text << kMinusSign;
    else if (value >= kSameDb)
        text << "+";

    text << oneDecimal (magnitude) << " dB";

    if (magnitude > kOffScaleDb)
        text << " (off scale)";

    return text;
}

juce::String readoutTitle (double hz, float value)
{
    return frequencyText (hz) + kMiddleDot + valueText (value);
}

Advice adviceFor (float value, bool matchEqMode)
{
    if (std::isnan (value))
        return { "Not enough signal to compare", "Play both signals and allow 3 seconds" };

    if (std::abs (value) < kSameDb)
        return { "Source and Reference have similar energy", "Suggested action: No EQ change" };

    // The boost the Source needs: the plotted value in MATCH EQ mode, its negation in DIFF mode.
    const auto boost = matchEqMode ? value : -value;

    if (boost < 0.0f)
        return { "Source has more energy than Reference", "Suggested action: Cut Source" };

    return { "Source has less energy than Reference", "Suggested action: Boost Source" };
}

juce::String widthVerdict (float referenceWidthPercent, float sourceWidthPercent)
{
    const auto difference = referenceWidthPercent - sourceWidthPercent;

    if (std::abs (difference) < kSameDb)
        return "Reference and Source equally wide";

    return "Reference " + oneDecimal (std::abs (difference)) + (difference > 0.0f ? " pp wider" : " pp narrower");
}

juce::String crestVerdict (float referenceCrestDb, float sourceCrestDb)
{
    const auto difference = referenceCrestDb - sourceCrestDb;

    if (std::abs (difference) < kSameDb)
        return "Reference and Source equally peaky";

    if (difference > 0.0f)
        return "Reference +" + oneDecimal (difference) + " dB crestier";

    return "Reference " + oneDecimal (-difference) + " dB less peaky";
}

PhaseVerdict phaseVerdict (float referenceCorrelation, float sourceCorrelation)
{
    PhaseVerdict verdict;
    verdict.text = sourceCorrelation < 0.0f ? "Source phase: Cancellation risk" : "Source phase OK";

    if (referenceCorrelation < 0.0f)
        verdict.text << " / Reference phase: Risk";

    verdict.warning = sourceCorrelation < 0.0f || referenceCorrelation < 0.0f;
    return verdict;
}

juce::String bandTitle (int band)
{
    switch (band)
    {
        case 0:  return "LOW" + kMiddleDot + "20" + kEnDash + "320 Hz";
        case 1:  return "MID" + kMiddleDot + "320 Hz" + kEnDash + "3 kHz";
        default: return "HIGH" + kMiddleDot + "3" + kEnDash + "20 kHz";
    }
}

juce::Rectangle<float> hoverBoxBounds (juce::Rectangle<float> plot, float mouseX) noexcept
{
    const auto width = std::min (plot.getWidth() - 2.0f * kBoxMargin, kBoxMaxWidth);
    const auto left = mouseX < plot.getX() + plot.getWidth() * 0.5f ? plot.getRight() - width - kBoxMargin
                                                                    : plot.getX() + kBoxMargin;
    return { left, plot.getY() + kBoxTopOffset, width, kBoxHeight };
}
}
