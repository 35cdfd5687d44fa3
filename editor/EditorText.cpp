#include "editor/EditorText.h"

namespace EditorText
{
namespace
{
constexpr int kMinBaseCharacters = 3;
constexpr int kShortenedBaseBudget = 19;
constexpr int kCutNameLength = 21;
constexpr juce::juce_wchar kEllipsis = 0x2026;
}

juce::String shortenTabTitle (const juce::String& fileName)
{
    const auto length = fileName.length();

    if (length <= kMaxTabTitleLength)
        return fileName;

    const auto dot = fileName.lastIndexOfChar ('.');

    if (dot > 0 && dot < length - 1)
    {
        const auto base = fileName.substring (0, dot);
        const auto extension = fileName.substring (dot);
        const auto keep = juce::jmax (kMinBaseCharacters, kShortenedBaseBudget - extension.length());
        return base.substring (0, keep) + "..." + extension;
    }

    return fileName.substring (0, kCutNameLength) + juce::String::charToString (kEllipsis);
}

juce::String makeTabText (int position, const juce::String& title)
{
    return juce::String (position).paddedLeft ('0', 2) + "  " + title;
}

juce::String makeSupportedFormatsText (const std::vector<juce::StringArray>& extensionsPerFormat)
{
    juce::StringArray entries;

    for (const auto& extensions : extensionsPerFormat)
        for (const auto& extension : extensions)
            if (extension.isNotEmpty())
                entries.addIfNotAlreadyThere (extension.toLowerCase());

    entries.removeEmptyStrings (true);
    entries.removeDuplicates (true);

    if (entries.isEmpty())
        return "Supported formats: (none registered)";

    for (auto& entry : entries)
        if (! entry.startsWithChar ('.'))
            entry = "." + entry;

    return "Supported formats: " + entries.joinIntoString (", ");
}

juce::String makeFileDialogWildcard (const std::vector<juce::StringArray>& extensionsPerFormat)
{
    juce::StringArray patterns;

    for (const auto& extensions : extensionsPerFormat)
    {
        for (const auto& extension : extensions)
        {
            const auto trimmed = extension.trim();

            if (trimmed.isEmpty())
                continue;

            patterns.add (trimmed.startsWithChar ('.') ? "*" + trimmed : "*." + trimmed);
        }
    }

    patterns.removeDuplicates (true);
    return patterns.joinIntoString (";");
}
}
