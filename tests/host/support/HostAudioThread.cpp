#include "host/support/HostAudioThread.h"

juce::Optional<juce::AudioPlayHead::PositionInfo> PlayingHead::getPosition() const
{
    PositionInfo info;
    info.setIsPlaying (true);
    return info;
}

HostAudioThread::HostAudioThread (juce::AudioPluginInstance& p, int blockSizeToUse,
                                  std::chrono::milliseconds pauseToUse, SourceWriter writer)
    : plugin (p), blockSize (blockSizeToUse), pause (pauseToUse), writeSource (std::move (writer)),
      thread ([this] { run(); })
{
}

HostAudioThread::~HostAudioThread()
{
    keepRunning.store (false);
    thread.join();
}

void HostAudioThread::run()
{
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;

    for (int block = 0; keepRunning.load(); ++block)
    {
        buffer.clear();
        writeSource (buffer, block);
        plugin.processBlock (buffer, midi);
        outputRms.store (buffer.getRMSLevel (0, 0, blockSize));
        blocksProcessed.fetch_add (1);
        std::this_thread::sleep_for (pause);
    }
}
