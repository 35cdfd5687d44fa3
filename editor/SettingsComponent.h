#pragma once

#include "engine/SettingsStore.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** Opens the settings dialog for the editor's store. Returns at once. Message thread. */
void showSettingsDialog (juce::Component& editor, SettingsStore& store);
