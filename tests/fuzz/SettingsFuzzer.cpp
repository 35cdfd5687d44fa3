// Reads arbitrary bytes as the settings file. Whatever the file holds, loading may not crash or
// hang, and the store it yields must be stable: saving it and loading the saved file again
// gives a store that saves to the same bytes, so the user's settings do not drift from one
// session to the next.

#include "tests/fuzz/FuzzSupport.h"

#include <cstdlib>

namespace
{
juce::String savedText (const SettingsStore& store)
{
    if (! store.save())
        std::abort();

    return store.getSettingsFile().loadFileAsString();
}

SettingsStore makeStore (const juce::File& file)
{
    return SettingsStore (SettingsStore::kDefaultFolderName, SettingsStore::kDefaultFileName, file);
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    FuzzSupport::initialiseJuce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static const auto file = FuzzSupport::scratchFolder().getChildFile (SettingsStore::kDefaultFileName);

    if (! FuzzSupport::writeBytes (file, data, size))
        std::abort();

    auto store = makeStore (file);
    store.load();

    // The lookups the processor and the editor make.
    store.getInt (SettingsStore::kGeneralSection, "LevelMatchMode", 0);
    store.getBool (SettingsStore::kGeneralSection, "ShowHistory");
    store.getValue (SettingsStore::kGeneralSection, "AnalyzerPlotStyle", "0");

    const auto first = savedText (store);

    auto reloaded = makeStore (file);
    reloaded.load();

    if (savedText (reloaded) != first)
        std::abort();

    return 0;
}
