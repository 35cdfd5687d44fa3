// Loads an installed Audio-Kalvorin bundle the way a DAW does and prints what the host sees:
// its identity and its audio I/O. Used after installing, to show the bundle really loads.
#include "host/support/HostedPlugin.h"

#include <iostream>

int main (int argc, char** argv)
{
    if (argc < 2)
    {
        std::cerr << "usage: kalvorin_host_probe <path to Audio-Kalvorin.vst3>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juce;
    const juce::String bundle (argv[1]);

    juce::PluginDescription description;
    juce::String error;

    if (! HostedPlugin::describe (bundle, description, error))
    {
        std::cerr << "error: " << error << "\n";
        return 1;
    }

    auto instance = HostedPlugin::create (bundle, 48000.0, 512, error);

    if (instance == nullptr)
    {
        std::cerr << "error: " << error << "\n";
        return 1;
    }

    std::cout << "name:        " << description.name << "\n"
              << "vendor:      " << description.manufacturerName << "\n"
              << "version:     " << description.version << "\n"
              << "category:    " << description.category << "\n"
              << "format:      " << description.pluginFormatName << "\n"
              << "identifier:  " << description.fileOrIdentifier << "\n"
              << "inputs:      " << instance->getTotalNumInputChannels() << " channel(s)";

    if (auto* bus = instance->getBus (true, 0))
        std::cout << " on bus \"" << bus->getName() << "\"";

    std::cout << "\noutputs:     " << instance->getTotalNumOutputChannels() << " channel(s)";

    if (auto* bus = instance->getBus (false, 0))
        std::cout << " on bus \"" << bus->getName() << "\"";

    std::cout << "\nparameters:  ";

    for (auto* parameter : instance->getParameters())
        std::cout << "\"" << parameter->getName (64) << "\" ";

    std::cout << "\nhas editor:  " << (instance->hasEditor() ? "yes" : "no") << "\n";
    instance.reset();
    return 0;
}
