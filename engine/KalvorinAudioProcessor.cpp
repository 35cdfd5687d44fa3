#include "engine/KalvorinAudioProcessor.h"

#include "editor/KalvorinAudioProcessorEditor.h"
#include "engine/StateBlobReader.h"

namespace
{
constexpr auto kMonitorRefId = "monitorRef";
constexpr int kMaxOutputChannels = 2;
constexpr double kLevelMatchRampSeconds = 0.1;
constexpr double kMonitorRampSeconds = 0.01;
constexpr double kReferenceFadeSeconds = 0.005;
constexpr float kMaxMatchGainDb = 24.0f;
constexpr float kLevelMatchFloorLufs = -70.0f;
constexpr float kGainFloorDb = -100.0f;
constexpr int kMaxLevelMatchMode = 2;

// The Source's spectrum frames complete this many samples before the Reference's, so that with
// small host blocks, whose period is short, the two analysers' frames fall into different
// blocks. Blocks of 512 samples or more may still hold both, at a small share of their period.
constexpr int kSourceSpectrumFrameLead = SpectrumAnalyser::kHopSize / 8;

/** Largest absolute sample over every channel of the buffer's first `numSamples`, at most 1. */
float peakOf (const juce::AudioBuffer<float>& buffer, int numSamples)
{
    float peak = 0.0f;

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        const auto* data = buffer.getReadPointer (ch);

        for (int i = 0; i < numSamples; ++i)
        {
            const auto magnitude = std::abs (data[i]);

            if (magnitude > peak)
                peak = magnitude;
        }
    }

    return juce::jmin (peak, 1.0f);
}

/** Gives a work buffer the asked shape, keeping its storage when it is large enough. */
void sizeWorkBuffer (juce::AudioBuffer<float>& buffer, int channels, int samples)
{
    buffer.setSize (channels, samples, false, false, true);
    buffer.clear();
}
} // namespace

namespace StateKeys
{
static const juce::Identifier monitorRef { "monitorRef" };
static const juce::Identifier activeRefIndex { "activeRefIndex" };
static const juce::Identifier editorStateJson { "editorStateJson" };
static const juce::Identifier refs { "refs" };
static const juce::Identifier ref { "ref" };
static const juce::Identifier path { "path" };
}

//==============================================================================
KalvorinAudioProcessor::KalvorinAudioProcessor (SettingsStore store)
    : juce::AudioProcessor (BusesProperties()
                                .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                                .withOutput ("Output", juce::AudioChannelSet::stereo(), true)),
      parameters (*this, nullptr, "PARAMS", createParameterLayout()),
      settingsStore (std::move (store)),
      editorState (parameters.state, StateKeys::editorStateJson)
{
    monitorRefValue = parameters.getRawParameterValue (kMonitorRefId);
    formatManager.registerBasicFormats();
    settingsStore.load();

    levelMatchMode = juce::jlimit (0, kMaxLevelMatchMode, settingsStore.getInt (SettingsStore::kGeneralSection, "LevelMatchMode", 0));
    requestedLevelMatchMode.exchange (levelMatchMode);
}

KalvorinAudioProcessor::~KalvorinAudioProcessor()
{
    for (auto& entry : references)
        entry.release();
}

juce::AudioProcessorValueTreeState::ParameterLayout KalvorinAudioProcessor::createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    layout.add (std::make_unique<juce::AudioParameterChoice> (juce::ParameterID { kMonitorRefId, 1 },
                                                              "Monitor",
                                                              juce::StringArray { "Reference", "Source" },
                                                              0));
    return layout;
}

//==============================================================================
const juce::String KalvorinAudioProcessor::getName() const { return "Audio-Kalvorin"; }
double KalvorinAudioProcessor::getTailLengthSeconds() const { return 0.0; }
bool KalvorinAudioProcessor::acceptsMidi() const { return false; }
bool KalvorinAudioProcessor::producesMidi() const { return false; }
bool KalvorinAudioProcessor::hasEditor() const { return true; }
int KalvorinAudioProcessor::getNumPrograms() { return 1; }
int KalvorinAudioProcessor::getCurrentProgram() { return 0; }
void KalvorinAudioProcessor::setCurrentProgram (int) {}
void KalvorinAudioProcessor::changeProgramName (int, const juce::String&) {}

// Hosts and validators expect the one program the VST3 layer exposes to carry a name.
const juce::String KalvorinAudioProcessor::getProgramName (int) { return "Default"; }

juce::AudioProcessorEditor* KalvorinAudioProcessor::createEditor()
{
    return new KalvorinAudioProcessorEditor (*this);
}

bool KalvorinAudioProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto monoOrStereo = [] (const juce::AudioChannelSet& set)
    {
        return set == juce::AudioChannelSet::mono() || set == juce::AudioChannelSet::stereo();
    };

    return monoOrStereo (layouts.getMainInputChannelSet())
        && monoOrStereo (layouts.getMainOutputChannelSet());
}

//==============================================================================
void KalvorinAudioProcessor::prepareToPlay (double sampleRate, int samplesPerBlock)
{
    prepared.store (false);
    blockSize = samplesPerBlock;

    for (auto& entry : references)
        entry.prepare (samplesPerBlock, sampleRate);

    const auto channels = juce::jmax (1, getTotalNumOutputChannels());

    if (sampleRate > 0.0)
    {
        referenceLoudness.prepare (channels, sampleRate);
        sourceLoudness.prepare (channels, sampleRate);
        referenceRms.prepare (channels, sampleRate);
        sourceRms.prepare (channels, sampleRate);
        referenceTruePeak.prepare (channels, samplesPerBlock, sampleRate);
        sourceTruePeak.prepare (channels, samplesPerBlock, sampleRate);
    }

    meterReadings.clear();

    referenceSpectrum.onSpectrum = [this] (const std::vector<float>& magnitudes, double rate)
    {
        referenceSpectrumSnapshot.tryPublish (magnitudes, rate);
    };
    sourceSpectrum.onSpectrum = [this] (const std::vector<float>& magnitudes, double rate)
    {
        sourceSpectrumSnapshot.tryPublish (magnitudes, rate);
    };

    referenceGoniometer.prepare();
    sourceGoniometer.prepare();
    referenceSpectrumSnapshot.prepare (SpectrumAnalyser::kNumBins);
    sourceSpectrumSnapshot.prepare (SpectrumAnalyser::kNumBins);

    referenceBands.prepare (sampleRate);
    sourceBands.prepare (sampleRate);

    prepareSmoothersAndFades (sampleRate);

    gainsHeld = false;
    referenceTargetGainDb = 0.0f;
    sourceTargetGainDb = 0.0f;
    referenceGainDb.exchange (0.0f);
    sourceGainDb.exchange (0.0f);
    levelMatchReady.exchange (false);
    resetReferenceRequested.exchange (false);

    if (sampleRate > 0.0)
    {
        referenceSpectrum.prepare (sampleRate);
        sourceSpectrum.prepare (sampleRate, kSourceSpectrumFrameLead);
    }

    sizeWorkBuffer (sourceBuffer, channels, juce::jmax (1, samplesPerBlock));
    sizeWorkBuffer (referenceBuffer, channels, juce::jmax (1, samplesPerBlock));

    bandListen.prepare (sampleRate, juce::jmax (1, samplesPerBlock), channels);
    prepared.store (true);
}

void KalvorinAudioProcessor::prepareSmoothersAndFades (double sampleRate)
{
    // A rate that is not positive would give meaningless ramp lengths; keep the smoothers' old
    // lengths but still put every value at its starting point.
    if (sampleRate > 0.0)
    {
        referenceGain.reset ((int) std::floor (kLevelMatchRampSeconds * sampleRate));
        sourceGain.reset ((int) std::floor (kLevelMatchRampSeconds * sampleRate));
        monitorMix.reset ((int) std::floor (kMonitorRampSeconds * sampleRate));
        fadeLength = juce::jmax (1, juce::roundToInt (kReferenceFadeSeconds * sampleRate));
    }

    referenceGain.setCurrentAndTargetValue (1.0f);
    sourceGain.setCurrentAndTargetValue (1.0f);

    const auto monitorReference = monitorRefValue != nullptr && monitorRefValue->load() < 0.5f;
    monitorMix.setCurrentAndTargetValue (monitorReference && getActiveEntry() != nullptr ? 1.0f : 0.0f);

    for (int c = 0; c < kMaxOutputChannels; ++c)
    {
        lastReferenceOutput[c] = 0.0f;
        fadeFrom[c] = 0.0f;
    }

    fadeRemaining = 0;
}

void KalvorinAudioProcessor::releaseResources()
{
    prepared.store (false);

    for (auto& entry : references)
        entry.release();

    referenceLoudness.reset();
    sourceLoudness.reset();
    referenceRms.reset();
    sourceRms.reset();
    referenceTruePeak.reset();
    sourceTruePeak.reset();
    bandListen.release();
}

//==============================================================================
void KalvorinAudioProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    juce::ScopedNoDenormals noDenormals;

    const auto total = buffer.getNumSamples();

    // Before prepareToPlay (or after releaseResources) nothing is sized for a block: the Source
    // passes as it came, and an output channel without an input is silent.
    if (! prepared.load())
    {
        for (int ch = getTotalNumInputChannels(); ch < buffer.getNumChannels(); ++ch)
            buffer.clear (ch, 0, total);

        return;
    }

    // The work buffers and engines hold one prepared block. A host that sends a longer one
    // (which it should not) has it processed in place, in pieces of the prepared size; views
    // of up to two channels point into the host's buffer without allocating.
    const auto channels = juce::jmin (buffer.getNumChannels(), kMaxOutputChannels);
    float* noChannels[1] = { nullptr };
    auto* const* channelData = channels > 0 ? buffer.getArrayOfWritePointers() : noChannels;
    const auto pieceSize = juce::jmax (1, blockSize);
    int start = 0;

    do
    {
        const auto length = juce::jmin (pieceSize, total - start);
        juce::AudioBuffer<float> piece (channelData, channels, start, length);
        processPiece (piece);
        start += length;
    }
    while (start < total);

    for (int ch = juce::jmax (1, getTotalNumOutputChannels()); ch < buffer.getNumChannels(); ++ch)
        buffer.clear (ch, 0, total);
}

void KalvorinAudioProcessor::processPiece (juce::AudioBuffer<float>& buffer)
{
    BlockContext block;
    block.monitorReference = monitorRefValue != nullptr && monitorRefValue->load() < 0.5f;
    block.numSamples = buffer.getNumSamples();
    block.workChannels = juce::jmax (1, getTotalNumOutputChannels());
    block.activeEntry = getActiveEntry();

    readTransport (block);

    if (block.startTransition || block.reset)
        clearMeasurementsForNewSegment (block);

    copySource (buffer, block);
    renderReference (block);
    measureSignals (block);
    analyseBands();
    captureGoniometers();
    publishMeterReadings();
    publishPeaks();
    matchLevels (block);

    monitorMix.setTargetValue (block.activeEntry != nullptr && block.monitorReference ? 1.0f : 0.0f);
    writeOutput (buffer, block);
    publishGains();
    bandListen.process (buffer);
}

ReferenceEntry* KalvorinAudioProcessor::getActiveEntry() noexcept
{
    const auto index = activeReferenceIndex.load();

    if (index < 0 || index >= (int) references.size())
        return nullptr;

    return &references[(size_t) index];
}

void KalvorinAudioProcessor::readTransport (BlockContext& block)
{
    bool playing = false;

    if (auto* head = getPlayHead())
        if (const auto position = head->getPosition())
            playing = position->getIsPlaying();

    block.playing = playing;
    block.startTransition = playing && ! isPlaying.load();
    isPlaying.exchange (playing);
    block.reset = resetReferenceRequested.exchange (false);
}

void KalvorinAudioProcessor::clearMeasurementsForNewSegment (const BlockContext& block)
{
    referenceLoudness.resetWindows();
    referenceSpectrum.reset();
    referenceBands.reset();
    referenceTruePeak.reset();
    referenceRms.reset();
    levelMatchReady.exchange (false);

    if (block.reset)
    {
        gainsHeld = false;
        referenceTargetGainDb = 0.0f;
        sourceTargetGainDb = 0.0f;
    }

    // A new stretch of playback starts the Source's windows afresh; its RMS and the integrated
    // loudness of the session run on.
    if (block.startTransition)
    {
        sourceLoudness.resetWindows();
        sourceSpectrum.reset();
        sourceBands.reset();
        sourceTruePeak.reset();
    }

    if (block.reset)
    {
        referenceLoudness.resetIntegrated();
        sourceLoudness.resetIntegrated();
    }
}

void KalvorinAudioProcessor::copySource (const juce::AudioBuffer<float>& buffer, const BlockContext& block)
{
    sizeWorkBuffer (sourceBuffer, block.workChannels, block.numSamples);

    const auto channels = juce::jmin (getTotalNumInputChannels(), block.workChannels, buffer.getNumChannels());

    for (int ch = 0; ch < channels; ++ch)
        sourceBuffer.copyFrom (ch, 0, buffer, ch, 0, block.numSamples);

    // A mono Source on a stereo output is heard and measured on both sides, like a mono
    // Reference; left on one channel it would sound off-centre and read 3 LU low.
    if (channels == 1 && block.workChannels > 1)
        for (int ch = 1; ch < block.workChannels; ++ch)
            sourceBuffer.copyFrom (ch, 0, sourceBuffer, 0, 0, block.numSamples);
}

void KalvorinAudioProcessor::renderReference (const BlockContext& block)
{
    sizeWorkBuffer (referenceBuffer, block.workChannels, block.numSamples);

    auto* entry = block.activeEntry;

    if (entry == nullptr || entry->memorySource == nullptr)
        return;

    takePendingSeek (*entry, block);

    if (block.startTransition)
    {
        for (auto& from : fadeFrom)
            from = 0.0f;

        fadeRemaining = fadeLength;
    }

    if (! block.playing || block.numSamples == 0)
        return;

    const juce::AudioSourceChannelInfo info (&referenceBuffer, 0, block.numSamples);

    if (entry->resampler != nullptr)
        entry->resampler->getNextAudioBlock (info);
    else
        entry->memorySource->getNextAudioBlock (info);

    auto& source = *entry->memorySource;
    const auto length = source.getTotalLength();

    if (length > 0)
        source.setNextReadPosition (source.getNextReadPosition() % length);

    const auto hostRate = getSampleRate();

    if (hostRate > 0.0 && length > 0)
    {
        auto& transport = *entry->transport;
        transport.positionSamples = std::fmod (transport.positionSamples
                                                   + block.numSamples * entry->fileSampleRate / hostRate,
                                               (double) length);
        transport.positionSeconds.store (transport.positionSamples / entry->fileSampleRate);
    }

    if (entry->numChannels == 1)
        for (int ch = 1; ch < block.workChannels; ++ch)
            referenceBuffer.copyFrom (ch, 0, referenceBuffer, 0, 0, block.numSamples);
    else
        for (int ch = entry->numChannels; ch < block.workChannels; ++ch)
            referenceBuffer.clear (ch, 0, block.numSamples);
}

void KalvorinAudioProcessor::takePendingSeek (ReferenceEntry& entry, const BlockContext& block)
{
    auto& transport = *entry.transport;
    auto seek = transport.pendingSeekSample.load();

    if (seek < 0)
        return;

    entry.memorySource->setNextReadPosition (seek);

    if (entry.resampler != nullptr)
        entry.resampler->flushBuffers();

    transport.positionSamples = (double) seek;
    transport.positionSeconds.store ((double) seek / entry.fileSampleRate);
    transport.pendingSeekSample.compare_exchange_strong (seek, -1);

    for (int c = 0; c < kMaxOutputChannels; ++c)
        fadeFrom[c] = lastReferenceOutput[c];

    fadeRemaining = block.playing ? fadeLength : 0;
}

void KalvorinAudioProcessor::measureSignals (const BlockContext& block)
{
    sourceLoudness.process (sourceBuffer, block.playing);
    sourceRms.process (sourceBuffer);
    sourceTruePeak.process (sourceBuffer, block.playing);
    sourceSpectrum.process (sourceBuffer);

    referenceLoudness.process (referenceBuffer, block.activeEntry != nullptr && block.playing);
    referenceRms.process (referenceBuffer);
    referenceTruePeak.process (referenceBuffer, block.playing);
    referenceSpectrum.process (referenceBuffer);
}

void KalvorinAudioProcessor::analyseBands()
{
    referenceBands.process (referenceBuffer);
    sourceBands.process (sourceBuffer);

    // The editor may be copying; then this block's results are simply not published.
    const juce::SpinLock::ScopedTryLockType lock (bandSnapshotLock);

    if (lock.isLocked())
    {
        bandSnapshot.reference = referenceBands.getResults();
        bandSnapshot.source = sourceBands.getResults();
    }
}

void KalvorinAudioProcessor::captureGoniometers()
{
    sourceGoniometer.process (sourceBuffer);
    referenceGoniometer.process (referenceBuffer);
}

void KalvorinAudioProcessor::publishMeterReadings()
{
    meterReadings.referenceShortTermLufs.store (referenceLoudness.shortTermLufs.load());
    meterReadings.sourceShortTermLufs.store (sourceLoudness.shortTermLufs.load());
    meterReadings.referenceRmsDb.store (referenceRms.longRmsDb.load());
    meterReadings.sourceRmsDb.store (sourceRms.longRmsDb.load());
}

void KalvorinAudioProcessor::matchLevels (const BlockContext& block)
{
    const auto requested = requestedLevelMatchMode.load();

    if (requested != levelMatchMode)
    {
        levelMatchMode = requested;
        gainsHeld = false;
    }

    if (levelMatchMode == (int) LevelMatchMode::Off)
    {
        referenceTargetGainDb = 0.0f;
        sourceTargetGainDb = 0.0f;
        gainsHeld = false;
    }
    else
    {
        louderToQuieter = levelMatchMode == (int) LevelMatchMode::LouderToQuieter;
    }

    const auto windowFull = [] (const LoudnessMeter& meter)
    {
        return meter.shortTermLength > 0 && meter.filled >= meter.shortTermLength;
    };
    const auto measurable = [] (float lufs) { return std::isfinite (lufs) && lufs > kLevelMatchFloorLufs; };

    const auto source = sourceLoudness.shortTermLufs.load();
    const auto reference = referenceLoudness.shortTermLufs.load();

    const auto ready = block.activeEntry != nullptr && block.playing
                    && windowFull (sourceLoudness) && windowFull (referenceLoudness)
                    && measurable (source) && measurable (reference)
                    && sourceLoudness.momentaryLufs.load() > kLevelMatchFloorLufs
                    && referenceLoudness.momentaryLufs.load() > kLevelMatchFloorLufs;

    levelMatchReady.exchange (ready);

    if (ready)
    {
        if (levelMatchMode == (int) LevelMatchMode::Off)
        {
            referenceGain.setTargetValue (1.0f);
            sourceGain.setTargetValue (1.0f);
            return;
        }

        if (! louderToQuieter || source < reference)
        {
            referenceTargetGainDb = juce::jlimit (-kMaxMatchGainDb, kMaxMatchGainDb, source - reference);
            sourceTargetGainDb = 0.0f;
        }
        else
        {
            referenceTargetGainDb = 0.0f;
            sourceTargetGainDb = juce::jlimit (-kMaxMatchGainDb, kMaxMatchGainDb, reference - source);
        }

        gainsHeld = true;
        setGainTargetsFromDb();
        return;
    }

    if (levelMatchMode != (int) LevelMatchMode::Off && block.activeEntry != nullptr && gainsHeld)
    {
        setGainTargetsFromDb();
        return;
    }

    referenceGain.setTargetValue (1.0f);
    sourceGain.setTargetValue (1.0f);
}

void KalvorinAudioProcessor::setGainTargetsFromDb()
{
    referenceGain.setTargetValue (juce::Decibels::decibelsToGain (referenceTargetGainDb, -1000.0f));
    sourceGain.setTargetValue (juce::Decibels::decibelsToGain (sourceTargetGainDb, -1000.0f));
}

void KalvorinAudioProcessor::publishGains()
{
    const auto toDb = [] (float gain)
    {
        if (! (gain > 0.0f))
            return kGainFloorDb;

        const auto db = 20.0f * std::log10 (gain);
        return db > kGainFloorDb ? db : kGainFloorDb;
    };

    referenceGainDb.exchange (toDb (referenceGain.getCurrentValue()));
    sourceGainDb.exchange (toDb (sourceGain.getCurrentValue()));
}

void KalvorinAudioProcessor::setLevelMatchMode (int mode)
{
    requestedLevelMatchMode.exchange (juce::jlimit (0, kMaxLevelMatchMode, mode));
}

void KalvorinAudioProcessor::setFocusBand (FocusBand band)
{
    bandListen.setFocusBand (band);
}

KalvorinAudioProcessor::PeakHolds KalvorinAudioProcessor::readPeakHolds()
{
    PeakHolds holds;
    holds.referenceTruePeak = referenceTruePeak.takeTruePeakHold();
    holds.sourceTruePeak = sourceTruePeak.takeTruePeakHold();
    holds.referenceSamplePeak = referenceTruePeak.takeSamplePeakHold();
    holds.sourceSamplePeak = sourceTruePeak.takeSamplePeakHold();
    return holds;
}

void KalvorinAudioProcessor::publishPeaks()
{
    referencePeak.store (peakOf (referenceBuffer, referenceBuffer.getNumSamples()));
    sourcePeak.store (peakOf (sourceBuffer, sourceBuffer.getNumSamples()));
}

void KalvorinAudioProcessor::writeOutput (juce::AudioBuffer<float>& buffer, const BlockContext& block)
{
    const auto channels = juce::jmin (block.workChannels, buffer.getNumChannels(), kMaxOutputChannels);

    for (int i = 0; i < block.numSamples; ++i)
    {
        const auto gR = referenceGain.getNextValue();
        const auto gS = sourceGain.getNextValue();
        const auto m = monitorMix.getNextValue();
        const auto h = fadeRemaining > 0 ? 1.0f - (float) fadeRemaining / (float) fadeLength : 1.0f;

        for (int c = 0; c < channels; ++c)
        {
            const auto source = sourceBuffer.getSample (c, i) * gS * (1.0f - m);

            if (block.playing)
            {
                const auto r = fadeFrom[c] + (referenceBuffer.getSample (c, i) - fadeFrom[c]) * h;
                lastReferenceOutput[c] = r;
                buffer.setSample (c, i, r * gR * m + source);
            }
            else
            {
                lastReferenceOutput[c] = 0.0f;
                buffer.setSample (c, i, source);
            }
        }

        if (fadeRemaining > 0)
            --fadeRemaining;
    }
}

//==============================================================================
int KalvorinAudioProcessor::addReference (const juce::String& fullPath)
{
    const auto indexOf = [this] (const juce::String& path)
    {
        for (size_t i = 0; i < references.size(); ++i)
            if (references[i].fullPath == path)
                return (int) i;

        return -1;
    };

    {
        const juce::ScopedLock listLock (referenceListLock);

        if (const auto existing = indexOf (fullPath); existing >= 0)
            return existing;
    }

    auto entry = ReferenceEntry::decode (fullPath, formatManager);

    if (! entry.isValid())
        return -1;

    entry.prepare (blockSize, getSampleRate());
    entry.memorySource->setNextReadPosition (0);

    const juce::ScopedLock listLock (referenceListLock);

    // Another thread may have added the same file while this one decoded it.
    if (const auto existing = indexOf (fullPath); existing >= 0)
    {
        entry.release();
        return existing;
    }

    // Growing the list moves every entry to new storage, so it happens only while no block
    // runs: the audio thread may be reading the active entry right now.
    suspendProcessing (true);

    try
    {
        references.reserve (references.size() + 1);
    }
    catch (const std::bad_alloc&)
    {
        suspendProcessing (false);
        return -1;
    }

    references.push_back (std::move (entry));
    const auto index = (int) references.size() - 1;

    if (activeReferenceIndex.load() < 0)
    {
        resetReferenceRequested.exchange (true);
        activeReferenceIndex.store (index);
    }

    suspendProcessing (false);
    return index;
}

void KalvorinAudioProcessor::removeReference (int index)
{
    const juce::ScopedLock listLock (referenceListLock);

    if (index < 0 || index >= (int) references.size())
        return;

    suspendProcessing (true);

    references[(size_t) index].release();
    references.erase (references.begin() + index);
    resetReferenceRequested.exchange (true);

    const auto count = (int) references.size();

    if (count == 0)
    {
        activeReferenceIndex.store (-1);
        clearReferenceReadings();
    }
    else if (activeReferenceIndex.load() >= count)
    {
        activeReferenceIndex.store (count - 1);
    }

    suspendProcessing (false);
}

void KalvorinAudioProcessor::removeReferenceByPath (const juce::String& fullPath)
{
    const juce::ScopedLock listLock (referenceListLock);

    for (size_t i = 0; i < references.size(); ++i)
    {
        if (references[i].fullPath == fullPath)
        {
            removeReference ((int) i);
            return;
        }
    }
}

void KalvorinAudioProcessor::setActiveReference (int index)
{
    const juce::ScopedLock listLock (referenceListLock);

    if (index == activeReferenceIndex.load())
        return;

    if (index >= 0 && index < (int) references.size())
    {
        suspendProcessing (true);
        resetReferenceRequested.exchange (true);
        activeReferenceIndex.store (index);
        suspendProcessing (false);
        return;
    }

    activeReferenceIndex.store (-1);
}

double KalvorinAudioProcessor::getActiveReferencePositionSeconds() const
{
    const auto index = activeReferenceIndex.load();

    if (index < 0 || index >= (int) references.size())
        return 0.0;

    const auto& entry = references[(size_t) index];

    if (entry.memorySource == nullptr || ! (entry.fileSampleRate > 0.0))
        return 0.0;

    const auto pending = entry.transport->pendingSeekSample.load();

    if (pending >= 0)
        return (double) pending / entry.fileSampleRate;

    return entry.transport->positionSeconds.load();
}

void KalvorinAudioProcessor::requestSeek (double seconds)
{
    const auto index = activeReferenceIndex.load();

    if (index < 0 || index >= (int) references.size() || ! std::isfinite (seconds))
        return;

    auto& entry = references[(size_t) index];

    if (entry.memorySource == nullptr || ! (entry.fileSampleRate > 0.0))
        return;

    const auto length = entry.memorySource->getTotalLength();
    std::int64_t sample = 0;

    if (length > 0)
    {
        const auto duration = (double) length / juce::jmax (entry.fileSampleRate, 1.0);
        const auto clamped = juce::jlimit (0.0, duration, seconds);
        sample = juce::jmax ((std::int64_t) 0, (std::int64_t) std::llround (clamped * entry.fileSampleRate));
        sample = juce::jmin (sample, (std::int64_t) length - 1);
    }

    entry.transport->pendingSeekSample.exchange (sample);

    if (! isPlaying.load())
        resetReferenceRequested.exchange (true);
}

//==============================================================================
juce::String KalvorinAudioProcessor::getEditorStateJson() const
{
    return editorState.get();
}

void KalvorinAudioProcessor::setEditorStateJson (const juce::String& json)
{
    editorState.set (json);
}

// The host may call both state operations on any thread, also while the message thread runs:
// they never touch `parameters.state` (see its declaration) and never wait for the message
// thread. The blob is a tree of the call's own.
void KalvorinAudioProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    juce::ValueTree state (StateBlobReader::kStateType);

    // The parameter object holds the current choice; the tree copy is refreshed later by a timer.
    state.setProperty (StateKeys::monitorRef, (double) (monitorRefValue != nullptr ? monitorRefValue->load() : 0.0f), nullptr);

    juce::ValueTree refs (StateKeys::refs);
    int activeIndex = -1;

    {
        const juce::ScopedLock listLock (referenceListLock);

        for (const auto& entry : references)
            refs.appendChild (juce::ValueTree (StateKeys::ref).setProperty (StateKeys::path, entry.fullPath, nullptr), nullptr);

        activeIndex = activeReferenceIndex.load();
    }

    state.appendChild (refs, nullptr);
    state.setProperty (StateKeys::activeRefIndex, activeIndex, nullptr);

    const auto editorText = editorState.get();

    if (editorText.isNotEmpty())
        state.setProperty (StateKeys::editorStateJson, editorText, nullptr);

    juce::MemoryOutputStream stream (destData, true);
    state.writeToStream (stream);
}

void KalvorinAudioProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    // Only the plug-in's own, well-formed state is restored: anything else (another plug-in's
    // chunk, a damaged project) leaves the user's References and settings as they are.
    const auto state = StateBlobReader::read (data, sizeInBytes);

    if (! state.isValid())
        return;

    const auto& monitor = state.getProperty (StateKeys::monitorRef);

    if (monitor.isDouble() || monitor.isInt())
        if (auto* parameter = parameters.getParameter (StateKeys::monitorRef.toString()))
            parameter->setValueNotifyingHost (parameter->convertTo0to1 ((float) (double) monitor));

    const auto& editorText = state.getProperty (StateKeys::editorStateJson);

    if (editorText.isString())
        editorState.set (editorText.toString());

    {
        const juce::ScopedLock listLock (referenceListLock);
        suspendProcessing (true);

        for (auto& entry : references)
            entry.release();

        references.clear();
        resetReferenceRequested.exchange (true);
        activeReferenceIndex.store (-1);
        clearReferenceReadings();
        suspendProcessing (false);
    }

    const auto refs = state.getChildWithName (StateKeys::refs);

    for (const auto& child : refs)
    {
        const auto& path = child.getProperty (StateKeys::path);

        if (path.isString())
            addReference (path.toString());
    }

    const auto& savedIndex = state.getProperty (StateKeys::activeRefIndex);
    // Compared as a wide number: a damaged blob may hold any type or size here, and converting
    // a large one to int first would wrap it (or be undefined, for a floating-point one).
    const auto index = savedIndex.isVoid() ? -1.0 : (double) savedIndex;
    const auto count = (int) references.size();

    if (! (index >= 0.0))
        setActiveReference (-1);
    else if (index < count)
        setActiveReference ((int) index);
    else
        setActiveReference (count == 0 ? -1 : 0);

    ++stateRestoreCount;
}

void KalvorinAudioProcessor::clearReferenceReadings()
{
    referencePeak.store (0.0f);
    meterReadings.clearReference();
    referenceLoudness.reset();
    referenceRms.reset();
    referenceTruePeak.reset();
}
