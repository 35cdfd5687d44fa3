#pragma once

#include "engine/KalvorinAudioProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstddef>
#include <cstdint>
#include <memory>

/** What the fuzz targets share: JUCE set up once per process, a scratch folder for the files a
    target writes, and a processor prepared and playing the way a host would run it. */
namespace FuzzSupport
{
/** Host rate and block size every target prepares the processor for. The blocks are short:
    what a target checks is how the processor takes its input, and every sample of the
    measurement engines costs fuzzing speed. */
constexpr double kHostSampleRate = 48000.0;
constexpr int kHostBlockSize = 64;

/** Starts JUCE's message manager on the calling thread, once per process. */
void initialiseJuce();

/** A folder of this process's own, deleted at exit; on a memory-backed file system when the
    machine has one, so that the settings file's syncs cost nothing. */
const juce::File& scratchFolder();

/** Replaces the file's content with the bytes; false when the file could not be written. */
bool writeBytes (const juce::File& file, const std::uint8_t* data, std::size_t size);

/** A short stereo WAV file at a fixed path, written on first use. The state corpus names this
    path, so restoring a seed really loads a Reference. */
const juce::File& stateReferenceFile();

/** A second short stereo WAV file at a fixed path beside stateReferenceFile, written on first
    use; the editor-state corpus names both, so a seed restores two Reference tabs. */
const juce::File& secondReferenceFile();

/** A play head that always reports a playing transport. */
struct PlayingHead final : juce::AudioPlayHead
{
    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setIsPlaying (true);
        return info;
    }
};

/** A processor with its settings file in the scratch folder, stereo in and out, prepared for
    kHostSampleRate and kHostBlockSize, with a playing transport. */
struct PreparedProcessor
{
    PreparedProcessor();
    ~PreparedProcessor();

    /** Processes `numBlocks` blocks of a quiet noise Source; false when any output sample is
        not finite. */
    bool processBlocks (int numBlocks);

    PlayingHead playHead;
    std::unique_ptr<KalvorinAudioProcessor> processor;
    juce::AudioBuffer<float> buffer;
    juce::Random random { 1 };
};
} // namespace FuzzSupport
