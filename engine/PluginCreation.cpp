#include "engine/KalvorinAudioProcessor.h"

// The framework calls this once for every instance the host creates. Each instance gets its own
// settings store bound to the shared settings file; nothing on disk is touched here.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    SettingsStore store (SettingsStore::kDefaultFolderName,
                         SettingsStore::kDefaultFileName,
                         SettingsStore::resolveSettingsFile (SettingsStore::kDefaultFolderName,
                                                             SettingsStore::kDefaultFileName));
    return new KalvorinAudioProcessor (std::move (store));
}
