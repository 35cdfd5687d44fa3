#include "support/ModalWindows.h"

namespace
{
/** The framework names its menu windows so. */
const juce::String kMenuWindowName { "menu" };
/** The settings dialog's title. */
const juce::String kSettingsDialogName { "Settings" };

/** The first window on the desktop of the type that matches (whether modal or not). */
template <typename WindowType, typename Predicate>
WindowType* findOnDesktop (Predicate matches)
{
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* window = dynamic_cast<WindowType*> (desktop.getComponent (i)))
            if (matches (*window))
                return window;

    return nullptr;
}
}

namespace ModalWindows
{
juce::Component* findMenu()
{
    // A menu with a parent component is that component's child, not a window of its own.
    auto& modal = *juce::ModalComponentManager::getInstance();

    for (int i = 0; i < modal.getNumModalComponents(); ++i)
        if (auto* component = modal.getModalComponent (i); component != nullptr && component->getName() == kMenuWindowName)
            return component;

    return nullptr;
}

juce::DialogWindow* findSettingsDialog()
{
    return findOnDesktop<juce::DialogWindow> ([] (juce::DialogWindow& w) { return w.getName() == kSettingsDialogName; });
}

juce::FileChooserDialogBox* findFileDialog()
{
    return findOnDesktop<juce::FileChooserDialogBox> ([] (juce::FileChooserDialogBox&) { return true; });
}

int countModal()
{
    return juce::ModalComponentManager::getInstance()->getNumModalComponents();
}
}
