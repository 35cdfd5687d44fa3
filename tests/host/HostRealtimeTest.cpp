// The built bundle on a host's audio thread. A thread of the test's own calls the plug-in's VST3
// `process` directly, as a DAW's engine does, with a Reference playing, level matching on,
// transport starts, stops and jumps, and "monitorRef" automated through the host's parameter
// queue. Everything the call does, the VST3 layer's work and the plug-in's own, must allocate
// nothing and free nothing; in the real-time sanitizer build the whole call is also a
// real-time context, so any lock, wait or system call in it fails the run. One run does all of
// it in real time with the plug-in's editor open on the display, its timer reading the engine
// and repainting while the audio thread automates the parameter the editor listens to.
#include "engine/RealtimeAnnotations.h"
#include "host/support/HostEditorWindow.h"
#include "host/support/HostStateChunks.h"
#include "host/support/HostedPlugin.h"
#include "host/support/LoadedModule.h"
#include "support/SavedStateTrees.h"
#include "support/AllocationGuard.h"
#include "support/AudioFileFixtures.h"
#include "support/MessageLoop.h"
#include "support/TemporaryFolder.h"

#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivstparameterchanges.h>
#include <pluginterfaces/vst/ivstprocesscontext.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <tuple>

namespace
{
using namespace Steinberg;

constexpr double kRunSeconds = 4.6;
constexpr float kSourceLevel = 0.3f;
constexpr float kReferenceLevel = 0.2f;

/** Longer than the plug-in's 10 ms monitor crossfade: after it, the output is one signal only. */
constexpr double kSettleSeconds = 0.02;

/** How far the output may stray from the input where the Source passes untouched. */
constexpr float kPassTolerance = 1.0e-6f;

/** Calls `process` as the host's audio thread does. In the real-time sanitizer build this is a
    real-time context (the project's nonblocking mark): every allocation, lock, wait or system
    call beneath it, in the VST3 layer or in the plug-in, is reported. */
[[gnu::noinline]] tresult processOnTheAudioThread (Vst::IAudioProcessor& processor, Vst::ProcessData& data) noexcept KALVORIN_NONBLOCKING
{
    return processor.process (data);
}

/** One parameter's changes within a block, in a fixed store: the host's side never allocates. */
class ParameterQueue final : public Vst::IParamValueQueue
{
public:
    void reset (Vst::ParamID newId) noexcept { id = newId; numPoints = 0; }

    tresult PLUGIN_API queryInterface (const TUID, void** obj) override { *obj = nullptr; return kNoInterface; }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    Vst::ParamID PLUGIN_API getParameterId() override { return id; }
    int32 PLUGIN_API getPointCount() override { return numPoints; }

    tresult PLUGIN_API getPoint (int32 index, int32& offset, Vst::ParamValue& value) override
    {
        if (index < 0 || index >= numPoints)
            return kResultFalse;

        offset = points[index].offset;
        value = points[index].value;
        return kResultTrue;
    }

    tresult PLUGIN_API addPoint (int32 offset, Vst::ParamValue value, int32& index) override
    {
        if (numPoints == kMaxPoints)
            return kResultFalse;

        index = numPoints;
        points[numPoints++] = { offset, value };
        return kResultTrue;
    }

private:
    static constexpr int32 kMaxPoints = 8;
    struct Point { int32 offset; Vst::ParamValue value; };
    Point points[kMaxPoints] {};
    int32 numPoints = 0;
    Vst::ParamID id = 0;
};

/** The parameter changes of one block, in either direction, in a fixed store. */
class ParameterChanges final : public Vst::IParameterChanges
{
public:
    void clear() noexcept { numQueues = 0; }

    /** Adds one point for `id` at `offset`. */
    void add (Vst::ParamID id, int32 offset, double value)
    {
        int32 index = 0;

        if (auto* queue = addParameterData (id, index))
            queue->addPoint (offset, value, index);
    }

    tresult PLUGIN_API queryInterface (const TUID, void** obj) override { *obj = nullptr; return kNoInterface; }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    int32 PLUGIN_API getParameterCount() override { return numQueues; }

    Vst::IParamValueQueue* PLUGIN_API getParameterData (int32 index) override
    {
        return index >= 0 && index < numQueues ? &queues[index] : nullptr;
    }

    Vst::IParamValueQueue* PLUGIN_API addParameterData (const Vst::ParamID& id, int32& index) override
    {
        for (int32 i = 0; i < numQueues; ++i)
        {
            if (queues[i].getParameterId() == id)
            {
                index = i;
                return &queues[i];
            }
        }

        if (numQueues == kMaxQueues)
            return nullptr;

        index = numQueues;
        queues[numQueues].reset (id);
        return &queues[numQueues++];
    }

private:
    static constexpr int32 kMaxQueues = 4;
    ParameterQueue queues[kMaxQueues];
    int32 numQueues = 0;
};

/** The host's side of one `process` call, allocated once for blocks of up to `capacity`
    samples: one input bus and one output bus (stereo, as negotiated, unless a test says
    otherwise), the parameter queues and the transport. */
struct HostBlock
{
    static constexpr int kMaxChannels = 4;
    static constexpr int kNegotiatedChannels = 2;

    explicit HostBlock (int capacity)
        : input (kMaxChannels, capacity), output (kMaxChannels, capacity)
    {
        context.state = Vst::ProcessContext::kTempoValid | Vst::ProcessContext::kTimeSigValid;
        context.tempo = 120.0;
        context.timeSigNumerator = 4;
        context.timeSigDenominator = 4;

        for (int ch = 0; ch < kMaxChannels; ++ch)
        {
            inputChannels[ch] = input.getWritePointer (ch);
            outputChannels[ch] = output.getWritePointer (ch);
        }

        inputBus.numChannels = kNegotiatedChannels;
        inputBus.channelBuffers32 = inputChannels;
        outputBus.numChannels = kNegotiatedChannels;
        outputBus.channelBuffers32 = outputChannels;

        data.processMode = Vst::kRealtime;
        data.symbolicSampleSize = Vst::kSample32;
        data.numInputs = 1;
        data.inputs = &inputBus;
        data.numOutputs = 1;
        data.outputs = &outputBus;
        data.inputParameterChanges = &changesIn;
        data.outputParameterChanges = &changesOut;
        data.processContext = &context;
    }

    /** Fills the first `numSamples` of every input channel with noise at the Source level. */
    void fillInput (juce::Random& random, int numSamples)
    {
        for (int ch = 0; ch < kMaxChannels; ++ch)
            for (int i = 0; i < numSamples; ++i)
                input.setSample (ch, i, kSourceLevel * (random.nextFloat() * 2.0f - 1.0f));
    }

    /** Marks the output with a value the plug-in must overwrite. */
    void poisonOutput()
    {
        for (int ch = 0; ch < kMaxChannels; ++ch)
            juce::FloatVectorOperations::fill (output.getWritePointer (ch), 99.0f, output.getNumSamples());
    }

    /** Calls `process` for `numSamples` as the audio thread, inside an allocation guard. */
    tresult process (Vst::IAudioProcessor& processor, int numSamples, int& allocations, int& releases)
    {
        data.numSamples = numSamples;
        changesOut.clear();
        tresult result = kResultFalse;

        {
            const AllocationGuard guard;
            result = processOnTheAudioThread (processor, data);
            allocations = guard.allocationsSoFar();
            releases = guard.releasesSoFar();
        }

        changesIn.clear();
        return result;
    }

    bool outputIsFinite (int numSamples) const
    {
        for (int ch = 0; ch < kNegotiatedChannels; ++ch)
            for (int i = 0; i < numSamples; ++i)
                if (! std::isfinite (output.getSample (ch, i)))
                    return false;

        return true;
    }

    /** The largest difference between the negotiated output and input channels over the first
        `numSamples`. */
    float largestDifference (int numSamples) const
    {
        float largest = 0.0f;

        for (int ch = 0; ch < kNegotiatedChannels; ++ch)
            for (int i = 0; i < numSamples; ++i)
                largest = juce::jmax (largest, std::abs (output.getSample (ch, i) - input.getSample (ch, i)));

        return largest;
    }

    /** The largest absolute sample of the first `channels` output channels. */
    float largestOutput (int channels, int numSamples) const
    {
        float largest = 0.0f;

        for (int ch = 0; ch < channels; ++ch)
            largest = juce::jmax (largest, output.getMagnitude (ch, 0, numSamples));

        return largest;
    }

    juce::AudioBuffer<float> input, output;
    float* inputChannels[kMaxChannels] {};
    float* outputChannels[kMaxChannels] {};
    Vst::AudioBusBuffers inputBus, outputBus;
    ParameterChanges changesIn, changesOut;
    Vst::ProcessContext context {};
    Vst::ProcessData data;
};

/** Points the process environment's home at a folder of the test's own while it lives, so the
    plug-in instances created meanwhile read the settings file written there. */
struct ScopedSettingsHome
{
    explicit ScopedSettingsHome (const juce::String& settingsText)
    {
        if (const auto* previous = std::getenv ("HOME"))
            oldHome = previous;

        setenv ("HOME", home.folder.getFullPathName().toRawUTF8(), 1);
        const auto file = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory)
                              .getChildFile ("Audio-Kalvorin").getChildFile ("settings.txt");
        file.getParentDirectory().createDirectory();
        file.replaceWithText (settingsText);
    }

    ~ScopedSettingsHome()
    {
        if (oldHome.isNotEmpty())
            setenv ("HOME", oldHome.toRawUTF8(), 1);
        else
            unsetenv ("HOME");
    }

    TemporaryFolder home;
    juce::String oldHome;
};

/** The plug-in's component and audio-processor interfaces inside a hosted instance. */
struct AudioProcessorOf
{
    explicit AudioProcessorOf (juce::AudioPluginInstance& instance)
    {
        struct Visitor final : juce::ExtensionsVisitor
        {
            void visitVST3Client (const VST3Client& client) override { component = client.getIComponentPtr(); }
            Vst::IComponent* component = nullptr;
        };

        Visitor visitor;
        instance.getExtensions (visitor);
        component = visitor.component;

        if (component != nullptr)
            component->queryInterface (Vst::IAudioProcessor_iid, reinterpret_cast<void**> (&processor));
    }

    ~AudioProcessorOf()
    {
        if (processor != nullptr)
            processor->release();
    }

    Vst::IComponent* component = nullptr;
    Vst::IAudioProcessor* processor = nullptr;
};

/** The VST3 parameter ID of the hosted instance's "Monitor" parameter, as its host knows it. */
Vst::ParamID monitorParameterId (juce::AudioPluginInstance& instance)
{
    auto* parameter = dynamic_cast<juce::HostedAudioProcessorParameter*> (HostedPlugin::findParameter (instance, "Monitor"));
    return parameter != nullptr ? (Vst::ParamID) parameter->getParameterID().getLargeIntValue() : 0;
}

/** What the host's audio thread saw over a run. */
struct RunReport
{
    int blocks = 0;
    int firstAllocatingBlock = -1, allocations = 0, releases = 0;
    int firstFailedCall = -1, firstNonFiniteBlock = -1;
    int referenceBlocks = 0;     // blocks that played the Reference with it monitored and settled
    int referenceHeardBlocks = 0;
    int sourceBlocks = 0;        // blocks with the Source monitored and settled
    float largestSourceError = 0.0f;

    /** The monitored Reference's mean square before and after level matching took hold. */
    struct Level
    {
        double sumOfSquares = 0.0;
        int64 samples = 0;
        double meanSquare() const { return samples > 0 ? sumOfSquares / (double) samples : 0.0; }
    };

    Level unmatched, matched;
};

enum class Action
{
    play, stop, jump, monitorReference, monitorSource, monitorBothWays, dropContext, restoreContext
};

/** One thing the host does, at a time in seconds from the start of the run. */
struct Event
{
    double atSeconds;
    Action action;
    double a = 0.0;
};

// Level matching needs 3 s of uninterrupted play before it measures, so the first 3.4 s hold no
// stop, while the timeline jumps and the monitor switches. Then the transport stops (with
// blocks that carry no transport at all), the message thread switches the Reference through
// the saved state, and the transport starts again.
const Event kSchedule[] = {
    { 0.0, Action::play },
    { 0.0, Action::monitorReference },
    { 0.3, Action::jump, 10.0 },
    { 0.6, Action::monitorSource },
    { 1.0, Action::monitorReference },
    { 1.4, Action::jump, 2.0 },
    { 1.8, Action::monitorSource },
    { 2.2, Action::monitorReference },
    { 3.4, Action::stop },
    { 3.5, Action::dropContext },
    { 3.6, Action::restoreContext },
    { 3.7, Action::play },
    { 3.9, Action::monitorBothWays },
    { 4.2, Action::jump, 0.5 },
};

/** When the message thread switches the active Reference, seconds into the run. */
constexpr double kSwitchReferenceSeconds = 3.8;

/** Until then the pass-through and the audible Reference are checked; afterwards the restored
    state sets the monitor too. */
constexpr double kCheckedUntilSeconds = 3.4;

/** Level matching measures once 3 s of play fill its window; its gain ramps in over 0.1 s. The
    Reference's level is compared before and after. */
constexpr double kUnmatchedFromSeconds = 1.0, kMatchingStartsSeconds = 3.0, kMatchedFromSeconds = 3.15;

/** The Source (noise) and the Reference (a sine) differ in loudness by several LU; matching
    moves the Reference's level by at least this much. */
constexpr double kLeastMatchGainDb = 1.0;

/** The host's audio thread: runs the schedule block by block and reports what it saw. */
struct HostAudioThread
{
    /** With `inRealTime`, each block waits (outside `process`) until its audio would have been
        played, as a sound card paces a host; otherwise blocks follow each other at once. */
    HostAudioThread (Vst::IAudioProcessor& processorIn, Vst::ParamID monitorIdIn, double rateIn, int blockSizeIn, bool inRealTime)
        : processor (processorIn), monitorId (monitorIdIn), rate (rateIn), blockSize (blockSizeIn), realTime (inRealTime), block (blockSizeIn)
    {
    }

    void apply (const Event& event, int offset)
    {
        switch (event.action)
        {
            case Action::play:            block.context.state |= Vst::ProcessContext::kPlaying; break;
            case Action::stop:            block.context.state &= ~Vst::ProcessContext::kPlaying; break;
            case Action::jump:            block.context.projectTimeSamples = (int64) (event.a * rate); break;
            case Action::dropContext:     block.data.processContext = nullptr; break;
            case Action::restoreContext:  block.data.processContext = &block.context; break;
            case Action::monitorReference:
                block.changesIn.add (monitorId, offset, 0.0);
                monitoringReference = true;
                lastMonitorChange = samplesDone;
                break;
            case Action::monitorSource:
                block.changesIn.add (monitorId, offset, 1.0);
                monitoringReference = false;
                lastMonitorChange = samplesDone;
                break;
            case Action::monitorBothWays:
                // Two points in one block: the block runs with the last one.
                block.changesIn.add (monitorId, 0, 1.0);
                block.changesIn.add (monitorId, offset, 0.0);
                monitoringReference = true;
                lastMonitorChange = samplesDone;
                break;
        }
    }

    void run()
    {
        juce::Random random (7);
        size_t nextEvent = 0;
        const auto totalSamples = (int64) (kRunSeconds * rate);
        const auto start = std::chrono::steady_clock::now();

        for (int b = 0; samplesDone < totalSamples; ++b)
        {
            // Hosts shorten blocks at loop points and at the end of a range: every fifth is short.
            const auto numSamples = b % 5 == 4 ? blockSize / 2 + 1 : blockSize;
            const auto now = (double) samplesDone / rate;

            while (nextEvent < std::size (kSchedule) && kSchedule[nextEvent].atSeconds <= now)
                apply (kSchedule[nextEvent++], numSamples / 2);

            block.fillInput (random, numSamples);
            block.poisonOutput();

            int allocations = 0, releases = 0;
            const auto result = block.process (processor, numSamples, allocations, releases);

            if ((allocations > 0 || releases > 0) && report.firstAllocatingBlock < 0)
                report.firstAllocatingBlock = b;

            report.allocations += allocations;
            report.releases += releases;

            if (result != kResultTrue && report.firstFailedCall < 0)
                report.firstFailedCall = b;

            if (! block.outputIsFinite (numSamples) && report.firstNonFiniteBlock < 0)
                report.firstNonFiniteBlock = b;

            check (numSamples, now);

            block.context.projectTimeSamples += numSamples;
            block.context.continousTimeSamples += numSamples;
            samplesDone += numSamples;
            report.blocks = b + 1;
            blocksDone.store (b + 1);

            if (realTime)
                std::this_thread::sleep_until (start + std::chrono::duration<double> ((double) samplesDone / rate));
        }

        finished.store (true);
    }

    /** The Source passes untouched while it is monitored; the Reference is heard while it is. */
    void check (int numSamples, double now)
    {
        const auto settled = (double) (samplesDone - lastMonitorChange) / rate > kSettleSeconds;
        const auto playing = (block.context.state & Vst::ProcessContext::kPlaying) != 0;

        if (! settled || now >= kCheckedUntilSeconds)
            return;

        const auto difference = block.largestDifference (numSamples);

        if (! monitoringReference)
        {
            ++report.sourceBlocks;
            report.largestSourceError = juce::jmax (report.largestSourceError, difference);
        }
        else if (playing)
        {
            ++report.referenceBlocks;

            if (difference > 0.1f)
                ++report.referenceHeardBlocks;

            auto* level = now >= kMatchedFromSeconds ? &report.matched
                        : (now >= kUnmatchedFromSeconds && now < kMatchingStartsSeconds ? &report.unmatched : nullptr);

            if (level != nullptr)
            {
                for (int ch = 0; ch < HostBlock::kNegotiatedChannels; ++ch)
                    for (int i = 0; i < numSamples; ++i)
                        level->sumOfSquares += juce::square ((double) block.output.getSample (ch, i));

                level->samples += numSamples * HostBlock::kNegotiatedChannels;
            }
        }
    }

    Vst::IAudioProcessor& processor;
    const Vst::ParamID monitorId;
    const double rate;
    const int blockSize;
    const bool realTime;
    HostBlock block;

    bool monitoringReference = true;
    int64 samplesDone = 0, lastMonitorChange = 0;
    std::atomic<int> blocksDone { 0 };
    std::atomic<bool> finished { false };
    RunReport report;
};

using RateAndBlock = std::tuple<double, int>;

class HostRealtimeRun : public ::testing::Test
{
protected:
    /** Two References at rates other than most host rates, so the resampler works; the first is
        a second long, so the playhead wraps. Returns the host chunk that loads them. */
    juce::MemoryBlock stateWithReferences (int active)
    {
        const auto first = files.file ("first.wav");
        const auto second = files.file ("second.flac");

        if (! first.existsAsFile())
        {
            EXPECT_TRUE (AudioFileFixtures::writeSine (first, 44100.0, 2, 1.0, 1000.0, kReferenceLevel));
            EXPECT_TRUE (AudioFileFixtures::writeSine (second, 96000.0, 1, 0.7, 440.0, kReferenceLevel));
        }

        return HostStateChunks::hostChunkCarrying (
            SavedStateTrees::blobOf (SavedStateTrees::stateTree ({ first.getFullPathName(), second.getFullPathName() },
                                                                 active, 0.0, "{}")));
    }

    /** Loads the bundle with the first Reference active, runs the schedule on a host audio
        thread of the test's own and checks what that thread saw. With `withEditor`, the editor
        is open in a window for the whole run, the audio keeps real time and the message loop
        turns meanwhile, so that the editor's timer reads the engine and repaints while blocks
        are processed and the monitor is automated. */
    void runAndCheck (double rate, int blockSize, bool withEditor)
    {
        juce::String error;
        auto instance = HostedPlugin::create (KALVORIN_BUNDLE_PATH, rate, blockSize, error);
        ASSERT_NE (instance, nullptr) << error;

        HostStateChunks::restore (*instance, stateWithReferences (0));
        instance->prepareToPlay (rate, blockSize);

        std::unique_ptr<HostEditorWindow> window;

        if (withEditor)
        {
            window = std::make_unique<HostEditorWindow> (*instance, blockSize);
            ASSERT_NE (window->editor, nullptr);
        }

        const AudioProcessorOf audio (*instance);
        ASSERT_NE (audio.processor, nullptr);
        const auto monitorId = monitorParameterId (*instance);
        ASSERT_NE (monitorId, 0u);

        auto host = std::make_unique<HostAudioThread> (*audio.processor, monitorId, rate, blockSize, withEditor);
        std::thread thread ([&] { host->run(); });

        // Meanwhile the message thread switches the Reference through the saved state, as a
        // host does when the user recalls a snapshot during playback.
        const auto switchBlock = (int) (kSwitchReferenceSeconds * rate / blockSize);
        const auto waitABit = [withEditor]
        {
            if (withEditor)
                MessagePump::runFor (5);
            else
                std::this_thread::sleep_for (std::chrono::milliseconds (1));
        };

        while (host->blocksDone.load() < switchBlock)
            waitABit();

        HostStateChunks::restore (*instance, stateWithReferences (1));

        while (! host->finished.load())
            waitABit();

        thread.join();

        if (window != nullptr)
            window->close();

        instance->releaseResources();

        const auto& report = host->report;
        EXPECT_EQ (report.allocations, 0) << "first at block " << report.firstAllocatingBlock << " of " << report.blocks;
        EXPECT_EQ (report.releases, 0) << "first at block " << report.firstAllocatingBlock << " of " << report.blocks;
        EXPECT_EQ (report.firstFailedCall, -1);
        EXPECT_EQ (report.firstNonFiniteBlock, -1);

        // Proof that the run really went through the plug-in's pipeline: the monitored Reference
        // was heard, and the monitored Source came out as it went in.
        EXPECT_GT (report.referenceBlocks, 0);
        EXPECT_EQ (report.referenceHeardBlocks, report.referenceBlocks);
        EXPECT_GT (report.sourceBlocks, 0);
        EXPECT_LT (report.largestSourceError, kPassTolerance);

        // And level matching, switched on in the settings, ran: it moved the Reference's level.
        ASSERT_GT (report.unmatched.meanSquare(), 0.0);
        ASSERT_GT (report.matched.meanSquare(), 0.0);
        const auto matchGainDb = 10.0 * std::log10 (report.matched.meanSquare() / report.unmatched.meanSquare());
        EXPECT_GT (std::abs (matchGainDb), kLeastMatchGainDb);
    }

    // Level matching (the Reference brought to the Source's loudness) on from the settings.
    ScopedSettingsHome home { "[General]\nLevelMatchMode=1\n" };
    TemporaryFolder files;
};

class HostRealtime : public HostRealtimeRun, public ::testing::WithParamInterface<RateAndBlock>
{
};

std::string nameOf (const ::testing::TestParamInfo<RateAndBlock>& info)
{
    return std::to_string ((int) std::get<0> (info.param)) + "Hz_" + std::to_string (std::get<1> (info.param));
}
} // namespace

TEST_P (HostRealtime, processAllocatesAndFreesNothingWhileTheHostPlaysSeeksAndAutomates)
{
    const auto [rate, blockSize] = GetParam();
    runAndCheck (rate, blockSize, false);
}

TEST_F (HostRealtimeRun, processStaysRealTimeSafeWithTheEditorOpenWhileTheHostAutomatesTheMonitor)
{
    runAndCheck (48000.0, 256, true);
}

INSTANTIATE_TEST_SUITE_P (RatesAndBlockSizes, HostRealtime,
                          ::testing::Combine (::testing::Values (44100.0, 48000.0, 96000.0),
                                              ::testing::Values (32, 64, 128, 256, 512, 1024, 2048)),
                          nameOf);

//==============================================================================
namespace
{
constexpr double kBadInputRate = 48000.0;
constexpr int kBadInputBlock = 256;

enum class Heard { nothing, silence, source };

/** One way a host can get `process` wrong (applied to a well-formed block), and what must come
    out of the negotiated output channels. */
struct BadInput
{
    const char* what;
    void (*damage) (HostBlock&);
    int numSamples;
    Heard heard;
};

const BadInput kBadInputs[] = {
    { "zero samples", [] (HostBlock&) {}, 0, Heard::nothing },
    { "a parameter flush without audio",
      [] (HostBlock& b) { b.data.numInputs = b.data.numOutputs = 0; b.data.inputs = b.data.outputs = nullptr; },
      0, Heard::nothing },
    { "a bus count without buses", [] (HostBlock& b) { b.data.inputs = nullptr; }, kBadInputBlock, Heard::silence },
    { "a negative bus count", [] (HostBlock& b) { b.data.numInputs = -1; }, kBadInputBlock, Heard::silence },
    { "no channel array on an active bus", [] (HostBlock& b) { b.inputBus.channelBuffers32 = nullptr; }, kBadInputBlock, Heard::silence },
    { "a null channel on an active bus", [] (HostBlock& b) { b.inputChannels[1] = nullptr; }, kBadInputBlock, Heard::silence },
    { "more input channels than negotiated", [] (HostBlock& b) { b.inputBus.numChannels = HostBlock::kMaxChannels; }, kBadInputBlock, Heard::silence },
    { "more output channels than negotiated", [] (HostBlock& b) { b.outputBus.numChannels = HostBlock::kMaxChannels; }, kBadInputBlock, Heard::silence },
    { "a block one sample longer than prepared", [] (HostBlock&) {}, kBadInputBlock + 1, Heard::source },
    { "a block four times as long as prepared", [] (HostBlock&) {}, 4 * kBadInputBlock + 3, Heard::source },
    { "a negative sample count", [] (HostBlock&) {}, -kBadInputBlock, Heard::nothing },
};

/** Runs one bad block through `process` and checks what came out. */
void expectHarmless (Vst::IAudioProcessor& processor, HostBlock& block, int numSamples, Heard heard, const std::string& what)
{
    juce::Random random (3);
    block.fillInput (random, juce::jmax (0, numSamples));
    block.poisonOutput();
    block.changesIn.add (1, 0, 0.5);    // a parameter the plug-in does not have

    int allocations = 0, releases = 0;
    block.process (processor, numSamples, allocations, releases);

    EXPECT_EQ (allocations, 0) << what;
    EXPECT_EQ (releases, 0) << what;

    if (heard == Heard::silence)
        EXPECT_EQ (block.largestOutput (block.outputBus.numChannels, numSamples), 0.0f) << what;
    else if (heard == Heard::source)
        EXPECT_LT (block.largestDifference (numSamples), kPassTolerance) << what;
}

struct HostBadInput : ::testing::Test
{
    void SetUp() override
    {
        juce::String error;
        instance = HostedPlugin::create (KALVORIN_BUNDLE_PATH, kBadInputRate, kBadInputBlock, error);
        ASSERT_NE (instance, nullptr) << error;
        instance->prepareToPlay (kBadInputRate, kBadInputBlock);
        audio = std::make_unique<AudioProcessorOf> (*instance);
        ASSERT_NE (audio->processor, nullptr);
    }

    void TearDown() override
    {
        audio.reset();

        if (instance != nullptr)
            instance->releaseResources();
    }

    std::unique_ptr<juce::AudioPluginInstance> instance;
    std::unique_ptr<AudioProcessorOf> audio;
};
} // namespace

// Whatever a host gets wrong in one block, the block allocates nothing and gives either
// silence or the Source (with no Reference loaded, the Source is what the plug-in plays).
TEST_F (HostBadInput, malformedBlocksAllocateNothingAndGiveSilenceOrTheSource)
{
    for (const auto& bad : kBadInputs)
    {
        HostBlock block (4 * kBadInputBlock + 3);
        bad.damage (block);
        expectHarmless (*audio->processor, block, bad.numSamples, bad.heard, bad.what);

        // The next well-formed block plays again.
        HostBlock good (kBadInputBlock);
        expectHarmless (*audio->processor, good, kBadInputBlock, Heard::source, std::string ("after ") + bad.what);
    }
}

TEST_F (HostBadInput, anInactiveInputBusWithNullChannelsGivesSilence)
{
    auto& component = *audio->component;
    auto& processor = *audio->processor;
    processor.setProcessing (false);
    component.setActive (false);
    ASSERT_EQ (component.activateBus (Vst::kAudio, Vst::kInput, 0, false), kResultTrue);
    component.setActive (true);
    processor.setProcessing (true);

    HostBlock block (kBadInputBlock);
    float* nullChannels[HostBlock::kNegotiatedChannels] {};
    block.inputBus.channelBuffers32 = nullChannels;
    expectHarmless (processor, block, kBadInputBlock, Heard::silence, "inactive input bus");
}

// A host that processes before setupProcessing (and before activating the component) meets a
// processor that is not prepared. Before it activates the buses, nothing it passed can carry
// audio: the output is silent. Once the buses are active, the unprepared processor passes the
// Source, even for a block longer than the VST3 layer's default size.
TEST (HostBadInputBeforeSetup, processBeforeSetupGivesSilenceThenTheSourceWithoutAllocating)
{
    LoadedModule module;
    ASSERT_NE (module.factory, nullptr);
    TUID cid {};
    ASSERT_TRUE (module.findClass ("Audio Module Class", cid));

    Vst::IComponent* component = nullptr;
    ASSERT_EQ (module.factory->createInstance (cid, Vst::IComponent_iid, reinterpret_cast<void**> (&component)), kResultOk);
    ASSERT_EQ (component->initialize (nullptr), kResultOk);

    Vst::IAudioProcessor* processor = nullptr;
    ASSERT_EQ (component->queryInterface (Vst::IAudioProcessor_iid, reinterpret_cast<void**> (&processor)), kResultOk);

    for (const auto busesActive : { false, true })
    {
        if (busesActive)
        {
            ASSERT_EQ (component->activateBus (Vst::kAudio, Vst::kInput, 0, true), kResultTrue);
            ASSERT_EQ (component->activateBus (Vst::kAudio, Vst::kOutput, 0, true), kResultTrue);
        }

        for (const auto numSamples : { 64, 4096 + 7 })
        {
            HostBlock block (numSamples);
            expectHarmless (*processor, block, numSamples, busesActive ? Heard::source : Heard::silence,
                            std::to_string (numSamples) + (busesActive ? " samples, buses active" : " samples"));
        }
    }

    processor->release();
    component->terminate();
    component->release();
}
