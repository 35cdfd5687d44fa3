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

    // The window manager places and frames the window after it appears.
    screenOffset = XTestInput::findScreenOffset (*editor, { 200, 400 });

    editor->grabKeyboardFocus();
    MessagePump::runUntil ([this] { return editor->hasKeyboardFocus (true); }, kWindowTimeoutMs);
}

void EditorSession::destroyEditor()
{
    if (editor == nullptr)
        return;

    // What JUCE's VST3 layer does when the host closes the view: it closes the popup menus of
    // the plug-in's windows and tells the processor before the window goes.
    juce::PopupMenu::dismissAllActiveMenus();
    harness.processor->editorBeingDeleted (editor.get());
    editor.reset();
}

void EditorSession::close()
{
    destroyEditor();
    // A file dialog or menu that the editor opened goes with it; input reaches the next
    // window only once no modal component is left.
    MessagePump::runUntil ([] { return juce::Component::getCurrentlyModalComponent() == nullptr; }, kWindowTimeoutMs);
    MessagePump::runFor (20);
}

void EditorSession::removePlugin (const std::function<void()>& betweenWindowAndProcessor)
{
    destroyEditor();

    if (betweenWindowAndProcessor)
        betweenWindowAndProcessor();

    harness.processor.reset();
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
