#include "tab/views/AnalysisDisplay.h"

#include "engine/ThemePalette.h"

#include <cmath>

namespace
{
const char* const kHeading = "ANALYSIS";
const char* const kSectionNames[AdviceReport::kNumSections] = { "TONE / MATCH EQ", "STEREO / LEFT-RIGHT SPACE",
                                                                "PUNCH / COMPRESSION" };
const char* const kValueHeading = "WHAT STANDS OUT";
const char* const kDetailHeading = "WHAT TO TRY";

// Text sizes.
constexpr float kHeadingFontHeight = 11.0f;
constexpr float kTitleFontHeight = 13.0f;
constexpr float kSectionFontHeight = 15.0f;
constexpr float kBodyFontHeight = 14.0f;
constexpr float kFollowUpFontHeight = 12.0f;
constexpr float kLineSpacing = 3.0f;

// Page geometry in pixels.
constexpr int kTitleGap = 18;            // below the title
constexpr int kCardInset = 18;           // text inset inside a card, and the card header's gap
constexpr int kTwoColumnMinWidth = 676;  // from here "WHAT TO TRY" sits beside the finding
constexpr int kColumnGap = 24;
constexpr int kLabelGap = 10;            // label to finding
constexpr int kPanelGap = 12;            // finding to the panel below it (one column)
constexpr int kPanelPaddingX = 10;
constexpr int kPanelPaddingY = 8;
constexpr int kFollowUpGap = 10;
constexpr int kBlockBottom = 16;         // below a block's last text, where the next block starts
constexpr int kSectionGap = 16;          // between cards
constexpr int kCardBorderAllowance = 2;
constexpr float kCardCorner = 8.0f;
constexpr float kPanelCorner = 5.0f;
constexpr juce::uint8 kPanelAlpha = 0x14;

// The viewport's place inside the view.
constexpr int kViewportInsetX = 16;
constexpr int kViewportInsetY = 12;
}

int AnalysisDisplay::Content::TextBlock::getLayout (const juce::String& text, int x, int y, int width,
                                                    juce::Colour colour, float fontHeight, bool bold,
                                                    const juce::String& heading)
{
    if (text != cachedText || heading != cachedHeading || width != cachedWidth || fontHeight != cachedFontHeight
        || colour.getARGB() != cachedColour || bold != cachedBold)
    {
        juce::AttributedString attributed;
        attributed.setLineSpacing (kLineSpacing);
        attributed.setJustification (juce::Justification::left);
        attributed.setWordWrap (juce::AttributedString::byWord);

        if (heading.isNotEmpty())
            attributed.append (heading + "\n", juce::Font (kHeadingFontHeight, juce::Font::bold), ThemePalette::accentDim);

        attributed.append (text, juce::Font (fontHeight, bold ? juce::Font::bold : juce::Font::plain), colour);
        layout.createLayout (attributed, (float) juce::jmax (1, width));

        cachedText = text;
        cachedHeading = heading;
        cachedWidth = width;
        cachedFontHeight = fontHeight;
        cachedColour = colour.getARGB();
        cachedBold = bold;
    }

    const int height = (int) std::ceil (layout.getHeight());
    bounds = { x, y, width, height };
    return y + height;
}

AnalysisDisplay::Content::Content() = default;

AnalysisDisplay::Content::~Content() = default;

int AnalysisDisplay::Content::layoutForWidth (int width)
{
    int y = titleBlock.getLayout (shownReport.title, 0, 0, width, ThemePalette::textDim, kTitleFontHeight, false,
                                  kHeading)
          + kTitleGap;

    const int textWidth = juce::jmax (1, width - 2 * kCardInset);
    const bool twoColumns = width >= kTwoColumnMinWidth;
    const int valueWidth = twoColumns ? (textWidth - kColumnGap) / 2 : textWidth;

    for (size_t k = 0; k < sectionCards.size(); ++k)
    {
        auto& section = sectionCards[k];
        const auto& lines = shownReport.lines[k];
        section.lineBlocks.resize (lines.size());
        section.bounds = {};

        if (lines.empty())
            continue;

        const int sectionTop = y;
        const int cardTopOfHeader = section.header.getLayout (kSectionNames[k], kCardInset, y + kCardInset, textWidth,
                                                              ThemePalette::accentDim, kSectionFontHeight, true, {});
        int cardTop = cardTopOfHeader + kCardInset;
        int textTop = cardTop;
        int cardBottom = cardTop;

        for (size_t i = 0; i < lines.size(); ++i)
        {
            const auto& line = lines[i];
            auto& block = section.lineBlocks[i];

            const int labelBottom = block.label.getLayout (line.label, kCardInset, textTop, textWidth, ThemePalette::text,
                                                           kBodyFontHeight, true, {});
            const int valueBottom = block.value.getLayout (line.value.trim(), kCardInset, labelBottom + kLabelGap,
                                                           valueWidth, ThemePalette::text, kBodyFontHeight, false,
                                                           kValueHeading);

            const int panelTop = twoColumns ? labelBottom + kLabelGap : valueBottom + kPanelGap;
            const int panelX = twoColumns ? valueWidth + kCardInset + kColumnGap : kCardInset;
            const int panelWidth = twoColumns ? textWidth - kColumnGap - valueWidth : textWidth;
            const int detailBottom = block.detail.getLayout (line.detail.trim(), panelX + kPanelPaddingX,
                                                             panelTop + kPanelPaddingY, panelWidth - 2 * kPanelPaddingX,
                                                             ThemePalette::text, kBodyFontHeight, false, kDetailHeading);
            block.panel = { panelX, panelTop, panelWidth, detailBottom + kPanelPaddingY - panelTop };

            int bottom = juce::jmax (valueBottom, block.panel.getBottom());

            if (line.followUp.isNotEmpty())
                bottom = block.followUp.getLayout (line.followUp.trim(), kCardInset, bottom + kFollowUpGap, textWidth,
                                                   ThemePalette::textDim, kFollowUpFontHeight, false, {});
            else
                block.followUp.bounds = {};

            block.separatorY = i == 0 ? 0 : cardTop;
            block.card = { 0, cardTop, width, bottom + kBlockBottom - cardTop };
            cardBottom = block.card.getBottom();
            cardTop = cardBottom;
            textTop = bottom + 2 * kBlockBottom;
        }

        section.bounds = { 0, sectionTop, width, cardBottom - sectionTop + kCardBorderAllowance };
        y = cardBottom + kSectionGap;
    }

    return y;
}

void AnalysisDisplay::Content::paint (juce::Graphics& g)
{
    titleBlock.layout.draw (g, titleBlock.bounds.toFloat());

    const auto drawBlock = [&g] (const TextBlock& block) { block.layout.draw (g, block.bounds.toFloat()); };

    for (const auto& section : sectionCards)
    {
        if (section.bounds.getWidth() <= 0 || section.bounds.getHeight() <= 0 || ! g.clipRegionIntersects (section.bounds))
            continue;

        const auto card = section.bounds.toFloat();
        const juce::Rectangle<float> outline (card.getX() + 0.5f, card.getY() + 0.5f,
                                              juce::jmax (0.0f, card.getWidth() - 1.0f),
                                              juce::jmax (0.0f, card.getHeight() - 1.0f));
        g.setColour (ThemePalette::surface);
        g.fillRoundedRectangle (outline, kCardCorner);
        g.setColour (ThemePalette::border);
        g.drawRoundedRectangle (outline, kCardCorner, 1.0f);
        drawBlock (section.header);

        for (const auto& block : section.lineBlocks)
        {
            if (! g.clipRegionIntersects (block.card))
                continue;

            if (block.separatorY > 0)
            {
                const float left = card.getX() + 18.5f;
                const float right = card.getX() + 0.5f + (card.getWidth() - 1.0f) - (float) kCardInset;

                if (right > left)
                {
                    g.setColour (ThemePalette::border);
                    g.fillRect (juce::Rectangle<float> (left, (float) block.separatorY, right - left, 1.0f));
                }
            }

            g.setColour (ThemePalette::accentDim.withAlpha (kPanelAlpha));
            g.fillRoundedRectangle (block.panel.toFloat(), kPanelCorner);
            drawBlock (block.label);
            drawBlock (block.value);
            drawBlock (block.detail);

            if (! block.followUp.bounds.isEmpty())
                drawBlock (block.followUp);
        }
    }
}

AnalysisDisplay::AnalysisDisplay()
{
    viewport.setViewedComponent (&content, false);
    viewport.setScrollBarsShown (true, false);
    viewport.setScrollBarThickness (kScrollBarThickness);
    addAndMakeVisible (viewport);

    AdviceReport emptyHistory;
    buildHistoryAdvice (emptyHistory, {}, true, kHistoryMinimumSeconds);
    setReport (emptyHistory);
}

AnalysisDisplay::~AnalysisDisplay() = default;

void AnalysisDisplay::setReport (const AdviceReport& report)
{
    auto signature = report.title + "\n" + report.sections[0] + "\n" + report.sections[1] + "\n" + report.sections[2];

    if (signature == reportSignature)
        return;

    reportSignature = std::move (signature);
    content.shownReport = report;
    relayout();
}

bool AnalysisDisplay::setUsesLoop (bool shouldUseLoop)
{
    const bool changed = usesLoop != shouldUseLoop;
    usesLoop = shouldUseLoop;
    return changed;
}

void AnalysisDisplay::relayout()
{
    const int viewportWidth = viewport.getWidth();

    if (! isVisible() || viewportWidth <= kScrollBarThickness)
        return;

    const auto viewPosition = viewport.getViewPosition();
    const int pageWidth = viewportWidth - kScrollBarThickness;
    const int height = content.layoutForWidth (pageWidth);
    content.setSize (pageWidth, juce::jmax (height, viewport.getHeight()));
    viewport.setViewPosition (viewPosition);
    content.repaint();
}

void AnalysisDisplay::visibilityChanged()
{
    if (isVisible())
        relayout();
}

void AnalysisDisplay::resized()
{
    const auto viewPosition = viewport.getViewPosition();
    viewport.setBounds (kViewportInsetX, kViewportInsetY, juce::jmax (0, getWidth() - 2 * kViewportInsetX),
                        juce::jmax (0, getHeight() - 2 * kViewportInsetY));

    if (isVisible())
    {
        relayout();
        viewport.setViewPosition (viewPosition);
        content.repaint();
    }
}
