#include "RmsMeter.h"

#include <algorithm>
#include <cmath>

RmsMeter::RmsMeter() = default;
RmsMeter::~RmsMeter() = default;

void RmsMeter::prepare (int newNumChannels, double newSampleRate)
{
    numChannels = std::max (0, newNumChannels);
    sampleRate = newSampleRate;

    // One second of samples, halves rounded away from zero; a rate too large for an int is
    // clamped rather than wrapped into a negative length.
    const auto windowSamples = std::round (newSampleRate * kWindowSeconds);
    longLength = windowSamples > 0.0
                     ? static_cast<int> (std::min (windowSamples, static_cast<double> (std::numeric_limits<int>::max())))
                     : 0;
    capacity = std::max (1, longLength);

    ring.assign (static_cast<size_t> (capacity), 0.0f);
    writeIndex = 0;
    filled = 0;
    longSum = 0.0;
    longRmsDb.store (std::numeric_limits<float>::quiet_NaN());
}

void RmsMeter::reset() noexcept
{
    std::fill (ring.begin(), ring.end(), 0.0f);
    writeIndex = 0;
    filled = 0;
    longSum = 0.0;
    longRmsDb.exchange (std::numeric_limits<float>::quiet_NaN());
}

int RmsMeter::wrapIndex (int index, int size) noexcept
{
    const auto wrapped = index % size;
    return wrapped < 0 ? wrapped + size : wrapped;
}

void RmsMeter::process (const juce::AudioBuffer<float>& buffer) noexcept
{
    const auto numSamples = buffer.getNumSamples();

    if (numSamples < 1 || numChannels < 1 || sampleRate <= 0.0 || ring.empty())
        return;

    const auto chans = std::min (buffer.getNumChannels(), numChannels);
    auto* const entries = ring.data();

    for (int i = 0; i < numSamples; ++i)
    {
        double energy = 0.0;

        for (int channel = 0; channel < chans; ++channel)
        {
            const auto x = buffer.getReadPointer (channel)[i];

            if (std::isfinite (x))
                energy += static_cast<double> (x) * static_cast<double> (x);
        }

        // The ring keeps floats, and the sum adds the stored float rather than the double, so what
        // later leaves the window is exactly what entered it.
        const auto entry = static_cast<float> (energy);

        if (longLength > 0 && filled >= longLength)
            longSum -= static_cast<double> (entries[wrapIndex (writeIndex - longLength, capacity)]);

        entries[writeIndex] = entry;
        longSum += static_cast<double> (entry);
        writeIndex = wrapIndex (writeIndex + 1, capacity);
        filled = std::min (filled + 1, capacity);
    }

    publish();
}

void RmsMeter::publish() noexcept
{
    if (filled < 1 || longLength < 1)
    {
        longRmsDb.store (std::numeric_limits<float>::quiet_NaN());
        return;
    }

    const auto meanSquare = longSum / static_cast<double> (std::min (longLength, filled));
    // A running sum that rounding left slightly negative reads as silence, not as NaN.
    const auto rms = meanSquare > 0.0 ? std::sqrt (static_cast<float> (meanSquare)) : 0.0f;

    auto db = kFloorDb;

    if (rms >= kSilenceRms)
        db = std::max (kFloorDb, 20.0f * std::log10 (rms));

    longRmsDb.store (db);
}
