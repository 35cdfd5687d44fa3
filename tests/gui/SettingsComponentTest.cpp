#include "editor/SettingsComponent.h"

#include "editor/SettingsLayout.h"
#include "engine/ThemePalette.h"
#include "support/ModalWindows.h"
#include "support/ProcessorHarness.h"
#include "support/MessageLoop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

// The settings dialog: its content driven through its own controls, and the dialog window
// opened on an editor-like owner under the test's X server.

namespace
{
/** Clicks a button the way a user's click ends, through the message loop. */
void click (juce::Button& button)
{
    button.triggerClick();
    MessagePump::runFor (50);
}

/** A settings file in a temporary folder and a store that has read it. */
struct SettingsFile
{
    /** Writes text to the file first unless it is null (then there is no file). */
    explicit SettingsFile (const char* text = nullptr)
    {
        if (text != nullptr)
            file.replaceWithText (text);

        store.load();
    }

    juce::MemoryBlock bytes() const
    {
        juce::MemoryBlock block;
        file.loadFileAsData (block);
        return block;
    }

    juce::String general (const char* key) const { return store.getValue ("General", key, "<missing>"); }

    // A name of its own: test runs of other builds may share the temporary folder.
    juce::TemporaryFile temporary { ".txt" };
    juce::File file { temporary.getFile() };
    SettingsStore store { "Audio-Kalvorin", file.getFileName(), file };
};

/** The editor's stand-in: a window on the screen that the dialog is centred on. */
struct OwnerWindow final : juce::Component
{
    OwnerWindow()
    {
        setOpaque (true);
        setBounds (200, 150, 1200, 720);
        addToDesktop (0);
        setVisible (true);
    }

    void paint (juce::Graphics& g) override { g.fillAll (ThemePalette::surface); }
};

using ModalWindows::findSettingsDialog;

SettingsComponent* contentOf (juce::DialogWindow* window)
{
    return window != nullptr ? dynamic_cast<SettingsComponent*> (window->getContentComponent()) : nullptr;
}

juce::File buildFolder()
{
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory();
}

void writePng (juce::Component& component, const char* name)
{
    const auto png = buildFolder().getChildFile (name);
    png.deleteFile();
    juce::FileOutputStream stream (png);
    ASSERT_TRUE (stream.openedOk());
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (component.createComponentSnapshot (component.getLocalBounds()), stream));
}

/** Room for the title bar that the test's window manager puts above a window. */
constexpr int kWindowManagerTitleHeight = 32;
/** The frame the test's window manager draws around a window, which may shift it sideways. */
constexpr int kWindowManagerBorderWidth = 2;

constexpr const char* truePeak = "True Peak (dBTP)";
constexpr const char* rms = "RMS";
constexpr const char* shortTerm = "LUFS-S (Short-term)";
constexpr const char* peak = "Peak (dBFS)";
constexpr const char* integrated = "LUFS-I (Integrated)";

int idOf (const juce::ComboBox& box, const juce::String& text)
{
    for (int i = 0; i < box.getNumItems(); ++i)
        if (box.getItemText (i) == text)
            return box.getItemId (i);

    return 0;
}
} // namespace

TEST (SettingsComponent, theUnitBoxesListTheFiveUnitsPeakFirstWithTheUnitPlusOneAsId)
{
    juce::ComboBox box;
    SettingsComponent::fillMeterUnitBox (box);

    ASSERT_EQ (box.getNumItems(), 5);
    const std::pair<const char*, int> expected[] { { peak, 5 }, { truePeak, 1 }, { rms, 2 }, { shortTerm, 3 }, { integrated, 4 } };

    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ (box.getItemText (i), expected[i].first);
        EXPECT_EQ (box.getItemId (i), expected[i].second);
    }
}

TEST (SettingsComponent, choosingTheUnitTheOtherBoxShowsMovesTheOtherBox)
{
    struct Case
    {
        const char* chosen;
        const char* otherMovesTo;
    };

    SettingsFile settings;
    SettingsComponent dialog (settings.store, nullptr);

    for (const auto& c : { Case { rms, truePeak }, Case { peak, shortTerm }, Case { truePeak, shortTerm } })
    {
        for (const auto leftChanges : { true, false })
        {
            auto& changed = leftChanges ? dialog.leftUnitBox : dialog.rightUnitBox;
            auto& other = leftChanges ? dialog.rightUnitBox : dialog.leftUnitBox;
            changed.setSelectedId (idOf (changed, integrated), juce::dontSendNotification);
            other.setSelectedId (idOf (other, c.chosen), juce::dontSendNotification);
            changed.setSelectedId (idOf (changed, c.chosen), juce::sendNotificationSync);

            EXPECT_EQ (changed.getText(), c.chosen) << (leftChanges ? "left " : "right ") << c.chosen;
            EXPECT_EQ (other.getText(), c.otherMovesTo) << (leftChanges ? "left " : "right ") << c.chosen;

            // A unit the other box does not show moves nothing.
            changed.setSelectedId (idOf (changed, integrated), juce::sendNotificationSync);
            EXPECT_EQ (other.getText(), c.otherMovesTo);
        }
    }

    EXPECT_FALSE (settings.file.exists()) << "choosing units writes nothing";
}

TEST (SettingsComponent, opensWithTheStoredValuesAndTellsEqualUnitsApart)
{
    struct Case
    {
        const char* fileText; // null: no file
        const char* left;
        const char* right;
        const char* style;
        bool historyEnabled;
        const char* historyLength;
    };

    for (const auto& c : { Case { "[General]\nLevelMeterUnit_1=1\nLevelMeterUnit_2=1\nAnalyzerPlotStyle=Lines\n"
                                  "PlaybackHistoryEnabled=off\nPlaybackHistorySeconds=7200\n",
                                  rms, truePeak, "Lines", false, "7200.00" },
                           Case { nullptr, shortTerm, truePeak, "Bars", true, "10.00" } })
    {
        SettingsFile settings (c.fileText);
        SettingsComponent dialog (settings.store, nullptr);

        EXPECT_EQ (dialog.leftUnitBox.getText(), c.left);
        EXPECT_EQ (dialog.rightUnitBox.getText(), c.right);
        EXPECT_EQ (dialog.analyzerStyleBox.getText(), c.style);
        EXPECT_EQ (dialog.historyToggle.getToggleState(), c.historyEnabled);
        EXPECT_EQ (dialog.historyLengthEditor.getText(), c.historyLength);
    }
}

TEST (SettingsComponent, okStoresTheTypedHistoryLengthWithinTenSecondsToAnHour)
{
    struct Case
    {
        const char* stored; // null: no key in the file
        const char* typed;  // null: left as shown
        const char* expected;
    };

    for (const auto& c : { Case { nullptr, "5", "10" }, Case { nullptr, "12.5", "12.5" }, Case { nullptr, "99999", "3600" },
                           Case { nullptr, "1.2.3", "10" }, Case { nullptr, "", "10" }, Case { "7200", nullptr, "3600" } })
    {
        const auto fileText = c.stored != nullptr ? juce::String ("[General]\nPlaybackHistorySeconds=") + c.stored + "\n" : juce::String();
        SettingsFile settings (fileText.toRawUTF8());
        SettingsComponent dialog (settings.store, nullptr);

        if (c.typed != nullptr)
            dialog.historyLengthEditor.setText (c.typed, true);

        click (dialog.okButton);

        EXPECT_EQ (settings.general ("PlaybackHistorySeconds"), c.expected) << (c.typed != nullptr ? c.typed : c.stored);
        EXPECT_TRUE (settings.file.loadFileAsString().contains (juce::String ("PlaybackHistorySeconds=") + c.expected + "\n"));
        EXPECT_EQ (dialog.historyLengthEditor.getText(), juce::String (juce::String (c.expected).getDoubleValue(), 2));
    }

    // The field takes digits and points only, however the text arrives.
    SettingsFile settings;
    SettingsComponent dialog (settings.store, nullptr);
    dialog.historyLengthEditor.clear();
    dialog.historyLengthEditor.insertTextAtCaret ("1a2 b.5s");
    EXPECT_EQ (dialog.historyLengthEditor.getText(), "12.5");
}

TEST (SettingsComponent, okOnAnEmptyStoreWritesTheFiveKeysInItsOwnOrder)
{
    SettingsFile settings;
    SettingsComponent dialog (settings.store, nullptr);

    dialog.leftUnitBox.setSelectedId (idOf (dialog.leftUnitBox, peak), juce::sendNotificationSync);
    dialog.analyzerStyleBox.setSelectedId (2, juce::sendNotificationSync);
    dialog.historyToggle.setToggleState (false, juce::sendNotificationSync);
    click (dialog.okButton);

    EXPECT_EQ (settings.file.loadFileAsString(),
               "[General]\nLevelMeterUnit_1=4\nLevelMeterUnit_2=0\nPlaybackHistoryEnabled=false\n"
               "AnalyzerPlotStyle=Lines\nPlaybackHistorySeconds=10\n\n");
}

TEST (SettingsComponent, theDialogOpensCentredOnTheEditorWithItsControlsInPlace)
{
    SettingsFile settings;
    OwnerWindow editor;
    showSettingsDialog (editor, settings.store);
    MessagePump::runFor (300);

    auto* window = findSettingsDialog();
    ASSERT_NE (window, nullptr);
    auto* dialog = contentOf (window);
    ASSERT_NE (dialog, nullptr);

    EXPECT_TRUE (window->isCurrentlyModal());
    EXPECT_TRUE (window->isUsingNativeTitleBar());
    EXPECT_FALSE (window->isResizable());
    EXPECT_EQ (window->getBackgroundColour(), ThemePalette::background);
    EXPECT_EQ (dialog->getBounds().getWidth(), SettingsLayout::kDialogWidth);
    EXPECT_EQ (dialog->getBounds().getHeight(), SettingsLayout::kDialogHeight);
    // The window manager may push either window down by its title bar, or aside by its frame,
    // after placing it.
    const auto offset = window->getScreenBounds().getCentre() - editor.getScreenBounds().getCentre();
    EXPECT_LE (std::abs (offset.x), kWindowManagerBorderWidth);
    EXPECT_LE (std::abs (offset.y), kWindowManagerTitleHeight);

    const auto layout = SettingsLayout::forBounds (dialog->getLocalBounds());
    const std::pair<juce::Component*, juce::Rectangle<int>> placed[] {
        { &dialog->generalGroup, layout.generalGroup },
        { &dialog->leftUnitLabel, layout.leftUnitLabel },
        { &dialog->leftUnitBox, layout.leftUnitBox },
        { &dialog->rightUnitBox, layout.rightUnitBox },
        { &dialog->analyzerStyleBox, layout.analyzerStyleBox },
        { &dialog->historyToggle, layout.historyToggle },
        { &dialog->historyLengthEditor, layout.historyLengthEditor },
        { &dialog->versionGroup, layout.versionGroup },
        { &dialog->versionLabel, layout.versionLabel },
        { &dialog->creditLink, layout.creditLink },
        { &dialog->okButton, layout.okButton },
        { &dialog->cancelButton, layout.cancelButton },
    };

    for (const auto& [component, bounds] : placed)
    {
        EXPECT_EQ (component->getBounds(), bounds) << component->getName();
        EXPECT_TRUE (component->isShowing());
    }

    EXPECT_EQ (dialog->versionLabel.getText(), "0.0.1 BETA");
    EXPECT_EQ (dialog->generalGroup.getText(), "General");
    EXPECT_EQ (dialog->versionGroup.getText(), "Version");

    // The picture, then the same with a tooltip showing over the history field.
    writePng (*dialog, "SettingsDialog.png");

    juce::TooltipWindow* tooltip = nullptr;

    for (auto* child : dialog->getChildren())
        if (auto* t = dynamic_cast<juce::TooltipWindow*> (child))
            tooltip = t;

    ASSERT_NE (tooltip, nullptr);
    EXPECT_EQ (&tooltip->getLookAndFeel(), &dialog->getLookAndFeel());
    EXPECT_FALSE (tooltip->isOpaque());
    // Snapshot at once: with no pointer over the dialog, the tooltip's timer would hide the tip.
    tooltip->displayTip (dialog->historyLengthEditor.getScreenBounds().getCentre(), dialog->historyLengthEditor.getTooltip());
    EXPECT_TRUE (tooltip->isVisible());
    writePng (*dialog, "SettingsDialogTooltip.png");
    tooltip->hideTip();

    click (dialog->okButton);
    MessagePump::runUntil ([] { return findSettingsDialog() == nullptr; }, 500);
    EXPECT_EQ (findSettingsDialog(), nullptr) << "OK closes the dialog";
    EXPECT_TRUE (settings.file.existsAsFile());
}

TEST (SettingsComponent, cancelAfterChangingEveryControlLeavesTheFileAndTheStoreAsTheyWere)
{
    const char* original = "; the user's own notes\n[General]\nLevelMeterUnit_1=3\nLevelMeterUnit_2=4\n"
                           "PlaybackHistoryEnabled=yes\nAnalyzerPlotStyle=Bars\nPlaybackHistorySeconds=30\n";
    SettingsFile settings (original);
    const auto bytesBefore = settings.bytes();
    OwnerWindow editor;

    for (const auto dismiss : { "cancel", "escape", "close button" })
    {
        showSettingsDialog (editor, settings.store);
        MessagePump::runFor (200);
        auto* window = findSettingsDialog();
        ASSERT_NE (window, nullptr);
        auto* dialog = contentOf (window);

        dialog->leftUnitBox.setSelectedId (idOf (dialog->leftUnitBox, peak), juce::sendNotificationSync);
        dialog->rightUnitBox.setSelectedId (idOf (dialog->rightUnitBox, rms), juce::sendNotificationSync);
        dialog->analyzerStyleBox.setSelectedId (2, juce::sendNotificationSync);
        dialog->historyToggle.setToggleState (false, juce::sendNotificationSync);
        dialog->historyLengthEditor.setText ("600", true);

        if (juce::String (dismiss) == "cancel")
            click (dialog->cancelButton);
        else if (juce::String (dismiss) == "escape")
            window->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::escapeKey));
        else
            window->closeButtonPressed();

        MessagePump::runUntil ([] { return findSettingsDialog() == nullptr; }, 500);
        EXPECT_EQ (findSettingsDialog(), nullptr) << dismiss;
        EXPECT_EQ (settings.bytes(), bytesBefore) << dismiss;
        EXPECT_EQ (settings.general ("LevelMeterUnit_1"), "3") << dismiss;
        EXPECT_EQ (settings.general ("LevelMeterUnit_2"), "4") << dismiss;
        EXPECT_EQ (settings.general ("PlaybackHistoryEnabled"), "yes") << dismiss;
        EXPECT_EQ (settings.general ("AnalyzerPlotStyle"), "Bars") << dismiss;
        EXPECT_EQ (settings.general ("PlaybackHistorySeconds"), "30") << dismiss;
    }
}

// The processor owns the store; the dialog is a window of its own. When the host removes the
// plug-in, the editor goes first and the processor after it: the dialog must be gone with the
// editor, so that nothing can write into the freed store. AddressSanitizer builds catch any
// such write.
TEST (SettingsComponent, removingThePluginWhileTheDialogIsOpenClosesItAndOkWritesNothing)
{
    TemporaryFolder folder;
    auto harness = std::make_unique<ProcessorHarness> (folder.folder);
    auto editor = std::make_unique<OwnerWindow>();

    showSettingsDialog (*editor, harness->processor->settingsStore);
    MessagePump::runFor (200);
    juce::Component::SafePointer<juce::DialogWindow> window (findSettingsDialog());
    ASSERT_NE (window, nullptr);
    juce::Component::SafePointer<SettingsComponent> dialog (contentOf (window));
    juce::Component::SafePointer<juce::Button> ok (&dialog->okButton);
    dialog->historyLengthEditor.setText ("60", true);

    editor.reset();
    EXPECT_EQ (window, nullptr) << "the dialog goes with the editor, at once";
    EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);

    harness.reset();

    if (ok != nullptr)
        ok->triggerClick();

    MessagePump::runFor (200);
    EXPECT_FALSE (folder.file ("settings.txt").exists());
}
