#include "support/TemporaryFolder.h"

TemporaryFolder::TemporaryFolder()
    : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                  // Test programs run side by side: a name free in this process may be taken by
                  // another one between the check and the creation, so each name is random.
                  .getNonexistentChildFile ("kalvorin-test-" + juce::String::toHexString (juce::Random().nextInt64()), "", false))
{
    folder.createDirectory();
}

TemporaryFolder::~TemporaryFolder()
{
    folder.deleteRecursively();
}
