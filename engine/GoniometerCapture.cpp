#include "GoniometerCapture.h"

#include <algorithm>
#include <cmath>

namespace
{
    /** A point on the goniometer's square: out-of-range values sit on its edge, non-finite
        ones count as silence, as in every measurement. */
    inline float toPoint (float x) noexcept
    {
        return std::isfinite (x) ? juce::jlimit (-1.0f, 1.0f, x) : 0.0f;
    }
}

GoniometerCapture::GoniometerCapture()
{
    prepare();
}

GoniometerCapture::~GoniometerCapture() = default;

void GoniometerCapture::prepare()
{
    for (auto* list : { &leftA, &rightA, &leftB, &rightB })
        list->reserve ((size_t) kMaxPoints);
}

void GoniometerCapture::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    if (! lock.tryEnter())
        return;     // the editor is copying: this block is not captured

    const auto numSamples = buffer.getNumSamples();
    const auto numChannels = buffer.getNumChannels();

    if (numSamples > 0 && numChannels > 0)
    {
        const auto* left = buffer.getReadPointer (0);
        const auto* right = buffer.getReadPointer (numChannels > 1 ? 1 : 0);

        const auto step = (numSamples + kMaxPoints - 1) / kMaxPoints;
        const auto count = std::max (1, numSamples / step);

        auto& leftOut = writeBuffer == 0 ? leftA : leftB;
        auto& rightOut = writeBuffer == 0 ? rightA : rightB;

        // count never exceeds kMaxPoints, which was reserved, so resizing does not allocate.
        leftOut.resize ((size_t) count);
        rightOut.resize ((size_t) count);

        for (int i = 0; i < count; ++i)
        {
            leftOut[(size_t) i] = toPoint (left[i * step]);
            rightOut[(size_t) i] = toPoint (right[i * step]);
        }

        readyBuffer = writeBuffer;
        writeBuffer = 1 - writeBuffer;
        sequence.fetch_add (1);
    }

    lock.exit();
}

bool GoniometerCapture::copyLatest (std::vector<float>& left, std::vector<float>& right,
                                    int& lastSeenSequence) const
{
    // Room for a full capture is made before the lock is taken, so the copy under the lock
    // never allocates and the audio thread skips as few blocks as possible.
    left.reserve ((size_t) kMaxPoints);
    right.reserve ((size_t) kMaxPoints);

    const juce::SpinLock::ScopedLockType scopedLock (lock);

    const auto current = sequence.load();

    if (readyBuffer < 0 || current == lastSeenSequence)
        return false;

    left = getLeft (readyBuffer);
    right = getRight (readyBuffer);
    lastSeenSequence = current;
    return true;
}
