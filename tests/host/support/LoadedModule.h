#pragma once

#include <pluginterfaces/base/ipluginbase.h>

/** The built bundle's shared object opened the way a host's scanner opens it: dlopen, then the
    module's own entry points. Lets a test reach the plug-in's factory and components without
    any host library in between. Message thread. */
struct LoadedModule
{
    /** Opens the bundle's shared object, enters the module and takes its factory. */
    LoadedModule();

    /** Releases the factory, leaves the module and closes the shared object. */
    ~LoadedModule();

    /** The class ID of the factory's class in `category` (e.g. "Audio Module Class"); false when
        the factory has none. */
    bool findClass (const char* category, Steinberg::TUID result) const;

    void* handle = nullptr;
    bool (*entry) (void*) = nullptr;
    bool (*exitFn)() = nullptr;
    bool entered = false;
    Steinberg::IPluginFactory* factory = nullptr;

    LoadedModule (const LoadedModule&) = delete;
    LoadedModule& operator= (const LoadedModule&) = delete;
};
