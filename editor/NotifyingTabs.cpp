#include "editor/NotifyingTabs.h"

#include "editor/EditorLayout.h"

namespace
{
/** The framework's tab button, except that the middle button does not select its tab. */
class TabButtonIgnoringMiddleClicks final : public juce::TabBarButton
{
public:
    using juce::TabBarButton::TabBarButton;

    void clicked (const juce::ModifierKeys& mods) override
    {
        if (! mods.isMiddleButtonDown())
            juce::TabBarButton::clicked (mods);
    }
};
} // namespace

NotifyingTabs::NotifyingTabs()
    : juce::TabbedComponent (juce::TabbedButtonBar::TabsAtTop)
{
    getTabbedButtonBar().addComponentListener (this);
    listenToBarChildren();
    triggerAsyncUpdate();
}

NotifyingTabs::~NotifyingTabs()
{
    cancelPendingUpdate();
    getTabbedButtonBar().removeComponentListener (this);

    for (auto& child : watchedChildren)
        if (auto* component = child.getComponent())
            component->removeComponentListener (this);
}

void NotifyingTabs::paint (juce::Graphics&)
{
}

void NotifyingTabs::resized()
{
    getTabbedButtonBar().setBounds (EditorLayout::tabBarBounds (getWidth()));

    const auto pageBounds = EditorLayout::tabPageBounds (getWidth(), getHeight());

    for (int i = 0; i < getTabbedButtonBar().getNumTabs(); ++i)
        if (auto* page = getTabContentComponent (i))
            page->setBounds (pageBounds);
}

void NotifyingTabs::currentTabChanged (int newCurrentTabIndex, const juce::String&)
{
    resized();

    if (onCurrentTabChanged)
        onCurrentTabChanged (newCurrentTabIndex);
}

juce::TabBarButton* NotifyingTabs::createTabButton (const juce::String& tabName, int)
{
    return new TabButtonIgnoringMiddleClicks (tabName, getTabbedButtonBar());
}

void NotifyingTabs::componentChildrenChanged (juce::Component& component)
{
    if (&component == &getTabbedButtonBar())
        listenToBarChildren();

    triggerAsyncUpdate();
}

void NotifyingTabs::componentMovedOrResized (juce::Component&, bool, bool)
{
    triggerAsyncUpdate();
}

void NotifyingTabs::componentVisibilityChanged (juce::Component&)
{
    triggerAsyncUpdate();
}

void NotifyingTabs::listenToBarChildren()
{
    watchedChildren.removeIf ([] (const auto& child) { return child.getComponent() == nullptr; });

    for (auto* child : getTabbedButtonBar().getChildren())
    {
        const auto alreadyWatched = std::any_of (watchedChildren.begin(), watchedChildren.end(),
                                                 [child] (const auto& watched) { return watched.getComponent() == child; });

        if (! alreadyWatched)
        {
            child->addComponentListener (this);
            watchedChildren.add (child);
        }
    }
}

void NotifyingTabs::handleAsyncUpdate()
{
    auto& bar = getTabbedButtonBar();
    int maxRight = 0;
    juce::Component* overflowButton = nullptr;

    for (auto* child : bar.getChildren())
    {
        if (! child->isVisible())
            continue;

        if (dynamic_cast<juce::TabBarButton*> (child) != nullptr)
            maxRight = juce::jmax (maxRight, child->getRight());
        else if (dynamic_cast<juce::Button*> (child) != nullptr)
            overflowButton = child;
    }

    if (overflowButton == nullptr)
        return;

    const auto factor = EditorLayout::tabSqueezeFactor (maxRight, overflowButton->getX());

    if (factor >= 1.0)
        return;

    for (int i = 0; i < bar.getNumTabs(); ++i)
    {
        auto* button = bar.getTabButton (i);

        if (button == nullptr || ! button->isVisible())
            continue;

        const auto span = EditorLayout::squeezeTabButton ({ button->getX(), button->getWidth() }, factor);
        button->setBounds (span.x, button->getY(), span.width, button->getHeight());
    }
}
