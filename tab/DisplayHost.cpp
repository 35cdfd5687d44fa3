#include "tab/DisplayHost.h"

#include "engine/ThemePalette.h"

namespace
{
// Level ranges and margins of the views.
constexpr float kSpectrumMinDb = -90.0f, kSpectrumMaxDb = 0.0f;
constexpr float kDifferenceMinDb = -20.0f, kDifferenceMaxDb = 20.0f;
constexpr float kDifferenceBottomMargin = 112.0f;   // axis labels and the band verdict rows
constexpr float kHistoryMinDb = -60.0f, kHistoryMaxDb = 20.0f;

// The frame around the view shown.
constexpr int kViewInset = 2;
constexpr float kFrameCorner = 6.0f;
constexpr float kFrameThickness = 1.0f;

// Items of the plot-style menu.
constexpr int kLinesItem = 5;
constexpr int kBarsItem = 6;
}

DisplayHost::DisplayHost()
{
    setOpaque (true);

    spectrumView.setLevelRange (kSpectrumMinDb, kSpectrumMaxDb);

    differenceView.setLevelRange (kDifferenceMinDb, kDifferenceMaxDb);
    differenceView.setShowHoverReadout (true);
    differenceView.setBottomMargin (kDifferenceBottomMargin);

    peakHistoryView.setLevelRange (kHistoryMinDb, kHistoryMaxDb);
    peakHistoryView.setShowHoverReadout (true);
    peakHistoryView.setSelectionEnabled (false);

    spectrumView.onSelectionChanged = [this] (FocusBand band) { mirrorBandSelection (spectrumView, differenceView, band); };
    differenceView.onSelectionChanged = [this] (FocusBand band) { mirrorBandSelection (differenceView, spectrumView, band); };

    currentView = &spectrumView;
    addAndMakeVisible (spectrumView);

    // A right click anywhere inside a view reaches mouseUp through these listeners; a click on
    // the host's own frame reaches it directly. The host does not listen to itself, which would
    // deliver that click twice and open two menus.
    for (auto* view : getViews())
        view->addMouseListener (this, true);
}

DisplayHost::~DisplayHost()
{
    for (auto* view : getViews())
        view->removeMouseListener (this);

    onBandSelectionChanged = nullptr;
    spectrumView.onSelectionChanged = nullptr;
    differenceView.onSelectionChanged = nullptr;
}

std::array<juce::Component*, 5> DisplayHost::getViews() noexcept
{
    return { &spectrumView, &differenceView, &goniometerView, &peakHistoryView, &analysisView };
}

void DisplayHost::setViewMode (int newMode)
{
    if (newMode == viewMode)
        return;

    viewMode = newMode;

    if (currentView != nullptr)
        currentView->setVisible (false);

    currentView = &getViewForMode (newMode);
    addAndMakeVisible (currentView);
    resized();
    repaint();
}

juce::Component& DisplayHost::getViewForMode (int mode) noexcept
{
    switch (static_cast<ViewMode> (mode))
    {
        case ViewMode::Diff:
        case ViewMode::Match:    return differenceView;
        case ViewMode::Stereo:   return goniometerView;
        case ViewMode::History:  return peakHistoryView;
        case ViewMode::Analysis: return analysisView;
        case ViewMode::Spectrum:
        default:                 return spectrumView;
    }
}

void DisplayHost::mirrorBandSelection (BandDisplayBase& source, BandDisplayBase& target, FocusBand band)
{
    target.mirrorSelection (source.getSelection(), source.isBandListenOn());

    if (onBandSelectionChanged)
        onBandSelectionChanged (band);
}

void DisplayHost::showViewMenu (juce::Point<int> screenPosition)
{
    if (viewMode != static_cast<int> (ViewMode::Spectrum) && viewMode != static_cast<int> (ViewMode::Match))
        return;

    const bool lines = spectrumView.getPlotStyle() == BandDisplayBase::PlotStyle::Lines;

    juce::PopupMenu menu;
    menu.addItem (kLinesItem, "Lines", true, lines);
    menu.addItem (kBarsItem, "Bars", true, ! lines);

    juce::Component::SafePointer<DisplayHost> safeThis (this);

    menu.showMenuAsync (juce::PopupMenu::Options().withTargetScreenArea ({ screenPosition.x, screenPosition.y, 1, 1 }),
                        [safeThis] (int result)
                        {
                            if (safeThis != nullptr)
                                safeThis->applyMenuChoice (result);
                        });
}

void DisplayHost::applyMenuChoice (int menuResult)
{
    if (menuResult != kLinesItem && menuResult != kBarsItem)
        return;

    const auto style = menuResult == kLinesItem ? BandDisplayBase::PlotStyle::Lines : BandDisplayBase::PlotStyle::Bars;
    spectrumView.setPlotStyle (style);
    differenceView.setPlotStyle (style);

    // Also when nothing changed: the owner saves the choice again.
    if (onPlotStyleChanged)
        onPlotStyleChanged (style);
}

void DisplayHost::mouseUp (const juce::MouseEvent& e)
{
    if (e.mouseWasDraggedSinceMouseDown() || ! e.mods.isRightButtonDown())
        return;

    showViewMenu (e.getScreenPosition());
}

void DisplayHost::paint (juce::Graphics& g)
{
    g.fillAll (ThemePalette::panel);
    g.setColour (ThemePalette::border);
    g.drawRoundedRectangle (0.5f, 0.5f, (float) std::max (getWidth() - 1, 0), (float) std::max (getHeight() - 1, 0),
                            kFrameCorner, kFrameThickness);
}

void DisplayHost::resized()
{
    if (currentView != nullptr)
        currentView->setBounds (kViewInset, kViewInset, std::max (getWidth() - 2 * kViewInset, 0),
                                std::max (getHeight() - 2 * kViewInset, 0));
}
