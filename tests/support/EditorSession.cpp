#include "support/EditorSession.h"

#include "support/AudioFileFixtures.h"
#include "support/MessageLoop.h"
#include "support/XTestInput.h"

namespace
{
constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 512;
constexpr int kWindowTimeoutMs = 5000;
}

EditorSession::EditorSession()
    : harness (folder.folder)
{
    harness.prepare (kSampleRate, kBlockSize);
}

EditorSession::~EditorSession()
{
    close();
}

KalvorinAudioProcessorEditor& EditorSession::open()
{
    editor.reset (dynamic_cast<KalvorinAudioProcessorEditor*> (harness.processor->createEditorIfNeeded()));
    return *editor;
}

KalvorinAudioProcessorEditor& EditorSession::openWithReferences (const juce::StringArray& names, double seconds)
{
    for (const auto& name : names)
        harness.processor->addReference (writeWav (name, seconds).getFullPathName());

    open();
    deliverPendingMessages();
    return *editor;
}

void EditorSession::showOnScreen()
{
    if (editor == nullptr)
        open();

    MessagePump::runUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; }, kWindowTimeoutMs);

    editor->setTopLeftPosition (40, 40);
    editor->addToDesktop (0);
    editor->setVisible (true);
    editor->toFront (true);

    MessagePump::runUntil ([this] { return editor->isShowing() && editor->getPeer() != nullptr; }, kWindowTimeoutMs);

    // The window manager places and frames the window after it appears; screen positions are
    // right once a pointer sent to a point of the editor arrives there.
    struct PointerProbe final : juce::MouseListener
    {
        void mouseMove (const juce::MouseEvent& e) override { last = e.getEventRelativeTo (target).getPosition(); }
        juce::Component* target = nullptr;
        juce::Point<int> last { -1, -1 };
    } probe;

    probe.target = editor.get();
    editor->addMouseListener (&probe, true);
    const juce::Point<int> spots[] = { { 200, 400 }, { 210, 410 } };

    for (int attempt = 0; attempt < 50; ++attempt)
    {
        const auto spot = spots[attempt % 2];
        probe.last = { -1, -1 };
        XTestInput::moveTo (toScreen (*editor, spot));

        if (MessagePump::runUntil ([&] { return probe.last == spot; }, 100))
            break;

        // Where JUCE believes the window is can lag behind the window manager's placement;
        // the pointer events tell where it really is.
        if (probe.last != juce::Point<int> (-1, -1))
            screenOffset += spot - probe.last;
    }

    editor->removeMouseListener (&probe);

    editor->grabKeyboardFocus();
    MessagePump::runUntil ([this] { return editor->hasKeyboardFocus (true); }, kWindowTimeoutMs);
}

void EditorSession::close()
{
    editor.reset();
    // A file dialog or menu that the editor opened goes with it; input reaches the next
    // window only once no modal component is left.
    MessagePump::runUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; }, kWindowTimeoutMs);
    MessagePump::runFor (20);
}

juce::File EditorSession::writeWav (const juce::String& name, double seconds) const
{
    const auto file = folder.file (name);
    AudioFileFixtures::writeSine (file, kSampleRate, 2, seconds, 440.0);
    return file;
}

juce::Point<int> EditorSession::toScreen (const juce::Component& component, juce::Point<int> localPoint) const
{
    return component.localPointToGlobal (localPoint) + screenOffset;
}

juce::StringArray EditorSession::tabTexts() const
{
    return editor->getTabs().getTabbedButtonBar().getTabNames();
}

juce::StringArray EditorSession::referencePaths() const
{
    juce::StringArray paths;

    for (const auto& entry : harness.processor->references)
        paths.add (entry.fullPath);

    return paths;
}

juce::StringArray EditorSession::tabPaths() const
{
    juce::StringArray paths;

    for (int i = 0; i < editor->getTabs().getNumTabs(); ++i)
        if (auto* page = editor->getReferencePage (i))
            paths.add (page->getProperties()["fullPath"].toString());

    return paths;
}

juce::Point<int> EditorSession::tabButtonCentre (int tabIndex) const
{
    auto* button = editor->getTabs().getTabbedButtonBar().getTabButton (tabIndex);
    return button != nullptr ? toScreen (*button, button->getLocalBounds().getCentre()) : juce::Point<int>();
}

SignalViewTab* EditorSession::currentPage() const
{
    return editor->getReferencePage (editor->getTabs().getCurrentTabIndex());
}

juce::File EditorSession::saveScreenshot (const juce::String& name) const
{
    const auto file = juce::File (KALVORIN_TEST_OUTPUT_DIR).getChildFile ("screenshots").getChildFile (name);
    file.getParentDirectory().createDirectory();
    file.deleteFile();

    const auto image = editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);
    juce::FileOutputStream stream (file);

    if (stream.openedOk())
        juce::PNGImageFormat().writeImageToStream (image, stream);

    return file;
}
