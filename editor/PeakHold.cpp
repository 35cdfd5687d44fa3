#include "editor/PeakHold.h"

void PeakHold::update (float, float, int) noexcept
{
}

void PeakHold::clear() noexcept
{
    referenceDb = kNothingHeld;
    sourceDb = kNothingHeld;
    referenceHoldMs = 0;
    sourceHoldMs = 0;
}

void PeakHold::advance (float&, int&, float, int) noexcept
{
}
