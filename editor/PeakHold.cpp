#include "editor/PeakHold.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr int kMinStepMs = 1;
constexpr int kMaxStepMs = 1000;
constexpr float kMsPerSecond = 1000.0f;

/** The fall of one step: only the part of the time since the last raise beyond the hold time. */
float fallDb (int elapsedMs) noexcept
{
    return (float) std::max (0, elapsedMs - PeakHold::kHoldMs) * PeakHold::kFallDbPerSecond / kMsPerSecond;
}
} // namespace

void PeakHold::update (float referenceReadingDb, float sourceReadingDb, int stepMs) noexcept
{
    advance (referenceDb, referenceHoldMs, referenceReadingDb, stepMs);
    advance (sourceDb, sourceHoldMs, sourceReadingDb, stepMs);
}

void PeakHold::clear() noexcept
{
    referenceDb = kNothingHeld;
    sourceDb = kNothingHeld;
    referenceHoldMs = 0;
    sourceHoldMs = 0;
}

void PeakHold::advance (float& heldDb, int& holdMs, float readingDb, int stepMs) noexcept
{
    const auto step = std::clamp (stepMs, kMinStepMs, kMaxStepMs);
    const auto valid = std::isfinite (readingDb) && readingDb > kFloorDb;
    const auto holding = std::isfinite (heldDb);

    // A reading as high as the held value re-arms the hold, like a meter's peak lamp.
    if (valid && (! holding || readingDb >= heldDb))
    {
        heldDb = readingDb;
        holdMs = 0;
        return;
    }

    if (! holding)
    {
        holdMs = 0;
        return;
    }

    const auto elapsed = std::clamp (holdMs, 0, kHoldMs) + step;
    holdMs = std::min (elapsed, kHoldMs);
    heldDb -= fallDb (elapsed);

    if (valid)
        heldDb = std::max (readingDb, heldDb);

    if (heldDb <= kFloorDb)
    {
        heldDb = kNothingHeld;
        holdMs = 0;
    }
}
