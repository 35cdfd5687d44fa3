#include <gtest/gtest.h>

#include <juce_events/juce_events.h>

#include <atomic>
#include <cstdlib>
#include <iostream>

namespace
{
const juce::String kAssertionPrefix { "JUCE Assertion failure" };

/** Which part of the run a JUCE assertion happens in. */
enum class RunPhase
{
    testing,
    shuttingDown,
    staticDestruction
};

std::atomic<RunPhase> runPhase { RunPhase::testing };
std::atomic<bool> assertedAfterTests { false };

/**
    Where JUCE's failed assertions go when the build logs them (the address-sanitizer build
    compiles them in; the normal build leaves them out, and nothing reaches this). Each one
    fails the test that runs, or, after the tests, the whole run: JUCE's shutdown, and its leak
    detector, which reports every object of a class that carries one still alive when the
    process's static objects go.
*/
class AssertionFailingLogger final : public juce::Logger
{
public:
    void logMessage (const juce::String& message) override
    {
        std::cerr << message << std::endl;

        if (! message.startsWith (kAssertionPrefix))
            return;

        const auto fromLeakDetector = message.contains ("LeakedObjectDetector");

        switch (runPhase.load())
        {
            case RunPhase::testing:
                ADD_FAILURE() << message;
                return;

            case RunPhase::shuttingDown:
                assertedAfterTests = true;
                return;

            case RunPhase::staticDestruction:
                std::cerr << (fromLeakDetector ? "A JUCE object outlived the run (its class's leak detector counted it)."
                                               : "A JUCE assertion failed after the tests.")
                          << std::endl;
                // main has returned; only leaving at once can still make the run fail.
                std::_Exit (EXIT_FAILURE);
        }
    }
};
} // namespace

// Every test executable runs inside JUCE's message manager (parameter trees start timers, windows
// and the host's plug-in need it): the run owns one initialiser and its thread is the message thread.
int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    // Never deleted: the leak detector reports through it while static objects are destroyed.
    juce::Logger::setCurrentLogger (new AssertionFailingLogger());

    int result = 0;

    {
        juce::ScopedJuceInitialiser_GUI juce;
        result = RUN_ALL_TESTS();
        runPhase = RunPhase::shuttingDown;
    }

    runPhase = RunPhase::staticDestruction;
    return assertedAfterTests ? EXIT_FAILURE : result;
}
