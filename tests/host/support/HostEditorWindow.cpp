#include "host/support/HostEditorWindow.h"

#include "support/XTestInput.h"

namespace
{
/** Long enough for the window to map, the tabs to build and the waveforms to be read and drawn. */
constexpr int kPumpMs = 1500;
/** About one block's time at the usual rates. */
constexpr int kBlockMs = 10;
constexpr int kGrabTimeoutMs = 20000;
}

HostEditorWindow::HostEditorWindow (juce::AudioPluginInstance& hosted, int blockSizeToUse)
    : instance (hosted), blockSize (blockSizeToUse), editor (hosted.createEditorIfNeeded())
{
    if (editor == nullptr)
        return;

    window.setUsingNativeTitleBar (true);
    window.setContentNonOwned (editor.get(), true);
    window.setVisible (true);
    pump();
}

HostEditorWindow::~HostEditorWindow()
{
    close();
}

void HostEditorWindow::pump()
{
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) kPumpMs;

    while (juce::Time::getMillisecondCounter() < end)
    {
        buffer.clear();
        instance.processBlock (buffer, midi);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (kBlockMs);
    }
}

juce::Rectangle<int> HostEditorWindow::screenArea() const
{
    auto* peer = window.getPeer();

    if (editor == nullptr || peer == nullptr)
        return {};

    // The window manager frames and places the window after JUCE has put it somewhere; the X
    // server knows where its client area really is, and the editor sits at a fixed place in it.
    const auto client = XTestInput::windowArea ((unsigned long) (juce::pointer_sized_uint) peer->getNativeHandle());
    const auto inWindow = window.getLocalArea (editor.get(), editor->getLocalBounds());
    return inWindow + client.getPosition();
}

bool HostEditorWindow::grabInto (const juce::File& file) const
{
    return editor != nullptr && grabScreenArea (screenArea(), file);
}

void HostEditorWindow::close()
{
    window.clearContentComponent();
    window.setVisible (false);
    editor.reset();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
}

juce::Image grabScreenImage (juce::Rectangle<int> area)
{
    const auto screenFile = juce::File::createTempFile ("-screen.png");
    juce::ChildProcess grab;

    if (! grab.start (juce::StringArray { "import", "-window", "root", screenFile.getFullPathName() }))
        return {};

    grab.waitForProcessToFinish (kGrabTimeoutMs);
    const auto screen = juce::ImageFileFormat::loadFrom (screenFile);
    screenFile.deleteFile();

    const auto shown = area.getIntersection (screen.getBounds());
    return screen.isValid() && ! shown.isEmpty() ? screen.getClippedImage (shown) : juce::Image();
}

bool grabScreenArea (juce::Rectangle<int> area, const juce::File& file)
{
    const auto shown = grabScreenImage (area);

    if (! shown.isValid())
        return false;

    file.deleteFile();
    juce::FileOutputStream out (file);
    return out.openedOk() && juce::PNGImageFormat().writeImageToStream (shown, out);
}

juce::File screenshotFile (const juce::String& name)
{
    const auto folder = juce::File (KALVORIN_TEST_OUTPUT_DIR).getChildFile ("screenshots");
    folder.createDirectory();
    return folder.getChildFile (name);
}
