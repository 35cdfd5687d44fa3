#pragma once

#include <juce_graphics/juce_graphics.h>

#include <vector>

/**
    The levels the spectrum view draws: they glide toward each new measurement, rising with a
    250 ms and falling with a 700 ms time constant, and stand still while Shift holds the picture.
    Also the bar layout of one band.

    A plain value with no component behind it, advanced once per fed frame with that moment's
    time, so that the glide can be tested without a display. Message thread (it belongs to one view).
*/
class SpectrumAnimation final
{
public:
    /** Time constants of a rising and of a falling level, ms. */
    static constexpr double kRiseMs = 250.0;
    static constexpr double kFallMs = 700.0;
    /** Differences smaller than this do not move a level, dB. */
    static constexpr float kStillDb = 0.2f;
    /** Longest step one frame takes (a pause counts as this much), ms. */
    static constexpr double kMaxStepMs = 250.0;
    /** The step of the first frame, ms. */
    static constexpr double kFirstStepMs = 16.666666;

    /** The two bars of one band: the gap before, between and after them, and their width, px. */
    struct BarLayout
    {
        float gap = 0.0f;
        float barWidth = 0.0f;
    };

    /** The bars of a band of the given on-screen width: gap 12 % of it but at most 2 px, the
        two bars sharing the rest after three gaps. */
    static BarLayout layoutBars (float bandWidth) noexcept;

    /** The time a step at nowMs advances the glide by, given the previous step's time
        (0 = none yet): limited to 0 ... kMaxStepMs; kFirstStepMs for the first step. */
    static double stepMs (double lastMs, double nowMs) noexcept;

    /** One level after a step of dtMs toward target. */
    static float glide (float shown, float target, double dtMs) noexcept;

    /** Makes the next advance show the targets at once, without gliding. */
    void requestSnap() noexcept { snapRequested = true; }
    /** Whether the next advance snaps. */
    bool isSnapRequested() const noexcept { return snapRequested; }

    /** One frame's step: takes the targets (or, while shiftDown, the picture held since Shift
        went down), snaps when asked, then moves the shown levels toward them. A shown list of
        another length than its targets becomes a copy of them. */
    void advance (const std::vector<float>& referenceTargets, const std::vector<float>& sourceTargets,
                  bool shiftDown, double nowMs);

    /** The levels to draw, dB per band. */
    const std::vector<float>& getShownReferenceLevels() const noexcept { return shownReferenceLevels; }
    const std::vector<float>& getShownSourceLevels() const noexcept { return shownSourceLevels; }

    /** Whether Shift holds the picture. */
    bool isFrozen() const noexcept { return frozen; }

private:
    static void follow (std::vector<float>& shown, const std::vector<float>& targets, double dtMs);

    bool frozen = false;
    std::vector<float> frozenReferenceLevels, frozenSourceLevels;
    std::vector<float> shownReferenceLevels, shownSourceLevels;
    double lastAnimationMs = 0.0;
    bool snapRequested = false;
};
