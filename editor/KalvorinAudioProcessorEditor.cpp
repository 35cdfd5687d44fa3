#include "editor/KalvorinAudioProcessorEditor.h"

#include "editor/EditorLayout.h"
#include "editor/EditorSettings.h"
#include "editor/EditorStateJson.h"
#include "editor/EditorText.h"
#include "editor/ReferenceFileCheck.h"
#include "editor/SettingsComponent.h"
#include "editor/SnapshotPresenter.h"
#include "engine/KalvorinAudioProcessor.h"
#include "engine/ThemePalette.h"
#include "resources/EmbeddedResources.h"

#include <map>

namespace
{
constexpr int kDefaultWidth = 1200, kDefaultHeight = 720;
constexpr int kMinWidth = 1000, kMinHeight = 600;
constexpr int kMaxWidth = 1600, kMaxHeight = 960;
constexpr int kTooltipDelayMs = 200;
constexpr int kThumbnailCacheSize = 10;
constexpr float kTitleFontHeight = 30.0f, kHintFontHeight = 16.0f, kFormatsFontHeight = 13.0f;
constexpr float kDropHighlightInset = 6.0f, kDropHighlightCorner = 8.0f, kDropHighlightLine = 2.0f;
constexpr float kSettingsNormalOpacity = 0.72f;

/** The product's web page behind the logo. There is none yet: while this is empty the logo
    shows its tooltip and a click opens nothing. */
constexpr const char* kProductWebAddress = "";

const juce::Colour kTabColour { 0xff0b1713 };

const juce::String kMonitorParameterId { "monitorRef" };
const juce::Identifier kPlusTabKey { "isPlusTab" };
/** A seek of a page whose Reference was not active when it was asked for. */
const juce::Identifier kPendingSeekKey { "pendingSeekSeconds" };

juce::Image loadEmbeddedImage (const char* resourceName)
{
    int size = 0;

    if (const auto* data = EmbeddedResources::lookupResource (resourceName, size))
        return juce::ImageFileFormat::loadFrom (data, (size_t) size);

    return {};
}

std::vector<juce::StringArray> getExtensionsPerFormat (juce::AudioFormatManager& formats)
{
    std::vector<juce::StringArray> extensions;

    for (int i = 0; i < formats.getNumKnownFormats(); ++i)
        extensions.push_back (formats.getKnownFormat (i)->getFileExtensions());

    return extensions;
}

const juce::Image& getMenuCloseIcon()
{
    static const auto icon = loadEmbeddedImage ("Close_png");
    return icon;
}

const juce::Image& getMenuSettingsIcon()
{
    static const auto icon = loadEmbeddedImage ("Settings_png");
    return icon;
}

int getRefIndex (const juce::Component& page)
{
    return (int) page.getProperties().getWithDefault (SignalViewTab::refIndexProperty, -1);
}

juce::String getFullPath (const juce::Component& page)
{
    return page.getProperties()[SignalViewTab::fullPathProperty].toString();
}
}

//==============================================================================
KalvorinAudioProcessorEditor::KalvorinAudioProcessorEditor (KalvorinAudioProcessor& p)
    : juce::AudioProcessorEditor (p),
      processor (p),
      tooltipWindow (this, kTooltipDelayMs),
      thumbnailCache (kThumbnailCacheSize),
      settingsButton ("Settings"),
      logoButton ({}, juce::URL (juce::String (kProductWebAddress)))
{
    {
        int size = 0;
        auto* data = EmbeddedResources::lookupResource ("Oswald-Regular.ttf", size);

        if (data == nullptr)
            data = EmbeddedResources::lookupResource ("OswaldRegular_ttf", size);

        if (data != nullptr)
            oswaldLookAndFeel.loadTypeface (data, (size_t) size);
    }

    // Fonts find their typeface through the default look-and-feel, not the component's.
    oswaldLookAndFeel.installAsDefault();

    setOpaque (true);
    formatManager.registerBasicFormats();
    setLookAndFeel (&oswaldLookAndFeel);

    logoImage = loadEmbeddedImage ("Logo_Big_png");

    if (! logoImage.isValid())
        logoImage = loadEmbeddedImage ("Logo_png");

    logoButton.setName ("Audio-Kalvorin logo - homepage");
    logoButton.setTooltip ("Open Audio-Kalvorin website");
    logoButton.setMouseCursor (juce::MouseCursor::NormalCursor);
    addAndMakeVisible (logoButton);

    settingsIcon = loadEmbeddedImage ("Settings_png");

    if (settingsIcon.isValid())
        settingsButton.setImages (false, true, true,
                                  settingsIcon, kSettingsNormalOpacity, juce::Colours::transparentBlack,
                                  settingsIcon, 1.0f, ThemePalette::accent.withAlpha ((juce::uint8) 0x1a),
                                  settingsIcon, 1.0f, ThemePalette::accent.withAlpha ((juce::uint8) 0x2e),
                                  0.0f);

    settingsButton.setTooltip ("Open settings");
    addAndMakeVisible (settingsButton);
    settingsButton.onClick = [this] { showSettingsDialog (*this, processor.settingsStore); };

    supportedFormatsText = EditorText::makeSupportedFormatsText (getExtensionsPerFormat (formatManager));

    auto& bar = tabs.getTabbedButtonBar();
    bar.setLookAndFeel (&tabsLookAndFeel);
    tabs.setTabBarDepth (EditorLayout::kTabBarDepth);
    tabs.setColour (juce::TabbedComponent::backgroundColourId, juce::Colours::transparentBlack);
    tabs.setColour (juce::TabbedComponent::outlineColourId, juce::Colours::transparentBlack);
    bar.setColour (juce::TabbedButtonBar::tabTextColourId, ThemePalette::textDim);
    bar.setColour (juce::TabbedButtonBar::frontTextColourId, ThemePalette::text);
    tabs.onCurrentTabChanged = [this] (int index) { handleCurrentTabChanged (index); };

    tooltipWindow.setLookAndFeel (&tooltipLookAndFeel);
    tooltipWindow.setOpaque (false);

    addAndMakeVisible (tabs);

    for (auto* label : { &hintLabel, &titleLabel, &formatsLabel })
    {
        addAndMakeVisible (*label);
        label->setInterceptsMouseClicks (false, false);
        label->setJustificationType (juce::Justification::centred);
        label->setColour (juce::Label::backgroundColourId, juce::Colours::transparentBlack);
    }

    titleLabel.setText ("Audio-Kalvorin", juce::dontSendNotification);
    titleLabel.setFont (juce::Font (kTitleFontHeight, juce::Font::bold));
    titleLabel.setColour (juce::Label::textColourId, ThemePalette::text);

    hintLabel.setText ("Drag & drop an audio file here or click to load a reference", juce::dontSendNotification);
    hintLabel.setFont (juce::Font (kHintFontHeight));
    hintLabel.setColour (juce::Label::textColourId, ThemePalette::accent);

    formatsLabel.setText (supportedFormatsText, juce::dontSendNotification);
    formatsLabel.setFont (juce::Font (kFormatsFontHeight));
    formatsLabel.setColour (juce::Label::textColourId, ThemePalette::textDim);

    setResizable (true, true);
    setResizeLimits (kMinWidth, kMinHeight, kMaxWidth, kMaxHeight);

    if (auto* sizeConstrainer = getConstrainer())
        sizeConstrainer->setFixedAspectRatio ((double) kDefaultWidth / (double) kDefaultHeight);

    setSize (kDefaultWidth, kDefaultHeight);

    // The editor hears the tab bar's clicks through a listener; its own clicks reach it
    // directly. Listening to itself as well would deliver every click twice.
    bar.addMouseListener (this, true);
    setWantsKeyboardFocus (true);

    if (processor.parameters.getParameter (kMonitorParameterId) != nullptr)
        processor.parameters.addParameterListener (kMonitorParameterId, this);

    // An emptied history leaves every tab's analysis saying so.
    recorder.onHistoryCleared = [this] (const AdviceReport& report)
    {
        for (int i = 0; i < tabs.getNumTabs(); ++i)
            if (auto* page = getReferencePage (i))
                page->displayHost.analysisView.setReport (report);
    };

    applyMeterUnitSettings();
    applyPlotStyleSetting();
    applyHistorySettings();

    startTimer (TimerFeed::intervalMsForRate (TimerFeed::kInitialRateHz));

    tabsBuiltForRestore = processor.getStateRestoreCount();
    restoreTabs();
}

KalvorinAudioProcessorEditor::~KalvorinAudioProcessorEditor()
{
    stopTimer();
    processor.parameters.removeParameterListener (kMonitorParameterId, this);
    saveEditorState();

    recorder.onHistoryCleared = nullptr;

    tabs.onCurrentTabChanged = nullptr;
    tabs.getTabbedButtonBar().removeMouseListener (this);
    tabs.clearTabs();

    tabs.getTabbedButtonBar().setLookAndFeel (nullptr);
    tooltipWindow.setLookAndFeel (nullptr);
    setLookAndFeel (nullptr);
    oswaldLookAndFeel.removeAsDefault();
}

//==============================================================================
void KalvorinAudioProcessorEditor::resized()
{
    layoutComponents();
    updateTabTooltips();
    refreshTabs();
}

void KalvorinAudioProcessorEditor::layoutComponents()
{
    const auto layout = EditorLayout::windowLayout (getWidth(), getHeight());

    tabs.setBounds (layout.tabs);
    logoButton.setBounds (layout.logoButton);
    logoButton.toFront (false);
    settingsButton.setBounds (layout.settingsButton);
    settingsButton.toFront (false);

    bigLogoBounds = layout.bigLogo;
    titleLabel.setBounds (layout.title);
    hintLabel.setBounds (layout.hint);
    formatsLabel.setBounds (layout.formats);
}

void KalvorinAudioProcessorEditor::paint (juce::Graphics& g)
{
    const auto w = getWidth();
    const auto h = getHeight();

    g.fillAll (ThemePalette::background);
    g.setColour (ThemePalette::borderStrong);
    g.drawRect (getLocalBounds(), 1);

    g.setColour (ThemePalette::surface);
    g.fillRect (0, 0, w, EditorLayout::kHeaderHeight);

    if (logoImage.isValid())
        drawCachedLogo (g, logoImage, smallLogoCache, EditorLayout::windowLayout (w, h).logoButton);

    const auto separatorY = (float) EditorLayout::kHeaderHeight - 0.5f;
    g.setColour (ThemePalette::border.withAlpha ((juce::uint8) 0xbf));
    g.drawLine (0.0f, separatorY, (float) w, separatorY, 1.0f);

    if (dragHover)
    {
        const juce::Rectangle<float> highlight (kDropHighlightInset, kDropHighlightInset,
                                                juce::jmax (0.0f, (float) w - 2.0f * kDropHighlightInset),
                                                juce::jmax (0.0f, (float) h - 2.0f * kDropHighlightInset));
        g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x1a));
        g.fillRoundedRectangle (highlight, kDropHighlightCorner);
        g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x59));
        g.drawRoundedRectangle (highlight, kDropHighlightCorner, kDropHighlightLine);
    }

    if (countReferenceTabs() > 0)
        return;

    if (bigLogoBounds.getWidth() < 1 || bigLogoBounds.getHeight() < 1)
    {
        layoutComponents();
        updateTabTooltips();
        refreshTabs();
    }

    if (logoImage.isValid())
        drawCachedLogo (g, logoImage, bigLogoCache, bigLogoBounds);
}

void KalvorinAudioProcessorEditor::drawCachedLogo (juce::Graphics& g, const juce::Image& source, juce::Image& cache,
                                                   juce::Rectangle<int> area)
{
    const auto scale = g.getInternalContext().getPhysicalPixelScaleFactor();
    const auto target = juce::jmax (1, juce::roundToInt (scale * (float) area.getWidth()));

    if (! (cache.isValid() && cache.getWidth() == target))
    {
        cache = source;

        if (! cache.isValid())
            return;

        // Large reductions in halves first: one big step would alias.
        while (cache.getWidth() > 2 * target && cache.getHeight() >= 2)
            cache = cache.rescaled (cache.getWidth() / 2, cache.getHeight() / 2, juce::Graphics::highResamplingQuality);

        cache = cache.rescaled (target, target, juce::Graphics::highResamplingQuality);
    }

    if (! cache.isValid())
        return;

    juce::Graphics::ScopedSaveState state (g);
    g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);
    g.drawImage (cache, area.toFloat(), juce::RectanglePlacement::centred);
}

//==============================================================================
void KalvorinAudioProcessorEditor::parameterChanged (const juce::String& parameterID, float newValue)
{
    // May run on the audio thread: only record the choice; the timer shows it on the tabs.
    if (parameterID == kMonitorParameterId)
        pendingMonitorSelection.store (newValue < 0.5f ? 0 : 1);
}

void KalvorinAudioProcessorEditor::applyPendingMonitorSelection()
{
    const auto selection = pendingMonitorSelection.exchange (-1);

    if (selection >= 0)
        applyMonitorSelectionToTabs (selection == 1);
}

void KalvorinAudioProcessorEditor::timerCallback()
{
    rebuildTabsAfterStateRestore();
    applyPendingMonitorSelection();
    applyMeterUnitSettings();
    applyPlotStyleSetting();
    applyHistorySettings();

    auto* tab = currentSignalViewTab();

    if (const auto intervalMs = timerFeed.takeIntervalChange (tab != nullptr ? std::optional<int> (tab->getViewMode()) : std::nullopt))
        startTimer (*intervalMs);

    timerFeed.readMeters (getTimerInterval());

    if (tab != nullptr)
        tab->meters.setValues (timerFeed.meterValues());

    timerFeed.updateLiveSnapshot (liveSnapshot);
    recordPlaybackHistory (tab);

    if (tab != nullptr)
        tab->syncToolbar();
}

void KalvorinAudioProcessorEditor::recordPlaybackHistory (SignalViewTab* tab)
{
    const auto playing = timerFeed.getLastReading().playing;
    auto& reader = timerFeed.getReader();
    const auto position = reader.readPlayheadSeconds();

    if (tab == nullptr)
    {
        recorder.recordPlaybackHistory (nullptr, playing, position, liveSnapshot, getTimerInterval());
        return;
    }

    reader.readLiveMeasurements (liveSnapshot);
    auto target = targetFor (*tab);
    recorder.recordPlaybackHistory (&target, playing, position, liveSnapshot, getTimerInterval());
}

SignalViewTab* KalvorinAudioProcessorEditor::currentSignalViewTab() const
{
    return getReferencePage (tabs.getCurrentTabIndex());
}

SignalViewTabTarget KalvorinAudioProcessorEditor::targetFor (SignalViewTab& tab)
{
    return SignalViewTabTarget (tab, [this] (SignalViewTab& page, const AnalysisSnapshot& snapshot, bool live)
                                {
                                    pushSnapshotToTab (page, snapshot, live);
                                });
}

void KalvorinAudioProcessorEditor::pushSnapshotToTab (SignalViewTab& tab, const AnalysisSnapshot& snapshot, bool live)
{
    SnapshotPresenter::push (snapshot, tab, live, timerFeed.getReader().readOutputSelection());
}

void KalvorinAudioProcessorEditor::applyMonitorSelectionToTabs (bool sourceSelected)
{
    for (int i = 0; i < tabs.getNumTabs(); ++i)
        if (auto* page = getReferencePage (i))
            page->meters.setOutputSelection (sourceSelected ? OutputSelection::Source : OutputSelection::Reference);
}

void KalvorinAudioProcessorEditor::applyMeterUnitSettings()
{
    const auto units = timerFeed.takeChangedMeterUnits (processor.settingsStore);

    if (! units.has_value())
        return;

    for (int i = 0; i < tabs.getNumTabs(); ++i)
        if (auto* page = getReferencePage (i))
            page->meters.setMeterUnits (units->left, units->right);
}

void KalvorinAudioProcessorEditor::applyPlotStyleSetting()
{
    const auto style = EditorSettings::readPlotStyle (processor.settingsStore);

    for (int i = 0; i < tabs.getNumTabs(); ++i)
        if (auto* page = getReferencePage (i))
            SnapshotPresenter::applyPlotStyle (*page, style);
}

void KalvorinAudioProcessorEditor::applyHistorySettings()
{
    const auto history = EditorSettings::readHistory (processor.settingsStore);
    recorder.setHistorySettings (history.enabled, history.seconds);
}

//==============================================================================
SignalViewTab* KalvorinAudioProcessorEditor::getReferencePage (int tabIndex) const
{
    if (! juce::isPositiveAndBelow (tabIndex, tabs.getNumTabs()))
        return nullptr;

    return dynamic_cast<SignalViewTab*> (tabs.getTabContentComponent (tabIndex));
}

bool KalvorinAudioProcessorEditor::isPlusTab (int tabIndex) const
{
    if (! juce::isPositiveAndBelow (tabIndex, tabs.getNumTabs()))
        return false;

    if (auto* page = tabs.getTabContentComponent (tabIndex))
        return (bool) page->getProperties().getWithDefault (kPlusTabKey, false);

    return false;
}

int KalvorinAudioProcessorEditor::countReferenceTabs() const
{
    int count = 0;

    for (int i = 0; i < tabs.getNumTabs(); ++i)
        if (! isPlusTab (i))
            ++count;

    return count;
}

void KalvorinAudioProcessorEditor::addPlusTabIfNeeded()
{
    if (tabs.getNumTabs() == 0 || countReferenceTabs() == 0)
        return;

    for (int i = 0; i < tabs.getNumTabs(); ++i)
        if (isPlusTab (i))
            return;

    auto* page = new juce::Component();
    page->getProperties().set (kPlusTabKey, true);
    tabs.addTab (DarkTabsLookAndFeel::kAddTabText, kTabColour, page, true, tabs.getNumTabs());
}

void KalvorinAudioProcessorEditor::removePlusTabIfUnneeded()
{
    if (countReferenceTabs() > 0)
        return;

    for (int i = tabs.getNumTabs(); --i >= 0;)
    {
        if (isPlusTab (i))
        {
            tabs.removeTab (i);
            return;
        }
    }
}

void KalvorinAudioProcessorEditor::updateTabTooltips()
{
    auto& bar = tabs.getTabbedButtonBar();

    for (int i = 0; i < tabs.getNumTabs(); ++i)
    {
        auto* button = bar.getTabButton (i);

        if (button == nullptr)
            continue;

        if (isPlusTab (i))
            button->setTooltip ("Add reference");
        else if (auto* page = tabs.getTabContentComponent (i))
            button->setTooltip (getFullPath (*page));
        else
            button->setTooltip ({});
    }
}

void KalvorinAudioProcessorEditor::recomputeTabReferenceIndices()
{
    std::map<juce::String, int> indexByPath;

    for (size_t i = 0; i < processor.references.size(); ++i)
        indexByPath[processor.references[i].fullPath] = (int) i;

    for (int i = 0; i < tabs.getNumTabs(); ++i)
    {
        if (isPlusTab (i))
            continue;

        if (auto* page = tabs.getTabContentComponent (i))
        {
            const auto found = indexByPath.find (getFullPath (*page));
            page->getProperties().set (SignalViewTab::refIndexProperty, found != indexByPath.end() ? found->second : -1);
        }
    }
}

void KalvorinAudioProcessorEditor::syncTabReferenceIndices()
{
    recomputeTabReferenceIndices();

    const auto current = tabs.getCurrentTabIndex();

    if (current >= 0 && ! isPlusTab (current) && tabs.getTabContentComponent (current) != nullptr)
        activateReferenceOfTab (current);
}

void KalvorinAudioProcessorEditor::activateReferenceOfTab (int tabIndex)
{
    auto* page = tabs.getTabContentComponent (tabIndex);
    const auto refIndex = page != nullptr ? getRefIndex (*page) : -1;

    processor.setActiveReference (refIndex);

    if (page == nullptr || refIndex < 0 || processor.getActiveReferenceIndex() != refIndex)
        return;

    auto& pageProperties = page->getProperties();

    if (pageProperties.contains (kPendingSeekKey))
    {
        const auto seconds = (double) pageProperties[kPendingSeekKey];
        pageProperties.remove (kPendingSeekKey);
        processor.requestSeek (seconds);
    }
}

void KalvorinAudioProcessorEditor::refreshTabs()
{
    const auto isListed = [this] (const juce::String& path)
    {
        return std::any_of (processor.references.begin(), processor.references.end(),
                            [&path] (const auto& entry) { return entry.fullPath == path; });
    };

    bool removedAny = false;

    for (int i = tabs.getNumTabs(); --i >= 0;)
    {
        if (isPlusTab (i))
            continue;

        auto* page = tabs.getTabContentComponent (i);

        if (page == nullptr || isListed (getFullPath (*page)))
            continue;

        if (! removedAny)
        {
            // The list changed under the tabs: give the remaining tabs their indices before a
            // removal re-selects one of them.
            recomputeTabReferenceIndices();
            removedAny = true;
        }

        tabs.removeTab (i);
    }

    if (removedAny)
        syncTabReferenceIndices();

    const auto empty = countReferenceTabs() == 0;

    for (auto* label : { &hintLabel, &titleLabel, &formatsLabel })
        label->setVisible (empty);

    tabs.setVisible (! empty);

    addPlusTabIfNeeded();
    removePlusTabIfUnneeded();
    repaint();
}

void KalvorinAudioProcessorEditor::closeReferenceTab (int tabIndex)
{
    if (! juce::isPositiveAndBelow (tabIndex, tabs.getNumTabs()))
        return;

    if (auto* page = tabs.getTabContentComponent (tabIndex))
    {
        const auto path = getFullPath (*page);

        if (path.isNotEmpty())
            processor.removeReferenceByPath (path);
    }

    // The removal renumbered the processor's list. Bring every tab's index up to date and keep
    // the current tab's Reference active before the tab bar re-selects anything.
    recomputeTabReferenceIndices();

    const auto current = tabs.getCurrentTabIndex();

    if (current >= 0 && current != tabIndex && ! isPlusTab (current))
        activateReferenceOfTab (current);

    tabs.removeTab (tabIndex);
}

void KalvorinAudioProcessorEditor::runTabFollowUps()
{
    syncTabReferenceIndices();
    addPlusTabIfNeeded();
    removePlusTabIfUnneeded();
    updateTabTooltips();
    refreshTabs();
    saveEditorState();
}

void KalvorinAudioProcessorEditor::handleCurrentTabChanged (int newIndex)
{
    if (newIndex < 0)
        return;

    if (isPlusTab (newIndex))
    {
        int target = -1;

        for (int i = newIndex - 1; i >= 0 && target < 0; --i)
            if (! isPlusTab (i))
                target = i;

        for (int i = newIndex + 1; i < tabs.getNumTabs() && target < 0; ++i)
            if (! isPlusTab (i))
                target = i;

        openFileDialog();

        if (target >= 0)
            tabs.setCurrentTabIndex (target, true);

        saveEditorState();
        return;
    }

    activateReferenceOfTab (newIndex);

    for (int i = 0; i < tabs.getNumTabs(); ++i)
    {
        if (auto* page = getReferencePage (i))
        {
            if (i == newIndex)
                page->signalDisplay.startPlayheadTimer();
            else
                page->signalDisplay.stopPlayheadTimer();
        }
    }

    saveEditorState();
}

void KalvorinAudioProcessorEditor::addReferenceTab (const juce::File& file, int refIndex, const juce::var* view)
{
    const auto path = file.getFullPathName();
    const auto hasView = view != nullptr && view->getDynamicObject() != nullptr;

    for (int i = 0; i < tabs.getNumTabs(); ++i)
    {
        auto* existing = getReferencePage (i);

        if (existing == nullptr || getFullPath (*existing) != path)
            continue;

        if (hasView)
            existing->restoreViewState (*view);

        tabs.setCurrentTabIndex (i, true);
        return;
    }

    const auto title = EditorText::shortenTabTitle (file.getFileName());
    auto page = std::make_unique<SignalViewTab> (title, formatManager, thumbnailCache, file);
    page->getProperties().set (SignalViewTab::fullPathProperty, path);
    page->getProperties().set (SignalViewTab::refIndexProperty, refIndex < 0 ? -1 : refIndex);

    auto* tab = page.get();

    tab->signalDisplay.getPlayheadSeconds = [this] { return timerFeed.getReader().readPlayheadSeconds(); };
    tab->signalDisplay.hasPlayheadSource = true;

    tab->signalDisplay.onSeek = [this, tab] (double seconds, SignalDisplay::SeekOrigin origin)
    {
        handleSeek (*tab, origin, seconds);
    };

    tab->displayHost.analysisView.onAnalysisSourceChanged = [this] { recorder.analysisSourceChanged(); };

    tab->onOutputSelectionChanged = [this] (OutputSelection selection)
    {
        // The tabs follow through the parameter listener, like for the host's own changes.
        if (auto* parameter = processor.parameters.getParameter (kMonitorParameterId))
            parameter->setValueNotifyingHost (monitorValueFor (selection));
    };

    tab->displayHost.onPlotStyleChanged = [this] (BandDisplayBase::PlotStyle style)
    {
        processor.settingsStore.setValue (SettingsStore::kGeneralSection, EditorSettings::kPlotStyleKey,
                                          style == BandDisplayBase::PlotStyle::Lines ? EditorSettings::kLinesStyleText
                                                                                     : EditorSettings::kDefaultStyleText);
        processor.settingsStore.save();
        applyPlotStyleSetting();
    };

    tab->onLevelMatchModeChanged = [this] (int mode)
    {
        mode = juce::jlimit (0, 2, mode);
        processor.setLevelMatchMode (mode);
        EditorSettings::saveLevelMatchMode (processor.settingsStore, mode);

        for (int i = 0; i < tabs.getNumTabs(); ++i)
            if (auto* anyPage = getReferencePage (i))
                anyPage->meters.setLevelMatchMode (mode);
    };

    tab->displayHost.onBandSelectionChanged = [this] (FocusBand band) { processor.setFocusBand (band); };

    SnapshotPresenter::applyPlotStyle (*tab, EditorSettings::readPlotStyle (processor.settingsStore));
    tab->meters.setLevelMatchMode (juce::jlimit (0, 2, processor.settingsStore.getInt (SettingsStore::kGeneralSection,
                                                                                        EditorSettings::kLevelMatchModeKey, 0)));
    tab->meters.setMeterUnits (timerFeed.getMeterUnits().left, timerFeed.getMeterUnits().right);
    tab->meters.setOutputSelection (timerFeed.getReader().readOutputSelection());

    if (hasView)
        tab->restoreViewState (*view);

    auto insertIndex = tabs.getNumTabs();

    for (int i = 0; i < tabs.getNumTabs(); ++i)
    {
        if (isPlusTab (i))
        {
            insertIndex = i;
            break;
        }
    }

    tabs.addTab (EditorText::makeTabText (insertIndex + 1, title), kTabColour, page.release(), true, insertIndex);
    tabs.setCurrentTabIndex (insertIndex, true);
    activateReferenceOfTab (insertIndex);

    juce::MessageManager::callAsync ([safe = juce::Component::SafePointer<KalvorinAudioProcessorEditor> (this)]
    {
        if (safe == nullptr)
            return;

        safe->addPlusTabIfNeeded();
        safe->updateTabTooltips();
        safe->refreshTabs();
        safe->saveEditorState();
    });
}

void KalvorinAudioProcessorEditor::handleSeek (SignalViewTab& tab, SignalDisplay::SeekOrigin origin, double seconds)
{
    const auto refIndex = getRefIndex (tab);

    // Each Reference keeps its own playhead: a seek for a Reference that is not active (a tab
    // restored in the background) waits until its tab makes it active.
    if (refIndex < 0 || refIndex != processor.getActiveReferenceIndex())
    {
        tab.getProperties().set (kPendingSeekKey, seconds);
        return;
    }

    tab.getProperties().remove (kPendingSeekKey);

    // What the transport and the playhead were before the jump decide what the jump means.
    const auto playing = processor.isPlaying.load();
    auto& reader = timerFeed.getReader();
    const auto positionBeforeSeek = reader.readPlayheadSeconds();

    // The processor refuses a seek without an active Reference or without a file rate.
    processor.requestSeek (seconds);

    if (! playing)
        reader.readLiveMeasurements (liveSnapshot);

    auto target = targetFor (tab);
    const auto response = recorder.handleSeek (target, origin, seconds, playing, positionBeforeSeek, liveSnapshot,
                                               getTimerInterval());

    if (response.discardLiveMeasurements)
    {
        timerFeed.clearPeakSeries();
        liveSnapshot = {};
    }
}

//==============================================================================
bool KalvorinAudioProcessorEditor::canLoadFile (const juce::File& file)
{
    return ReferenceFileCheck::canLoadFile (file, formatManager);
}

void KalvorinAudioProcessorEditor::openFileDialog()
{
    const auto wildcard = EditorText::makeFileDialogWildcard (getExtensionsPerFormat (formatManager));

    fileChooser = std::make_unique<juce::FileChooser> ("Open audio file", juce::File(), wildcard);
    ++fileDialogsOpened;

    fileChooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectFiles,
                              [safe = juce::Component::SafePointer<KalvorinAudioProcessorEditor> (this)] (const juce::FileChooser& chooser)
                              {
                                  if (safe != nullptr)
                                      safe->loadChosenFile (chooser.getResult());
                              });
}

void KalvorinAudioProcessorEditor::loadReferenceFile (const juce::File& file)
{
    if (! canLoadFile (file))
        return;

    const auto index = processor.addReference (file.getFullPathName());

    // A file the processor could not decode gets no tab.
    if (index >= 0)
        addReferenceTab (file, index, nullptr);
}

void KalvorinAudioProcessorEditor::loadChosenFile (const juce::File& file)
{
    loadReferenceFile (file);
    updateTabTooltips();
    refreshTabs();
    saveEditorState();
    fileChooser.reset();
}

bool KalvorinAudioProcessorEditor::isInterestedInFileDrag (const juce::StringArray& files)
{
    for (const auto& path : files)
        if (juce::File::isAbsolutePath (path) && canLoadFile (juce::File (path)))
            return true;

    return false;
}

void KalvorinAudioProcessorEditor::fileDragEnter (const juce::StringArray& files, int, int)
{
    if (isInterestedInFileDrag (files))
    {
        dragHover = true;
        repaint();
    }
}

void KalvorinAudioProcessorEditor::fileDragExit (const juce::StringArray&)
{
    dragHover = false;
    repaint();
}

void KalvorinAudioProcessorEditor::filesDropped (const juce::StringArray& files, int, int)
{
    dragHover = false;
    repaint();

    for (const auto& path : files)
        if (juce::File::isAbsolutePath (path))
            loadReferenceFile (juce::File (path));

    updateTabTooltips();
    refreshTabs();
    saveEditorState();
}

//==============================================================================
bool KalvorinAudioProcessorEditor::isInTabBar (const juce::Component* component) const
{
    auto& bar = tabs.getTabbedButtonBar();

    if (component == nullptr)
        return false;

    return component == &bar || component->findParentComponentOfClass<juce::TabbedButtonBar>() == &bar;
}

int KalvorinAudioProcessorEditor::findTabUnder (const juce::MouseEvent& e) const
{
    auto& bar = tabs.getTabbedButtonBar();
    const auto position = e.getEventRelativeTo (&bar).position;

    for (int i = 0; i < bar.getNumTabs(); ++i)
        if (auto* button = bar.getTabButton (i))
            if (button->getBounds().toFloat().contains (position))
                return i;

    return -1;
}

void KalvorinAudioProcessorEditor::mouseDown (const juce::MouseEvent& e)
{
    if (e.eventComponent == &logoButton || e.eventComponent == &settingsButton)
        return;

    if (isInTabBar (e.eventComponent) && e.mods.isRightButtonDown())
    {
        const auto index = findTabUnder (e);

        if (index >= 0 && ! isPlusTab (index) && ! menuOpen)
        {
            menuOpen = true;
            showTabMenu (index, e.getScreenPosition());
            return;
        }
    }

    if (hintLabel.isVisible() && e.mods.isLeftButtonDown())
        openFileDialog();
}

void KalvorinAudioProcessorEditor::mouseUp (const juce::MouseEvent& e)
{
    if (! isInTabBar (e.eventComponent) || ! e.mods.isMiddleButtonDown())
        return;

    const auto index = findTabUnder (e);

    if (index < 0 || isPlusTab (index))
        return;

    closeReferenceTab (index);
    runTabFollowUps();
}

bool KalvorinAudioProcessorEditor::keyPressed (const juce::KeyPress& key)
{
    // X11 reports the letter's own key code ('w'), not the upper-case 'W' other systems give.
    const auto isCloseKey = (key.getKeyCode() == 'w' || key.getKeyCode() == 'W') && key.getModifiers().isCommandDown();

    if (! isCloseKey)
        return false;

    const auto current = tabs.getCurrentTabIndex();

    if (tabs.getNumTabs() == 0 || current < 0 || isPlusTab (current))
        return false;

    closeReferenceTab (current);
    runTabFollowUps();
    return true;
}

juce::PopupMenu KalvorinAudioProcessorEditor::createTabMenu (int numReferenceTabs)
{
    juce::PopupMenu menu;
    menu.addItem (closeTabItem, "Close Tab", true, false, getMenuCloseIcon());
    menu.addItem (closeOthersItem, "Close Others", numReferenceTabs > 1, false, getMenuCloseIcon());
    menu.addItem (closeAllItem, "Close All", numReferenceTabs > 0, false, getMenuCloseIcon());
    menu.addSeparator();
    menu.addItem (settingsItem, "Settings...", numReferenceTabs > 0, false, getMenuSettingsIcon());
    return menu;
}

void KalvorinAudioProcessorEditor::showTabMenu (int tabIndex, juce::Point<int> screenPosition)
{
    const auto options = juce::PopupMenu::Options()
                             .withParentComponent (this)
                             .withTargetComponent (&tabs.getTabbedButtonBar())
                             .withTargetScreenArea ({ screenPosition.x, screenPosition.y, 1, 1 });

    createTabMenu (countReferenceTabs())
        .showMenuAsync (options, [safe = juce::Component::SafePointer<KalvorinAudioProcessorEditor> (this), tabIndex] (int result)
                        {
                            juce::PopupMenu::dismissAllActiveMenus();

                            if (safe != nullptr)
                                safe->handleTabMenuResult (result, tabIndex);
                        });
}

void KalvorinAudioProcessorEditor::handleTabMenuResult (int result, int tabIndex)
{
    menuOpen = false;

    switch (result)
    {
        case closeTabItem:
            if (! isPlusTab (tabIndex))
                closeReferenceTab (tabIndex);
            break;

        case closeOthersItem:
            for (int i = tabs.getNumTabs(); --i >= 0;)
                if (i != tabIndex && ! isPlusTab (i))
                    closeReferenceTab (i);
            break;

        case closeAllItem:
            for (int i = tabs.getNumTabs(); --i >= 0;)
                if (! isPlusTab (i))
                    closeReferenceTab (i);
            break;

        case settingsItem:
            showSettingsDialog (*this, processor.settingsStore);
            break;

        default:
            break;
    }

    runTabFollowUps();
}

//==============================================================================
juce::String KalvorinAudioProcessorEditor::readStoredEditorState() const
{
    return processor.getEditorStateJson();
}

void KalvorinAudioProcessorEditor::storeEditorState (const juce::String& text)
{
    // The processor keeps the text for the host's state calls, whatever thread they come on.
    if (text != processor.getEditorStateJson())
        processor.setEditorStateJson (text);
}

void KalvorinAudioProcessorEditor::saveEditorState()
{
    std::vector<EditorStateJson::Tab> saved;

    for (int i = 0; i < tabs.getNumTabs(); ++i)
    {
        if (isPlusTab (i))
            continue;

        auto* page = tabs.getTabContentComponent (i);

        if (page == nullptr)
            continue;

        EditorStateJson::Tab tab;
        tab.path = getFullPath (*page);

        if (tab.path.isEmpty())
            continue;

        tab.refIndex = getRefIndex (*page);

        if (auto* reference = dynamic_cast<SignalViewTab*> (page))
        {
            const auto& display = reference->signalDisplay;
            EditorStateJson::TabView view;
            view.regions.assign (display.loops.begin(), display.loops.end());
            view.activeIndex = display.activeLoopIndex;
            view.loopsVisible = display.loopsVisible;
            view.playhead = display.playheadSeconds;
            view.analysisUsesLoop = reference->displayHost.analysisView.getUsesLoop();
            tab.view = view;
        }

        saved.push_back (std::move (tab));
    }

    storeEditorState (EditorStateJson::write (saved, tabs.getCurrentTabIndex()));
}

void KalvorinAudioProcessorEditor::rebuildTabsAfterStateRestore()
{
    // The host restored a project while the window was open: its tabs belong to the old one.
    // Building them again from the restored text keeps the project's tabs and loops, which
    // closing the window would otherwise overwrite with the old tabs.
    const auto restores = processor.getStateRestoreCount();

    if (restores == tabsBuiltForRestore)
        return;

    tabsBuiltForRestore = restores;
    tabs.clearTabs();
    restoreTabs();
}

void KalvorinAudioProcessorEditor::restoreTabs()
{
    const auto restore = EditorStateJson::read (readStoredEditorState());

    switch (restore.kind)
    {
        case EditorStateJson::RestoreKind::oneTabPerReference:
        {
            // Copy the paths first: building a tab may not change the list, but the list is
            // the processor's and is read only through its own operations here.
            juce::StringArray paths;

            for (const auto& entry : processor.references)
                paths.add (entry.fullPath);

            for (int i = 0; i < paths.size(); ++i)
                if (juce::File::isAbsolutePath (paths[i]))
                    addReferenceTab (juce::File (paths[i]), i, nullptr);

            addPlusTabIfNeeded();
            refreshTabs();
            return;
        }

        case EditorStateJson::RestoreKind::noTabs:
            addPlusTabIfNeeded();
            updateTabTooltips();
            refreshTabs();
            return;

        case EditorStateJson::RestoreKind::listedTabs:
            break;
    }

    for (const auto& saved : restore.tabs)
    {
        if (! juce::File::isAbsolutePath (saved.path))
            continue;

        const juce::File file (saved.path);

        // Only regular files: a folder is no Reference, and reading a device or pipe could
        // block the host's message thread for good.
        if (! ReferenceFileCheck::isRegularFile (file))
            continue;

        const auto index = processor.addReference (file.getFullPathName());

        if (index < 0)
            continue;

        addReferenceTab (file, index, saved.view.getDynamicObject() != nullptr ? &saved.view : nullptr);
    }

    if (juce::isPositiveAndBelow (restore.currentTab, tabs.getNumTabs()))
        tabs.setCurrentTabIndex (restore.currentTab, true);

    addPlusTabIfNeeded();
    updateTabTooltips();
    refreshTabs();
}
