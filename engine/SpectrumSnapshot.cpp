#include "SpectrumSnapshot.h"

#include <algorithm>

void SpectrumSnapshot::prepare (int numBins)
{
    const juce::SpinLock::ScopedLockType guard (lock);
    magnitudes.assign (static_cast<size_t> (std::max (0, numBins)), 0.0f);
}

bool SpectrumSnapshot::tryPublish (const float* newMagnitudes, int numBins, double newSampleRate) noexcept
{
    if (newMagnitudes == nullptr || numBins < 0)
        return false;

    const juce::SpinLock::ScopedTryLockType guard (lock);

    if (! guard.isLocked())
        return false;

    if (static_cast<size_t> (numBins) != magnitudes.size())
        return false;

    std::copy (newMagnitudes, newMagnitudes + numBins, magnitudes.begin());
    // Counted in unsigned arithmetic so that the counter wraps instead of overflowing.
    sequence = static_cast<int> (static_cast<unsigned int> (sequence) + 1u);
    sampleRate = newSampleRate;
    return true;
}

bool SpectrumSnapshot::tryPublish (const std::vector<float>& newMagnitudes, double newSampleRate) noexcept
{
    return tryPublish (newMagnitudes.data(), static_cast<int> (newMagnitudes.size()), newSampleRate);
}

bool SpectrumSnapshot::readIfNew (std::vector<float>& destMagnitudes, double& destSampleRate, int& lastSequence) const
{
    const juce::SpinLock::ScopedLockType guard (lock);

    if (sequence == lastSequence)
        return false;

    destMagnitudes = magnitudes;
    destSampleRate = sampleRate;
    lastSequence = sequence;
    return true;
}
