#include "editor/PlaybackHistoryRecorder.h"
#include "engine/ThemePalette.h"
#include "support/AudioFileFixtures.h"
#include "support/FakeAnalysisTab.h"
#include "support/GuiSupport.h"
#include "support/ProcessorHarness.h"
#include "tab/views/AnalysisDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 512;
constexpr int kTimerIntervalMs = 41; // the editor's rate while ANALYSIS is shown
constexpr double kPlaySeconds = 15.0;
constexpr double kMusicSeconds = 16.0;

// A short piece of music: a bass line with its second harmonic and a kick, chords and a melody
// spread across the stereo field, and hi-hats, over a quiet noise floor; about -16 LUFS, with
// the bass carrying about as much of the loudness as in a pop mix.
juce::AudioBuffer<float> makeMusic()
{
    const int numSamples = (int) (kMusicSeconds * kSampleRate);
    juce::AudioBuffer<float> music (2, numSamples);
    music.clear();
    juce::Random random (11);
    constexpr double twoPi = juce::MathConstants<double>::twoPi;

    const double bassNotes[] = { 55.0, 55.0, 73.42, 82.41, 65.41, 65.41, 98.0, 82.41 };
    const double chordRoots[] = { 220.0, 293.66, 329.63, 261.63 };
    const double melody[] = { 659.26, 783.99, 880.0, 987.77, 880.0, 783.99, 1046.5, 987.77 };
    const double chordRatios[] = { 1.0, 1.26, 1.5, 2.0, 3.0 };
    double bassPhase = 0.0, melodyPhase = 0.0;

    for (int i = 0; i < numSamples; ++i)
    {
        const double t = i / kSampleRate;
        const double beat = std::fmod (t, 0.5);
        const double bar = std::fmod (t, 1.0);

        bassPhase += twoPi * bassNotes[(int) (t / 0.5) % 8] / kSampleRate;
        const double bass = 0.16 * (std::sin (bassPhase) + 0.35 * std::sin (2.0 * bassPhase)) * std::exp (-beat * 2.0);
        const double kick = bar < 0.12 ? 0.25 * std::sin (twoPi * (50.0 + 60.0 * std::exp (-bar * 30.0)) * bar)
                                             * std::exp (-bar * 25.0)
                                       : 0.0;

        const double root = chordRoots[(int) (t / 2.0) % 4];
        double left = 0.0, right = 0.0;

        for (int k = 0; k < 5; ++k)
        {
            const double partial = 0.06 * std::sin (twoPi * root * chordRatios[k] * t);
            left += (k % 2 == 0 ? 1.0 : 0.6) * partial;
            right += (k % 2 == 0 ? 0.6 : 1.0) * partial;
        }

        melodyPhase += twoPi * melody[(int) (t / 0.25) % 8] / kSampleRate;
        const double lead = 0.09 * (std::sin (melodyPhase) + 0.3 * std::sin (3.0 * melodyPhase)) * std::exp (-std::fmod (t, 0.25) * 4.0);

        const double hatEnvelope = std::fmod (t, 0.25) < 0.04 ? std::exp (-std::fmod (t, 0.25) * 90.0) : 0.0;
        const double hat = 0.25 * (random.nextDouble() * 2.0 - 1.0) * hatEnvelope;
        const double floor = 0.004 * (random.nextDouble() * 2.0 - 1.0);

        music.setSample (0, i, (float) (bass + kick + left + 0.8 * lead + hat + floor));
        music.setSample (1, i, (float) (bass + kick + right + lead + 0.8 * hat + floor));
    }

    return music;
}

// The mix the engineer is working on: the same music with its bass cut by 6 dB (a low shelf).
juce::AudioBuffer<float> cutBass (const juce::AudioBuffer<float>& music)
{
    juce::AudioBuffer<float> mix (music);
    const auto shelf = juce::dsp::IIR::Coefficients<float>::makeLowShelf (kSampleRate, 150.0, 0.707f,
                                                                         juce::Decibels::decibelsToGain (-6.0f));

    for (int channel = 0; channel < mix.getNumChannels(); ++channel)
    {
        juce::dsp::IIR::Filter<float> filter (shelf);
        auto* samples = mix.getWritePointer (channel);

        for (int i = 0; i < mix.getNumSamples(); ++i)
            samples[i] = filter.processSample (samples[i]);
    }

    return mix;
}

// What the editor's timer does on each tick before it hands over to the recorder: copy the
// spectra and stereo points that changed, extend the peak series, and refresh the live
// snapshot's playhead, loudness, level-match flag and band results.
struct TimerTick
{
    explicit TimerTick (KalvorinAudioProcessor& p) : processor (p) {}

    void readInto (AnalysisSnapshot& live)
    {
        readSpectrum (processor.referenceSpectrumSnapshot, referenceSequence, live.referenceSpectrum, live.referenceSampleRate);
        readSpectrum (processor.sourceSpectrumSnapshot, sourceSequence, live.sourceSpectrum, live.sourceSampleRate);

        if (processor.referenceGoniometer.copyLatest (referenceLeft, referenceRight, referenceGoniometerSequence))
        {
            live.referenceLeft = referenceLeft;
            live.referenceRight = referenceRight;
        }

        if (processor.sourceGoniometer.copyLatest (sourceLeft, sourceRight, sourceGoniometerSequence))
        {
            live.sourceLeft = sourceLeft;
            live.sourceRight = sourceRight;
        }

        const auto peaks = processor.readPeakHolds();
        appendPeak (referencePeaks, peaks.referenceTruePeak);
        appendPeak (sourcePeaks, peaks.sourceTruePeak);
        live.referencePeakSeries.assign (referencePeaks.begin(), referencePeaks.end());
        live.sourcePeakSeries.assign (sourcePeaks.begin(), sourcePeaks.end());

        live.playheadSeconds = processor.getActiveReferencePositionSeconds();
        live.referenceShortTermLufs = processor.meterReadings.referenceShortTermLufs.load();
        live.sourceShortTermLufs = processor.meterReadings.sourceShortTermLufs.load();
        live.levelMatchActive = processor.levelMatchReady.load();

        const juce::SpinLock::ScopedLockType lock (processor.bandSnapshotLock);

        for (size_t k = 0; k < (size_t) kNumStereoBands; ++k)
        {
            live.bands[k] = processor.bandSnapshot.reference[k];
            live.bands[k + (size_t) kNumStereoBands] = processor.bandSnapshot.source[k];
        }
    }

    void readSpectrum (const SpectrumSnapshot& snapshot, int& sequence, std::vector<float>& destination, double& rate)
    {
        std::vector<float> copy;
        double copiedRate = 0.0;

        if (! snapshot.readIfNew (copy, copiedRate, sequence))
            return;

        if (copiedRate <= 0.0)
            copiedRate = processor.getSampleRate();

        if (copy.size() > 1)
        {
            destination = std::move (copy);
            rate = copiedRate;
        }
    }

    static void appendPeak (std::deque<float>& series, float linear)
    {
        const float db = linear > 0.0f ? juce::jmax (-100.0f, 20.0f * std::log10 (linear)) : -60.0f;
        series.push_back (juce::jlimit (-60.0f, 20.0f, db));

        if (series.size() > 512)
            series.pop_front();
    }

    KalvorinAudioProcessor& processor;
    int referenceSequence = 0, sourceSequence = 0, referenceGoniometerSequence = 0, sourceGoniometerSequence = 0;
    std::vector<float> referenceLeft, referenceRight, sourceLeft, sourceRight;
    std::deque<float> referencePeaks, sourcePeaks;
};
}

// Two real signals through the processor with the timer ticking: the written analysis must
// find the mix's missing bass, suggest raising it and say nothing that the band views would
// contradict. The view is rendered to build/tests/screenshots/analysis-end-to-end.png.
TEST (AnalysisEndToEnd, aMixWithItsBassCutIsToldToRaiseTheBass)
{
    TemporaryFolder folder;
    const auto music = makeMusic();
    const auto referenceFile = folder.file ("Reference.wav");
    ASSERT_TRUE (AudioFileFixtures::writeWav (referenceFile, music, kSampleRate));
    const auto mix = cutBass (music);

    ProcessorHarness harness (folder.folder);
    harness.prepare (kSampleRate, kBlockSize);
    ASSERT_EQ (harness.processor->addReference (referenceFile.getFullPathName()), 0);
    harness.playHead.playing = true;

    PlaybackHistoryRecorder recorder;
    FakeAnalysisTab tab;
    tab.fullPath = referenceFile.getFullPathName();
    TimerTick timer (*harness.processor);
    AnalysisSnapshot live;

    const int totalSamples = (int) (kPlaySeconds * kSampleRate);
    const int samplesPerTick = (int) std::lround (kTimerIntervalMs * kSampleRate / 1000.0);
    int nextTick = samplesPerTick;
    juce::AudioBuffer<float> block (2, kBlockSize);

    for (int position = 0; position < totalSamples; position += kBlockSize)
    {
        for (int channel = 0; channel < 2; ++channel)
            block.copyFrom (channel, 0, mix, channel, position, kBlockSize);

        harness.process (block);

        if (position + kBlockSize >= nextTick)
        {
            nextTick += samplesPerTick;
            timer.readInto (live);
            recorder.recordPlaybackHistory (&tab, harness.processor->isPlaying.load(),
                                            harness.processor->getActiveReferencePositionSeconds(), live,
                                            kTimerIntervalMs);
        }
    }

    recorder.updateAnalysisStatus (tab, false);
    const auto& report = tab.report;

    EXPECT_TRUE (report.title.startsWith ("10.0 s of saved playback / 10.0 s ready to compare.")) << report.title;

    bool raisesBassWeight = false;

    for (const auto& line : report.lines[AdviceReport::kToneSection])
    {
        if (line.value == "Your mix has less bass weight than the Reference.")
            raisesBassWeight = line.detail.startsWith ("In your EQ, try raising this range");

        // The cut is below 300 Hz; nothing above it differs by 3 dB or swings both ways.
        EXPECT_TRUE (line.label.startsWith ("Deep bass") || line.label.startsWith ("Bass weight")) << line.label;
        EXPECT_TRUE (line.value.contains ("less")) << line.value;
    }

    EXPECT_TRUE (raisesBassWeight) << report.sections[0];

    GuiSupport::ScopedPluginFont font;
    AnalysisDisplay view;
    view.setBounds (0, 0, 1100, 720);
    view.setVisible (true);
    view.setReport (report);
    GuiSupport::writeScreenshot (view, "analysis-end-to-end", ThemePalette::panel);
}
