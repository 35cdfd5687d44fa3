#include "editor/SettingsComponent.h"

#include "support/ProcessorHarness.h"

#include <gtest/gtest.h>

#include <memory>

// The settings dialog writes into the processor's store. When the host removes the plug-in, the
// editor goes first and the processor after it; a dialog still on the screen must not write into
// the freed store when its OK is pressed. The content needs no window or display for this, so the
// sanitizer builds run it with the processor tests.
TEST (SettingsDialogLifetime, okAfterTheEditorAndTheProcessorAreGoneWritesNothing)
{
    TemporaryFolder folder;
    auto harness = std::make_unique<ProcessorHarness> (folder.folder);
    auto editor = std::make_unique<juce::Component>();
    SettingsComponent dialog (harness->processor->settingsStore, editor.get());
    ASSERT_TRUE (dialog.isAttachedToStore());
    dialog.historyLengthEditor.setText ("60", true);

    editor.reset();
    EXPECT_FALSE (dialog.isAttachedToStore());
    harness.reset();

    dialog.okButton.onClick();
    dialog.cancelButton.onClick();

    EXPECT_FALSE (folder.file ("settings.txt").exists());
}
