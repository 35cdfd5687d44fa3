#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/**
    Finds the menus and dialogs the editor opens, which are windows and modal components of
    their own rather than children of the editor. Message thread.
*/
namespace ModalWindows
{
/** The top-most open popup menu, or null. */
juce::Component* findMenu();

/** The settings dialog window while it exists (also between its closing and its deletion), or null. */
juce::DialogWindow* findSettingsDialog();

/** The framework's own file dialog window while it exists, or null (a native one is another program). */
juce::FileChooserDialogBox* findFileDialog();

/** How many components are modal now (menus, dialogs). */
int countModal();
}
