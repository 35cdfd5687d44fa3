#include "resources/EmbeddedResources.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

namespace
{
// Every display test draws with the embedded Oswald font as its default typeface, as the
// editor's look-and-feel makes it, so that screenshots show the product's lettering. It is set
// once for the whole run, before anything is drawn, and no test may change it: the framework
// caches laid-out text and glyphs under the font's name ("<Sans-Serif>"), not its typeface, and
// keeps the laid-out text even when the typeface cache is cleared. A default typeface changed
// between two drawings in one process leaves text laid out with one face's spacing and drawn
// with the other's glyphs (letters run into each other and spaces vanish). The tear-down checks
// that the run ended with the typeface it began with.
class ProductFontEnvironment final : public ::testing::Environment
{
public:
    void SetUp() override
    {
        lookAndFeel = std::make_unique<juce::LookAndFeel_V4>();

        int size = 0;
        if (const auto* data = EmbeddedResources::lookupResource ("OswaldRegular_ttf", size))
            lookAndFeel->setDefaultSansSerifTypeface (juce::Typeface::createSystemTypefaceFor (data, (size_t) size));

        juce::LookAndFeel::setDefaultLookAndFeel (lookAndFeel.get());
    }

    void TearDown() override
    {
        EXPECT_EQ (juce::Font (kProbeHeight).getTypefacePtr()->getName(), juce::String ("Oswald"))
            << "a test changed the run's default typeface";

        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        lookAndFeel.reset();
    }

private:
    static constexpr float kProbeHeight = 15.0f;

    std::unique_ptr<juce::LookAndFeel_V4> lookAndFeel;
};

[[maybe_unused]] auto* const productFont = ::testing::AddGlobalTestEnvironment (new ProductFontEnvironment());
}
