#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

// Every test executable runs inside JUCE's message manager (parameter trees start timers, windows
// and the host's plug-in need it): the run owns one initialiser and its thread is the message thread.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
