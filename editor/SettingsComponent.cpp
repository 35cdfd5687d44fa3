#include "editor/SettingsComponent.h"

void showSettingsDialog (juce::Component&, SettingsStore&)
{
}
