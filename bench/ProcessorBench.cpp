#include "engine/KalvorinAudioProcessor.h"

#include <juce_events/juce_events.h>

#include <benchmark/benchmark.h>
#include <ebur128.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>
#include <map>
#include <memory>
#include <vector>

// The whole audio path against the real-time budget: processBlock with a Source from the host
// and a Reference playing, every engine running (loudness, true peak, RMS, spectra, band
// analysers, goniometers, level matching, band listen), stereo at 48 kHz in 512-sample blocks.
// Each benchmark reports the average and the worst block as a fraction of the block's period
// (512 / 48000 s = 10.7 ms); 1.0 would use the whole period.
//
// For scale, libebur128 (the reference implementation of the loudness standard) measures the
// same two signals in the same blocks, in mode S | I | TRUE_PEAK with its histogram (which
// includes M and the sample peak), reading momentary and short-term loudness and the true peak
// of both signals after every block and the integrated loudness every tenth block, as the
// processor publishes them. The ratio benchmark times all of it in one run, together with the
// processor's own loudness and true-peak meters alone, the part that matches libebur128's work.
//
// The table benchmark runs the same processor at 44.1, 48 and 96 kHz with host blocks of 32, 128,
// 512 and 2048 samples. Every pass plays the same stream, a whole number of spectrum hops long,
// so each block of a pass does the same work as that block of every other pass; beside the
// average (as a share of one core, by the clock and by the thread's CPU time) and the raw worst
// block it reports the floor: the worst over the blocks of each block's fastest pass, the worst
// block's own cost without the interruptions of a shared machine.

namespace
{
using Clock = std::chrono::steady_clock;

constexpr double kSampleRate = 48000.0;
constexpr int kNumChannels = 2;
constexpr int kBlockSize = 512;
constexpr int kStreamSeconds = 10;
constexpr int kWarmUpSeconds = 4;          // past the 3-second windows, so level matching runs
constexpr int kIntegratedEveryBlocks = 10; // about every 100 ms
constexpr double kBlockPeriodNs = 1.0e9 * kBlockSize / kSampleRate;
constexpr double kResampledReferenceRate = 44100.0;
constexpr int kSpectrumHop = 2048;
constexpr int kTablePasses = 6;

/** About kStreamSeconds at the rate, rounded to a whole number of spectrum hops. */
int streamLength (double sampleRate)
{
    return juce::roundToInt (kStreamSeconds * sampleRate / kSpectrumHop) * kSpectrumHop;
}

/** Programme-like stereo audio: a tone over noise, at about -20 dBFS for the Source and a few
    dB louder for the Reference, so that level matching has work to do. */
juce::AudioBuffer<float> makeSignal (double sampleRate, double toneStep, float noiseLevel, juce::int64 seed)
{
    juce::AudioBuffer<float> audio (kNumChannels, streamLength (sampleRate));
    juce::Random random (seed);

    for (int c = 0; c < kNumChannels; ++c)
        for (int i = 0; i < audio.getNumSamples(); ++i)
            audio.setSample (c, i, (float) (0.05 * std::sin (toneStep * i + c)
                                            + noiseLevel * (random.nextDouble() * 2.0 - 1.0)));

    return audio;
}

/** Interleaves a planar buffer, the layout libebur128 reads. */
std::vector<float> interleave (const juce::AudioBuffer<float>& audio)
{
    std::vector<float> frames ((size_t) (audio.getNumSamples() * kNumChannels));

    for (int i = 0; i < audio.getNumSamples(); ++i)
        for (int c = 0; c < kNumChannels; ++c)
            frames[(size_t) (i * kNumChannels + c)] = audio.getSample (c, i);

    return frames;
}

/** The two signals, the Reference also as files at the host's rate and at 44.1 kHz, and a
    folder for the processor's settings. Made once for the whole run. */
struct Fixture
{
    Fixture()
        : source (makeSignal (kSampleRate, 0.0571, 0.08f, 42)),
          reference (makeSignal (kSampleRate, 0.0313, 0.16f, 7)),
          sourceFrames (interleave (source)),
          referenceFrames (interleave (reference)),
          folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getNonexistentChildFile ("kalvorin-bench", "", false))
    {
        folder.createDirectory();
        writeWav (referenceFile(), reference, kSampleRate);
        writeWav (resampledReferenceFile(),
                  makeSignal (kResampledReferenceRate, 0.0313 * kSampleRate / kResampledReferenceRate, 0.16f, 7),
                  kResampledReferenceRate);
    }

    ~Fixture() { folder.deleteRecursively(); }

    juce::File referenceFile() const          { return folder.getChildFile ("reference48k.wav"); }
    juce::File resampledReferenceFile() const { return folder.getChildFile ("reference44k.wav"); }

    int numBlocks() const { return source.getNumSamples() / kBlockSize; }

    static void writeWav (const juce::File& file, const juce::AudioBuffer<float>& audio, double rate)
    {
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (new juce::FileOutputStream (file),
                                                                              rate, kNumChannels, 32, {}, 0));
        writer->writeFromAudioSampleBuffer (audio, 0, audio.getNumSamples());
    }

    juce::AudioBuffer<float> source, reference;
    std::vector<float> sourceFrames, referenceFrames;
    juce::File folder;
};

const Fixture& fixture()
{
    // JUCE's message manager lives for the whole run (the parameter tree starts a timer); it is
    // never shut down, since the run ends after JUCE's own statics may be gone.
    static const auto* juce = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (juce);

    static const Fixture f;
    return f;
}

/** A Source and a Reference file at one host rate, for the table. */
struct RateFixture
{
    explicit RateFixture (double rate)
        : source (makeSignal (rate, 0.0571 * kSampleRate / rate, 0.08f, 42)),
          referenceFile (fixture().folder.getChildFile ("reference" + juce::String ((int) rate) + ".wav"))
    {
        Fixture::writeWav (referenceFile, makeSignal (rate, 0.0313 * kSampleRate / rate, 0.16f, 7), rate);
    }

    juce::AudioBuffer<float> source;
    juce::File referenceFile;
};

const RateFixture& rateFixture (double rate)
{
    static std::map<int, std::unique_ptr<RateFixture>> fixtures;
    auto& entry = fixtures[(int) rate];

    if (entry == nullptr)
        entry = std::make_unique<RateFixture> (rate);

    return *entry;
}

struct PlayingHead final : juce::AudioPlayHead
{
    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setIsPlaying (true);
        return info;
    }
};

/** A processor as the editor leaves it in use: a Reference playing and monitored, level
    matching on, a band selected for band listen; warmed up past the 3-second windows. */
struct RunningProcessor
{
    explicit RunningProcessor (const juce::File& referenceFile, double rate = kSampleRate,
                               int block = kBlockSize, const juce::AudioBuffer<float>* sourceSignal = nullptr)
        : source (sourceSignal != nullptr ? *sourceSignal : fixture().source),
          blockSize (block),
          buffer (kNumChannels, block)
    {
        const auto& f = fixture();
        SettingsStore store (SettingsStore::kDefaultFolderName, SettingsStore::kDefaultFileName,
                             f.folder.getChildFile ("settings.txt"));
        processor = std::make_unique<KalvorinAudioProcessor> (std::move (store));
        processor->setPlayHead (&playHead);
        processor->setRateAndBufferSizeDetails (rate, blockSize);
        processor->prepareToPlay (rate, blockSize);
        processor->addReference (referenceFile.getFullPathName());
        processor->setLevelMatchMode ((int) LevelMatchMode::ReferenceToSource);
        processor->setFocusBand (makeFocusBand (200.0, 2000.0));

        const auto warmUpBlocks = (int) (kWarmUpSeconds * rate / blockSize);

        for (int b = 0; b < warmUpBlocks; ++b)
            process (b % numBlocks());
    }

    ~RunningProcessor() { processor->releaseResources(); }

    /** Processes Source block `index` (copied in first, as the host's buffer is overwritten)
        and returns the time processBlock took. */
    int numBlocks() const { return source.getNumSamples() / blockSize; }

    Clock::duration process (int index)
    {
        for (int c = 0; c < kNumChannels; ++c)
            buffer.copyFrom (c, 0, source, c, index * blockSize, blockSize);

        const auto start = Clock::now();
        processor->processBlock (buffer, midi);
        const auto elapsed = Clock::now() - start;

        benchmark::DoNotOptimize (buffer.getReadPointer (0));
        return elapsed;
    }

    const juce::AudioBuffer<float>& source;
    int blockSize;
    PlayingHead playHead;
    std::unique_ptr<KalvorinAudioProcessor> processor;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
};

/** libebur128 measuring both signals, reading what the processor publishes. */
struct Libebur128Pair
{
    Libebur128Pair()
    {
        constexpr int mode = EBUR128_MODE_S | EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_HISTOGRAM;

        for (auto*& state : states)
            state = ebur128_init (kNumChannels, (unsigned long) kSampleRate, mode);
    }

    ~Libebur128Pair()
    {
        for (auto*& state : states)
            ebur128_destroy (&state);
    }

    Clock::duration process (int index)
    {
        const auto& f = fixture();
        const float* frames[] = { f.sourceFrames.data(), f.referenceFrames.data() };

        const auto start = Clock::now();

        for (int s = 0; s < 2; ++s)
        {
            ebur128_add_frames_float (states[s], frames[s] + (size_t) (index * kBlockSize * kNumChannels), kBlockSize);

            double value = 0.0;
            ebur128_loudness_momentary (states[s], &value);
            ebur128_loudness_shortterm (states[s], &value);

            for (unsigned int c = 0; c < kNumChannels; ++c)
                ebur128_prev_true_peak (states[s], c, &value);

            if (index % kIntegratedEveryBlocks == 0)
                ebur128_loudness_global (states[s], &value);

            benchmark::DoNotOptimize (value);
        }

        return Clock::now() - start;
    }

    ebur128_state* states[2] {};
};

/** The processor's own loudness and true-peak meters on both signals: the work libebur128 does. */
struct OwnMeters
{
    OwnMeters()
    {
        for (auto& m : loudness)
            m.prepare (kNumChannels, kSampleRate);

        for (auto& m : truePeak)
            m.prepare (kNumChannels, kBlockSize, kSampleRate);
    }

    Clock::duration process (int index)
    {
        const auto& f = fixture();
        float* sourceChannels[kNumChannels];
        float* referenceChannels[kNumChannels];

        for (int c = 0; c < kNumChannels; ++c)
        {
            sourceChannels[c] = const_cast<float*> (f.source.getReadPointer (c, index * kBlockSize));
            referenceChannels[c] = const_cast<float*> (f.reference.getReadPointer (c, index * kBlockSize));
        }

        const juce::AudioBuffer<float> blocks[] = { { sourceChannels, kNumChannels, kBlockSize },
                                                    { referenceChannels, kNumChannels, kBlockSize } };

        const auto start = Clock::now();

        for (int s = 0; s < 2; ++s)
        {
            loudness[s].process (blocks[s], true);
            truePeak[s].process (blocks[s], true);
        }

        const auto elapsed = Clock::now() - start;
        benchmark::DoNotOptimize (loudness[0].shortTermLufs.load());
        return elapsed;
    }

    LoudnessMeter loudness[2];
    TruePeakMeter truePeak[2];
};

/** Average and worst block time over a run, reported against the block period. */
struct BlockTimes
{
    void add (Clock::duration d)
    {
        const auto ns = (double) std::chrono::duration_cast<std::chrono::nanoseconds> (d).count();
        total += ns;
        worst = std::max (worst, ns);
        ++count;
    }

    double averageNs() const { return count > 0 ? total / (double) count : 0.0; }

    void report (benchmark::State& state, const std::string& prefix) const
    {
        state.counters[prefix + "avg_of_period"] = averageNs() / kBlockPeriodNs;
        state.counters[prefix + "worst_of_period"] = worst / kBlockPeriodNs;
        state.counters[prefix + "avg_us"] = averageNs() / 1000.0;
    }

    double total = 0.0, worst = 0.0;
    juce::int64 count = 0;
};

void runProcessor (benchmark::State& state, const juce::File& referenceFile)
{
    juce::ScopedNoDenormals noDenormals;
    RunningProcessor running (referenceFile);
    BlockTimes times;
    const auto numBlocks = fixture().numBlocks();

    for (auto _ : state)
        for (int b = 0; b < numBlocks; ++b)
            times.add (running.process (b));

    times.report (state, "");
    state.SetItemsProcessed ((int64_t) state.iterations() * numBlocks * kBlockSize);
}

void processBlockWithReferenceAtHostRate (benchmark::State& state)
{
    runProcessor (state, fixture().referenceFile());
}

void processBlockWithResampledReference (benchmark::State& state)
{
    runProcessor (state, fixture().resampledReferenceFile());
}

void libebur128BothSignals (benchmark::State& state)
{
    Libebur128Pair meters;
    BlockTimes times;
    const auto numBlocks = fixture().numBlocks();

    for (auto _ : state)
        for (int b = 0; b < numBlocks; ++b)
            times.add (meters.process (b));

    times.report (state, "");
    state.SetItemsProcessed ((int64_t) state.iterations() * numBlocks * kBlockSize);
}

/** CPU time the calling thread has used, in nanoseconds. */
double threadCpuNs()
{
    timespec now {};
    clock_gettime (CLOCK_THREAD_CPUTIME_ID, &now);
    return 1.0e9 * (double) now.tv_sec + (double) now.tv_nsec;
}

/** Per block index of a pass the fastest time over all passes; over the run the worst and the
    average. */
struct PassTimes
{
    explicit PassTimes (int blocksPerPass) : fastest ((size_t) blocksPerPass, std::numeric_limits<double>::max()) {}

    void add (int block, Clock::duration d)
    {
        const auto ns = (double) std::chrono::duration_cast<std::chrono::nanoseconds> (d).count();
        fastest[(size_t) block] = std::min (fastest[(size_t) block], ns);
        all.add (d);
    }

    double floorWorstNs() const { return *std::max_element (fastest.begin(), fastest.end()); }

    std::vector<double> fastest;
    BlockTimes all;
};

void processBlockTable (benchmark::State& state)
{
    juce::ScopedNoDenormals noDenormals;
    const auto rate = (double) state.range (0);
    const auto block = (int) state.range (1);
    const auto& signals = rateFixture (rate);
    RunningProcessor running (signals.referenceFile, rate, block, &signals.source);
    PassTimes times (running.numBlocks());

    // The thread's own CPU time per pass as well: on a machine shared with other work, waiting
    // for a core inflates the wall-clock average but not this one.
    double cpuNs = 0.0;

    for (auto _ : state)
    {
        const auto cpuStart = threadCpuNs();

        for (int b = 0; b < running.numBlocks(); ++b)
            times.add (b, running.process (b));

        cpuNs += threadCpuNs() - cpuStart;
    }

    const auto periodNs = 1.0e9 * block / rate;
    state.counters["avg_pct_of_core"] = 100.0 * times.all.averageNs() / periodNs;
    state.counters["avg_cpu_pct_of_core"] = 100.0 * cpuNs / (double) times.all.count / periodNs;
    state.counters["worst_pct_of_period"] = 100.0 * times.all.worst / periodNs;
    state.counters["floor_worst_pct_of_period"] = 100.0 * times.floorWorstNs() / periodNs;
    state.counters["avg_us"] = times.all.averageNs() / 1000.0;
}

// All three in the same iterations, block by block, so that they share the machine's state.
void processorOverLibebur128 (benchmark::State& state)
{
    juce::ScopedNoDenormals noDenormals;
    RunningProcessor running (fixture().referenceFile());
    Libebur128Pair library;
    OwnMeters meters;
    BlockTimes processorTimes, libraryTimes, meterTimes;
    const auto numBlocks = fixture().numBlocks();

    for (auto _ : state)
    {
        for (int b = 0; b < numBlocks; ++b)
        {
            processorTimes.add (running.process (b));
            libraryTimes.add (library.process (b));
            meterTimes.add (meters.process (b));
        }
    }

    processorTimes.report (state, "processor_");
    libraryTimes.report (state, "libebur128_");
    state.counters["processor_over_libebur128"] = processorTimes.averageNs() / libraryTimes.averageNs();
    state.counters["meters_over_libebur128"] = meterTimes.averageNs() / libraryTimes.averageNs();
}
} // namespace

BENCHMARK (processBlockTable)->Name ("ProcessBlockTable/rate_block")
    ->ArgsProduct ({ { 44100, 48000, 96000 }, { 32, 128, 512, 2048 } })
    ->Iterations (kTablePasses)->Unit (benchmark::kMillisecond);
BENCHMARK (processBlockWithReferenceAtHostRate)->Name ("ProcessBlock/stereo48k/block512/reference48k")->Unit (benchmark::kMillisecond);
BENCHMARK (processBlockWithResampledReference)->Name ("ProcessBlock/stereo48k/block512/reference44k1")->Unit (benchmark::kMillisecond);
BENCHMARK (libebur128BothSignals)->Name ("Libebur128/stereo48k/block512/S_I_TruePeak")->Unit (benchmark::kMillisecond);
BENCHMARK (processorOverLibebur128)->Name ("ProcessBlockOverLibebur128/stereo48k/block512")->Unit (benchmark::kMillisecond);
