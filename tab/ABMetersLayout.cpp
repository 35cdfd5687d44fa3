#include "tab/ABMetersLayout.h"

namespace
{
// Outer margin around everything the panel holds.
constexpr int kMargin = 10;
// The left column's share of the inner width, in percent.
constexpr int kLeftColumnPercent = 42;
// The left column's blocks: the output block (caption and switch), a gap, the level-match switch.
constexpr int kBlockHeight = 48;
constexpr int kBlockGap = 10;
constexpr int kLeftColumnContentHeight = kBlockHeight + kBlockGap + kBlockHeight;
constexpr int kCaptionHeight = 17;
// The output switch starts 2 px below the caption and leaves 2 px below itself.
constexpr int kSwitchTopOffset = kCaptionHeight + 2;
constexpr int kSwitchHeightReduction = kSwitchTopOffset + 2;
// Gaps between the left column and the readout panels, and between the two panels.
constexpr int kPanelGap = 8;
} // namespace

ABMetersLayout ABMetersLayout::compute (int width, int height) noexcept
{
    const auto innerWidth = juce::jmax (width - 2 * kMargin, 0);
    const auto innerHeight = juce::jmax (height - 2 * kMargin, 0);

    const auto leftWidth = juce::jmin (innerWidth * kLeftColumnPercent / 100, innerWidth);
    const auto offset = juce::jmin (juce::jmax ((innerHeight - kLeftColumnContentHeight) / 2, 0), innerHeight);
    auto remaining = innerHeight - offset;

    ABMetersLayout layout;
    auto y = kMargin + offset;

    const auto outputBlockHeight = juce::jmin (kBlockHeight, remaining);
    layout.outputCaption = { kMargin, y, leftWidth, juce::jmin (kCaptionHeight, remaining) };
    layout.outputSwitch = { kMargin, y + kSwitchTopOffset, leftWidth,
                            juce::jmax (outputBlockHeight - kSwitchHeightReduction, 0) };
    y += outputBlockHeight;
    remaining -= outputBlockHeight;

    const auto gap = juce::jmin (kBlockGap, remaining);
    y += gap;
    remaining -= gap;
    layout.levelMatchSwitch = { kMargin, y, leftWidth, juce::jmin (kBlockHeight, remaining) };

    const auto gap1 = juce::jmin (kPanelGap, innerWidth - leftWidth);
    const auto panelsWidth = innerWidth - leftWidth - gap1;
    const auto sourceWidth = juce::jlimit (0, panelsWidth, (panelsWidth - kPanelGap) / 2);
    const auto gap2 = juce::jmin (kPanelGap, panelsWidth - sourceWidth);
    const auto sourceX = kMargin + leftWidth + gap1;

    layout.sourcePanel = { sourceX, kMargin, sourceWidth, innerHeight };
    layout.referencePanel = { sourceX + sourceWidth + gap2, kMargin, panelsWidth - sourceWidth - gap2, innerHeight };
    return layout;
}
