#include "editor/AdviceReport.h"

#include "editor/SpectrumBands.h"

#include <cmath>
#include <iterator>
#include <limits>

namespace
{
// A tonal band's average gap that is worth a line, in dB.
constexpr double kToneGapDb = 3.0;
// Share of a band's time on the side of its average above which the gap counts as steady.
constexpr double kSteadyShare = 0.7;
// Share of a band's time on each side above which a small average hides a swing both ways.
constexpr double kSwingShare = 0.2;
// A width gap worth a line, in percentage points.
constexpr double kWidthGapPoints = 5.0;
// A crest-factor gap worth a line, in dB.
constexpr double kCrestGapDb = 2.0;

// Where a band's centre lies in the terms an engineer uses; bands are named by the first
// region whose upper limit lies above the centre.
struct Region
{
    double upToHz;
    const char* name;
};

constexpr Region kRegions[] = {
    { 60.0, "Deep bass" },
    { 250.0, "Bass weight" },
    { 500.0, "Warmth" },
    { 2000.0, "Midrange body" },
    { 6000.0, "Presence and bite" },
    { 12000.0, "Brightness" },
    { std::numeric_limits<double>::infinity(), "Air and sparkle" },
};

const char* const kStereoBandLabels[] = { "Bass (20-320 Hz)", "Mids (320 Hz-3 kHz)", "Treble (from 3 kHz)" };

juce::String oneDecimal (double value)
{
    return juce::String (value, 1);
}

juce::String frequencyText (double hz)
{
    if (hz >= 1000.0)
        return oneDecimal (hz / 1000.0) + " kHz";

    return juce::String (juce::roundToInt (hz)) + " Hz";
}

juce::String regionName (double centreHz)
{
    for (const auto& region : kRegions)
        if (centreHz < region.upToHz)
            return region.name;

    return kRegions[std::size (kRegions) - 1].name;
}

void addToneLines (AdviceReport& report, const LoopPassAccumulator& data, double minimumSeconds, bool& measured)
{
    for (int band = 0; band < SpectrumBands::kNumBands; ++band)
    {
        const auto& tonal = data.tonalBands[(size_t) band];

        if (! (tonal.seconds >= minimumSeconds))
            continue;

        measured = true;
        const double average = tonal.seconds > 0.0 ? tonal.diffSum / tonal.seconds : 0.0;
        const double lowHz = SpectrumBands::getEdgeHz (band), highHz = SpectrumBands::getEdgeHz (band + 1);
        const auto name = regionName (std::sqrt (lowHz * highHz));

        AdviceLine line;
        line.label = name + " (" + frequencyText (lowHz) + " - " + frequencyText (highHz) + ")";

        if (std::abs (average) >= kToneGapDb)
        {
            const bool mixHasLess = average > 0.0;
            const double share = (mixHasLess ? tonal.aboveSeconds : tonal.belowSeconds) / tonal.seconds;

            line.value = juce::String ("Your mix has ") + (mixHasLess ? "less " : "more ") + name.toLowerCase()
                       + " than the Reference.";

            if (share >= kSteadyShare)
            {
                line.detail = juce::String ("In your EQ, try ") + (mixHasLess ? "raising" : "lowering")
                            + " this range by 1-2 dB first. Listen again before making a bigger change.";
            }
            else
            {
                line.value += " The difference changes between passages.";
                line.detail = "Compare those passages first; one EQ setting may not suit them all.";
            }

            line.followUp = "Average gap: " + oneDecimal (std::abs (average)) + " dB.";
            report.addLine (AdviceReport::kToneSection, std::move (line));
        }
        else if (tonal.aboveSeconds > kSwingShare * tonal.seconds && tonal.belowSeconds > kSwingShare * tonal.seconds)
        {
            line.value = "Your mix has more here in some passages and less in others.";
            line.detail = "Listen to those passages separately before changing EQ across the whole track.";
            report.addLine (AdviceReport::kToneSection, std::move (line));
        }
    }
}

void addWidthLine (AdviceReport& report, const LoopPassAccumulator::StereoBand& stereo, int band)
{
    const double width = stereo.widthDiffSum / stereo.widthSeconds;
    const bool sourceLosesInMono = stereo.sourceNegativeSeconds > 0.0;
    const bool referenceLosesInMono = stereo.referenceNegativeSeconds > 0.0;

    if (! (std::abs (width) >= kWidthGapPoints || sourceLosesInMono || referenceLosesInMono))
        return;

    AdviceLine line;
    line.label = kStereoBandLabels[band];

    if (std::abs (width) >= kWidthGapPoints)
    {
        if (width > 0.0)
        {
            line.value = "Your mix is more centered; the Reference spreads farther left and right. ";

            if (sourceLosesInMono || referenceLosesInMono)
                line.detail = "Check mono playback before adding more width. ";
            else if (band == 0)
                line.detail = "If the bass feels too narrow, try a small width increase on its upper layers. "
                              "Keep deep bass centered and check mono playback. ";
            else
                line.detail = "Try a small width increase in this range, or move suitable instruments a little "
                              "farther left and right. ";
        }
        else
        {
            line.value = "Your mix spreads farther left and right than the Reference. ";
            line.detail = "Try reducing a stereo widener in this range, or move widely panned instruments a "
                          "little closer to the center. ";
        }

        line.followUp = "Measured width gap: " + oneDecimal (std::abs (width))
                      + " percentage points (not a widener setting). ";
    }

    if (stereo.sourceCorrelationSeconds > 0.0 && sourceLosesInMono)
    {
        line.value += "Some sounds may get quieter or disappear in mono, when left and right are combined. ";
        line.detail += "Switch your monitoring to mono and listen. If the mix loses body, reduce widening or "
                       "stereo-delay effects. ";
        line.followUp += "Negative correlation in "
                       + juce::String (100.0 * stereo.sourceNegativeSeconds / stereo.sourceCorrelationSeconds)
                       + "% of recorded readings.";
    }

    if (referenceLosesInMono)
    {
        line.value += "The Reference shows a risk of losing sound in mono.";
        line.detail += "Do not copy its width blindly; check how your mix sounds with left and right combined.";
    }

    report.addLine (AdviceReport::kStereoSection, std::move (line));
}

void addPeaksLine (AdviceReport& report, const LoopPassAccumulator::StereoBand& stereo, int band)
{
    const double crest = stereo.crestDiffSum / stereo.crestSeconds;

    if (! (std::abs (crest) >= kCrestGapDb))
        return;

    const bool mixIsFlatter = crest > 0.0;
    AdviceLine line;
    line.label = kStereoBandLabels[band];
    line.value = juce::String (mixIsFlatter ? "Loud peaks stand out less in your mix than in the Reference."
                                            : "Loud peaks stand out more in your mix than in the Reference.")
               + " Different instruments or arrangements can also explain this gap.";
    line.detail = juce::String (mixIsFlatter
                                    ? "If hits sound too soft, try less compression or limiting on the sounds in this "
                                      "range to let their attack through. "
                                    : "If hits jump out too much, try gentle compression on the sounds in this range "
                                      "to turn down the loudest moments. ")
                + "Listen again at a similar volume.";
    line.followUp = "Average peak-to-body difference: " + oneDecimal (std::abs (crest)) + " dB.";
    report.addLine (AdviceReport::kPunchSection, std::move (line));
}

void addStereoAndPeakLines (AdviceReport& report, const LoopPassAccumulator& data, double minimumSeconds, bool& measured)
{
    for (int band = 0; band < kNumStereoBands; ++band)
    {
        const auto& stereo = data.stereoBands[(size_t) band];
        const bool widthMeasured = stereo.widthSeconds >= minimumSeconds;
        const bool crestMeasured = stereo.crestSeconds >= minimumSeconds;

        if (widthMeasured || crestMeasured)
            measured = true;

        if (widthMeasured && stereo.widthSeconds > 0.0)
            addWidthLine (report, stereo, band);

        if (crestMeasured && stereo.crestSeconds > 0.0)
            addPeaksLine (report, stereo, band);
    }
}
}

void AdviceReport::addLine (int section, AdviceLine line)
{
    const auto index = (size_t) (section == kToneSection || section == kStereoSection ? section : kPunchSection);
    auto& text = sections[index];

    text << line.label << ": " << line.value << " " << line.detail;

    if (line.followUp.isNotEmpty())
        text << " " << line.followUp;

    text << "\n";
    lines[index].push_back (std::move (line));
}

bool AdviceReport::hasNoFindings() const noexcept
{
    for (const auto& text : sections)
        if (text.isNotEmpty())
            return false;

    return true;
}

void buildHistoryAdvice (AdviceReport& report, const LoopPassAccumulator& data, bool historyEnabled,
                         double minimumSeconds)
{
    report = {};

    if (! historyEnabled)
    {
        report.title = "Playback history is disabled. Enable it in Settings to record an analysis.";
        return;
    }

    if (! (data.totalSeconds > 0.0))
    {
        report.title = "No playback history yet. Start playback with your mix (Source) and a Reference loaded. "
                       "Only the recorded playback will be compared.";
        return;
    }

    report.title = oneDecimal (data.totalSeconds) + " s of saved playback / " + oneDecimal (data.matchedSeconds)
                 + " s ready to compare. Suggestions apply to your mix (Source).";

    if (minimumSeconds > data.matchedSeconds)
    {
        report.title << "\nNot enough audio to compare yet. Play your mix and the Reference together for at "
                        "least 3 seconds, then keep playing.";
        return;
    }

    bool measured = false;
    addToneLines (report, data, minimumSeconds, measured);
    addStereoAndPeakLines (report, data, minimumSeconds, measured);

    if (report.hasNoFindings())
        report.title << (measured ? "\nNo relevant differences in the measured ranges."
                                  : "\nNot enough sound recorded to compare. Record a section where both tracks "
                                    "are audible.");
}
