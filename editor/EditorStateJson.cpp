#include "editor/EditorStateJson.h"

#include <cmath>
#include <limits>

namespace EditorStateJson
{
namespace
{
const juce::Identifier tabsKey { "tabs" }, currentTabKey { "currentTab" };
const juce::Identifier pathKey { "path" }, refIndexKey { "refIndex" }, viewKey { "view" };
const juce::Identifier regionsKey { "regions" }, activeIndexKey { "activeIndex" }, loopsVisibleKey { "loopsVisible" };
const juce::Identifier playheadKey { "playhead" }, analysisUsesLoopKey { "analysisUsesLoop" };
const juce::Identifier startKey { "start" }, endKey { "end" }, activeKey { "active" };

juce::var makeView (const TabView& view)
{
    juce::Array<juce::var> regions;

    for (const auto& region : view.regions)
    {
        auto* object = new juce::DynamicObject();
        object->setProperty (startKey, region.start);
        object->setProperty (endKey, region.end);
        object->setProperty (activeKey, region.active);
        regions.add (juce::var (object));
    }

    auto* object = new juce::DynamicObject();
    object->setProperty (regionsKey, regions);
    object->setProperty (activeIndexKey, view.activeIndex);
    object->setProperty (loopsVisibleKey, view.loopsVisible);
    object->setProperty (playheadKey, view.playhead);
    object->setProperty (analysisUsesLoopKey, view.analysisUsesLoop);
    return juce::var (object);
}

/** Whether brackets and braces outside strings nest deeper than the limit. */
bool nestsTooDeeply (const juce::String& text)
{
    int depth = 0;
    bool inString = false;
    juce::juce_wchar quote = 0;

    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (inString)
        {
            if (c == '\\')
            {
                if (p.isEmpty())
                    break;

                p.getAndAdvance();
            }
            else if (c == quote)
            {
                inString = false;
            }
        }
        else if (c == '"' || c == '\'')
        {
            inString = true;
            quote = c;
        }
        else if (c == '[' || c == '{')
        {
            if (++depth > kMaxNestingDepth)
                return true;
        }
        else if (c == ']' || c == '}')
        {
            depth = juce::jmax (0, depth - 1);
        }
    }

    return false;
}
}

juce::String write (const std::vector<Tab>& tabs, int currentTab)
{
    juce::Array<juce::var> tabList;

    for (const auto& tab : tabs)
    {
        auto* object = new juce::DynamicObject();
        object->setProperty (pathKey, tab.path);
        object->setProperty (refIndexKey, tab.refIndex);

        if (tab.view.has_value())
            object->setProperty (viewKey, makeView (*tab.view));

        tabList.add (juce::var (object));
    }

    auto* root = new juce::DynamicObject();
    root->setProperty (tabsKey, tabList);
    root->setProperty (currentTabKey, currentTab);
    return juce::JSON::toString (juce::var (root));
}

int toIndex (const juce::var& value)
{
    constexpr auto intMin = (double) std::numeric_limits<int>::min();
    constexpr auto intMax = (double) std::numeric_limits<int>::max();

    const auto fromWide = [&] (double wide)
    {
        if (! std::isfinite (wide))
            return -1;

        const auto whole = std::trunc (wide);
        return whole >= intMin && whole <= intMax ? (int) whole : -1;
    };

    if (value.isInt())
        return (int) value;

    if (value.isInt64())
        return fromWide ((double) (juce::int64) value);

    if (value.isDouble())
        return fromWide ((double) value);

    if (value.isBool())
        return (bool) value ? 1 : 0;

    if (value.isString())
        return fromWide ((double) value.toString().getLargeIntValue());

    // Like the framework's own conversion: nothing, an object or an array count as 0.
    return 0;
}

Restore read (const juce::String& text)
{
    Restore restore;

    if (text.isEmpty() || text.length() > kMaxTextLength || nestsTooDeeply (text))
        return restore;

    // JSON::parse takes only objects and arrays; fromString also tells a number, a string or
    // a boolean (no tabs) from text that does not parse (and from null, which it reads as void).
    const auto parsed = juce::JSON::fromString (text);

    if (parsed.isVoid())
        return restore;

    auto* object = parsed.getDynamicObject();

    if (object == nullptr)
    {
        restore.kind = RestoreKind::noTabs;
        return restore;
    }

    restore.kind = RestoreKind::listedTabs;
    restore.currentTab = object->hasProperty (currentTabKey) ? toIndex (object->getProperty (currentTabKey)) : 0;

    if (auto* elements = object->getProperty (tabsKey).getArray())
    {
        for (const auto& element : *elements)
        {
            auto* tab = element.getDynamicObject();

            if (tab == nullptr)
                continue;

            const auto& pathValue = tab->getProperty (pathKey);

            if (! pathValue.isString() || pathValue.toString().isEmpty())
                continue;

            const auto path = pathValue.toString();

            restore.tabs.push_back ({ path, tab->getProperty (viewKey) });
        }
    }

    return restore;
}
}
