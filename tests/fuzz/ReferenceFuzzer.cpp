// Hands arbitrary bytes to addReference as an audio file, once under each of the five formats'
// extensions, and plays whatever was accepted: a damaged or hostile file may be refused, but it
// may never crash the plug-in, hang it, take more memory than the run allows, or make the
// output anything but finite samples.

#include "tests/fuzz/FuzzSupport.h"

#include <cstdlib>

namespace
{
constexpr const char* kExtensions[] = { ".wav", ".aiff", ".flac", ".ogg", ".mp3" };
constexpr int kBlocksBeforeSeek = 4;
constexpr int kBlocksAfterSeek = 2;
constexpr double kSeekSeconds = 0.01;
}

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    FuzzSupport::initialiseJuce();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static FuzzSupport::PreparedProcessor prepared;
    auto& processor = *prepared.processor;

    for (const auto* extension : kExtensions)
    {
        const auto file = FuzzSupport::scratchFolder().getChildFile (juce::String ("input") + extension);

        if (! FuzzSupport::writeBytes (file, data, size))
            std::abort();

        const auto index = processor.addReference (file.getFullPathName());

        if (index < 0)
            continue;

        processor.setActiveReference (index);

        if (! prepared.processBlocks (kBlocksBeforeSeek))
            std::abort();

        processor.requestSeek (kSeekSeconds);

        if (! prepared.processBlocks (kBlocksAfterSeek))
            std::abort();

        processor.removeReference (index);
    }

    return 0;
}
