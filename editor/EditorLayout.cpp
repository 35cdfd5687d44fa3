#include "editor/EditorLayout.h"

#include <cmath>

namespace EditorLayout
{
namespace
{
constexpr int kSmallLogoX = 13, kSmallLogoY = 7, kSmallLogoSize = 54;
constexpr int kSettingsRightInset = 54, kSettingsY = 16, kSettingsSize = 36;

// The empty state sits in the window below the header, inset 24 px at the sides and 12 px at
// the top and bottom; the logo, title, hint and formats lines form one centred block.
constexpr int kSideInset = 24, kVerticalInsets = 24;
constexpr int kBlockBelowLogo = 132;
constexpr int kMaxLogo = 210, kMinLogo = 140;
constexpr int kMaxBlockWidth = 600;
constexpr int kLabelIndent = 40, kLabelWidthCut = 32;
constexpr int kLogoTop = 92;
constexpr int kTitleGap = 12, kTitleHeight = 36;
constexpr int kHintGap = 60, kHintHeight = 26;
constexpr int kFormatsGap = 88, kFormatsHeight = 20;

// The tooltip box around its text, and its distance from the pointer.
constexpr int kTooltipPadX = 20, kTooltipPadY = 14;
constexpr int kTooltipOffsetRight = 16, kTooltipOffsetLeft = 12;
constexpr int kTooltipOffsetBelow = 16, kTooltipOffsetAbove = 8;
}

WindowLayout windowLayout (int w, int h) noexcept
{
    WindowLayout layout;
    layout.tabs = { 0, 0, w, h };
    layout.logoButton = { kSmallLogoX, kSmallLogoY, kSmallLogoSize, kSmallLogoSize };
    layout.settingsButton = { w - kSettingsRightInset, kSettingsY, kSettingsSize, kSettingsSize };

    const auto availW = juce::jmax (0, w - 2 * kSideInset);
    const auto availH = juce::jmax (0, juce::jmax (0, h - kHeaderHeight) - kVerticalInsets);

    const auto logo = juce::jmax (kMinLogo, juce::jmin (kMaxLogo, availH - kBlockBelowLogo));
    const auto g = (availH - (logo + kBlockBelowLogo)) / 2;
    const auto blockW = juce::jmin (availW, kMaxBlockWidth);
    const auto offsetX = (availW - blockW) / 2;
    const auto labelX = offsetX + kLabelIndent;
    const auto labelW = juce::jmax (0, blockW - kLabelWidthCut);

    layout.bigLogo = { labelX + (labelW - logo) / 2, g + kLogoTop, logo, logo };

    const auto logoBottom = g + kLogoTop + logo;
    layout.title = { labelX, logoBottom + kTitleGap, labelW, kTitleHeight };
    layout.hint = { labelX, logoBottom + kHintGap, labelW, kHintHeight };
    layout.formats = { labelX, logoBottom + kFormatsGap, labelW, kFormatsHeight };
    return layout;
}

juce::Rectangle<int> tabBarBounds (int width) noexcept
{
    return { kTabBarX, kTabBarY, juce::jmax (width - kTabBarReservedWidth, 0), kTabBarDepth };
}

juce::Rectangle<int> tabPageBounds (int width, int height) noexcept
{
    return { 0, kHeaderHeight, juce::jmax (width, 0), juce::jmax (height - kHeaderHeight, 0) };
}

int tooltipTextWidth (int parentWidth, int maxTextWidth) noexcept
{
    return juce::jlimit (1, juce::jmax (1, maxTextWidth), parentWidth - kTooltipPadX);
}

juce::Rectangle<int> tooltipBounds (juce::Point<int> textSize, juce::Point<int> screenPos,
                                    juce::Rectangle<int> parentArea) noexcept
{
    const auto w = textSize.x + kTooltipPadX;
    const auto h = textSize.y + kTooltipPadY;
    const auto centreX = parentArea.getX() + parentArea.getWidth() / 2;
    const auto centreY = parentArea.getY() + parentArea.getHeight() / 2;

    const auto x = screenPos.x > centreX ? screenPos.x - w - kTooltipOffsetLeft : screenPos.x + kTooltipOffsetRight;
    const auto y = screenPos.y > centreY ? screenPos.y - h - kTooltipOffsetAbove : screenPos.y + kTooltipOffsetBelow;

    return juce::Rectangle<int> (x, y, w, h).constrainedWithin (parentArea);
}

double tabSqueezeFactor (int maxRight, int overflowButtonX) noexcept
{
    if (maxRight <= 0)
        return 1.0;

    const auto limit = juce::jmax (0, overflowButtonX - kOverflowButtonGap);

    if (limit >= maxRight)
        return 1.0;

    return (double) limit / (double) maxRight;
}

ButtonSpan squeezeTabButton (ButtonSpan span, double factor) noexcept
{
    // std::nearbyint rounds halves to even in the default rounding mode.
    const auto newX = (int) std::nearbyint (factor * span.x);
    const auto newRight = (int) std::nearbyint (factor * (span.x + span.width));
    return { newX, newRight - newX };
}
}
