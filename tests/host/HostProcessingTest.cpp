// The built bundle in JUCE's own VST3 host: preparation at the usual rates and block sizes, audio
// through the plug-in, the monitor parameter from the host side, and the editor in a real window.
#include "host/support/HostEditorWindow.h"
#include "host/support/HostedPlugin.h"

#include <gtest/gtest.h>

namespace
{
struct HostCase
{
    double sampleRate;
    int blockSize;
};

class HostProcessing : public ::testing::TestWithParam<HostCase> {};
} // namespace

TEST_P (HostProcessing, passesTheSourceAndFollowsTheMonitorParameter)
{
    const auto [rate, block] = GetParam();
    juce::String error;
    auto instance = HostedPlugin::create (KALVORIN_BUNDLE_PATH, rate, block, error);
    ASSERT_NE (instance, nullptr) << error;

    EXPECT_EQ (instance->getTotalNumInputChannels(), 2);
    EXPECT_EQ (instance->getTotalNumOutputChannels(), 2);
    instance->prepareToPlay (rate, block);

    auto* monitor = HostedPlugin::findParameter (*instance, "Monitor");
    ASSERT_NE (monitor, nullptr);
    EXPECT_EQ (monitor->getNumSteps(), 2);
    EXPECT_EQ (monitor->getValue(), 0.0f) << "the Reference is monitored by default";

    juce::AudioBuffer<float> buffer (2, block);
    juce::MidiBuffer midi;

    // With no Reference loaded the output is the Source, whichever signal is monitored.
    for (const auto value : { 0.0f, 1.0f, 0.0f })
    {
        monitor->setValueNotifyingHost (value);

        for (int b = 0; b < 8; ++b)
        {
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < block; ++i)
                    buffer.setSample (ch, i, 0.25f * std::sin (0.01f * (float) (i + b * block)) * (ch == 0 ? 1.0f : -1.0f));

            juce::AudioBuffer<float> input (buffer);
            instance->processBlock (buffer, midi);

            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < block; ++i)
                    ASSERT_NEAR (buffer.getSample (ch, i), input.getSample (ch, i), 1e-6f);
        }
    }

    instance->releaseResources();
}

INSTANTIATE_TEST_SUITE_P (RatesAndBlockSizes, HostProcessing,
                          ::testing::Values (HostCase { 44100.0, 64 }, HostCase { 44100.0, 512 },
                                             HostCase { 48000.0, 128 }, HostCase { 48000.0, 1024 },
                                             HostCase { 96000.0, 256 }, HostCase { 96000.0, 2048 }),
                          [] (const auto& info) { return std::to_string ((int) info.param.sampleRate) + "Hz_"
                                                         + std::to_string (info.param.blockSize); });

TEST (HostEditor, opensInARealWindowAtItsDefaultSize)
{
    juce::String error;
    auto instance = HostedPlugin::create (KALVORIN_BUNDLE_PATH, 48000.0, 512, error);
    ASSERT_NE (instance, nullptr) << error;
    ASSERT_TRUE (instance->hasEditor());

    std::unique_ptr<juce::AudioProcessorEditor> editor (instance->createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);

    juce::DocumentWindow window ("Audio-Kalvorin", juce::Colours::black, 0);
    window.setUsingNativeTitleBar (true);
    window.setContentNonOwned (editor.get(), true);
    window.setVisible (true);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (500);

    EXPECT_TRUE (window.isOnDesktop());
    EXPECT_EQ (editor->getWidth(), 1200);
    EXPECT_EQ (editor->getHeight(), 720);

    // The editor lives in the plug-in's own X window inside the host's; only a grab of the
    // screen shows what a user sees. Left of the empty state's logo and texts, the editor must
    // carry its background.
    const auto shot = screenshotFile ("host-editor.png");
    shot.deleteFile();

    juce::ChildProcess grab;
    ASSERT_TRUE (grab.start (juce::StringArray { "import", "-window", "root", shot.getFullPathName() }));
    grab.waitForProcessToFinish (20000);

    const auto screen = juce::ImageFileFormat::loadFrom (shot);
    ASSERT_TRUE (screen.isValid());
    const auto besideLogo = editor->localPointToGlobal (juce::Point<int> (200, 400));
    ASSERT_TRUE (screen.getBounds().contains (besideLogo));
    EXPECT_EQ (screen.getPixelAt (besideLogo.x, besideLogo.y).getARGB(), 0xff07100du);

    window.clearContentComponent();
    editor.reset();
    instance.reset();
}
