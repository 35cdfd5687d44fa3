#include "tab/views/SpectrumAnimation.h"

#include "tab/views/BandAxis.h"

#include <cmath>

namespace
{
constexpr float kGapsPerBand = 3.0f;
constexpr float kBarsPerBand = 2.0f;
}

SpectrumAnimation::BarLayout SpectrumAnimation::layoutBars (float bandWidth) noexcept
{
    const auto gap = BandAxis::barGap (bandWidth);
    return { gap, (bandWidth - kGapsPerBand * gap) / kBarsPerBand };
}

double SpectrumAnimation::stepMs (double lastMs, double nowMs) noexcept
{
    if (! (lastMs > 0.0))
        return kFirstStepMs;

    const auto dt = nowMs - lastMs;
    return std::isfinite (dt) ? juce::jlimit (0.0, kMaxStepMs, dt) : 0.0;
}

float SpectrumAnimation::glide (float shown, float target, double dtMs) noexcept
{
    const auto difference = target - shown;

    if (! (std::abs (difference) >= kStillDb))
        return shown;

    const auto timeConstant = difference > 0.0f ? kRiseMs : kFallMs;
    return shown + (float) (1.0 - std::exp (-dtMs / timeConstant)) * difference;
}

void SpectrumAnimation::follow (std::vector<float>& shown, const std::vector<float>& targets, double dtMs)
{
    if (shown.size() != targets.size())
    {
        shown = targets;
        return;
    }

    for (size_t i = 0; i < shown.size(); ++i)
        shown[i] = glide (shown[i], targets[i], dtMs);
}

void SpectrumAnimation::advance (const std::vector<float>& referenceTargets, const std::vector<float>& sourceTargets,
                                 bool shiftDown, double nowMs)
{
    if (shiftDown && ! frozen)
    {
        frozenReferenceLevels = shownReferenceLevels.empty() ? referenceTargets : shownReferenceLevels;
        frozenSourceLevels = shownSourceLevels.empty() ? sourceTargets : shownSourceLevels;
        frozen = true;
    }
    else if (! shiftDown)
    {
        frozen = false;
    }

    const auto& referenceGoal = frozen && ! frozenReferenceLevels.empty() ? frozenReferenceLevels : referenceTargets;
    const auto& sourceGoal = frozen && ! frozenSourceLevels.empty() ? frozenSourceLevels : sourceTargets;

    if (snapRequested)
    {
        shownReferenceLevels = referenceGoal;
        shownSourceLevels = sourceGoal;
        lastAnimationMs = nowMs;
        snapRequested = false;
    }

    const auto dt = stepMs (lastAnimationMs, nowMs);
    lastAnimationMs = nowMs;

    follow (shownReferenceLevels, referenceGoal, dt);
    follow (shownSourceLevels, sourceGoal, dt);
}
