#include "SettingsStore.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace
{
using CodePoints = std::vector<juce::juce_wchar>;

constexpr juce::juce_wchar kReplacementCharacter = 0xfffd;

bool isLineBreak (juce::juce_wchar c) noexcept
{
    // A NUL is never text; it is taken as a line break so that a damaged stretch of zeros
    // cannot swallow the lines that follow it.
    return c == '\n' || c == '\r' || c == 0;
}

/** Drops everything after the last line break, so that a file cut off at the read cap
    never yields a half line (for example a value missing its end). */
void dropPartialLastLine (CodePoints& text)
{
    auto end = text.size();

    while (end > 0 && ! isLineBreak (text[end - 1]))
        --end;

    text.resize (end);
}

CodePoints decodeUtf16 (const std::uint8_t* data, std::size_t size, bool bigEndian)
{
    CodePoints text;
    text.reserve (size / 2);

    const auto unitAt = [&] (std::size_t i)
    {
        const auto first = (std::uint32_t) data[i];
        const auto second = (std::uint32_t) data[i + 1];
        return bigEndian ? ((first << 8) | second) : ((second << 8) | first);
    };

    const auto numUnits = size / 2; // an odd last byte is not a whole code unit and is dropped

    for (std::size_t i = 0; i < numUnits; ++i)
    {
        const auto unit = unitAt (2 * i);

        if (unit >= 0xd800 && unit <= 0xdbff && i + 1 < numUnits)
        {
            const auto next = unitAt (2 * (i + 1));

            if (next >= 0xdc00 && next <= 0xdfff)
            {
                text.push_back ((juce::juce_wchar) (0x10000 + ((unit - 0xd800) << 10) + (next - 0xdc00)));
                ++i;
                continue;
            }
        }

        // A lone surrogate is not a character; keeping it would put invalid text into the store
        // and, on the next save, into the file.
        if (unit >= 0xd800 && unit <= 0xdfff)
            text.push_back (kReplacementCharacter);
        else
            text.push_back ((juce::juce_wchar) unit);
    }

    return text;
}

/** Strict UTF-8: overlong forms, surrogates and values past U+10FFFF are refused, so that a
    file in another 8-bit encoding is not mistaken for UTF-8. */
bool decodeUtf8 (const std::uint8_t* data, std::size_t size, CodePoints& text)
{
    text.clear();
    text.reserve (size);

    for (std::size_t i = 0; i < size;)
    {
        const auto lead = (std::uint32_t) data[i];

        if (lead < 0x80)
        {
            text.push_back ((juce::juce_wchar) lead);
            ++i;
            continue;
        }

        std::size_t extra = 0;
        std::uint32_t value = 0, minimum = 0;

        if ((lead & 0xe0) == 0xc0)      { extra = 1; value = lead & 0x1f; minimum = 0x80; }
        else if ((lead & 0xf0) == 0xe0) { extra = 2; value = lead & 0x0f; minimum = 0x800; }
        else if ((lead & 0xf8) == 0xf0) { extra = 3; value = lead & 0x07; minimum = 0x10000; }
        else                            return false;

        if (i + extra >= size)
            return false;

        for (std::size_t k = 1; k <= extra; ++k)
        {
            const auto continuation = (std::uint32_t) data[i + k];

            if ((continuation & 0xc0) != 0x80)
                return false;

            value = (value << 6) | (continuation & 0x3f);
        }

        if (value < minimum || value > 0x10ffff || (value >= 0xd800 && value <= 0xdfff))
            return false;

        text.push_back ((juce::juce_wchar) value);
        i += extra + 1;
    }

    return true;
}

CodePoints decodeWindows1252 (const std::uint8_t* data, std::size_t size)
{
    CodePoints text;
    text.reserve (size);

    for (std::size_t i = 0; i < size; ++i)
        text.push_back (juce::CharacterFunctions::getUnicodeCharFromWindows1252Codepage (data[i]));

    return text;
}

/** Decodes the file's bytes: a UTF-16 byte order mark selects UTF-16 in that order, a UTF-8
    mark is skipped, other bytes are UTF-8 or, when they are not valid UTF-8, Windows-1252.
    When the bytes were cut off at the read cap, the unfinished last line is dropped. */
CodePoints decodeFileText (const std::uint8_t* data, std::size_t size, bool wasCutOff)
{
    CodePoints text;

    if (size >= 2 && ((data[0] == 0xff && data[1] == 0xfe) || (data[0] == 0xfe && data[1] == 0xff)))
    {
        text = decodeUtf16 (data + 2, size - 2, data[0] == 0xfe);
    }
    else
    {
        if (size >= 3 && data[0] == 0xef && data[1] == 0xbb && data[2] == 0xbf)
        {
            data += 3;
            size -= 3;
        }

        // Cut before validating: a multi-byte character split by the cap must not turn the
        // whole file into Windows-1252. Line-break bytes never occur inside a UTF-8 sequence.
        if (wasCutOff)
            while (size > 0 && ! isLineBreak ((juce::juce_wchar) data[size - 1]))
                --size;

        if (! decodeUtf8 (data, size, text))
            text = decodeWindows1252 (data, size);
    }

    if (wasCutOff)
        dropPartialLastLine (text);

    return text;
}

juce::StringArray splitLines (const CodePoints& text)
{
    juce::StringArray lines;
    std::size_t start = 0;

    const auto addLine = [&] (std::size_t end)
    {
        lines.add (juce::String (juce::CharPointer_UTF32 (text.data() + start),
                                 juce::CharPointer_UTF32 (text.data() + end)));
    };

    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (! isLineBreak (text[i]))
            continue;

        addLine (i);

        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;

        start = i + 1;
    }

    if (start < text.size())
        addLine (text.size());

    return lines;
}

juce::String unescapeValue (const juce::String& value)
{
    if (! value.containsChar ('\\'))
        return value;

    juce::String result;
    result.preallocateBytes (value.getNumBytesAsUTF8());

    for (auto p = value.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c != '\\' || p.isEmpty())
        {
            result += c;
            continue;
        }

        switch (*p)
        {
            case '"':  result += '"';  ++p; break;
            case '\\': result += '\\'; ++p; break;
            case 'n':  result += '\n'; ++p; break;
            case 't':  result += '\t'; ++p; break;
            default:   result += '\\';      break; // the next character is read normally
        }
    }

    return result;
}

/** Section names and keys are written unescaped; a line break in one would split the line and
    let the rest be read as a header or key of its own, so it is written as a space. */
juce::String asSingleLine (const juce::String& name)
{
    return name.replaceCharacters ("\r\n", "  ");
}

juce::String formatValue (const juce::String& value)
{
    // There is no escape for a carriage return, and written raw it would end the line on
    // reading; line breaks in a value are therefore kept as line feeds.
    const auto normalised = value.replace ("\r\n", "\n").replaceCharacter ('\r', '\n');

    juce::String escaped;
    escaped.preallocateBytes (normalised.getNumBytesAsUTF8() + 8);

    for (auto p = normalised.getCharPointer(); ! p.isEmpty();)
    {
        switch (const auto c = p.getAndAdvance())
        {
            case '\t': escaped += "\\t";  break;
            case '\n': escaped += "\\n";  break;
            case '"':  escaped += "\\\""; break;
            case '\\': escaped += "\\\\"; break;
            default:   escaped += c;      break;
        }
    }

    // Quoting keeps white space at the ends, which reading trims from bare values.
    const auto needsQuotes = escaped.containsAnyOf (" #;[]=:\t\"\\") || escaped != escaped.trim();

    return needsQuotes ? "\"" + escaped + "\"" : escaped;
}

/** Flushes the folder's entry for a renamed file to disk; best effort, as the file itself is
    already synced and in place. */
void syncFolder (const juce::File& folder)
{
    const auto fd = ::open (folder.getFullPathName().toRawUTF8(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);

    if (fd >= 0)
    {
        ::fsync (fd);
        ::close (fd);
    }
}
} // namespace

//==============================================================================
juce::File SettingsStore::resolveSettingsFile (const juce::String& folderName, const juce::String& fileName)
{
    return juce::File::getSpecialLocation (juce::File::userDocumentsDirectory)
        .getChildFile (folderName)
        .getChildFile (fileName.isEmpty() ? juce::String (kFallbackFileName) : fileName);
}

SettingsStore::SettingsStore (juce::String folderNameToUse, juce::String fileNameToUse, juce::File fileToUse)
    : folderName (std::move (folderNameToUse)),
      fileName (std::move (fileNameToUse)),
      settingsFile (std::move (fileToUse))
{
}

//==============================================================================
void SettingsStore::load()
{
    // Only a regular file is read: opening a folder succeeds on Linux, and a FIFO or device
    // would block or never end.
    std::error_code error;

    if (settingsFile == juce::File()
        || ! std::filesystem::is_regular_file (settingsFile.getFullPathName().toStdString(), error))
        return;

    juce::FileInputStream stream (settingsFile);

    if (! stream.openedOk())
        return;

    // One byte past the cap tells whether the file was longer.
    std::vector<std::uint8_t> bytes (kMaxLoadBytes + 1);
    std::size_t numRead = 0;

    while (numRead < bytes.size())
    {
        const auto n = stream.read (bytes.data() + numRead, (int) (bytes.size() - numRead));

        if (n <= 0)
            break;

        numRead += (std::size_t) n;
    }

    if (stream.getStatus().failed())
        return;

    const auto wasCutOff = numRead > kMaxLoadBytes;
    const auto text = decodeFileText (bytes.data(), wasCutOff ? kMaxLoadBytes : numRead, wasCutOff);

    parseLines (splitLines (text));
}

void SettingsStore::parseLines (const juce::StringArray& lines)
{
    sections.clear();
    auto* current = &sections.try_emplace (kGeneralSection, juce::StringPairArray (true)).first->second;

    for (const auto& rawLine : lines)
    {
        const auto line = rawLine.trim();

        if (line.isEmpty() || line[0] == ';' || line[0] == '#')
            continue;

        if (line.length() >= 2 && line.startsWithChar ('[') && line.endsWithChar (']'))
        {
            auto name = line.substring (1, line.length() - 1).trim();

            if (name.isEmpty())
                name = kGeneralSection;

            current = &sections.try_emplace (name, juce::StringPairArray (true)).first->second;
            continue;
        }

        const auto equals = line.indexOfChar ('=');

        if (equals < 0)
            continue;

        const auto key = line.substring (0, equals).trim();
        auto value = line.substring (equals + 1).trim();

        if (value.length() >= 2 && value.startsWithChar ('"') && value.endsWithChar ('"'))
            value = value.substring (1, value.length() - 1);

        current->set (key, unescapeValue (value));
    }
}

//==============================================================================
juce::String SettingsStore::getValue (const juce::String& section, const juce::String& key,
                                      const juce::String& defaultValue) const
{
    const auto found = sections.find (section);

    if (found == sections.end())
        return defaultValue;

    return found->second.getValue (key, defaultValue);
}

int SettingsStore::getInt (const juce::String& section, const juce::String& key, int defaultValue) const
{
    const auto text = getValue (section, key);

    if (text.isEmpty())
        return defaultValue;

    auto p = text.getCharPointer();

    while (! p.isEmpty() && juce::CharacterFunctions::isWhitespace (*p))
        ++p;

    const auto negative = *p == '-';

    if (*p == '-' || *p == '+')
        ++p;

    // Accumulated as a magnitude one past INT_MAX so that INT_MIN itself is reachable; longer
    // numbers saturate rather than wrap.
    constexpr auto kMagnitudeLimit = (std::int64_t) INT_MAX + 1;
    std::int64_t magnitude = 0;

    for (; *p >= '0' && *p <= '9'; ++p)
        magnitude = std::min (kMagnitudeLimit, magnitude * 10 + (std::int64_t) (*p - '0'));

    if (negative)
        return (int) -magnitude;

    return (int) std::min (magnitude, (std::int64_t) INT_MAX);
}

bool SettingsStore::getBool (const juce::String& section, const juce::String& key) const
{
    const auto text = getValue (section, key).trim().toLowerCase();

    return ! (text == "0" || text == "false" || text == "no" || text == "off");
}

void SettingsStore::setValue (const juce::String& section, const juce::String& key, const juce::String& value)
{
    sections.try_emplace (section, juce::StringPairArray (true)).first->second.set (key, value);
}

//==============================================================================
juce::String SettingsStore::createFileText() const
{
    juce::String text;

    for (const auto& [name, pairs] : sections)
    {
        text << "[" << asSingleLine (name) << "]\n";

        const auto& keys = pairs.getAllKeys();
        const auto& values = pairs.getAllValues();

        for (int i = 0; i < keys.size(); ++i)
            text << asSingleLine (keys[i]) << "=" << formatValue (values[i]) << "\n";

        text << "\n";
    }

    return text;
}

bool SettingsStore::save() const
{
    if (settingsFile == juce::File())
        return false;

    const auto folder = settingsFile.getParentDirectory();

    if (! folder.isDirectory())
        folder.createDirectory(); // a failure shows when the temporary file cannot be opened

    const auto text = createFileText();
    const auto numBytes = text.getNumBytesAsUTF8();

    // Removes the sibling on every early return, so a failed save leaves no stray file.
    const juce::TemporaryFile temporary (settingsFile);

    {
        juce::FileOutputStream stream (temporary.getFile());

        if (! stream.openedOk())
            return false;

        if (! stream.write (text.toRawUTF8(), numBytes))
            return false;

        stream.flush(); // also syncs the file to disk

        if (stream.getStatus().failed())
            return false;
    }

    // The stream's flush does not report a short write (for example a full disk), so the
    // size on disk is checked before the old file is given up.
    if (temporary.getFile().getSize() != (juce::int64) numBytes)
        return false;

    // One rename replaces the target atomically: readers see the old file or the new one.
    if (std::rename (temporary.getFile().getFullPathName().toRawUTF8(),
                     settingsFile.getFullPathName().toRawUTF8()) != 0)
        return false;

    syncFolder (folder);
    return true;
}
