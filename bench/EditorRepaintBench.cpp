#include "bench/EditorBenchRig.h"
#include "engine/ThemePalette.h"
#include "support/GuiSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <limits>

// What one full repaint of the editor costs the message thread with JUCE's software renderer,
// for each of the five views as the visible one: the real editor at its 1200 x 720 window size,
// header, tab bar and Reference page, with the live data of a playing session. A tick runs
// (untimed, at the timer's pace) before every repaint, as on screen, so the views redraw what a
// tick invalidated. The "part" argument 1 paints the Reference page alone, to show what the
// editor's own chrome adds. Time is ms per repaint; minMs is the fastest one, the steadier
// figure on a busy machine. Each view's editor is left in screenshots/ beside the executable.
// Needs an X display: run under scripts/with-display.sh.

namespace
{
/** Two seconds of repaints at the common rate. */
constexpr int kRepaints = 48;

enum Part
{
    wholeEditor = 0,
    pageAlone = 1
};

void editorFullRepaint (benchmark::State& state)
{
    if (! EditorBenchRig::hasDisplay())
    {
        state.SkipWithError ("needs an X display (scripts/with-display.sh)");
        return;
    }

    auto& rig = EditorBenchRig::get();
    auto& editor = rig.openOnScreen();
    const auto view = state.range (0);
    rig.showView (static_cast<ViewMode> (view));

    juce::Component& painted = state.range (1) == wholeEditor ? static_cast<juce::Component&> (editor) : rig.page();
    juce::Image image (juce::Image::ARGB, painted.getWidth(), painted.getHeight(), true);
    auto minSeconds = std::numeric_limits<double>::max();

    for (auto _ : state)
    {
        rig.playOneTick();

        const auto start = juce::Time::getHighResolutionTicks();
        {
            juce::Graphics g (image);
            painted.paintEntireComponent (g, true);
        }
        const auto seconds = juce::Time::highResolutionTicksToSeconds (juce::Time::getHighResolutionTicks() - start);
        state.SetIterationTime (seconds);
        minSeconds = std::min (minSeconds, seconds);
        benchmark::ClobberMemory();
    }

    state.counters["minMs"] = 1000.0 * minSeconds;
    state.counters["width"] = painted.getWidth();
    state.counters["height"] = painted.getHeight();

    // For a person to check that what was measured is what a user sees.
    if (state.range (1) == wholeEditor)
        GuiSupport::writeScreenshot (editor, "bench-editor-view-" + juce::String (view), ThemePalette::background);
}
} // namespace

BENCHMARK (editorFullRepaint)
    ->ArgNames ({ "view", "part" })
    ->ArgsProduct ({ { (int) ViewMode::Spectrum, (int) ViewMode::Match, (int) ViewMode::Stereo, (int) ViewMode::History,
                       (int) ViewMode::Analysis },
                     { wholeEditor, pageAlone } })
    ->Iterations (kRepaints)
    ->UseManualTime()
    ->Unit (benchmark::kMillisecond);
