// Reads the built module's identity the way a host's scanner does: dlopen the bundle's shared
// object, call its entry points and query the factory through the VST3 interfaces.
#include "host/support/LoadedModule.h"

#include <gtest/gtest.h>

#include <juce_core/juce_core.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

namespace
{
using namespace Steinberg;

std::string bytesOf (const TUID id) { return std::string (reinterpret_cast<const char*> (id), 16); }
} // namespace

TEST (ModuleIdentity, exportsOnlyTheThreeEntryPoints)
{
    const auto so = juce::File (KALVORIN_BUNDLE_PATH).getChildFile ("Contents/x86_64-linux/Audio-Kalvorin.so");
    ASSERT_TRUE (so.existsAsFile()) << so.getFullPathName();

    juce::ChildProcess nm;
    ASSERT_TRUE (nm.start (juce::StringArray { "nm", "-D", "--defined-only", so.getFullPathName() }));
    auto symbols = juce::StringArray::fromLines (nm.readAllProcessOutput().trim());
    juce::StringArray names;

    for (auto& line : symbols)
        names.add (juce::StringArray::fromTokens (line, " ", "").strings.getLast());

    names.sort (false);
    EXPECT_EQ (names.joinIntoString (","), "GetPluginFactory,ModuleEntry,ModuleExit");
}

TEST (ModuleIdentity, factoryAndClassesCarryThePluginsIdentity)
{
    LoadedModule module;
    ASSERT_NE (module.handle, nullptr) << dlerror();
    ASSERT_TRUE (module.entered);
    ASSERT_NE (module.factory, nullptr);

    PFactoryInfo info {};
    ASSERT_EQ (module.factory->getFactoryInfo (&info), kResultOk);
    EXPECT_STREQ (info.vendor, "Quillbrook");
    EXPECT_STREQ (info.url, "");
    EXPECT_STREQ (info.email, "");
    EXPECT_EQ (info.flags, 16);

    ASSERT_EQ (module.factory->countClasses(), 2);

    IPluginFactory2* factory2 = nullptr;
    ASSERT_EQ (module.factory->queryInterface (IPluginFactory2::iid, reinterpret_cast<void**> (&factory2)), kResultOk);
    ASSERT_NE (factory2, nullptr);

    const struct { const char* category; const char* id; } expected[] = {
        { "Audio Module Class", "VSTKvrnaudio-kal" },
        { "Component Controller Class", "VSEKvrnaudio-kal" },
    };

    for (const auto& e : expected)
    {
        bool found = false;

        for (int32 i = 0; i < 2; ++i)
        {
            PClassInfo2 classInfo {};
            ASSERT_EQ (factory2->getClassInfo2 (i, &classInfo), kResultOk);

            if (std::strcmp (classInfo.category, e.category) != 0)
                continue;

            found = true;
            EXPECT_EQ (bytesOf (classInfo.cid), std::string (e.id, 16)) << e.category;
            EXPECT_STREQ (classInfo.name, "Audio-Kalvorin");
            EXPECT_STREQ (classInfo.vendor, "Quillbrook");
            EXPECT_STREQ (classInfo.version, "0.0.1");
            EXPECT_STREQ (classInfo.subCategories, "Fx");
            // The version of the SDK actually compiled into the module.
            EXPECT_STREQ (classInfo.sdkVersion, "VST 3.7.2");
            EXPECT_EQ (classInfo.classFlags, 0u);
            EXPECT_EQ (classInfo.cardinality, PClassInfo::kManyInstances);
        }

        EXPECT_TRUE (found) << e.category;
    }

    factory2->release();
}
