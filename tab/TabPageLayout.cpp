#include "tab/TabPageLayout.h"

namespace
{
constexpr int kViewButtonInsetX = 2, kViewButtonInsetY = 3;
constexpr int kLegendInsetY = 4;
constexpr int kSquareButtonInset = 3;
constexpr int kHideLoopsFromBottom = 50, kClearLoopsFromBottom = 25;
}

TabPageLayout TabPageLayout::compute (int width, int height, bool waveformExpanded) noexcept
{
    TabPageLayout layout;

    const auto x0 = kMargin;
    const auto y0 = kMargin;
    const auto w = juce::jmax (0, width - 2 * kMargin);
    const auto h = juce::jmax (0, height - 2 * kMargin);
    layout.content = { x0, y0, w, h };

    const auto r = juce::jmin (h, kToolbarHeight);
    layout.toolbarHeight = r;

    auto slotX = x0;
    auto remaining = w;

    for (auto& bounds : layout.viewButtons)
    {
        const auto slot = juce::jmin (remaining, kViewButtonSlot);
        bounds = { slotX + kViewButtonInsetX, y0 + kViewButtonInsetY,
                   juce::jmax (slot - 2 * kViewButtonInsetX, 0), juce::jmax (r - 2 * kViewButtonInsetY, 0) };
        slotX += slot;
        remaining -= slot;
    }

    const auto rowInnerHeight = juce::jmax (r - 2 * kLegendInsetY, 0);
    const auto legendBlock = juce::jmin (w, kLegendBlockWidth);
    const auto legendLeft = x0 + w - legendBlock;
    const auto sourceWidth = juce::jmin (w, kSourceLegendWidth);
    layout.sourceLegend = { legendLeft, y0 + kLegendInsetY, sourceWidth, rowInnerHeight };
    layout.referenceLegend = { legendLeft + sourceWidth, y0 + kLegendInsetY, legendBlock - sourceWidth, rowInnerHeight };

    const auto leftOver = remaining;
    const auto switchBlock = juce::jmin (leftOver, kSwitchBlockWidth);
    const auto switchWidth = juce::jmin (switchBlock, kSwitchWidth);
    layout.switches = { x0 + w - switchWidth, y0 + kLegendInsetY + (rowInnerHeight - kSwitchHeight) / 2,
                        switchWidth, kSwitchHeight };

    const auto rest = h - r;
    const auto gap = juce::jmin (rest, kToolbarGap);
    const auto rest2 = rest - gap;
    const auto strip = juce::jmin (rest2, kStripHeight);
    layout.displayHost = { x0, y0 + r + gap, w, rest2 - strip };

    const auto stripGap = juce::jmin (rest2, kStripGap);
    const auto stripTop = y0 + r + gap + (rest2 - strip) + stripGap;
    const auto stripHeight = strip - stripGap;

    auto panelWidth = w;

    if (! waveformExpanded)
    {
        const auto meterWidth = juce::jmin (juce::jmax (w * kMeterPercent / 100, kMinMeterWidth), w);
        layout.meters = { x0 + w - meterWidth, stripTop, meterWidth, stripHeight };
        panelWidth = w - meterWidth - juce::jmin (w - meterWidth, kMeterGap);
    }

    layout.waveformPanel = { x0, stripTop, panelWidth, stripHeight };

    const auto column = juce::jmin (panelWidth, kButtonColumnWidth);
    layout.signalDisplay = { x0, stripTop, panelWidth - column, stripHeight };

    const auto buttonX = x0 + panelWidth - column + kSquareButtonInset;
    layout.zoomButton = { buttonX, stripTop + kSquareButtonInset, kSquareButtonSize, kSquareButtonSize };
    layout.hideLoopsButton = { buttonX, y0 + h - kHideLoopsFromBottom, kSquareButtonSize, kSquareButtonSize };
    layout.clearLoopsButton = { buttonX, y0 + h - kClearLoopsFromBottom, kSquareButtonSize, kSquareButtonSize };
    return layout;
}
