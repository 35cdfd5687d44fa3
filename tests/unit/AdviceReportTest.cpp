#include "editor/AdviceReport.h"

#include <gtest/gtest.h>

namespace
{
// An accumulation of `seconds` of matched time with nothing remarkable in it.
LoopPassAccumulator matchedFor (double seconds)
{
    LoopPassAccumulator data;
    data.totalSeconds = seconds;
    data.matchedSeconds = seconds;
    return data;
}

// Gives one tonal band an average difference and the share of its time beyond +3 dB (when the
// average is positive) or below -3 dB (when negative).
void setTonalBand (LoopPassAccumulator& data, int band, double averageDb, double shareBeyond, double seconds)
{
    auto& tonal = data.tonalBands[(size_t) band];
    tonal.seconds = seconds;
    tonal.diffSum = averageDb * seconds;
    (averageDb > 0 ? tonal.aboveSeconds : tonal.belowSeconds) = shareBeyond * seconds;
}

AdviceReport advise (const LoopPassAccumulator& data, double minimumSeconds = kHistoryMinimumSeconds)
{
    AdviceReport report;
    buildHistoryAdvice (report, data, true, minimumSeconds);
    return report;
}

const juce::String kRaise = "In your EQ, try raising this range by 1-2 dB first. Listen again before making a bigger change.";
}

TEST (AdviceReport, addLineJoinsTheFourTextsIntoItsSectionAndKeepsTheLine)
{
    AdviceReport report;
    report.addLine (0, { "L", "V", "D", "F" });
    report.addLine (1, { "L", "V", "D", {} });
    report.addLine (7, { "P", "V", "D", {} });

    EXPECT_EQ (report.sections[0], "L: V D F\n");
    EXPECT_EQ (report.sections[1], "L: V D\n");
    EXPECT_EQ (report.sections[2], "P: V D\n");
    EXPECT_EQ (report.lines[2].size(), 1u);
    EXPECT_FALSE (report.hasNoFindings());
}

TEST (AdviceReport, theTitleSaysWhenThereIsNothingToCompare)
{
    struct Case { bool enabled; double total; double matched; const char* title; };
    const Case cases[] = {
        { false, 8.0, 8.0, "Playback history is disabled. Enable it in Settings to record an analysis." },
        { true, 0.0, 0.0, "No playback history yet. Start playback with your mix (Source) and a Reference loaded. "
                          "Only the recorded playback will be compared." },
        { true, 8.0, 0.3, "8.0 s of saved playback / 0.3 s ready to compare. Suggestions apply to your mix (Source).\n"
                          "Not enough audio to compare yet. Play your mix and the Reference together for at least 3 "
                          "seconds, then keep playing." },
        { true, 8.0, 8.0, "8.0 s of saved playback / 8.0 s ready to compare. Suggestions apply to your mix (Source).\n"
                          "Not enough sound recorded to compare. Record a section where both tracks are audible." },
    };

    for (const auto& c : cases)
    {
        auto data = matchedFor (c.matched);
        data.totalSeconds = c.total;
        AdviceReport report;
        buildHistoryAdvice (report, data, c.enabled, kHistoryMinimumSeconds);

        EXPECT_EQ (report.title, c.title);
        EXPECT_TRUE (report.hasNoFindings());
        EXPECT_TRUE (report.lines[0].empty() && report.lines[1].empty() && report.lines[2].empty());
    }
}

TEST (AdviceReport, aSteadyBassGapSuggestsRaisingTheBass)
{
    auto data = matchedFor (10.0);
    setTonalBand (data, 5, 4.0, 0.8, 10.0);
    const auto report = advise (data);

    ASSERT_EQ (report.lines[0].size(), 1u);
    const auto& line = report.lines[0][0];
    EXPECT_EQ (line.label, "Bass weight (63 Hz - 80 Hz)");
    EXPECT_EQ (line.value, "Your mix has less bass weight than the Reference.");
    EXPECT_EQ (line.detail, kRaise);
    EXPECT_EQ (line.followUp, "Average gap: 4.0 dB.");
    EXPECT_EQ (report.sections[0], line.label + ": " + line.value + " " + line.detail + " " + line.followUp + "\n");
    EXPECT_EQ (report.title, "10.0 s of saved playback / 10.0 s ready to compare. Suggestions apply to your mix (Source).");
}

TEST (AdviceReport, aGapThatComesAndGoesAsksToComparePassagesFirst)
{
    auto data = matchedFor (10.0);
    setTonalBand (data, 5, 4.0, 0.5, 10.0);
    const auto report = advise (data);
    const auto& line = report.lines[0].at (0);

    EXPECT_EQ (line.value, "Your mix has less bass weight than the Reference. The difference changes between passages.");
    EXPECT_EQ (line.detail, "Compare those passages first; one EQ setting may not suit them all.");
    EXPECT_EQ (line.followUp, "Average gap: 4.0 dB.");
}

TEST (AdviceReport, bandsAreNamedByTheirCentreWithTheirEdgesAsLabel)
{
    struct Case { int band; double averageDb; const char* label; const char* value; };
    const Case cases[] = {
        { 0, 5.0, "Deep bass (20 Hz - 25 Hz)", "Your mix has less deep bass than the Reference." },
        { 16, -3.0, "Midrange body (796 Hz - 1.0 kHz)", "Your mix has more midrange body than the Reference." },
        { 20, 3.5, "Presence and bite (2.0 kHz - 2.5 kHz)", "Your mix has less presence and bite than the Reference." },
        { 29, -6.0, "Air and sparkle (15.9 kHz - 20.0 kHz)", "Your mix has more air and sparkle than the Reference." },
    };

    for (const auto& c : cases)
    {
        auto data = matchedFor (10.0);
        setTonalBand (data, c.band, c.averageDb, 1.0, 10.0);
        const auto report = advise (data);
        const auto& line = report.lines[0].at (0);

        EXPECT_EQ (line.label, c.label);
        EXPECT_EQ (line.value, c.value);
        EXPECT_EQ (line.detail.startsWith ("In your EQ, try raising"), c.averageDb > 0) << c.label;
    }
}

TEST (AdviceReport, smallOrThinlyMeasuredGapsGiveNoLineButSwingsDo)
{
    auto data = matchedFor (10.0);
    setTonalBand (data, 3, 2.9, 1.0, 10.0);  // below the 3 dB gap
    setTonalBand (data, 8, 6.0, 1.0, 0.4);   // measured for less than the minimum
    auto report = advise (data);
    EXPECT_TRUE (report.hasNoFindings());
    EXPECT_TRUE (report.title.endsWith ("\nNo relevant differences in the measured ranges."));

    auto& swing = data.tonalBands[12];
    swing.seconds = 10.0;
    swing.diffSum = 0.0;
    swing.aboveSeconds = 3.0;
    swing.belowSeconds = 3.0;
    report = advise (data);

    ASSERT_EQ (report.lines[0].size(), 1u);
    EXPECT_EQ (report.lines[0][0].value, "Your mix has more here in some passages and less in others.");
    EXPECT_EQ (report.lines[0][0].detail, "Listen to those passages separately before changing EQ across the whole track.");
    EXPECT_TRUE (report.lines[0][0].followUp.isEmpty());
}

TEST (AdviceReport, negativeCorrelationInTheSourceGivesTheMonoSentences)
{
    auto data = matchedFor (10.0);
    auto& low = data.stereoBands[0];
    low.widthSeconds = 10.0;
    low.widthDiffSum = 10.0; // 1 percentage point: no width line of its own
    low.sourceCorrelationSeconds = 10.0;
    low.sourceNegativeSeconds = 2.5;
    const auto report = advise (data);

    ASSERT_EQ (report.lines[1].size(), 1u);
    const auto& line = report.lines[1][0];
    EXPECT_EQ (line.label, "Bass (20-320 Hz)");
    EXPECT_EQ (line.value, "Some sounds may get quieter or disappear in mono, when left and right are combined. ");
    EXPECT_EQ (line.detail, "Switch your monitoring to mono and listen. If the mix loses body, reduce widening or "
                            "stereo-delay effects. ");
    EXPECT_EQ (line.followUp, "Negative correlation in 25% of recorded readings.");
}

TEST (AdviceReport, widthAndPeakGapsAreWrittenPerStereoBand)
{
    auto data = matchedFor (10.0);
    auto& mid = data.stereoBands[1];
    mid.widthSeconds = 10.0;
    mid.widthDiffSum = 80.0;   // the Reference is 8 points wider
    mid.crestSeconds = 10.0;
    mid.crestDiffSum = -25.0;  // the mix's peaks stand out 2.5 dB more
    auto& high = data.stereoBands[2];
    high.widthSeconds = 10.0;
    high.widthDiffSum = -60.0;
    high.referenceNegativeSeconds = 1.0;
    const auto report = advise (data);

    ASSERT_EQ (report.lines[1].size(), 2u);
    EXPECT_EQ (report.lines[1][0].label, "Mids (320 Hz-3 kHz)");
    EXPECT_EQ (report.lines[1][0].value, "Your mix is more centered; the Reference spreads farther left and right. ");
    EXPECT_EQ (report.lines[1][0].detail, "Try a small width increase in this range, or move suitable instruments a "
                                          "little farther left and right. ");
    EXPECT_EQ (report.lines[1][0].followUp, "Measured width gap: 8.0 percentage points (not a widener setting). ");

    EXPECT_EQ (report.lines[1][1].label, "Treble (from 3 kHz)");
    EXPECT_EQ (report.lines[1][1].value, "Your mix spreads farther left and right than the Reference. "
                                         "The Reference shows a risk of losing sound in mono.");

    ASSERT_EQ (report.lines[2].size(), 1u);
    EXPECT_EQ (report.lines[2][0].label, "Mids (320 Hz-3 kHz)");
    EXPECT_EQ (report.lines[2][0].value, "Loud peaks stand out more in your mix than in the Reference. Different "
                                         "instruments or arrangements can also explain this gap.");
    EXPECT_EQ (report.lines[2][0].followUp, "Average peak-to-body difference: 2.5 dB.");
}
