#include "editor/OswaldLookAndFeel.h"

#include <algorithm>
#include <vector>

namespace
{
/** The look-and-feels installed as default, oldest first, and the default they replaced. */
struct DefaultChain
{
    std::vector<OswaldLookAndFeel*> installed;
    juce::WeakReference<juce::LookAndFeel> previousDefault;
};

DefaultChain& getDefaultChain()
{
    static DefaultChain chain;
    return chain;
}
}

OswaldLookAndFeel::OswaldLookAndFeel() = default;

OswaldLookAndFeel::~OswaldLookAndFeel()
{
    removeAsDefault();
}

bool OswaldLookAndFeel::loadTypeface (const void* fontData, size_t numBytes)
{
    if (fontData == nullptr || numBytes == 0)
        return false;

    auto loaded = juce::Typeface::createSystemTypefaceFor (fontData, numBytes);

    if (loaded == nullptr)
        return false;

    typeface = loaded;
    setDefaultSansSerifTypeface (typeface);
    return true;
}

juce::Typeface::Ptr OswaldLookAndFeel::getTypefaceForFont (const juce::Font& font)
{
    if (typeface != nullptr)
        return typeface;

    return juce::LookAndFeel::getTypefaceForFont (font);
}

void OswaldLookAndFeel::installAsDefault()
{
    auto& chain = getDefaultChain();

    if (std::find (chain.installed.begin(), chain.installed.end(), this) != chain.installed.end())
        return;

    if (chain.installed.empty())
        chain.previousDefault = &juce::LookAndFeel::getDefaultLookAndFeel();

    chain.installed.push_back (this);
    juce::LookAndFeel::setDefaultLookAndFeel (this);
    // Fonts remember the typeface they were resolved to; let them ask again.
    juce::Typeface::clearTypefaceCache();
}

void OswaldLookAndFeel::removeAsDefault()
{
    auto& chain = getDefaultChain();
    const auto found = std::find (chain.installed.begin(), chain.installed.end(), this);

    if (found == chain.installed.end())
        return;

    chain.installed.erase (found);

    if (! chain.installed.empty())
        juce::LookAndFeel::setDefaultLookAndFeel (chain.installed.back());
    else
    {
        juce::LookAndFeel::setDefaultLookAndFeel (chain.previousDefault.get());
        chain.previousDefault = nullptr;
    }

    juce::Typeface::clearTypefaceCache();
}
