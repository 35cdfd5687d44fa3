#include "tab/views/BandAxis.h"
#include "tab/views/DifferenceReadout.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
const juce::String kMinus { juce::CharPointer_UTF8 ("\xe2\x88\x92") };
const float kNaN = std::nanf ("");
}

TEST (DifferenceReadout, theDifferenceIsSourceMinusTheLoudnessNormalisedReference)
{
    // The Source lies 6 dB above the Reference in every band and is 6 LU louder: no difference.
    std::vector<float> reference (30, -50.0f), source (30, -44.0f), differences;
    DifferenceReadout::computeBandDifferences (reference, source, 6.0f, 0.0f, true, differences);

    ASSERT_EQ (differences.size(), 30u);
    for (auto d : differences)
        EXPECT_FLOAT_EQ (d, 0.0f);

    // A Reference band 4 dB louder than the Source at equal loudness reads -4 dB.
    reference[12] = -40.0f;
    source[12] = -44.0f;
    DifferenceReadout::computeBandDifferences (reference, source, 0.0f, 0.0f, true, differences);
    EXPECT_FLOAT_EQ (differences[12], -4.0f);
}

TEST (DifferenceReadout, bandsWithoutSignalAndUnknownLoudnessHaveNoDifference)
{
    std::vector<float> reference { -90.0f, -89.0f, -120.0f, -40.0f };
    std::vector<float> source { -40.0f, -89.5f, -40.0f, -90.0f };
    std::vector<float> differences;

    DifferenceReadout::computeBandDifferences (reference, source, 0.0f, 0.0f, true, differences);
    EXPECT_TRUE (std::isnan (differences[0]));
    EXPECT_FLOAT_EQ (differences[1], -0.5f);
    EXPECT_TRUE (std::isnan (differences[2]));
    EXPECT_TRUE (std::isnan (differences[3]));

    DifferenceReadout::computeBandDifferences (reference, source, 0.0f, 0.0f, false, differences);
    for (auto d : differences)
        EXPECT_TRUE (std::isnan (d));
}

TEST (DifferenceReadout, theReadoutSaysTheValueAndWhatToDo)
{
    struct Case { float difference; bool matchEq; juce::String value, energy, action; };

    const Case cases[] = {
        { -4.0f,  false, kMinus + "4.0 dB", "Source has less energy than Reference", "Suggested action: Boost Source" },
        { -4.0f,  true,  "+4.0 dB",         "Source has less energy than Reference", "Suggested action: Boost Source" },
        { 2.5f,   false, "+2.5 dB",         "Source has more energy than Reference", "Suggested action: Cut Source" },
        { 2.5f,   true,  kMinus + "2.5 dB", "Source has more energy than Reference", "Suggested action: Cut Source" },
        { 0.04f,  false, "0.0 dB",          "Source and Reference have similar energy", "Suggested action: No EQ change" },
        { -0.04f, true,  "0.0 dB",          "Source and Reference have similar energy", "Suggested action: No EQ change" },
        { 23.0f,  false, "+23.0 dB (off scale)", "Source has more energy than Reference", "Suggested action: Cut Source" },
        { 20.0f,  false, "+20.0 dB",        "Source has more energy than Reference", "Suggested action: Cut Source" },
        { kNaN,   false, "No signal",       "Not enough signal to compare", "Play both signals and allow 3 seconds" },
    };

    for (const auto& c : cases)
    {
        const auto value = DifferenceReadout::plottedValue (c.difference, c.matchEq);
        const auto advice = DifferenceReadout::adviceFor (value, c.matchEq);
        EXPECT_EQ (DifferenceReadout::valueText (value), c.value) << c.difference << (c.matchEq ? " match" : " diff");
        EXPECT_EQ (advice.energy, c.energy) << c.difference;
        EXPECT_EQ (advice.action, c.action) << c.difference;
    }

    EXPECT_EQ (DifferenceReadout::readoutTitle (1260.0, -4.0f), juce::String (juce::CharPointer_UTF8 ("1.3 kHz \xc2\xb7 ")) + kMinus + "4.0 dB");
    EXPECT_EQ (DifferenceReadout::frequencyText (99.6), "100 Hz");
    EXPECT_EQ (DifferenceReadout::frequencyText (std::nan ("")), "-");
}

TEST (DifferenceReadout, theVerdictRowsCompareWidthCrestAndPhase)
{
    EXPECT_EQ (DifferenceReadout::widthVerdict (61.5f, 58.0f), "Reference 3.5 pp wider");
    EXPECT_EQ (DifferenceReadout::widthVerdict (40.0f, 52.3f), "Reference 12.3 pp narrower");
    EXPECT_EQ (DifferenceReadout::widthVerdict (50.0f, 50.04f), "Reference and Source equally wide");

    EXPECT_EQ (DifferenceReadout::crestVerdict (9.2f, 10.0f), "Reference 0.8 dB less peaky");
    EXPECT_EQ (DifferenceReadout::crestVerdict (10.3f, 10.0f), "Reference +0.3 dB crestier");
    EXPECT_EQ (DifferenceReadout::crestVerdict (10.0f, 10.0f), "Reference and Source equally peaky");

    const auto referenceRisk = DifferenceReadout::phaseVerdict (-0.2f, 0.4f);
    EXPECT_EQ (referenceRisk.text, "Source phase OK / Reference phase: Risk");
    EXPECT_TRUE (referenceRisk.warning);

    const auto sourceRisk = DifferenceReadout::phaseVerdict (0.3f, -0.1f);
    EXPECT_EQ (sourceRisk.text, "Source phase: Cancellation risk");
    EXPECT_TRUE (sourceRisk.warning);

    EXPECT_FALSE (DifferenceReadout::phaseVerdict (0.0f, 0.9f).warning);

    EXPECT_EQ (DifferenceReadout::bandTitle (0), juce::String (juce::CharPointer_UTF8 ("LOW \xc2\xb7 20\xe2\x80\x93" "320 Hz")));
    EXPECT_EQ (DifferenceReadout::bandTitle (1), juce::String (juce::CharPointer_UTF8 ("MID \xc2\xb7 320 Hz\xe2\x80\x93" "3 kHz")));
    EXPECT_EQ (DifferenceReadout::bandTitle (2), juce::String (juce::CharPointer_UTF8 ("HIGH \xc2\xb7 3\xe2\x80\x93" "20 kHz")));
}

TEST (DifferenceReadout, theValueUnderTheMouseFollowsTheBarsOrTheCurve)
{
    const BandAxis axis;
    std::vector<double> centres;
    for (int i = 0; i < 30; ++i)
        centres.push_back (std::sqrt (axis.getEdge (i) * axis.getEdge (i + 1)));

    std::vector<float> differences (30, kNaN);
    differences[10] = -2.0f;
    differences[11] = -6.0f;

    // Bars: the band's own value, negated in MATCH EQ mode.
    EXPECT_FLOAT_EQ (DifferenceReadout::valueAt (centres[10] * 1.05, axis.getEdges(), centres, differences, false, false), -2.0f);
    EXPECT_FLOAT_EQ (DifferenceReadout::valueAt (centres[10] * 1.05, axis.getEdges(), centres, differences, true, false), 2.0f);

    // Lines: between the centres of two known bands the value lies between theirs; beside a
    // band without a neighbour it is the band's own.
    const auto between = DifferenceReadout::valueAt (centres[10] * 1.05, axis.getEdges(), centres, differences, false, true);
    EXPECT_LT (between, -2.0f);
    EXPECT_GT (between, -6.0f);
    EXPECT_FLOAT_EQ (DifferenceReadout::valueAt (centres[10] * 0.95, axis.getEdges(), centres, differences, false, true), -2.0f);

    EXPECT_TRUE (std::isnan (DifferenceReadout::valueAt (centres[3], axis.getEdges(), centres, differences, false, true)));
    EXPECT_TRUE (std::isnan (DifferenceReadout::valueAt (1000.0, axis.getEdges(), centres, {}, false, true)));
}

TEST (DifferenceReadout, theHoverBoxStaysAwayFromTheMouse)
{
    const juce::Rectangle<float> plot (50.0f, 10.0f, 1000.0f, 400.0f);

    EXPECT_EQ (DifferenceReadout::hoverBoxBounds (plot, 100.0f), juce::Rectangle<float> (702.0f, 44.0f, 340.0f, 76.0f));
    EXPECT_EQ (DifferenceReadout::hoverBoxBounds (plot, 900.0f), juce::Rectangle<float> (58.0f, 44.0f, 340.0f, 76.0f));

    // Exactly on the middle the box goes to the left side.
    EXPECT_EQ (DifferenceReadout::hoverBoxBounds (plot, 550.0f).getX(), 58.0f);

    // A narrow plot narrows the box.
    EXPECT_EQ (DifferenceReadout::hoverBoxBounds (plot.withWidth (200.0f), 60.0f).getWidth(), 184.0f);
}
