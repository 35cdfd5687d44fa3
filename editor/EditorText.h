#pragma once

#include <juce_core/juce_core.h>

#include <vector>

/**
    Texts the editor builds from file names and format lists: tab titles and tab texts, the
    empty state's line of supported formats and the file dialog's wildcard. Plain functions,
    any thread.
*/
namespace EditorText
{
/** File names longer than this are shortened for a tab title. */
constexpr int kMaxTabTitleLength = 22;

/** The title of a tab for a file name: the name itself up to 22 characters; a longer name
    keeps its extension and the start of its base around "...", or, without a usable
    extension, its first 21 characters and an ellipsis. */
juce::String shortenTabTitle (const juce::String& fileName);

/** The text of a tab: its position (from 1) with at least two digits, two spaces, the title. */
juce::String makeTabText (int position, const juce::String& title);

/** "Supported formats: " and each extension once, lower case, with one leading dot, in the
    order given; "Supported formats: (none registered)" for none. */
juce::String makeSupportedFormatsText (const std::vector<juce::StringArray>& extensionsPerFormat);

/** The file dialog's wildcard: one "*.ext" pattern per extension, each once (ignoring case),
    joined with ";". */
juce::String makeFileDialogWildcard (const std::vector<juce::StringArray>& extensionsPerFormat);
}
