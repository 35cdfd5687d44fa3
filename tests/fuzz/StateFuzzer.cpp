// Hands arbitrary bytes to setStateInformation, as a host does with the blob saved in a
// project. Whatever the bytes, nothing may crash, hang or grow without bound; and whatever the
// processor then holds must survive a save and restore unchanged, as a host's undo or a
// project reload would put it through.

#include "tests/fuzz/FuzzSupport.h"

#include <cstdlib>

namespace
{
constexpr int kBlocksAfterRestore = 1;
}

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    FuzzSupport::initialiseJuce();
    FuzzSupport::stateReferenceFile();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    static FuzzSupport::PreparedProcessor prepared;
    auto& processor = *prepared.processor;

    if (size > (std::size_t) std::numeric_limits<int>::max())
        return -1;

    processor.setStateInformation (data, (int) size);

    if (! prepared.processBlocks (kBlocksAfterRestore))
        std::abort();

    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    processor.setStateInformation (saved.getData(), (int) saved.getSize());

    juce::MemoryBlock savedAgain;
    processor.getStateInformation (savedAgain);

    // A restored state that saves differently would drift with every reload of the project.
    if (saved != savedAgain)
        std::abort();

    if (! prepared.processBlocks (kBlocksAfterRestore))
        std::abort();

    return 0;
}
