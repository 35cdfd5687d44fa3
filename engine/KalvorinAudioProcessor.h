#pragma once

#include "engine/ReferenceEntry.h"
#include "engine/SettingsStore.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <vector>

/** The audio engine: the processor the host drives.

    It owns the "monitorRef" parameter, the instance's settings, the list of References, the
    measurement engines of both signals (the Source from the host and the active Reference), the
    level-match and monitor-crossfade state, the band-listen filters and the work buffers.

    Threads: processBlock runs on the host's audio thread with the callback lock held; every
    other member function runs on the message thread (or the host's state call). The two meet
    only through atomics, try-locked records and the suspended flag.
*/
class KalvorinAudioProcessor final : public juce::AudioProcessor
{
public:
    /** Takes the instance's settings store (bound to its file, not yet loaded) and loads it. */
    explicit KalvorinAudioProcessor (SettingsStore store);
    ~KalvorinAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override;

    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int) override;
    const juce::String getProgramName (int) override;
    void changeProgramName (int, const juce::String&) override;

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    /** The host parameter "monitorRef": Reference (0) or Source (1). */
    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    //==============================================================================
    // The Reference list. Message thread (or the host's state call) only.

    /** Decodes the file and appends it; returns its index, the existing index for a path that
        is already loaded, or -1 when the file cannot be added. */
    int addReference (const juce::String& fullPath);

    /** Removes the entry at `index` (0 <= index < count). */
    void removeReference (int index);

    /** Removes the first entry whose path equals `fullPath`; does nothing when none does. */
    void removeReferenceByPath (const juce::String& fullPath);

    /** Makes the entry at `index` the active Reference, or none for an index outside the list. */
    void setActiveReference (int index);

    /** The active Reference's playhead in seconds (a pending seek shows at once); 0 without one. */
    double getActiveReferencePositionSeconds() const;

    /** Asks the audio thread to move the active Reference's playhead to `seconds`. */
    void requestSeek (double seconds);

    /** The index of the active Reference, or -1. */
    int getActiveReferenceIndex() const noexcept { return activeReferenceIndex.load(); }

    //==============================================================================
    juce::AudioProcessorValueTreeState parameters;
    SettingsStore settingsStore;

    /** Set by whoever wants the Reference's measurements reset; taken by the next block. */
    std::atomic<bool> resetReferenceRequested { false };

    /** Whether the host transport played during the last block. Written by the audio thread. */
    std::atomic<bool> isPlaying { false };

    /** The largest absolute sample of the last block of each signal, limited to 0..1. */
    std::atomic<float> referencePeak { 0.0f }, sourcePeak { 0.0f };

    /** The References in load order. Changed only on the message thread, while suspended. */
    std::vector<ReferenceEntry> references;

    /** The active Reference, -1 for none. Set to a valid index only while suspended; the store
        of -1 may be seen by the audio thread at any time. */
    std::atomic<int> activeReferenceIndex { -1 };

private:
    //==============================================================================
    struct BlockContext
    {
        int numSamples = 0;
        int workChannels = 1;
        bool playing = false;
        bool startTransition = false;
        bool reset = false;
        bool monitorReference = false;
        ReferenceEntry* activeEntry = nullptr;
    };

    void readTransport (BlockContext&);
    void clearMeasurementsForNewSegment (const BlockContext&);
    void copySource (const juce::AudioBuffer<float>& buffer, const BlockContext&);
    void renderReference (const BlockContext&);
    void takePendingSeek (ReferenceEntry&, const BlockContext&);
    void publishPeaks();
    void writeOutput (juce::AudioBuffer<float>& buffer, const BlockContext&);

    ReferenceEntry* getActiveEntry() noexcept;

    /** Forgets what was measured of the Reference when the list is emptied or replaced. Called
        while processing is suspended. */
    void clearReferenceReadings();
    void prepareSmoothersAndFades (double sampleRate);

    //==============================================================================
    juce::SmoothedValue<float> referenceGain, sourceGain;
    juce::SmoothedValue<float> monitorMix;

    // Fade state of the Reference, per output channel. Audio thread (and prepareToPlay).
    float lastReferenceOutput[2] {};
    float fadeFrom[2] {};
    int fadeRemaining = 0;
    int fadeLength = 1;

    std::atomic<float>* monitorRefValue = nullptr;

    juce::AudioFormatManager formatManager;
    int blockSize = 0;

    // Per-block copy of the Source and rendering of the Reference. Audio thread.
    juce::AudioBuffer<float> sourceBuffer, referenceBuffer;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KalvorinAudioProcessor)
};
