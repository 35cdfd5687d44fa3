#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// Engine and processor tests need JUCE's message manager (parameter trees start timers), but
// never a window: the run owns one initialiser and the calling thread is the message thread.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
