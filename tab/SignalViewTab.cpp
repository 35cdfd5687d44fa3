#include "tab/SignalViewTab.h"

#include "engine/ThemePalette.h"
#include "tab/TabPageLayout.h"

#include <cmath>
#include <limits>

namespace
{
constexpr float kPanelCorner = 6.0f;
constexpr float kSeparatorInset = 7.0f;
constexpr float kToolbarLineOffset = 5.5f;
constexpr float kSwitchFontHeight = 11.0f;
constexpr float kLegendDotSize = 7.0f, kLegendFontHeight = 11.0f;
constexpr int kLegendTextIndent = 14;

const juce::Identifier activeIndexKey { "activeIndex" }, analysisUsesLoopKey { "analysisUsesLoop" };
const juce::Identifier regionsKey { "regions" }, loopsVisibleKey { "loopsVisible" }, playheadKey { "playhead" };
const juce::Identifier startKey { "start" }, endKey { "end" };

/** A saved number as an int; values outside the int range (or not finite) are limited to it
    rather than converted with undefined behaviour. */
int readInt (const juce::var& value)
{
    if (value.isDouble() || value.isInt64())
    {
        const auto wide = (double) value;

        if (std::isnan (wide))
            return 0;

        return (int) juce::jlimit ((double) std::numeric_limits<int>::min(), (double) std::numeric_limits<int>::max(), wide);
    }

    return (int) value;
}

void setNameAndTooltip (juce::Button& button, const juce::String& text)
{
    button.setName (text);
    button.setTooltip (text);
}
}

const juce::Identifier SignalViewTab::fullPathProperty { "fullPath" };
const juce::Identifier SignalViewTab::refIndexProperty { "refIndex" };

SignalViewTab::AnalysisSourceSwitch::AnalysisSourceSwitch() = default;

SignalViewTab::AnalysisSourceSwitch::~AnalysisSourceSwitch() = default;

juce::String SignalViewTab::AnalysisSourceSwitch::getTooltip()
{
    if (isOverLeftHalf (getMouseXYRelative().x, getWidth()))
        return "Analyze the retained playback history";

    return "Analyze complete passes of the active loop; use history when no loop is active";
}

SignalViewTab::SignalViewTab (const juce::String& title, juce::AudioFormatManager& formatManager,
                              juce::AudioThumbnailCache& thumbnailCache, const juce::File& file)
    : signalDisplay (formatManager, thumbnailCache),
      zoomButton ("Expand waveform"),
      hideLoopsButton ("Hide loops"),
      clearLoopsButton ("Clear all loops"),
      spectrumButton ("SPECTRUM"),
      matchButton ("MATCH"),
      stereoButton ("STEREO"),
      historyButton ("HISTORY"),
      analysisButton ("ANALYSIS"),
      sourceLegendButton ("Source", ThemePalette::sourceSignal),
      referenceLegendButton ("Reference", ThemePalette::accent)
{
    zoomButton.setClickingTogglesState (true);
    zoomButton.setTooltip ("Expand waveform");
    hideLoopsButton.setClickingTogglesState (true);
    hideLoopsButton.setTooltip ("Hide loops");
    hideLoopsButton.setEnabled (false);
    clearLoopsButton.setTooltip ("Clear all loops");
    clearLoopsButton.setEnabled (false);

    setOpaque (true);
    setName (title);

    addAndMakeVisible (signalDisplay);
    signalDisplay.setFile (file);

    addAndMakeVisible (zoomButton);
    addChildComponent (hideLoopsButton);
    addChildComponent (clearLoopsButton);
    addAndMakeVisible (meters);
    addAndMakeVisible (displayHost);

    for (auto* button : { &spectrumButton, &matchButton, &stereoButton, &historyButton, &analysisButton })
        addViewButton (*button);

    addChildComponent (sourceLegendButton);
    addChildComponent (referenceLegendButton);
    addChildComponent (matchModeSwitch);
    addChildComponent (analysisSourceSwitch);

    zoomButton.onClick = [this]
    {
        setNameAndTooltip (zoomButton, zoomButton.getToggleState() ? "Collapse waveform" : "Expand waveform");
        resized();
        repaint();
    };

    hideLoopsButton.onClick = [this]
    {
        signalDisplay.setLoopsVisible (! hideLoopsButton.getToggleState());
        setNameAndTooltip (hideLoopsButton, hideLoopsButton.getToggleState() ? "Show loops" : "Hide loops");
    };

    signalDisplay.onLoopsChanged = [this] (bool hasLoops)
    {
        for (auto* button : { static_cast<juce::Button*> (&hideLoopsButton), static_cast<juce::Button*> (&clearLoopsButton) })
        {
            button->setEnabled (hasLoops);
            button->setVisible (hasLoops);
        }

        if (! hasLoops)
        {
            signalDisplay.setLoopsVisible (true);
            hideLoopsButton.setToggleState (false, juce::dontSendNotification);
            setNameAndTooltip (hideLoopsButton, "Hide loops");
        }

        repaint();
    };

    clearLoopsButton.onClick = [this] { signalDisplay.clearLoops(); };

    meters.onOutputSelectionChanged = [this] (OutputSelection selection)
    {
        if (onOutputSelectionChanged)
            onOutputSelectionChanged (selection);
    };

    meters.onLevelMatchModeChanged = [this] (int mode)
    {
        if (onLevelMatchModeChanged)
            onLevelMatchModeChanged (mode);
    };

    spectrumButton.onClick = [this] { setViewMode (static_cast<int> (ViewMode::Spectrum)); };
    matchButton.onClick = [this] { setViewMode (static_cast<int> (ViewMode::Match)); };
    stereoButton.onClick = [this] { setViewMode (static_cast<int> (ViewMode::Stereo)); };
    historyButton.onClick = [this] { setViewMode (static_cast<int> (ViewMode::History)); };
    analysisButton.onClick = [this] { setViewMode (static_cast<int> (ViewMode::Analysis)); };

    sourceLegendButton.onClick = [this]
    {
        displayHost.peakHistoryView.toggleSourceVisible();
        syncToolbar();
    };

    referenceLegendButton.onClick = [this]
    {
        displayHost.peakHistoryView.toggleReferenceVisible();
        syncToolbar();
    };

    matchModeSwitch.onClick = [this]
    {
        displayHost.differenceView.setMatchEqMode (matchModeSwitch.getToggleState());
        syncToolbar();
    };

    analysisSourceSwitch.onClick = [this]
    {
        auto& analysis = displayHost.analysisView;

        if (analysis.setUsesLoop (analysisSourceSwitch.getToggleState()) && analysis.onAnalysisSourceChanged)
            analysis.onAnalysisSourceChanged();

        syncToolbar();
    };

    displayHost.setViewMode (static_cast<int> (ViewMode::Spectrum));
    displayHost.spectrumView.setShowHoverReadout (false);
    displayHost.peakHistoryView.setShowHoverReadout (false);

    spectrumButton.setTooltip ("Show spectrum");
    matchButton.setTooltip ("Show Match EQ or DIFF");
    stereoButton.setTooltip ("Show stereo image");
    historyButton.setTooltip ("Show peak history");
    analysisButton.setTooltip ("Summarize recorded playback history");

    matchModeSwitch.setName ("Match display mode");
    matchModeSwitch.setLabels ("MATCH EQ", "DIFF");
    matchModeSwitch.setColours (ThemePalette::accent, ThemePalette::sourceSignal);
    matchModeSwitch.setFontHeight (kSwitchFontHeight);
    matchModeSwitch.setTooltip ("Choose Match EQ or DIFF");

    analysisSourceSwitch.setName ("Analysis source");
    analysisSourceSwitch.setLabels ("LOOP", "HISTORY");
    analysisSourceSwitch.setColours (ThemePalette::loopRegion, ThemePalette::historyMark);
    analysisSourceSwitch.setFontHeight (kSwitchFontHeight);

    syncToolbar();
}

SignalViewTab::~SignalViewTab() = default;

juce::String SignalViewTab::getFullPath() const
{
    return getProperties()[fullPathProperty].toString();
}

void SignalViewTab::setViewMode (int mode)
{
    if (mode == static_cast<int> (ViewMode::Diff) || mode == static_cast<int> (ViewMode::Match))
    {
        displayHost.differenceView.setMatchEqMode (mode != static_cast<int> (ViewMode::Diff));
        mode = static_cast<int> (ViewMode::Match);
    }

    displayHost.setViewMode (mode);
    syncToolbar();
}

void SignalViewTab::syncToolbar()
{
    const auto m = displayHost.getViewMode();

    if (spectrumButton.getToggleState() != (m == static_cast<int> (ViewMode::Spectrum)))
        repaint();

    spectrumButton.setToggleState (m == static_cast<int> (ViewMode::Spectrum), juce::dontSendNotification);
    matchButton.setToggleState (m == static_cast<int> (ViewMode::Diff) || m == static_cast<int> (ViewMode::Match), juce::dontSendNotification);
    stereoButton.setToggleState (m == static_cast<int> (ViewMode::Stereo), juce::dontSendNotification);
    historyButton.setToggleState (m == static_cast<int> (ViewMode::History), juce::dontSendNotification);
    analysisButton.setToggleState (m == static_cast<int> (ViewMode::Analysis), juce::dontSendNotification);

    const auto showsHistory = m == static_cast<int> (ViewMode::History);
    const auto& history = displayHost.peakHistoryView;

    for (auto [button, seriesVisible] : { std::pair<HistoryLegendButton*, bool> { &sourceLegendButton, history.isSourceVisible() },
                                          std::pair<HistoryLegendButton*, bool> { &referenceLegendButton, history.isReferenceVisible() } })
    {
        button->setVisible (showsHistory);
        button->setToggleState (seriesVisible, juce::dontSendNotification);
        button->setTooltip ((seriesVisible ? "Hide " : "Show ") + button->getSeriesName());
    }

    matchModeSwitch.setVisible (m == static_cast<int> (ViewMode::Diff) || m == static_cast<int> (ViewMode::Match));
    analysisSourceSwitch.setVisible (m == static_cast<int> (ViewMode::Analysis));

    analysisSourceSwitch.setToggleState (displayHost.analysisView.getUsesLoop(), juce::dontSendNotification);
    matchModeSwitch.setToggleState (displayHost.differenceView.isMatchEqMode(), juce::dontSendNotification);
}

void SignalViewTab::clearDisplays()
{
    displayHost.spectrumView.clearSpectra();
    displayHost.differenceView.clearSpectra();
    displayHost.differenceView.clearStats();

    if (! PeakHistoryDisplay::isFrozen())
        displayHost.peakHistoryView.clearSeries();

    displayHost.goniometerView.clearPoints();

    if (signalDisplay.showInspectMarker)
    {
        signalDisplay.showInspectMarker = false;
        signalDisplay.repaint();
    }
}

void SignalViewTab::restoreViewState (const juce::var& view)
{
    auto* object = view.getDynamicObject();

    if (object == nullptr)
        return;

    const auto activeIndex = object->hasProperty (activeIndexKey) ? readInt (object->getProperty (activeIndexKey)) : 0;

    const auto usesLoop = (bool) object->getProperty (analysisUsesLoopKey);
    displayHost.analysisView.setUsesLoop (usesLoop);
    analysisSourceSwitch.setToggleState (usesLoop, juce::dontSendNotification);

    juce::Array<LoopRegion> regions;

    if (auto* saved = object->getProperty (regionsKey).getArray())
    {
        for (const auto& element : *saved)
        {
            auto* region = element.getDynamicObject();

            if (region == nullptr)
                continue;

            const auto start = (double) region->getProperty (startKey);
            const auto end = (double) region->getProperty (endKey);

            // A loop without finite edges cannot be drawn or played; it is dropped.
            if (! std::isfinite (start) || ! std::isfinite (end))
                continue;

            regions.add ({ juce::jmin (start, end), juce::jmax (start, end), false });
        }
    }

    auto& display = signalDisplay;
    display.loops = regions;

    const auto count = display.loops.size();
    const auto active = juce::jlimit (-1, count - 1, activeIndex);
    display.activeLoopIndex = active;

    for (int i = 0; i < count; ++i)
        display.loops.getReference (i).active = (i == active);

    display.resetGestureState();

    if (display.onLoopsChanged)
        display.onLoopsChanged (count > 0);

    display.repaint();

    const auto loopsVisible = count > 0 && object->hasProperty (loopsVisibleKey) ? (bool) object->getProperty (loopsVisibleKey)
                                                                                : true;
    display.setLoopsVisible (loopsVisible);
    hideLoopsButton.setToggleState (! loopsVisible, juce::dontSendNotification);
    setNameAndTooltip (hideLoopsButton, loopsVisible ? "Hide loops" : "Show loops");

    double playhead = 0.0;

    if (count > 0 && loopsVisible)
        playhead = display.loops[juce::isPositiveAndBelow (activeIndex, count) ? activeIndex : 0].start;
    else if (object->hasProperty (playheadKey))
        playhead = (double) object->getProperty (playheadKey);

    if (! std::isfinite (playhead))
        playhead = 0.0;

    display.playheadSeconds = juce::jmax (0.0, playhead);
    display.repaint();

    if (display.onSeek)
        display.onSeek (playhead, SignalDisplay::SeekOrigin::UserSeek);
}

void SignalViewTab::paint (juce::Graphics& g)
{
    g.fillAll (ThemePalette::surface);

    const auto panel = waveformPanelBounds.toFloat();
    const juce::Rectangle<float> panelBox (panel.getX() + 0.5f, panel.getY() + 0.5f,
                                           juce::jmax (0.0f, panel.getWidth() - 1.0f), juce::jmax (0.0f, panel.getHeight() - 1.0f));
    g.setColour (ThemePalette::panel);
    g.fillRoundedRectangle (panelBox, kPanelCorner);
    g.setColour (ThemePalette::border);
    g.drawRoundedRectangle (panelBox, kPanelCorner, 1.0f);

    const auto separatorX = (float) signalDisplay.getRight() + 0.5f;
    const auto separatorTop = panel.getY() + kSeparatorInset;
    const auto separatorBottom = panel.getBottom() - kSeparatorInset;

    if (separatorBottom > separatorTop)
    {
        g.setColour (ThemePalette::border.withAlpha ((juce::uint8) 0x8c));
        g.drawLine (separatorX, separatorTop, separatorX, separatorBottom, 1.0f);
    }

    const auto layout = TabPageLayout::compute (getWidth(), getHeight(), zoomButton.getToggleState());
    const auto lineY = (float) (layout.content.getY() + layout.toolbarHeight) + kToolbarLineOffset;
    g.setColour (ThemePalette::border.withAlpha ((juce::uint8) 0xbf));
    g.drawLine ((float) layout.content.getX(), lineY, (float) layout.content.getRight(), lineY, 1.0f);

    if (getViewMode() == static_cast<int> (ViewMode::Spectrum))
    {
        drawLegendItem (g, layout.sourceLegend, ThemePalette::sourceSignal, "SOURCE");
        drawLegendItem (g, layout.referenceLegend, ThemePalette::accent, "REFERENCE");
    }
}

void SignalViewTab::resized()
{
    const auto expanded = zoomButton.getToggleState();
    const auto layout = TabPageLayout::compute (getWidth(), getHeight(), expanded);

    std::array<ModernViewButton*, 5> viewButtons { &spectrumButton, &matchButton, &stereoButton, &historyButton, &analysisButton };

    for (size_t i = 0; i < viewButtons.size(); ++i)
        viewButtons[i]->setBounds (layout.viewButtons[i]);

    sourceLegendButton.setBounds (layout.sourceLegend);
    referenceLegendButton.setBounds (layout.referenceLegend);
    matchModeSwitch.setBounds (layout.switches);
    analysisSourceSwitch.setBounds (layout.switches);
    displayHost.setBounds (layout.displayHost);

    meters.setVisible (! expanded);

    if (! expanded)
        meters.setBounds (layout.meters);

    waveformPanelBounds = layout.waveformPanel;
    signalDisplay.setBounds (layout.signalDisplay);
    zoomButton.setBounds (layout.zoomButton);
    hideLoopsButton.setBounds (layout.hideLoopsButton);
    clearLoopsButton.setBounds (layout.clearLoopsButton);
}

void SignalViewTab::addViewButton (ModernViewButton& button)
{
    addAndMakeVisible (button);
    button.setClickingTogglesState (false);
}

void SignalViewTab::drawLegendItem (juce::Graphics& g, juce::Rectangle<int> area, juce::Colour colour, const juce::String& text)
{
    const auto dotTop = (float) (area.getY() + area.getHeight() / 2) - kLegendDotSize / 2.0f;
    g.setColour (colour);
    g.fillEllipse ((float) area.getX(), dotTop, kLegendDotSize, kLegendDotSize);

    g.setColour (ThemePalette::textDim);
    g.setFont (juce::Font (kLegendFontHeight, juce::Font::bold));
    g.drawFittedText (text, area.withTrimmedLeft (kLegendTextIndent), juce::Justification::centredLeft, 1);
}
