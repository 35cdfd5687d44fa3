#include "host/support/LoadedModule.h"

#include <juce_core/juce_core.h>

#include <dlfcn.h>

#include <cstring>

using namespace Steinberg;

LoadedModule::LoadedModule()
{
    const auto so = juce::File (KALVORIN_BUNDLE_PATH).getChildFile ("Contents/x86_64-linux/Audio-Kalvorin.so");
    handle = dlopen (so.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);

    if (handle == nullptr)
        return;

    using EntryFn = bool (*) (void*);
    using FactoryFn = IPluginFactory* (*)();
    entry = reinterpret_cast<EntryFn> (dlsym (handle, "ModuleEntry"));
    exitFn = reinterpret_cast<bool (*)()> (dlsym (handle, "ModuleExit"));
    auto getFactory = reinterpret_cast<FactoryFn> (dlsym (handle, "GetPluginFactory"));

    if (entry != nullptr && exitFn != nullptr && getFactory != nullptr && entry (handle))
    {
        entered = true;
        factory = getFactory();
    }
}

LoadedModule::~LoadedModule()
{
    if (factory != nullptr)
        factory->release();
    if (entered)
        exitFn();
    if (handle != nullptr)
        dlclose (handle);
}

bool LoadedModule::findClass (const char* category, TUID result) const
{
    if (factory == nullptr)
        return false;

    for (int32 i = 0; i < factory->countClasses(); ++i)
    {
        PClassInfo info {};

        if (factory->getClassInfo (i, &info) == kResultOk && std::strcmp (info.category, category) == 0)
        {
            std::memcpy (result, info.cid, sizeof (TUID));
            return true;
        }
    }

    return false;
}
