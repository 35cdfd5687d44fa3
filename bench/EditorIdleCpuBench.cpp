#include "bench/EditorBenchRig.h"
#include "bench/RealTimeFeeder.h"
#include "support/MessageLoop.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <sys/resource.h>

// What the idle editor costs the machine: one Reference tab showing the spectrum view while the
// transport plays, the editor in a real window on the X display with the message loop turning
// and the editor's own timers at their own rates, and the audio processed in real time on a
// thread of its own, as a host's audio thread does. The repaints the timers ask for are painted
// through JUCE's Linux peer (software renderer, XPutImage).
//
// The loop turns two ways, 5 s each. First as a host's event loop turns it: waiting in poll for
// the next message. Then as JUCE's own message thread for plug-ins turns it in a host without an
// event loop: dispatch what is pending, else sleep 1 ms, which wakes the thread a thousand times
// a second whatever the editor does.
//
// Counters, in % of one core over the measured wall time: messageThreadPct, the message
// thread's own CPU time with the host's loop (the editor's cost); messageThreadPollingPct, the
// same with JUCE's polling loop; processWithoutAudioPct, the whole process less the audio
// thread with the host's loop (adds JUCE's timer and thumbnail threads); audioThreadPct, the
// audio thread's, which is the engine's and not the editor's. realTimeRatio is the audio played
// over the wall time (1 when the feeder kept up). Needs an X display: run under
// scripts/with-display.sh.

namespace
{
constexpr int kSettleMs = 1000;
constexpr int kMeasureMs = 5000;

double threadCpuSeconds()
{
    timespec time {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &time);
    return (double) time.tv_sec + 1.0e-9 * (double) time.tv_nsec;
}

double processCpuSeconds()
{
    rusage usage {};
    getrusage (RUSAGE_SELF, &usage);
    const auto seconds = [] (const timeval& t) { return (double) t.tv_sec + 1.0e-6 * (double) t.tv_usec; };
    return seconds (usage.ru_utime) + seconds (usage.ru_stime);
}

void idleEditorCpu (benchmark::State& state)
{
    if (! EditorBenchRig::hasDisplay())
    {
        state.SkipWithError ("needs an X display (scripts/with-display.sh)");
        return;
    }

    auto& rig = EditorBenchRig::get();
    auto& editor = rig.openOnScreen();
    rig.showView (ViewMode::Spectrum);

    auto& session = rig.getSession();
    EditorPlayback playback (session, rig.getSource());
    playback.blockSize = rig.getPlayback().blockSize;
    const auto sampleRate = session.harness.processor->getSampleRate();

    struct Usage
    {
        double wallSeconds, threadPct, processWithoutAudioPct, audioPct, realTimeRatio;
    };

    const auto measure = [&] (RealTimeFeeder& feeder, const std::function<void (int)>& turnLoop)
    {
        turnLoop (kSettleMs);

        const auto wallStart = juce::Time::getMillisecondCounterHiRes();
        const auto threadStart = threadCpuSeconds();
        const auto processStart = processCpuSeconds();
        const auto audioStart = feeder.cpuSeconds();
        const auto blocksStart = feeder.blocksPlayed();

        turnLoop (kMeasureMs);

        const auto wallSeconds = (juce::Time::getMillisecondCounterHiRes() - wallStart) / 1000.0;
        const auto audioSeconds = feeder.cpuSeconds() - audioStart;
        const auto playedSeconds = (double) (feeder.blocksPlayed() - blocksStart) * playback.blockSize / sampleRate;

        return Usage { wallSeconds,
                       100.0 * (threadCpuSeconds() - threadStart) / wallSeconds,
                       100.0 * (processCpuSeconds() - processStart - audioSeconds) / wallSeconds,
                       100.0 * audioSeconds / wallSeconds,
                       playedSeconds / wallSeconds };
    };

    for (auto _ : state)
    {
        RealTimeFeeder feeder (playback, sampleRate);
        const auto hostLoop = measure (feeder, MessagePump::runBlockingFor);
        const auto pollingLoop = measure (feeder, MessagePump::runFor);

        state.SetIterationTime (hostLoop.wallSeconds);
        state.counters["messageThreadPct"] = hostLoop.threadPct;
        state.counters["messageThreadPollingPct"] = pollingLoop.threadPct;
        state.counters["processWithoutAudioPct"] = hostLoop.processWithoutAudioPct;
        state.counters["audioThreadPct"] = hostLoop.audioPct;
        state.counters["realTimeRatio"] = std::min (hostLoop.realTimeRatio, pollingLoop.realTimeRatio);
    }

    state.counters["timerHz"] = 1000.0 / editor.getTimerInterval();
}
} // namespace

BENCHMARK (idleEditorCpu)->Iterations (1)->UseManualTime()->Unit (benchmark::kSecond);
