#include "support/AudioFileFixtures.h"

namespace
{
std::unique_ptr<juce::AudioFormat> formatFor (const juce::File& file)
{
    const auto ext = file.getFileExtension().toLowerCase();

    if (ext == ".aiff" || ext == ".aif")
        return std::make_unique<juce::AiffAudioFormat>();
    if (ext == ".flac")
        return std::make_unique<juce::FlacAudioFormat>();
    if (ext == ".ogg")
        return std::make_unique<juce::OggVorbisAudioFormat>();

    return std::make_unique<juce::WavAudioFormat>();
}

bool writeWith (juce::AudioFormat& format, const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    file.deleteFile();
    std::unique_ptr<juce::OutputStream> stream (file.createOutputStream());

    if (stream == nullptr)
        return false;

    const auto bits = format.getPossibleBitDepths().contains (24) ? 24 : format.getPossibleBitDepths().getLast();
    const auto quality = format.getQualityOptions().size() > 0 ? format.getQualityOptions().size() - 1 : 0;
    std::unique_ptr<juce::AudioFormatWriter> writer (format.createWriterFor (stream.get(), sampleRate,
                                                                              (unsigned int) buffer.getNumChannels(),
                                                                              bits, {}, quality));
    if (writer == nullptr)
        return false;

    stream.release();
    return writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}
} // namespace

bool AudioFileFixtures::writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate)
{
    juce::WavAudioFormat wav;
    return writeWith (wav, file, buffer, sampleRate);
}

bool AudioFileFixtures::writeSine (const juce::File& file, double sampleRate, int channels, double seconds,
                                   double frequency, float amplitude)
{
    const auto length = (int) std::lround (seconds * sampleRate);
    juce::AudioBuffer<float> buffer (channels, length);

    for (int i = 0; i < length; ++i)
    {
        const auto value = amplitude * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / sampleRate);

        for (int ch = 0; ch < channels; ++ch)
            buffer.setSample (ch, i, value);
    }

    if (file.getFileExtension().equalsIgnoreCase (".mp3"))
    {
        const auto wav = file.withFileExtension (".source.wav");

        if (! writeWav (wav, buffer, sampleRate))
            return false;

        juce::ChildProcess lame;
        const juce::StringArray command { "lame", "--quiet", "-b", "192", wav.getFullPathName(), file.getFullPathName() };

        if (! lame.start (command))
            return false;

        lame.waitForProcessToFinish (60000);
        wav.deleteFile();
        return lame.getExitCode() == 0 && file.existsAsFile();
    }

    auto format = formatFor (file);
    return writeWith (*format, file, buffer, sampleRate);
}

double AudioFileFixtures::estimateFrequency (const float* samples, int numSamples, double sampleRate)
{
    int first = -1, last = -1, crossings = 0;

    for (int i = 1; i < numSamples; ++i)
    {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f)
        {
            if (first < 0)
                first = i;

            last = i;
            ++crossings;
        }
    }

    if (crossings < 2)
        return 0.0;

    return (crossings - 1) * sampleRate / (last - first);
}
