#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstring>
#include <map>

/**
    The user's preferences that hold across projects (meter units, playback
    history, analyzer plot style, level-match mode), kept in memory as named
    sections of key/value texts and stored as one small INI-like text file.

    Section names are matched exactly; keys are matched ignoring case. Each
    processor owns one store, moved into it at construction. Only one thread
    touches a store at a time: the thread that creates the processor, then the
    message thread. The audio thread never uses it, and it has no lock.
*/
class SettingsStore final
{
public:
    /** Orders section names by their UTF-8 bytes, so upper case sorts before lower case. */
    struct Utf8ByteOrder
    {
        bool operator() (const juce::String& a, const juce::String& b) const noexcept
        {
            return std::strcmp (a.toRawUTF8(), b.toRawUTF8()) < 0;
        }
    };

    using SectionMap = std::map<juce::String, juce::StringPairArray, Utf8ByteOrder>;

    /** The folder, inside the user's documents folder, that holds the settings file. */
    static constexpr const char* kDefaultFolderName = "Audio-Kalvorin";

    /** The settings file's name. */
    static constexpr const char* kDefaultFileName = "settings.txt";

    /** The name used when a store is given an empty file name. */
    static constexpr const char* kFallbackFileName = "settings.ini";

    /** The section that holds the program's own keys, and that keys before any header belong to. */
    static constexpr const char* kGeneralSection = "General";

    /** At most this many bytes of a settings file are read. The program writes files of a few
        hundred bytes; the cap keeps a damaged or foreign huge file from stalling the thread
        that loads it (keys are looked up linearly within a section). A longer file is read up
        to its last complete line within the cap. */
    static constexpr std::size_t kMaxLoadBytes = 64 * 1024;

    /** Resolves the settings file in the user's documents folder: documents folder / folderName
        / fileName, with kFallbackFileName when fileName is empty. Only forms the path; nothing
        on disk is read, tested or created. Any thread. */
    static juce::File resolveSettingsFile (const juce::String& folderName, const juce::String& fileName);

    /** Builds an empty store (no sections) bound to the given file. Nothing on disk is touched.
        Any thread. */
    SettingsStore (juce::String folderName, juce::String fileName, juce::File settingsFile);

    /** Moves a store, e.g. into the processor that owns it; the source is left empty. */
    SettingsStore (SettingsStore&&) noexcept = default;

    /** Moves a store; the source is left empty. */
    SettingsStore& operator= (SettingsStore&&) noexcept = default;

    ~SettingsStore() = default;

    /** Reads the settings file and replaces the store's content with what it holds. When the
        file cannot be opened or read (missing, a folder, not a regular file, unreadable) the
        store keeps its content and nothing is created on disk. Malformed lines are skipped.
        Called once, by the processor's constructor. */
    void load();

    /** The stored value of key (ignoring case) in section (exact name), or defaultValue when the
        section or key is missing. A present key with an empty value gives the empty text.
        Message thread. */
    juce::String getValue (const juce::String& section, const juce::String& key,
                           const juce::String& defaultValue = {}) const;

    /** The value read as a base-10 integer (leading white space, optional sign, digits up to the
        first other character; no digits gives 0; out-of-range numbers saturate at the int
        limits), or defaultValue when the value is missing or empty. Message thread. */
    int getInt (const juce::String& section, const juce::String& key, int defaultValue) const;

    /** The value read as a switch: after trimming and lower-casing, "0", "false", "no" and "off"
        read as false; "1", "true", "yes", "on", and also missing, empty or unrecognised text,
        read as true. Message thread. */
    bool getBool (const juce::String& section, const juce::String& key) const;

    /** Sets key to value in section, creating the section when absent. A key already present
        (ignoring case) keeps its first spelling and position; a new key is appended. Memory
        only: nothing is written until save(). Message thread. */
    void setValue (const juce::String& section, const juce::String& key, const juce::String& value);

    /** Writes the whole store to the settings file, creating its folder when missing. The text
        goes to a temporary sibling that is synced and then renamed over the target, so a failed
        save leaves the old file as it was. Returns true when the file was replaced.
        Message thread. */
    bool save() const;

    /** The file this store reads and writes. Any thread. */
    const juce::File& getSettingsFile() const noexcept { return settingsFile; }

private:
    void parseLines (const juce::StringArray& lines);
    juce::String createFileText() const;

    SectionMap sections;
    juce::String folderName;
    juce::String fileName;
    juce::File settingsFile;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsStore)
};
