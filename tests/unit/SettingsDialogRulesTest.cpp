#include "editor/SettingsDialogRules.h"
#include "editor/SettingsLayout.h"

#include <gtest/gtest.h>

#include <ostream>

namespace
{
using Rules = SettingsDialogRules;

// Item ids of the unit boxes: the meter unit + 1.
constexpr int truePeak = 1, rms = 2, shortTerm = 3, integrated = 4, peak = 5;

struct ClashCase
{
    const char* name;
    int changedId;
    int otherId;
    Rules::BoxIds expected;
};

void PrintTo (const ClashCase& c, std::ostream* os) { *os << c.name; }

class BoxClash : public ::testing::TestWithParam<ClashCase>
{
};

TEST_P (BoxClash, theChangedBoxKeepsItsUnitAndTheOtherMoves)
{
    const auto& c = GetParam();
    EXPECT_EQ (Rules::resolveBoxClash (c.changedId, c.otherId), c.expected);
}

INSTANTIATE_TEST_SUITE_P (
    SettingsDialogRules, BoxClash,
    ::testing::Values (ClashCase { "rmsOnRmsMovesTheOtherToTruePeak", rms, rms, { rms, truePeak } },
                       ClashCase { "shortTermOnShortTermMovesTheOtherToTruePeak", shortTerm, shortTerm, { shortTerm, truePeak } },
                       ClashCase { "integratedOnIntegratedMovesTheOtherToTruePeak", integrated, integrated, { integrated, truePeak } },
                       ClashCase { "peakOnPeakMovesTheOtherToShortTerm", peak, peak, { peak, shortTerm } },
                       ClashCase { "truePeakOnTruePeakMovesTheOtherToShortTerm", truePeak, truePeak, { truePeak, shortTerm } },
                       ClashCase { "differentUnitsStayAsTheyAre", peak, rms, { peak, rms } },
                       ClashCase { "anUnknownIdOnTruePeakBecomesTruePeak", 0, truePeak, { truePeak, shortTerm } },
                       ClashCase { "anUnknownIdBesideAnotherUnitStays", 9, rms, { 9, rms } }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (SettingsDialogRules, storedUnitsOutsideTheRangeReadAsTruePeakAndEqualUnitsAreToldApart)
{
    struct Case
    {
        int left, right;
        Rules::Units expected;
    };

    for (const auto& c : { Case { 1, 1, { 1, 0 } }, Case { 3, 3, { 3, 0 } }, Case { 4, 4, { 4, 2 } },
                           Case { 0, 0, { 0, 2 } }, Case { 7, 1, { 0, 1 } }, Case { -1, 9, { 0, 2 } },
                           Case { 2, 0, { 2, 0 } } })
    {
        EXPECT_EQ (Rules::unitsFromStore (c.left, c.right), c.expected) << c.left << ", " << c.right;
    }
}

TEST (SettingsDialogRules, historyLengthsAreReadFromTheLeadingNumberAndStoredWithinTenToAnHour)
{
    struct Case
    {
        const char* text;
        double shown;  // when the text is the stored value
        double stored; // when the text is typed into the field
    };

    for (const auto& c : { Case { "5", 10.0, 10.0 },
                           Case { "12.5", 12.5, 12.5 },
                           Case { "99999", 99999.0, 3600.0 },
                           Case { "1.2.3", 10.0, 10.0 },
                           Case { "7200", 7200.0, 3600.0 },
                           Case { "", 10.0, 10.0 },
                           Case { "abc", 10.0, 10.0 },
                           Case { ".", 10.0, 10.0 },
                           Case { "  60  ", 60.0, 60.0 },
                           Case { "45.", 45.0, 45.0 },
                           Case { "-500", 10.0, 10.0 },
                           Case { "1e9", 10.0, 10.0 },
                           Case { "nan", 10.0, 10.0 } })
    {
        EXPECT_DOUBLE_EQ (Rules::historySecondsToShow (c.text), c.shown) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ (Rules::historySecondsToStore (c.text), c.stored) << '"' << c.text << '"';
    }

    // Far more digits than a double holds: the longest length, never infinity.
    const auto huge = juce::String::repeatedString ("9", 400);
    EXPECT_DOUBLE_EQ (Rules::historySecondsToShow (huge), Rules::kMaxHistorySeconds);
    EXPECT_DOUBLE_EQ (Rules::historySecondsToStore (huge), Rules::kMaxHistorySeconds);
}

TEST (SettingsDialogRules, lengthsShowWithTwoDecimalsAndStoreInTheShortestForm)
{
    EXPECT_EQ (Rules::formatForField (10.0), "10.00");
    EXPECT_EQ (Rules::formatForField (7200.0), "7200.00");
    EXPECT_EQ (Rules::formatForField (12.5), "12.50");

    EXPECT_EQ (Rules::formatForStore (10.0), "10");
    EXPECT_EQ (Rules::formatForStore (12.5), "12.5");
    EXPECT_EQ (Rules::formatForStore (3600.0), "3600");
    EXPECT_EQ (Rules::formatForStore (1234.5678), "1234.57");
}

TEST (SettingsDialogRules, theVersionLineAddsTheReleaseChannelOnlyWhenThereIsOne)
{
    EXPECT_EQ (Rules::versionText ("0.0.1", Rules::kReleaseChannel), "0.0.1 BETA");
    EXPECT_EQ (Rules::versionText ("0.0.1", "  "), "0.0.1");
}

TEST (SettingsLayout, atTheDialogsSizeEveryControlSitsWhereItBelongs)
{
    const auto layout = SettingsLayout::forBounds ({ SettingsLayout::kDialogWidth, SettingsLayout::kDialogHeight });
    using R = juce::Rectangle<int>;

    EXPECT_EQ (layout.generalGroup, R (12, 12, 496, 188));
    EXPECT_EQ (layout.leftUnitLabel, R (24, 32, 130, 24));
    EXPECT_EQ (layout.leftUnitBox, R (158, 32, 334, 24));
    EXPECT_EQ (layout.rightUnitLabel, R (24, 62, 130, 24));
    EXPECT_EQ (layout.rightUnitBox, R (158, 62, 334, 24));
    EXPECT_EQ (layout.analyzerStyleLabel, R (24, 92, 130, 24));
    EXPECT_EQ (layout.analyzerStyleBox, R (158, 92, 334, 24));
    EXPECT_EQ (layout.historyToggle, R (24, 126, 472, 24));
    EXPECT_EQ (layout.historyLengthLabel, R (24, 156, 130, 24));
    EXPECT_EQ (layout.historyLengthEditor, R (158, 156, 334, 24));
    EXPECT_EQ (layout.versionGroup, R (12, 210, 496, 74));
    EXPECT_EQ (layout.versionLabel, R (24, 226, 472, 24));
    EXPECT_EQ (layout.creditLink, R (24, 250, 472, 24));
    EXPECT_EQ (layout.okButton, R (318, 412, 90, 32));
    EXPECT_EQ (layout.cancelButton, R (418, 412, 90, 32));
}
} // namespace
