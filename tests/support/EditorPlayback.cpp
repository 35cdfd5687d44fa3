#include "support/EditorPlayback.h"

#include <cmath>

EditorPlayback::EditorPlayback (EditorSession& sessionToPlay, const juce::AudioBuffer<float>& sourceToPlay)
    : session (sessionToPlay),
      source (sourceToPlay)
{
    jassert (session.editor != nullptr);
}

double EditorPlayback::samplesPerTick() const
{
    return session.editor->getTimerInterval() * session.harness.processor->getSampleRate() / 1000.0;
}

void EditorPlayback::playBlock()
{
    const auto channels = session.harness.channels;
    block.setSize (channels, blockSize, false, false, true);

    for (int i = 0; i < blockSize; ++i)
    {
        for (int channel = 0; channel < channels; ++channel)
            block.setSample (channel, i, source.getNumSamples() > 0
                                             ? source.getSample (juce::jmin (channel, source.getNumChannels() - 1), sourcePosition)
                                             : 0.0f);

        if (source.getNumSamples() > 0)
            sourcePosition = (sourcePosition + 1) % source.getNumSamples();
    }

    session.harness.process (block);
    samplesSinceTick += blockSize;

    if (onBlock)
        onBlock();
}

void EditorPlayback::playToNextTick()
{
    while (samplesSinceTick < samplesPerTick())
        playBlock();

    samplesSinceTick -= samplesPerTick();
}

void EditorPlayback::playOneTick()
{
    playToNextTick();
    session.editor->timerCallback();
}

int EditorPlayback::playFor (double seconds)
{
    const auto total = (long) std::lround (seconds * session.harness.processor->getSampleRate());
    int ticks = 0;

    for (long done = 0; done < total; done += blockSize)
    {
        playBlock();

        if (samplesSinceTick >= samplesPerTick())
        {
            samplesSinceTick -= samplesPerTick();
            session.editor->timerCallback();
            ++ticks;
        }
    }

    return ticks;
}
