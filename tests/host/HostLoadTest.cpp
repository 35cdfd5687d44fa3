#include "host/support/HostedPlugin.h"

#include <gtest/gtest.h>

TEST (HostedPlugin, bundleLoadsAndReportsItsIdentity)
{
    juce::PluginDescription description;
    juce::String error;
    ASSERT_TRUE (HostedPlugin::describe (KALVORIN_BUNDLE_PATH, description, error)) << error;
    EXPECT_EQ (description.name, "Audio-Kalvorin");
    EXPECT_EQ (description.manufacturerName, "Quillbrook");
    EXPECT_EQ (description.version, "0.0.1");
}
