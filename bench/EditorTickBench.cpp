#include "bench/EditorBenchRig.h"

#include <benchmark/benchmark.h>

#include <algorithm>

// One tick of the editor's timer on the message thread, for each of the five views as the
// visible one (a tick's work depends on it): the real editor in its window with one Reference,
// the transport playing and a timer interval of audio processed before every tick, so that the
// spectra, the stereo points, the meters and the peak history are new each time. The ticks come
// at the timer's own pace, since the written analysis's rebuilds follow the wall clock. Only
// the tick is timed; the repaints it asks for only mark regions dirty (the painting is
// EditorRepaintBench's). Time is ms per tick; maxTickMs is the slowest tick (the written
// analysis is rebuilt on some ticks only). Needs an X display: run under
// scripts/with-display.sh.

namespace
{
/** Five seconds of ticks at the common rate. */
constexpr int kTicks = 120;

void editorTimerTick (benchmark::State& state)
{
    if (! EditorBenchRig::hasDisplay())
    {
        state.SkipWithError ("needs an X display (scripts/with-display.sh)");
        return;
    }

    auto& rig = EditorBenchRig::get();
    auto& editor = rig.openOnScreen();
    rig.showView (static_cast<ViewMode> (state.range (0)));
    double maxMs = 0.0;

    for (auto _ : state)
    {
        rig.playToNextTick();

        const auto start = juce::Time::getHighResolutionTicks();
        editor.timerCallback();
        const auto ms = 1000.0 * juce::Time::highResolutionTicksToSeconds (juce::Time::getHighResolutionTicks() - start);

        state.SetIterationTime (ms / 1000.0);
        maxMs = std::max (maxMs, ms);
    }

    state.counters["maxTickMs"] = maxMs;
    state.counters["timerHz"] = 1000.0 / editor.getTimerInterval();
}
} // namespace

BENCHMARK (editorTimerTick)
    ->ArgName ("view")
    ->Arg ((int) ViewMode::Spectrum)
    ->Arg ((int) ViewMode::Match)
    ->Arg ((int) ViewMode::Stereo)
    ->Arg ((int) ViewMode::History)
    ->Arg ((int) ViewMode::Analysis)
    ->Iterations (kTicks)
    ->UseManualTime()
    ->Unit (benchmark::kMillisecond);
