#include "editor/SettingsComponent.h"

#include "editor/SettingsDialogRules.h"
#include "editor/SettingsLayout.h"
#include "engine/ThemePalette.h"
#include "resources/EmbeddedResources.h"
#include "tab/ABMeters.h"

namespace
{
using Rules = SettingsDialogRules;

constexpr int kTooltipDelayMs = 200;

constexpr int kBarsItemId = 1;
constexpr int kLinesItemId = 2;

constexpr float kCreditFontHeight = 12.0f;
constexpr juce::uint8 kEmptyHintAlpha = 0x8c;

constexpr float kTopBrightening = 0.025f;
constexpr float kBottomDarkening = 0.04f;

constexpr const char* kDialogTitle = "Settings";
constexpr const char* kAllowedLengthCharacters = "0123456789.";
constexpr const char* kCreditText = "Made by Quillbrook";
// The developer has no web page yet; an empty address makes the link a caption that opens nothing.
constexpr const char* kCreditAddress = "";

/** The meter units in the order the boxes list them, with their captions. */
struct UnitItem
{
    const char* text;
    MeterUnit unit;
};

constexpr UnitItem kUnitItems[] {
    { "Peak (dBFS)", MeterUnit::Peak },
    { "True Peak (dBTP)", MeterUnit::TruePeak },
    { "RMS", MeterUnit::Rms },
    { "LUFS-S (Short-term)", MeterUnit::LufsShortTerm },
    { "LUFS-I (Integrated)", MeterUnit::LufsIntegrated },
};

const juce::String& generalSection()
{
    static const juce::String section { SettingsStore::kGeneralSection };
    return section;
}

juce::Image decodeSettingsIcon()
{
    int size = 0;

    if (const auto* data = EmbeddedResources::lookupResource ("Settings_png", size))
        return juce::ImageFileFormat::loadFrom (data, (size_t) size);

    return {};
}
} // namespace

SettingsComponent::SettingsComponent (SettingsStore& storeToEdit, juce::Component* ownerToFollow)
    : tooltipWindow (this, kTooltipDelayMs),
      store (&storeToEdit),
      owner (ownerToFollow),
      leftUnitLabel ({}, "Left Meter Unit:"),
      rightUnitLabel ({}, "Right Meter Unit:"),
      analyzerStyleLabel ({}, "Analyzer Style:"),
      historyToggle ("Enable Playback History"),
      historyLengthLabel ({}, "History Length (s):"),
      versionLabel ({}, Rules::versionText (JucePlugin_VersionString, Rules::kReleaseChannel)),
      creditLink (kCreditText, juce::URL (juce::String (kCreditAddress))),
      okButton ("OK"),
      cancelButton ("Cancel")
{
    setLookAndFeel (&lookAndFeel);
    tooltipWindow.setLookAndFeel (&lookAndFeel);
    // The tooltip's corners are rounded; what lies behind them must show.
    tooltipWindow.setOpaque (false);

    generalGroup.setText ("General");
    versionGroup.setText ("Version");

    setColours();
    setUpChildren();
    wireEvents();
    fillFromStore();

    if (owner != nullptr)
        owner->addComponentListener (this);
}

SettingsComponent::~SettingsComponent()
{
    setLookAndFeel (nullptr);
    tooltipWindow.setLookAndFeel (nullptr);

    if (owner != nullptr)
        owner->removeComponentListener (this);
}

void SettingsComponent::setColours()
{
    for (auto* caption : { &leftUnitLabel, &rightUnitLabel, &analyzerStyleLabel, &historyLengthLabel })
        caption->setColour (juce::Label::textColourId, ThemePalette::textDim);

    versionLabel.setColour (juce::Label::textColourId, ThemePalette::accent);

    for (auto* group : { &generalGroup, &versionGroup })
    {
        group->setColour (juce::GroupComponent::textColourId, ThemePalette::textDim);
        group->setColour (juce::GroupComponent::outlineColourId, ThemePalette::border);
    }

    for (auto* box : { &leftUnitBox, &rightUnitBox, &analyzerStyleBox })
    {
        box->setColour (juce::ComboBox::backgroundColourId, ThemePalette::panel);
        box->setColour (juce::ComboBox::outlineColourId, ThemePalette::border);
        box->setColour (juce::ComboBox::textColourId, ThemePalette::text);
        box->setColour (juce::ComboBox::arrowColourId, ThemePalette::accent);
    }

    historyToggle.setColour (juce::ToggleButton::textColourId, ThemePalette::text);
    historyToggle.setColour (juce::ToggleButton::tickColourId, ThemePalette::accent);

    historyLengthEditor.setColour (juce::TextEditor::backgroundColourId, ThemePalette::panel);
    historyLengthEditor.setColour (juce::TextEditor::outlineColourId, ThemePalette::border);
    historyLengthEditor.setColour (juce::TextEditor::focusedOutlineColourId, ThemePalette::accent);
    historyLengthEditor.setColour (juce::TextEditor::textColourId, ThemePalette::text);

    creditLink.setColour (juce::HyperlinkButton::textColourId, ThemePalette::accent);

    okButton.setColour (juce::TextButton::buttonColourId, ThemePalette::accent);
    okButton.setColour (juce::TextButton::textColourOffId, ThemePalette::background);
    cancelButton.setColour (juce::TextButton::buttonColourId, ThemePalette::panelHighlight);
    cancelButton.setColour (juce::TextButton::textColourOffId, ThemePalette::text);
}

void SettingsComponent::setUpChildren()
{
    leftUnitBox.setTooltip ("Choose left meter unit");
    rightUnitBox.setTooltip ("Choose right meter unit");
    analyzerStyleBox.setTooltip ("Choose analyzer display style");
    historyToggle.setTooltip ("Enable or disable playback history");
    historyLengthEditor.setTooltip ("Set playback history length in seconds (minimum 10)");
    okButton.setTooltip ("Save settings");
    cancelButton.setTooltip ("Cancel settings changes");

    versionLabel.setJustificationType (juce::Justification::centred);
    creditLink.setFont (juce::Font (kCreditFontHeight), false, juce::Justification::centred);

    fillMeterUnitBox (leftUnitBox);
    fillMeterUnitBox (rightUnitBox);
    analyzerStyleBox.addItem (Rules::kBarsStyle, kBarsItemId);
    analyzerStyleBox.addItem (Rules::kLinesStyle, kLinesItemId);

    historyLengthEditor.setMultiLine (false);
    historyLengthEditor.setInputRestrictions (0, kAllowedLengthCharacters);
    historyLengthEditor.setTextToShowWhenEmpty (Rules::formatForStore (Rules::kMinHistorySeconds),
                                                ThemePalette::textDim.withAlpha (kEmptyHintAlpha));

    for (auto* child : std::initializer_list<juce::Component*> {
             &generalGroup, &leftUnitLabel, &leftUnitBox, &rightUnitLabel, &rightUnitBox, &analyzerStyleLabel,
             &analyzerStyleBox, &historyToggle, &historyLengthLabel, &historyLengthEditor, &versionGroup,
             &versionLabel, &creditLink, &okButton, &cancelButton })
        addAndMakeVisible (child);
}

void SettingsComponent::wireEvents()
{
    okButton.onClick = [this] { apply(); };
    cancelButton.onClick = [this] { close(); };
    leftUnitBox.onChange = [this] { applyClashRule (leftUnitBox, rightUnitBox); };
    rightUnitBox.onChange = [this] { applyClashRule (rightUnitBox, leftUnitBox); };
}

void SettingsComponent::fillMeterUnitBox (juce::ComboBox& box)
{
    for (const auto& item : kUnitItems)
        box.addItem (item.text, static_cast<int> (item.unit) + 1);
}

void SettingsComponent::fillFromStore()
{
    if (store == nullptr)
        return;

    const auto& section = generalSection();
    const auto units = Rules::unitsFromStore (store->getInt (section, Rules::kLeftUnitKey, Rules::kDefaultLeftUnit),
                                              store->getInt (section, Rules::kRightUnitKey, Rules::kDefaultRightUnit));
    leftUnitBox.setSelectedId (units.left + 1, juce::dontSendNotification);
    rightUnitBox.setSelectedId (units.right + 1, juce::dontSendNotification);

    const auto lines = store->getValue (section, Rules::kPlotStyleKey, Rules::kBarsStyle) == Rules::kLinesStyle;
    analyzerStyleBox.setSelectedId (lines ? kLinesItemId : kBarsItemId, juce::dontSendNotification);

    historyToggle.setToggleState (store->getBool (section, Rules::kHistoryEnabledKey), juce::dontSendNotification);

    const auto seconds = Rules::historySecondsToShow (store->getValue (section, Rules::kHistorySecondsKey));
    historyLengthEditor.setText (Rules::formatForField (seconds), false);
}

void SettingsComponent::applyClashRule (juce::ComboBox& changed, juce::ComboBox& other)
{
    const auto ids = Rules::resolveBoxClash (changed.getSelectedId(), other.getSelectedId());

    if (ids.changed != changed.getSelectedId())
        changed.setSelectedId (ids.changed, juce::dontSendNotification);

    if (ids.other != other.getSelectedId())
        other.setSelectedId (ids.other, juce::dontSendNotification);
}

void SettingsComponent::apply()
{
    // Once the owner is gone the store may be gone too: OK then only closes.
    if (store != nullptr)
        writeToStore (*store);

    close();
}

void SettingsComponent::writeToStore (SettingsStore& target)
{
    const auto units = Rules::separateUnits ({ Rules::unitFromBoxId (leftUnitBox.getSelectedId()),
                                               Rules::unitFromBoxId (rightUnitBox.getSelectedId()) });
    const auto enabled = historyToggle.getToggleState();
    const auto seconds = Rules::historySecondsToStore (historyLengthEditor.getText());
    const auto lines = analyzerStyleBox.getSelectedId() == kLinesItemId;

    const auto& section = generalSection();
    target.setValue (section, Rules::kLeftUnitKey, juce::String (units.left));
    target.setValue (section, Rules::kRightUnitKey, juce::String (units.right));
    target.setValue (section, Rules::kHistoryEnabledKey, enabled ? "true" : "false");
    target.setValue (section, Rules::kPlotStyleKey, lines ? Rules::kLinesStyle : Rules::kBarsStyle);
    target.setValue (section, Rules::kHistorySecondsKey, Rules::formatForStore (seconds));

    historyLengthEditor.setText (Rules::formatForField (seconds), false);

    // A failed save keeps the values in memory, where the editor reads them anyway.
    target.save();
}

void SettingsComponent::close()
{
    if (auto* window = findParentComponentOfClass<juce::DialogWindow>())
        window->closeButtonPressed();
}

void SettingsComponent::paint (juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    g.setGradientFill (juce::ColourGradient (ThemePalette::surface.brighter (kTopBrightening), bounds.getCentreX(), 0.0f,
                                             ThemePalette::background.darker (kBottomDarkening), bounds.getCentreX(),
                                             bounds.getHeight(), false));
    g.fillAll();
}

void SettingsComponent::resized()
{
    const auto layout = SettingsLayout::forBounds (getLocalBounds());

    okButton.setBounds (layout.okButton);
    cancelButton.setBounds (layout.cancelButton);
    generalGroup.setBounds (layout.generalGroup);
    leftUnitLabel.setBounds (layout.leftUnitLabel);
    leftUnitBox.setBounds (layout.leftUnitBox);
    rightUnitLabel.setBounds (layout.rightUnitLabel);
    rightUnitBox.setBounds (layout.rightUnitBox);
    analyzerStyleLabel.setBounds (layout.analyzerStyleLabel);
    analyzerStyleBox.setBounds (layout.analyzerStyleBox);
    historyToggle.setBounds (layout.historyToggle);
    historyLengthLabel.setBounds (layout.historyLengthLabel);
    historyLengthEditor.setBounds (layout.historyLengthEditor);
    versionGroup.setBounds (layout.versionGroup);
    versionLabel.setBounds (layout.versionLabel);
    creditLink.setBounds (layout.creditLink);
}

void SettingsComponent::componentBeingDeleted (juce::Component& deleted)
{
    if (&deleted != owner)
        return;

    owner->removeComponentListener (this);
    owner = nullptr;
    store = nullptr;

    // Deleting the window ends its modal state and deletes this component with it, before
    // whoever deletes the owner goes on to delete the store. Nothing may touch members after it.
    if (auto* window = findParentComponentOfClass<juce::DialogWindow>())
        delete window;
}

void showSettingsDialog (juce::Component& editor, SettingsStore& store)
{
    auto content = std::make_unique<SettingsComponent> (store, &editor);
    content->setSize (SettingsLayout::kDialogWidth, SettingsLayout::kDialogHeight);

    juce::DialogWindow::LaunchOptions options;
    options.dialogTitle = kDialogTitle;
    options.dialogBackgroundColour = ThemePalette::background;
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = true;
    options.resizable = false;
    options.componentToCentreAround = &editor;
    options.content.setOwned (content.release());

    auto* window = options.create();

    if (const auto icon = decodeSettingsIcon(); icon.isValid())
    {
        window->setIcon (icon);

        if (auto* peer = window->getPeer())
            peer->setIcon (icon);
    }

    window->centreAroundComponent (&editor, SettingsLayout::kDialogWidth, SettingsLayout::kDialogHeight);
    window->enterModalState (true, nullptr, true);
}
