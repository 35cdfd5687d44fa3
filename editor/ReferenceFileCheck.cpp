#include "editor/ReferenceFileCheck.h"

#include <memory>

#include <sys/stat.h>

namespace ReferenceFileCheck
{
bool isRegularFile (const juce::File& file)
{
    const auto path = file.getFullPathName();

    if (path.isEmpty())
        return false;

    struct stat info {};
    return ::stat (path.toRawUTF8(), &info) == 0 && S_ISREG (info.st_mode);
}

bool canLoadFile (const juce::File& file, juce::AudioFormatManager& formats)
{
    if (! isRegularFile (file))
        return false;

    if (formats.findFormatForFileExtension (file.getFileExtension()) != nullptr)
        return true;

    return std::unique_ptr<juce::AudioFormatReader> (formats.createReaderFor (file)) != nullptr;
}
}
