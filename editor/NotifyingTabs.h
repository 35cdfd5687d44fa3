#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/**
    The editor's tab component: tabs at the top, laid out by the editor's own numbers (the bar
    right of the small logo, every page below the header band), telling its owner about every
    change of the current tab, and squeezing its tab buttons so that they end before the
    framework's overflow button when that shows.

    A middle click on a tab button leaves the current tab as it is, so that closing a tab in
    the background keeps the page the user works in.

    It paints nothing of its own, so the editor's header band shows between the tab buttons.
    Message thread only.
*/
class NotifyingTabs final : public juce::TabbedComponent,
                            private juce::ComponentListener,
                            private juce::AsyncUpdater
{
public:
    /** Builds the component with its tabs at the top and starts watching its tab bar. */
    NotifyingTabs();
    ~NotifyingTabs() override;

    /** Called with the new current index after the shown page changed (-1 for none). Set by
        the editor; skipped when empty. */
    std::function<void (int newCurrentTabIndex)> onCurrentTabChanged;

    /** Draws nothing. */
    void paint (juce::Graphics&) override;
    /** Places the tab bar and every page. */
    void resized() override;
    /** Lays out again, then reports the new index. */
    void currentTabChanged (int newCurrentTabIndex, const juce::String& newCurrentTabName) override;
    /** A tab button that a middle click does not select: that click closes the tab (the editor
        hears it), and selecting the tab first would leave no tab current once it is gone. */
    juce::TabBarButton* createTabButton (const juce::String& tabName, int tabIndex) override;

private:
    void componentChildrenChanged (juce::Component&) override;
    void componentMovedOrResized (juce::Component&, bool wasMoved, bool wasResized) override;
    void componentVisibilityChanged (juce::Component&) override;
    void handleAsyncUpdate() override;

    /** Starts listening to the bar's children that are not yet listened to. */
    void listenToBarChildren();

    juce::Array<juce::Component::SafePointer<juce::Component>> watchedChildren;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NotifyingTabs)
};
