#include "bench/EditorBenchRig.h"

#include "support/AudioFileFixtures.h"
#include "support/MessageLoop.h"
#include "support/MusicFixtures.h"
#include "support/XTestInput.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr double kReferenceSeconds = 60.0;
constexpr float kBassCutDb = -6.0f;
constexpr int kBlockSize = 512;

// 540 ticks of the slowest view fill the peak history (512 values) and give the written
// analysis more history than it needs.
constexpr double kWarmUpSeconds = 36.0;
constexpr int kSettleTicks = 12;
constexpr int kThumbnailWaitMs = 1500;

/** Off the window, so that no hover readout or tooltip shows while the benchmarks run. */
const juce::Point<int> kPointerParking { 1900, 1060 };
} // namespace

EditorBenchRig& EditorBenchRig::get()
{
    static auto* rig = new EditorBenchRig();
    return *rig;
}

bool EditorBenchRig::hasDisplay()
{
    return XTestInput::isAvailable();
}

EditorBenchRig::EditorBenchRig()
{
    // The rig is never destroyed, so its folder (a minute of audio) goes when the process ends,
    // with plain file calls that need nothing of JUCE.
    static std::string folderPath;
    folderPath = session.folder.folder.getFullPathName().toStdString();
    std::atexit ([] { std::error_code ignored; std::filesystem::remove_all (folderPath, ignored); });

    const auto music = MusicFixtures::makeMusic (kSampleRate, kReferenceSeconds);
    const auto referenceFile = session.folder.file ("Reference.wav");
    AudioFileFixtures::writeWav (referenceFile, music, kSampleRate);
    session.harness.processor->addReference (referenceFile.getFullPathName());
    session.harness.playHead.playing = true;

    source = MusicFixtures::cutBass (music, kSampleRate, kBassCutDb);

    openOnScreen();
    playback = std::make_unique<EditorPlayback> (session, source);
    playback->blockSize = kBlockSize;

    showView (ViewMode::History);
    playback->playFor (kWarmUpSeconds);
}

KalvorinAudioProcessorEditor& EditorBenchRig::openOnScreen()
{
    if (session.editor != nullptr)
        return *session.editor;

    session.open();
    deliverPendingMessages();
    session.showOnScreen();
    XTestInput::moveTo (kPointerParking);

    // The waveform's thumbnail is built in the background; let it finish and draw once.
    MessagePump::runFor (kThumbnailWaitMs);
    return *session.editor;
}

void EditorBenchRig::closeEditor()
{
    session.close();
}

SignalViewTab& EditorBenchRig::page() const
{
    return *session.currentPage();
}

void EditorBenchRig::showView (ViewMode mode)
{
    page().setViewMode (static_cast<int> (mode));
    nextTickMs = juce::Time::getMillisecondCounterHiRes();

    for (int i = 0; i < kSettleTicks; ++i)
        playOneTick();
}

void EditorBenchRig::playToNextTick()
{
    playback->playToNextTick();

    nextTickMs += session.editor->getTimerInterval();
    const auto waitMs = nextTickMs - juce::Time::getMillisecondCounterHiRes();

    if (waitMs > 0.0)
        juce::Thread::sleep ((int) std::ceil (waitMs));
}

void EditorBenchRig::playOneTick()
{
    playToNextTick();
    session.editor->timerCallback();
}
