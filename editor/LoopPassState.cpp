#include "editor/LoopPassState.h"

#include <algorithm>
#include <cmath>

LoopKey LoopPassState::computeLoopKey (const juce::String& path, bool loopsVisible, int activeLoopIndex,
                                       const juce::Array<LoopRegion>& loops)
{
    LoopKey key;
    key.path = path;
    key.loopIndex = activeLoopIndex;

    if (loopsVisible && activeLoopIndex >= 0 && activeLoopIndex < loops.size())
    {
        const auto& loop = loops.getReference (activeLoopIndex);

        if (loop.end - loop.start > 0.0)
        {
            key.start = loop.start;
            key.end = loop.end;
            key.valid = true;
        }
    }

    return key;
}

LoopKey LoopPassState::getKey() const
{
    return { keyPath, keyLoopIndex, keyStart, keyEnd, keyValid };
}

bool LoopPassState::hasKey (const LoopKey& key) const noexcept
{
    if (key.path != keyPath || key.loopIndex != keyLoopIndex || key.valid != keyValid)
        return false;

    return ! key.valid || (key.start == keyStart && key.end == keyEnd);
}

void LoopPassState::resetLoopPasses (const LoopKey& key)
{
    keyPath = key.path;
    keyLoopIndex = key.loopIndex;
    keyStart = key.start;
    keyEnd = key.end;
    keyValid = key.valid;

    lastPass = {};
    completedPasses = 0;
    restartPass();
}

void LoopPassState::restartPass() noexcept
{
    running = {};
    warmupSeconds = 0.0;
    passSeconds = 0.0;
    recording = false;
    trackingActive = false;
    matchedLastTick = false;
    lastPlayhead = -1.0;
    progress = 0.0;
}

void LoopPassState::trackLoopPass (double position, double dt, const BandComparison& comparison) noexcept
{
    trackingActive = true;
    const double length = keyEnd - keyStart;

    if (lastPlayhead >= 0.0 && position < lastPlayhead - kBackwardJumpSeconds)
    {
        const double tolerance = std::min (std::max (kWrapToleranceTicks * dt, kMinimumWrapToleranceSeconds),
                                           kMaximumWrapToleranceShare * length);

        if (lastPlayhead >= keyEnd - tolerance && position <= keyStart + tolerance)
        {
            closeLoopPass (keyStart, keyEnd);
        }
        else
        {
            restartPass();
            trackingActive = true;
        }
    }

    if (position < keyStart - kBeforeStartToleranceSeconds || position > keyEnd + kPastEndToleranceSeconds)
    {
        // Outside the loop: the pass cannot be complete, but the measurements stay settled.
        running = {};
        recording = false;
        passSeconds = 0.0;
        lastPlayhead = -1.0;
        return;
    }

    warmupSeconds += std::max (dt, 0.0);
    matchedLastTick = comparison.bandDifferencesValid;

    if (recording)
    {
        running.totalSeconds += dt;

        if (comparison.bandDifferencesValid)
        {
            running.addMatchedMoment (comparison.bandDifferenceDb, comparison.measuredBands, dt);
            passSeconds += dt;
        }

        progress = juce::jlimit (0.0, 1.0, (position - keyStart) / length);
    }

    lastPlayhead = position;
}

void LoopPassState::closeLoopPass (double targetSeconds, double positionSeconds) noexcept
{
    if (std::abs (targetSeconds - keyStart) > kWrapTargetToleranceSeconds)
        return;

    if (positionSeconds >= keyEnd - kPassEndToleranceSeconds && recording
        && passSeconds >= getMinimumPassSeconds())
    {
        lastPass = running;
        ++completedPasses;
    }

    running = {};
    passSeconds = 0.0;
    progress = 0.0;
    recording = warmupSeconds >= kWarmupSeconds && matchedLastTick;
    lastPlayhead = -1.0;
}

double LoopPassState::getMinimumPassSeconds() const noexcept
{
    return std::min (kMinimumPassShare * (keyEnd - keyStart), kMinimumPassCapSeconds);
}
