#include "tests/fuzz/FuzzSupport.h"

#include <juce_events/juce_events.h>

namespace FuzzSupport
{
namespace
{
constexpr double kStateReferenceSeconds = 0.05;
constexpr double kStateReferenceRate = 44100.0;
constexpr double kStateReferenceHz = 440.0;
constexpr float kSourceLevel = 0.25f;

/** Deletes the scratch folder when the process ends normally. */
struct ScratchFolder
{
    ScratchFolder()
    {
        const juce::File sharedMemory ("/dev/shm");
        const auto root = sharedMemory.isDirectory() ? sharedMemory
                                                     : juce::File::getSpecialLocation (juce::File::tempDirectory);
        folder = root.getNonexistentChildFile ("kalvorin-fuzz", "", false);
        folder.createDirectory();
    }

    ~ScratchFolder() { folder.deleteRecursively(); }

    juce::File folder;
};
} // namespace

void initialiseJuce()
{
    // Never shut down: a fuzzer ends through exit(), when JUCE's own statics may already be
    // gone, so a static initialiser's destructor would free them a second time.
    static const auto* juce = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (juce);
}

const juce::File& scratchFolder()
{
    static const ScratchFolder scratch;
    return scratch.folder;
}

bool writeBytes (const juce::File& file, const std::uint8_t* data, std::size_t size)
{
    juce::FileOutputStream stream (file);

    if (! stream.openedOk() || ! stream.setPosition (0) || ! stream.truncate().wasOk())
        return false;

    return size == 0 || stream.write (data, size);
}

namespace
{
/** Writes a short stereo sine WAV to the path unless done before in this process. */
juce::File writeFixedReference (const juce::File& result, double hz)
{
    result.getParentDirectory().createDirectory();

    const auto length = (int) (kStateReferenceSeconds * kStateReferenceRate);
    juce::AudioBuffer<float> samples (2, length);

    for (int i = 0; i < length; ++i)
        for (int ch = 0; ch < 2; ++ch)
            samples.setSample (ch, i, 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi
                                                                 * hz * i / kStateReferenceRate));

    // Written to a sibling and renamed, so that a parallel fuzzing process never reads half a file.
    const juce::TemporaryFile temporary (result);
    {
        juce::WavAudioFormat wav;
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (new juce::FileOutputStream (temporary.getFile()),
                                                                              kStateReferenceRate, 2, 16, {}, 0));
        if (writer != nullptr)
            writer->writeFromAudioSampleBuffer (samples, 0, length);
    }
    temporary.overwriteTargetFileWithTemporary();
    return result;
}
} // namespace

const juce::File& stateReferenceFile()
{
    static const juce::File file = writeFixedReference (juce::File ("/tmp/kalvorin-fuzz-state/reference.wav"),
                                                        kStateReferenceHz);
    return file;
}

const juce::File& secondReferenceFile()
{
    static const juce::File file = writeFixedReference (juce::File ("/tmp/kalvorin-fuzz-state/reference-2.wav"),
                                                        2.0 * kStateReferenceHz);
    return file;
}

PreparedProcessor::PreparedProcessor()
{
    initialiseJuce();

    const auto settingsFolder = scratchFolder().getNonexistentChildFile ("settings", "", false);
    SettingsStore store (SettingsStore::kDefaultFolderName, SettingsStore::kDefaultFileName,
                         settingsFolder.getChildFile (SettingsStore::kDefaultFileName));
    processor = std::make_unique<KalvorinAudioProcessor> (std::move (store));
    processor->setPlayHead (&playHead);
    processor->setRateAndBufferSizeDetails (kHostSampleRate, kHostBlockSize);
    processor->prepareToPlay (kHostSampleRate, kHostBlockSize);
    buffer.setSize (2, kHostBlockSize);
}

PreparedProcessor::~PreparedProcessor()
{
    processor->releaseResources();
}

bool PreparedProcessor::processBlocks (int numBlocks)
{
    juce::MidiBuffer midi;

    for (int b = 0; b < numBlocks; ++b)
    {
        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                buffer.setSample (ch, i, kSourceLevel * (random.nextFloat() * 2.0f - 1.0f));

        processor->processBlock (buffer, midi);

        for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                if (! std::isfinite (buffer.getSample (ch, i)))
                    return false;
    }

    return true;
}
} // namespace FuzzSupport
