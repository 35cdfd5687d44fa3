#pragma once

#include "engine/RealtimeAnnotations.h"
#include "engine/BandListen.h"
#include "engine/BandStereoAnalyser.h"
#include "engine/EditorStateText.h"
#include "engine/FocusBand.h"
#include "engine/GoniometerCapture.h"
#include "engine/LevelMatchMode.h"
#include "engine/LoudnessMeter.h"
#include "engine/MeterReadings.h"
#include "engine/ReferenceEntry.h"
#include "engine/RmsMeter.h"
#include "engine/SettingsStore.h"
#include "engine/SpectrumAnalyser.h"
#include "engine/SpectrumSnapshot.h"
#include "engine/TruePeakMeter.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <vector>

/** The audio engine: the processor the host drives.

    It owns the "monitorRef" parameter, the instance's settings, the list of References, the
    measurement engines of both signals (the Source from the host and the active Reference), the
    level-match and monitor-crossfade state, the band-listen filters and the work buffers.

    Threads: processBlock runs on the host's audio thread with the callback lock held; every
    other member function runs on the message thread (or the host's state call). The two meet
    only through atomics, try-locked records and the suspended flag. The host may make its state
    calls on any thread, also while the message thread runs; what they share with the message
    thread is said at `parameters`, `getEditorStateJson` and `references`.
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
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) KALVORIN_NONBLOCKING override;
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
    // The editor-state JSON text, which the host's state blob carries as "editorStateJson".

    /** The text as last set or restored; empty when there is none. Any thread; never waits for
        the message thread. */
    juce::String getEditorStateJson() const;

    /** Replaces the text; the next saved state carries it. Any thread (the editor calls it on
        the message thread); never waits for the message thread. The copy in `parameters.state`
        follows on the message thread. */
    void setEditorStateJson (const juce::String& json);

    /** How many saved states have been restored into this instance. An open editor compares it
        on its timer and rebuilds its tabs from the restored editor text, so closing it never
        writes its old tabs over a project restored meanwhile. Any thread. */
    int getStateRestoreCount() const noexcept { return stateRestoreCount.load(); }

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
    /** Requests a `LevelMatchMode` (clamped to 0..2); the audio thread adopts it on its next
        block. Message thread. */
    void setLevelMatchMode (int mode);

    /** Hands the band selected in a band view to band listen; no range turns it off. Message
        thread. */
    void setFocusBand (FocusBand band);

    /** The four peak holds, each read and reset to 0 in one step. */
    struct PeakHolds
    {
        float referenceTruePeak = 0.0f, sourceTruePeak = 0.0f;
        float referenceSamplePeak = 0.0f, sourceSamplePeak = 0.0f;
    };

    /** Takes the peak holds of both signals since the last call. Message thread. */
    PeakHolds readPeakHolds();

    //==============================================================================
    /** The parameter tree "PARAMS" with "monitorRef", and its state tree `parameters.state`.

        The state tree belongs to the message thread. JUCE's own timer writes every parameter
        change into it there, and every write to a tree walks its listener lists without any
        lock at all. A write from another thread (a host's state call, the audio thread) can
        therefore tear those lists, which corrupts memory and can hang the plug-in when it is
        destroyed. The rule:
        - On the message thread, read and write the tree freely.
        - On any other thread, never touch the tree, not even through copyState or replaceState:
          their lock is shared by JUCE's timer only, not by the other writers on the message
          thread. Read parameter values through the parameter objects or getRawParameterValue
          (atomics), and set them with setValueNotifyingHost.
        - The editor's text goes through getEditorStateJson / setEditorStateJson, from any
          thread, never into the tree directly: the tree's "editorStateJson" is a copy for
          readers on the message thread, and writing it would not reach the saved state.
    */
    juce::AudioProcessorValueTreeState parameters;
    SettingsStore settingsStore;

    /** Set by whoever wants the Reference's measurements reset; taken by the next block. */
    std::atomic<bool> resetReferenceRequested { false };

    /** The level-match gains in force after the last block, in dB (-100 for none). */
    std::atomic<float> referenceGainDb { 0.0f }, sourceGainDb { 0.0f };

    /** Both signals were measurable for level matching in the last block. */
    std::atomic<bool> levelMatchReady { false };

    /** The three band results of each signal, published together; the editor enters the lock
        with a spinning lock and copies, the audio thread only tries it. */
    juce::SpinLock bandSnapshotLock;
    BandSnapshot bandSnapshot;

    /** Whether the host transport played during the last block. Written by the audio thread. */
    std::atomic<bool> isPlaying { false };

    /** The largest absolute sample of the last block of each signal, limited to 0..1. */
    std::atomic<float> referencePeak { 0.0f }, sourcePeak { 0.0f };

    /** The meters of each signal. Processed on the audio thread; their published values are
        atomics the editor reads. */
    TruePeakMeter referenceTruePeak, sourceTruePeak;
    LoudnessMeter referenceLoudness, sourceLoudness;
    RmsMeter referenceRms, sourceRms;

    /** Short-term loudness and RMS of both signals, published on every block. */
    MeterReadings meterReadings;

    /** The averaged spectra, published behind try-lock flags with sequence counters. */
    SpectrumSnapshot referenceSpectrumSnapshot, sourceSpectrumSnapshot;

    /** The stereo points of each signal's last block, double-buffered behind a try-lock. */
    GoniometerCapture referenceGoniometer, sourceGoniometer;

    /** The References in load order. Changed only on the message thread or in the host's state
        call, while suspended and under the list lock; the host's getStateInformation, which may
        run on any thread, copies the paths under the list lock. */
    std::vector<ReferenceEntry> references;

    /** The active Reference, -1 for none. Set to a valid index only while suspended; the store
        of -1 may be seen by the audio thread at any time. Changed under the list lock. */
    std::atomic<int> activeReferenceIndex { -1 };

private:
    /** Counted up at the end of every restore of a valid state (see getStateRestoreCount). */
    std::atomic<int> stateRestoreCount { 0 };

    /** Held for the moment the Reference list or the active index changes, and while the host's
        state call copies them, so that a save on the host's thread sees one whole list. Never
        taken by the audio thread; taken before the callback lock, never inside it. */
    juce::CriticalSection referenceListLock;

    /** The editor's text, behind a lock of its own, copied into `parameters.state` on the
        message thread. */
    EditorStateText editorState;

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

    /** One piece of a host block, at most the prepared block size long: the pipeline. */
    void processPiece (juce::AudioBuffer<float>& buffer);
    void readTransport (BlockContext&);
    void clearMeasurementsForNewSegment (const BlockContext&);
    void copySource (const juce::AudioBuffer<float>& buffer, const BlockContext&);
    void renderReference (const BlockContext&);
    void takePendingSeek (ReferenceEntry&, const BlockContext&);
    void measureSignals (const BlockContext&);
    void analyseBands();
    void captureGoniometers();
    void publishMeterReadings();
    void publishPeaks();
    void matchLevels (const BlockContext&);
    void setGainTargetsFromDb();
    void writeOutput (juce::AudioBuffer<float>& buffer, const BlockContext&);
    void publishGains();

    ReferenceEntry* getActiveEntry() noexcept;

    /** Forgets what was measured of the Reference when the list is emptied or replaced. Called
        while processing is suspended. */
    void clearReferenceReadings();
    void prepareSmoothersAndFades (double sampleRate);

    //==============================================================================
    // Level matching: the gains as linear factors, ramped over 0.1 s. The requested mode comes
    // from the message thread; everything else is the audio thread's (and prepareToPlay's).
    juce::SmoothedValue<float> referenceGain, sourceGain;
    BandStereoAnalyser referenceBands, sourceBands;
    bool louderToQuieter = false;
    float referenceTargetGainDb = 0.0f, sourceTargetGainDb = 0.0f;
    int levelMatchMode = 0;
    std::atomic<int> requestedLevelMatchMode { 0 };
    bool gainsHeld = false;

    /** 0 = Source only, 1 = Reference only at the output; ramped over 0.01 s. */
    juce::SmoothedValue<float> monitorMix;

    // Fade state of the Reference, per output channel. Audio thread (and prepareToPlay).
    float lastReferenceOutput[2] {};
    float fadeFrom[2] {};
    int fadeRemaining = 0;
    int fadeLength = 1;

    std::atomic<float>* monitorRefValue = nullptr;

    juce::AudioFormatManager formatManager;
    int blockSize = 0;

    /** Set by prepareToPlay, cleared by releaseResources; read by the audio thread, which
        processes nothing before it is set. */
    std::atomic<bool> prepared { false };

    SpectrumAnalyser referenceSpectrum, sourceSpectrum;

    /** Narrows the output to the band chosen in a band view. */
    BandListen bandListen;

    // Per-block copy of the Source and rendering of the Reference. Audio thread.
    juce::AudioBuffer<float> sourceBuffer, referenceBuffer;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KalvorinAudioProcessor)
};
