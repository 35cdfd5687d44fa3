// Restores arbitrary text as the project's editor state into an editor whose processor holds two
// References, as opening the window of a project with a damaged or foreign "editorStateJson"
// does. Whatever the text, building the window, drawing it, processing a block and closing it
// may not crash, hang or grow without bound; every Reference tab built must show a file of the
// processor's list; and the text the closed window leaves in the project must restore again.
//
// The editor needs an X display (run it under scripts/with-display.sh).

#include "tests/fuzz/FuzzSupport.h"

#include "editor/EditorStateJson.h"
#include "editor/KalvorinAudioProcessorEditor.h"

#include <cstdlib>
#include <memory>

namespace
{
constexpr int kBlocksWithEditor = 1;

juce::StringArray loadedReferencePaths()
{
    return { FuzzSupport::stateReferenceFile().getFullPathName(), FuzzSupport::secondReferenceFile().getFullPathName() };
}

FuzzSupport::PreparedProcessor& preparedWithReferences()
{
    static FuzzSupport::PreparedProcessor prepared;
    return prepared;
}

/** Puts the processor's list back to the two References, in order: a restored text may have
    added files of its own, and the next input starts from the same list. */
void restoreReferenceList (KalvorinAudioProcessor& processor)
{
    const auto wanted = loadedReferencePaths();

    for (int i = (int) processor.references.size(); --i >= 0;)
        if (! wanted.contains (processor.references[(size_t) i].fullPath))
            processor.removeReference (i);

    for (const auto& path : wanted)
        if (processor.addReference (path) < 0)
            std::abort();
}

/** Opens the window on the processor's stored text, draws it when asked, processes a block
    with it open and closes it; aborts when a tab shows a file the processor does not hold. */
void openAndClose (FuzzSupport::PreparedProcessor& prepared, bool draw)
{
    auto& processor = *prepared.processor;
    std::unique_ptr<juce::AudioProcessorEditor> window (processor.createEditorIfNeeded());
    auto* editor = dynamic_cast<KalvorinAudioProcessorEditor*> (window.get());

    if (editor == nullptr)
        std::abort();

    juce::StringArray held;

    for (const auto& entry : processor.references)
        held.add (entry.fullPath);

    for (int i = 0; i < editor->getTabs().getNumTabs(); ++i)
        if (auto* page = editor->getReferencePage (i))
            if (! held.contains (page->getProperties()["fullPath"].toString()))
                std::abort();

    // The software renderer, at the window's size: what a host's first paint of it does.
    if (draw)
        juce::ignoreUnused (editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f));

    if (! prepared.processBlocks (kBlocksWithEditor))
        std::abort();

    // Closed as JUCE's plug-in layer closes it: the processor is told before the window goes.
    processor.editorBeingDeleted (editor);
}
} // namespace

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    FuzzSupport::initialiseJuce();
    restoreReferenceList (*preparedWithReferences().processor);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    // The text reaches the processor as a string of the framework, which holds valid UTF-8 only.
    if (size > (std::size_t) EditorStateJson::kMaxTextLength
        || ! juce::CharPointer_UTF8::isValidString (reinterpret_cast<const char*> (data), (int) size))
        return -1;

    auto& prepared = preparedWithReferences();
    auto& processor = *prepared.processor;

    processor.setEditorStateJson (juce::String::fromUTF8 (reinterpret_cast<const char*> (data), (int) size));
    openAndClose (prepared, true);

    // Closing saved the window's own text into the project; opened again, it restores.
    const auto saved = processor.getEditorStateJson();

    if (EditorStateJson::read (saved).kind != EditorStateJson::RestoreKind::listedTabs)
        std::abort();

    // Drawing is the slowest part of a run; the first window drew whatever the text can ask for.
    openAndClose (prepared, false);
    restoreReferenceList (processor);
    return 0;
}
