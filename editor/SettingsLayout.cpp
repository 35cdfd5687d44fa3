#include "editor/SettingsLayout.h"

namespace
{
constexpr int kButtonRowHeight = 44;
constexpr int kButtonRowInsetX = 12;
constexpr int kButtonRowInsetY = 6;
constexpr int kButtonWidth = 90;
constexpr int kButtonGap = 10;

constexpr int kContentInset = 12;

constexpr int kGeneralGroupHeight = 188;
constexpr int kGroupInsetX = 12;
constexpr int kGeneralInsetY = 20;
constexpr int kRowHeight = 24;
constexpr int kRowGap = 6;
constexpr int kGapBeforeToggle = 10;
constexpr int kCaptionWidth = 130;
constexpr int kControlInsetX = 4;

constexpr int kGapBetweenGroups = 10;
constexpr int kVersionGroupHeight = 74;
constexpr int kVersionInsetTop = 9;
constexpr int kVersionInsetBottom = 3;
constexpr int kVersionBlockHeight = 48;

/** A caption at the left of a row and its control in the rest, set in from both sides. */
void splitCaptionRow (juce::Rectangle<int> row, juce::Rectangle<int>& caption, juce::Rectangle<int>& control)
{
    caption = row.removeFromLeft (kCaptionWidth);
    control = row.reduced (kControlInsetX, 0);
}
} // namespace

SettingsLayout SettingsLayout::forBounds (juce::Rectangle<int> bounds)
{
    SettingsLayout layout;
    auto area = bounds;

    auto buttonRow = area.removeFromBottom (kButtonRowHeight).reduced (kButtonRowInsetX, kButtonRowInsetY);
    layout.cancelButton = buttonRow.removeFromRight (kButtonWidth);
    buttonRow.removeFromRight (kButtonGap);
    layout.okButton = buttonRow.removeFromRight (kButtonWidth);

    auto content = area.reduced (kContentInset);

    layout.generalGroup = content.removeFromTop (kGeneralGroupHeight);
    auto rows = layout.generalGroup.reduced (kGroupInsetX, kGeneralInsetY);
    splitCaptionRow (rows.removeFromTop (kRowHeight), layout.leftUnitLabel, layout.leftUnitBox);
    rows.removeFromTop (kRowGap);
    splitCaptionRow (rows.removeFromTop (kRowHeight), layout.rightUnitLabel, layout.rightUnitBox);
    rows.removeFromTop (kRowGap);
    splitCaptionRow (rows.removeFromTop (kRowHeight), layout.analyzerStyleLabel, layout.analyzerStyleBox);
    rows.removeFromTop (kGapBeforeToggle);
    layout.historyToggle = rows.removeFromTop (kRowHeight);
    rows.removeFromTop (kRowGap);
    splitCaptionRow (rows.removeFromTop (kRowHeight), layout.historyLengthLabel, layout.historyLengthEditor);

    content.removeFromTop (kGapBetweenGroups);
    layout.versionGroup = content.removeFromTop (kVersionGroupHeight);
    auto inside = layout.versionGroup.reduced (kGroupInsetX, 0);
    inside.removeFromTop (kVersionInsetTop);
    inside.removeFromBottom (kVersionInsetBottom);
    inside.removeFromTop (juce::jmax (0, (inside.getHeight() - kVersionBlockHeight) / 2));
    auto block = inside.removeFromTop (kVersionBlockHeight);
    layout.versionLabel = block.removeFromTop (kRowHeight);
    layout.creditLink = block.removeFromTop (kRowHeight);

    return layout;
}
