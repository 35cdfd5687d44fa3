#include <gtest/gtest.h>

#include "engine/SettingsStore.h"

#include <juce_core/juce_core.h>

#include <climits>
#include <csignal>
#include <cstdint>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
using Bytes = std::string;

Bytes readBytes (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return { static_cast<const char*> (block.getData()), block.getSize() };
}

void writeBytes (const juce::File& file, const Bytes& bytes)
{
    ASSERT_TRUE (file.getParentDirectory().createDirectory().wasOk());
    ASSERT_TRUE (file.replaceWithData (bytes.data(), bytes.size()));
}

juce::String utf8 (const char* text)
{
    return juce::String::fromUTF8 (text);
}

/** A fresh folder per test, below the build tree's scratch folder when the test runner names
    one, removed afterwards. */
class SettingsStoreFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto scratch = juce::SystemStats::getEnvironmentVariable ("KALVORIN_TEST_TMP", {});
        const auto base = scratch.isNotEmpty() ? juce::File (scratch)
                                               : juce::File::getSpecialLocation (juce::File::tempDirectory);
        root = base.getNonexistentChildFile ("settings_store_test", {}, false);
        ASSERT_TRUE (root.createDirectory().wasOk());
    }

    void TearDown() override
    {
        ::chmod (root.getFullPathName().toRawUTF8(), 0755);
        root.deleteRecursively();
    }

    juce::File documents() const { return root.getChildFile ("Documents"); }
    juce::File settingsFile() const { return documents().getChildFile ("Audio-Kalvorin").getChildFile ("settings.txt"); }

    static SettingsStore storeFor (const juce::File& file)
    {
        return SettingsStore ("Audio-Kalvorin", "settings.txt", file);
    }

    SettingsStore loadBytes (const Bytes& bytes) const
    {
        writeBytes (settingsFile(), bytes);
        auto store = storeFor (settingsFile());
        store.load();
        return store;
    }

    /** Names in the settings folder other than the settings file itself: a failed or finished
        save must leave no temporary sibling behind. */
    juce::StringArray strayFiles() const
    {
        juce::StringArray names;

        for (const auto& f : settingsFile().getParentDirectory().findChildFiles (juce::File::findFilesAndDirectories, false))
            if (f != settingsFile())
                names.add (f.getFileName());

        return names;
    }

    juce::File root;
};

constexpr const char* kMissing = "<missing>";

//==============================================================================
struct ReadCase
{
    const char* name;

    friend void PrintTo (const ReadCase& c, std::ostream* os) { *os << c.name; }

    Bytes fileText;
    const char* section;
    const char* key;
    const char* expected; // UTF-8, or kMissing
};

class SettingsStoreReading : public SettingsStoreFolder,
                             public ::testing::WithParamInterface<ReadCase>
{
};

TEST_P (SettingsStoreReading, fileLineGivesTheStoredValue)
{
    const auto& c = GetParam();
    const auto store = loadBytes (c.fileText);

    EXPECT_EQ (store.getValue (c.section, c.key, kMissing), utf8 (c.expected));
}

INSTANTIATE_TEST_SUITE_P (
    Lines, SettingsStoreReading,
    ::testing::Values (
        ReadCase { "blankHeaderNamesGeneral",            "[   ]\nA=1\n",                          "General", "A", "1" },
        ReadCase { "keysBeforeAnyHeaderAreGeneral",      "A=1\n[Other]\nB=2\n",                  "General", "A", "1" },
        ReadCase { "headerCreatesItsSection",            "A=1\n[Other]\nB=2\n",                  "Other", "B", "2" },
        ReadCase { "keyAfterHeaderIsNotInGeneral",       "[Other]\nB=2\n",                       "General", "B", kMissing },
        ReadCase { "sectionNamesMatchExactly",           "K=1\n[general]\nK=2\n",               "General", "K", "1" },
        ReadCase { "reopenedSectionKeepsItsKeys",        "[Other]\nJ=1\n[General]\n[Other]\nL=2\n", "Other", "J", "1" },
        ReadCase { "keysMatchIgnoringCaseLaterLineWins", "levelmeterunit_1=1\nLevelMeterUnit_1=3\n", "General", "LevelMeterUnit_1", "3" },
        ReadCase { "semicolonAfterQuotesKeepsQuotes",    "K=\"quoted\";more\n",                  "General", "K", "\"quoted\";more" },
        ReadCase { "quotesKeepInnerSpaces",              "K=\"  spaced  \"\n",                   "General", "K", "  spaced  " },
        ReadCase { "loneQuoteIsAValue",                  "K=\"\n",                               "General", "K", "\"" },
        ReadCase { "twoQuotesAreEmpty",                  "K=\"\"\n",                             "General", "K", "" },
        ReadCase { "knownEscapesDecode",                 R"(K=a\tb\"c\\d\ne)" "\n",              "General", "K", "a\tb\"c\\d\ne" },
        ReadCase { "escapesDecodeLeftToRight",           R"(K=\\n)" "\n",                        "General", "K", "\\n" },
        ReadCase { "unknownEscapeKeepsBackslash",        R"(K=C:\path\x\)" "\n",                 "General", "K", "C:\\path\\x\\" },
        ReadCase { "valueSplitsAtFirstEqualsOnly",       "K=a=b;c#d]\n",                         "General", "K", "a=b;c#d]" },
        ReadCase { "semicolonAfterTextIsNotAComment",    "K=  ; not a comment\n",                "General", "K", "; not a comment" },
        ReadCase { "wholeLineCommentIsSkipped",          "; K=1\n# K=2\n",                       "General", "K", kMissing },
        ReadCase { "keyAndValueAreTrimmed",              "  K  =   v  \n",                       "General", "K", "v" },
        ReadCase { "emptyKeyIsAKey",                     "=orphan\n",                            "General", "", "orphan" },
        ReadCase { "lineWithoutEqualsIsSkipped",         "no equals here\nK=1\n",                "General", "K", "1" },
        ReadCase { "unclosedHeaderIsAKeyLine",           "[Broken=5\n",                          "General", "[Broken", "5" },
        ReadCase { "unclosedHeaderKeepsCurrentSection",  "[Other]\n[Broken\nK=1\n",              "Other", "K", "1" },
        ReadCase { "carriageReturnEndsALine",            "A=1\rB=2\r\nC=3",                      "General", "B", "2" },
        ReadCase { "lastLineNeedsNoEnding",              "A=1\rB=2\r\nC=3",                      "General", "C", "3" },
        ReadCase { "emptyValueIsStored",                 "K=\n",                                 "General", "K", "" }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

//==============================================================================
struct EncodingCase
{
    const char* name;

    friend void PrintTo (const EncodingCase& c, std::ostream* os) { *os << c.name; }

    Bytes fileBytes;
    const char* key;
    const char* expected; // UTF-8
};

class SettingsStoreEncoding : public SettingsStoreFolder,
                              public ::testing::WithParamInterface<EncodingCase>
{
};

TEST_P (SettingsStoreEncoding, fileBytesDecodeToTheExpectedText)
{
    const auto& c = GetParam();
    const auto store = loadBytes (c.fileBytes);

    EXPECT_EQ (store.getValue ("General", c.key, kMissing), utf8 (c.expected));
}

Bytes utf16 (const std::u16string& text, bool bigEndian)
{
    Bytes bytes = bigEndian ? Bytes ("\xfe\xff") : Bytes ("\xff\xfe");

    for (const auto unit : text)
    {
        const auto high = (char) (unit >> 8), low = (char) (unit & 0xff);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }

    return bytes;
}

INSTANTIATE_TEST_SUITE_P (
    Encodings, SettingsStoreEncoding,
    ::testing::Values (
        EncodingCase { "utf16LittleEndian",          utf16 (u"K=\u00fc\U0001F600\r\n", false),   "K", "\xc3\xbc\xf0\x9f\x98\x80" },
        EncodingCase { "utf16BigEndian",             utf16 (u"K=\u00fc\U0001F600\r\n", true),    "K", "\xc3\xbc\xf0\x9f\x98\x80" },
        EncodingCase { "utf16LoneSurrogateReplaced", utf16 (u"K=a\xd800z\n", false),            "K", "a\xef\xbf\xbdz" },
        EncodingCase { "utf16OddLastByteDropped",    utf16 (u"K=ab", false) + "x",             "K", "ab" },
        EncodingCase { "utf8ByteOrderMarkSkipped",   "\xef\xbb\xbfK=\xc3\xbc\n",                 "K", "\xc3\xbc" },
        EncodingCase { "windows1252WhenNotUtf8",     "K=\xe9\x80\n",                             "K", "\xc3\xa9\xe2\x82\xac" },
        EncodingCase { "overlongUtf8IsNotUtf8",      "K=\xc0\xaf\n",                             "K", "\xc3\x80\xc2\xaf" },
        EncodingCase { "encodedSurrogateIsNotUtf8",  "K=\xed\xa0\x80\n",                         "K", "\xc3\xad\xc2\xa0\xe2\x82\xac" },
        EncodingCase { "nulDoesNotHideLaterLines",   Bytes ("A=1\0K=2\n", 8),                   "K", "2" },
        EncodingCase { "nulEndsTheLineBeforeIt",     Bytes ("K=1\0\0\0B=2\n", 10),              "K", "1" }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST_F (SettingsStoreFolder, utf16FileIsRewrittenAsUtf8WithoutByteOrderMark)
{
    const auto store = loadBytes (utf16 (u"[General]\r\nK=\u00fc\r\n", false));
    ASSERT_TRUE (store.save());

    EXPECT_EQ (readBytes (settingsFile()), "[General]\nK=\xc3\xbc\n\n");
}

//==============================================================================
struct WriteCase
{
    const char* name;

    friend void PrintTo (const WriteCase& c, std::ostream* os) { *os << c.name; }

    const char* value;    // UTF-8, as set
    const char* line;     // the key line as written
    const char* readBack; // the value a later load gives
};

class SettingsStoreWriting : public SettingsStoreFolder,
                             public ::testing::WithParamInterface<WriteCase>
{
};

TEST_P (SettingsStoreWriting, valueIsWrittenInItsFormAndReadsBack)
{
    const auto& c = GetParam();

    auto store = storeFor (settingsFile());
    store.setValue ("General", "K", utf8 (c.value));
    ASSERT_TRUE (store.save());

    EXPECT_EQ (readBytes (settingsFile()), "[General]\n" + Bytes (c.line) + "\n\n");

    auto reread = storeFor (settingsFile());
    reread.load();
    EXPECT_EQ (reread.getValue ("General", "K", kMissing), utf8 (c.readBack));
}

INSTANTIATE_TEST_SUITE_P (
    Values, SettingsStoreWriting,
    ::testing::Values (
        WriteCase { "plainWordIsBare",            "Bars",              "K=Bars",                 "Bars" },
        WriteCase { "decimalIsBare",              "12.5",              "K=12.5",                 "12.5" },
        WriteCase { "emptyIsBare",                "",                  "K=",                     "" },
        WriteCase { "nonAsciiIsBareUtf8",         "\xc3\xbc\xe2\x82\xac", "K=\xc3\xbc\xe2\x82\xac", "\xc3\xbc\xe2\x82\xac" },
        WriteCase { "tabAndQuoteAreEscaped",      "a\tb\"c",           R"(K="a\tb\"c")",         "a\tb\"c" },
        WriteCase { "backslashIsDoubled",         "C:\\new",           R"(K="C:\\new")",         "C:\\new" },
        WriteCase { "lineFeedIsEscaped",          "one\ntwo",          R"(K="one\ntwo")",        "one\ntwo" },
        WriteCase { "outerSpacesAreQuoted",       "  pad  ",           R"(K="  pad  ")",         "  pad  " },
        WriteCase { "outerQuotesSurvive",         "\"q\"",             R"(K="\"q\"")",           "\"q\"" },
        WriteCase { "commentCharactersQuoted",    ";#x",               R"(K=";#x")",             ";#x" },
        WriteCase { "bracketsAndColonQuoted",     "[a]:b=c",           R"(K="[a]:b=c")",         "[a]:b=c" },
        WriteCase { "otherOuterWhiteSpaceQuoted", "\vx",               "K=\"\vx\"",              "\vx" },
        WriteCase { "carriageReturnCannotSplit",  "a\r\nb\rc",         R"(K="a\nb\nc")",         "a\nb\nc" }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

//==============================================================================
TEST_F (SettingsStoreFolder, commentsOnlyFileSavesAsOneEmptyGeneralSection)
{
    const auto store = loadBytes ("; written by hand\n\n   # nothing else\n");
    ASSERT_TRUE (store.save());

    EXPECT_EQ (readBytes (settingsFile()), "[General]\n\n");
}

TEST_F (SettingsStoreFolder, saveOrdersSectionsByUtf8BytesAndKeysByFirstSetting)
{
    auto store = storeFor (settingsFile());
    store.setValue ("alpha", "x", "1");
    store.setValue (utf8 ("\xc3\x84rger"), "x", "2");
    store.setValue ("Zeta", "x", "3");
    store.setValue ("Empty", "gone", "4");
    store.setValue ("General", "LevelMeterUnit_1", "2");
    store.setValue ("General", "LevelMeterUnit_2", "0");
    store.setValue ("General", "PlaybackHistoryEnabled", "true");
    store.setValue ("General", "levelmeterunit_1", "4"); // replaces, keeping spelling and place

    ASSERT_TRUE (store.save());

    EXPECT_EQ (readBytes (settingsFile()),
               "[Empty]\ngone=4\n\n"
               "[General]\nLevelMeterUnit_1=4\nLevelMeterUnit_2=0\nPlaybackHistoryEnabled=true\n\n"
               "[Zeta]\nx=3\n\n"
               "[alpha]\nx=1\n\n"
               "[\xc3\x84rger]\nx=2\n\n");
}

TEST_F (SettingsStoreFolder, loadAndSaveKeepUnknownSectionsAndDropCommentsAndLayout)
{
    auto store = loadBytes ("; mine\r\n[Other]\r\n  Zeta = \"z z\"  \r\n[]\r\nlevelmeterunit_1=1\r\nLevelMeterUnit_1=3\r\n");
    EXPECT_EQ (store.getInt ("General", "LevelMeterUnit_1", 2), 3);

    store.setValue ("General", "LevelMatchMode", "1");
    ASSERT_TRUE (store.save());

    EXPECT_EQ (readBytes (settingsFile()),
               "[General]\nlevelmeterunit_1=3\nLevelMatchMode=1\n\n"
               "[Other]\nZeta=\"z z\"\n\n");
}

TEST_F (SettingsStoreFolder, nameWithALineBreakCannotAddLinesToTheFile)
{
    auto store = storeFor (settingsFile());
    store.setValue ("General", "Bad\n[Evil]\nInjected", "1");
    store.setValue ("Odd\rName", "K", "2");
    ASSERT_TRUE (store.save());

    auto reread = storeFor (settingsFile());
    reread.load();
    EXPECT_EQ (reread.getValue ("Evil", "Injected", kMissing), kMissing);
    EXPECT_EQ (reread.getValue ("General", "Bad [Evil] Injected", kMissing), "1");
    EXPECT_EQ (reread.getValue ("Odd Name", "K", kMissing), "2");
}

//==============================================================================
struct IntCase
{
    const char* name;

    friend void PrintTo (const IntCase& c, std::ostream* os) { *os << c.name; }

    std::optional<const char*> stored; // nullopt: key absent
    int expected;
};

class SettingsStoreIntegers : public ::testing::TestWithParam<IntCase>
{
};

TEST_P (SettingsStoreIntegers, textReadsAsInteger)
{
    const auto& c = GetParam();
    SettingsStore store ("Audio-Kalvorin", "settings.txt", {});

    if (c.stored.has_value())
        store.setValue ("General", "LevelMeterUnit_1", *c.stored);

    EXPECT_EQ (store.getInt ("General", "LevelMeterUnit_1", 2), c.expected);
}

INSTANTIATE_TEST_SUITE_P (
    Texts, SettingsStoreIntegers,
    ::testing::Values (
        IntCase { "missingGivesDefault",         std::nullopt,     2 },
        IntCase { "emptyGivesDefault",           "",               2 },
        IntCase { "outOfRangeUnitIsReturnedRaw", "7",              7 },
        IntCase { "noDigitsGivesZero",           "abc",            0 },
        IntCase { "blanksOnlyGiveZero",          "   ",            0 },
        IntCase { "leadingBlanksAndSign",        "  -12x",         -12 },
        IntCase { "plusSign",                    "+5",             5 },
        IntCase { "signWithoutDigitsGivesZero",  "- 5",            0 },
        IntCase { "fractionIsCut",               "3.9",            3 },
        IntCase { "smallestInt",                 "-2147483648",    INT_MIN },
        IntCase { "tooLargeSaturates",           "99999999999",    INT_MAX },
        IntCase { "tooSmallSaturates",           "-99999999999",   INT_MIN },
        IntCase { "manyDigitsSaturate",          "123456789012345678901234567890", INT_MAX }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

struct BoolCase
{
    const char* name;

    friend void PrintTo (const BoolCase& c, std::ostream* os) { *os << c.name; }

    std::optional<const char*> stored;
    bool expected;
};

class SettingsStoreSwitches : public ::testing::TestWithParam<BoolCase>
{
};

TEST_P (SettingsStoreSwitches, textReadsAsSwitch)
{
    const auto& c = GetParam();
    SettingsStore store ("Audio-Kalvorin", "settings.txt", {});

    if (c.stored.has_value())
        store.setValue ("General", "PlaybackHistoryEnabled", *c.stored);

    EXPECT_EQ (store.getBool ("General", "PlaybackHistoryEnabled"), c.expected);
}

INSTANTIATE_TEST_SUITE_P (
    Texts, SettingsStoreSwitches,
    ::testing::Values (
        BoolCase { "missingIsTrue",       std::nullopt, true },
        BoolCase { "emptyIsTrue",         "",           true },
        BoolCase { "unrecognisedIsTrue",  "maybe",      true },
        BoolCase { "twoIsTrue",           "2",          true },
        BoolCase { "yesAnyCaseIsTrue",    "YeS",        true },
        BoolCase { "offIsFalse",          "Off",        false },
        BoolCase { "offPaddedUpperFalse", "  OFF\t",    false },
        BoolCase { "zeroIsFalse",         "0",          false },
        BoolCase { "noIsFalse",           "no",         false },
        BoolCase { "falseIsFalse",        "False",      false }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (SettingsStore, presentEmptyValueDiffersFromMissingKeyInStringLookup)
{
    SettingsStore store ("Audio-Kalvorin", "settings.txt", {});
    store.setValue ("General", "AnalyzerPlotStyle", "");

    EXPECT_EQ (store.getValue ("General", "AnalyzerPlotStyle", "Bars"), "");
    EXPECT_EQ (store.getValue ("General", "Missing", "Bars"), "Bars");
    EXPECT_EQ (store.getValue ("Absent", "AnalyzerPlotStyle", "Bars"), "Bars");
}

//==============================================================================
enum class Unopenable { missing, folder, pathBelowARegularFile, danglingLink, fifo };

class SettingsStoreUnopenableFile : public SettingsStoreFolder,
                                    public ::testing::WithParamInterface<Unopenable>
{
};

TEST_P (SettingsStoreUnopenableFile, loadKeepsContentAndCreatesNothing)
{
    const auto folder = documents().getChildFile ("Audio-Kalvorin");
    auto target = settingsFile();

    switch (GetParam())
    {
        case Unopenable::missing:
            break;
        case Unopenable::folder:
            ASSERT_TRUE (target.getChildFile ("inside").createDirectory().wasOk());
            break;
        case Unopenable::pathBelowARegularFile:
            writeBytes (folder, "K=1\n");
            break;
        case Unopenable::danglingLink:
            ASSERT_TRUE (folder.createDirectory().wasOk());
            ASSERT_TRUE (root.getChildFile ("nowhere").createSymbolicLink (target, true));
            break;
        case Unopenable::fifo:
            ASSERT_TRUE (folder.createDirectory().wasOk());
            ASSERT_EQ (::mkfifo (target.getFullPathName().toRawUTF8(), 0644), 0);
            break;
    }

    const auto before = root.findChildFiles (juce::File::findFilesAndDirectories, true);

    auto store = storeFor (target);
    store.setValue ("General", "AnalyzerPlotStyle", "Lines");
    store.load();

    EXPECT_EQ (store.getValue ("General", "AnalyzerPlotStyle", kMissing), "Lines");
    EXPECT_EQ (root.findChildFiles (juce::File::findFilesAndDirectories, true), before);
}

INSTANTIATE_TEST_SUITE_P (
    Kinds, SettingsStoreUnopenableFile,
    ::testing::Values (Unopenable::missing, Unopenable::folder, Unopenable::pathBelowARegularFile,
                       Unopenable::danglingLink, Unopenable::fifo),
    [] (const auto& testInfo)
    {
        switch (testInfo.param)
        {
            case Unopenable::missing:               return "missing";
            case Unopenable::folder:                return "folder";
            case Unopenable::pathBelowARegularFile: return "pathBelowARegularFile";
            case Unopenable::danglingLink:          return "danglingLink";
            case Unopenable::fifo:                  return "fifo";
        }
        return "unknown";
    });

TEST_F (SettingsStoreFolder, missingFileLeavesAFreshStoreWithoutSections)
{
    auto store = storeFor (settingsFile());
    store.load();

    EXPECT_EQ (store.getInt ("General", "LevelMeterUnit_1", 2), 2);
    EXPECT_FALSE (documents().exists());

    store.setValue ("General", "LevelMatchMode", "2");
    ASSERT_TRUE (store.save()); // creates the documents folder and the settings folder
    EXPECT_EQ (readBytes (settingsFile()), "[General]\nLevelMatchMode=2\n\n");
    EXPECT_TRUE (strayFiles().isEmpty());
}

TEST_F (SettingsStoreFolder, fileWithoutReadPermissionLeavesTheStoreAsItWas)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";

    writeBytes (settingsFile(), "K=1\n");
    ASSERT_EQ (::chmod (settingsFile().getFullPathName().toRawUTF8(), 0), 0);

    auto store = storeFor (settingsFile());
    store.setValue ("General", "K", "kept");
    store.load();

    EXPECT_EQ (store.getValue ("General", "K", kMissing), "kept");
}

//==============================================================================
TEST_F (SettingsStoreFolder, binaryGarbageLoadsWithoutHarmAndSavesToAStableFile)
{
    for (const auto seed : { 1u, 2u, 3u, 4u })
    {
        SCOPED_TRACE (seed);

        std::mt19937 random (seed);
        Bytes garbage (256 * 1024, '\0');

        for (auto& b : garbage)
            b = (char) (random() & 0xff);

        if (seed == 2) // the same noise behind a UTF-16 byte order mark
            garbage[0] = '\xff', garbage[1] = '\xfe';

        auto store = loadBytes (garbage);
        ASSERT_TRUE (store.save());
        const auto firstSave = readBytes (settingsFile());

        auto reread = storeFor (settingsFile());
        reread.load();
        ASSERT_TRUE (reread.save());

        // Whatever the noise made of the store, the file it writes reads back to the same store.
        EXPECT_EQ (readBytes (settingsFile()), firstSave);
    }
}

TEST_F (SettingsStoreFolder, hugeFileLoadsItsCompleteLinesUpToTheCapAndStaysOnDisk)
{
    constexpr std::size_t kHugeBytes = 40u * 1024u * 1024u;

    Bytes text = "Early=\xc3\xbc\n";
    const Bytes filler = "Filler=" + Bytes (57, 'x') + "\n"; // 65 bytes: lines straddle the cap

    while (text.size() < SettingsStore::kMaxLoadBytes - 10)
        text += filler;

    text += "Cut=" + Bytes (40, 'y') + "\n"; // crosses the cap
    text.resize (kHugeBytes - 7, 'z');
    text += "\nLate=2";

    const auto store = loadBytes (text);

    EXPECT_EQ (store.getValue ("General", "Early", kMissing), utf8 ("\xc3\xbc")); // still UTF-8
    EXPECT_EQ (store.getValue ("General", "Filler", kMissing), juce::String::repeatedString ("x", 57));
    EXPECT_EQ (store.getValue ("General", "Cut", kMissing), kMissing); // never a half value
    EXPECT_EQ (store.getValue ("General", "Late", kMissing), kMissing);
    EXPECT_EQ (settingsFile().getSize(), (juce::int64) kHugeBytes);
}

TEST_F (SettingsStoreFolder, hugeFileWithoutLineBreaksLoadsAsEmptyGeneralSection)
{
    const auto store = loadBytes ("K=" + Bytes (20u * 1024u * 1024u, 'a'));

    EXPECT_EQ (store.getValue ("General", "K", kMissing), kMissing);
    ASSERT_TRUE (store.save());
    EXPECT_EQ (readBytes (settingsFile()), "[General]\n\n");
}

//==============================================================================
TEST_F (SettingsStoreFolder, saveBelowARegularFileFailsAndLeavesThatFileWhole)
{
    const auto blocker = documents().getChildFile ("Audio-Kalvorin");
    writeBytes (blocker, "not a folder\n");

    auto store = storeFor (settingsFile());
    store.setValue ("General", "LevelMatchMode", "1");

    EXPECT_FALSE (store.save());
    EXPECT_EQ (readBytes (blocker), "not a folder\n");
    EXPECT_EQ (store.getValue ("General", "LevelMatchMode", kMissing), "1"); // kept in memory
}

TEST_F (SettingsStoreFolder, saveOverAFolderFailsAndLeavesNoTemporaryFile)
{
    writeBytes (settingsFile().getChildFile ("keep.txt"), "keep");

    auto store = storeFor (settingsFile());
    store.setValue ("General", "LevelMatchMode", "1");

    EXPECT_FALSE (store.save());
    EXPECT_EQ (readBytes (settingsFile().getChildFile ("keep.txt")), "keep");
    EXPECT_TRUE (strayFiles().isEmpty()) << strayFiles().joinIntoString (", ");
}

TEST_F (SettingsStoreFolder, saveThatCannotWriteEveryByteFailsAndLeavesTheOldFileWhole)
{
    const Bytes old = "[General]\nLevelMatchMode=2\n\n";
    writeBytes (settingsFile(), old);

    auto store = storeFor (settingsFile());
    store.load();
    store.setValue ("General", "Long", Bytes (200, 'v'));

    // A file size limit cuts the write short, as a full disk does; it also holds for root.
    rlimit previousLimit {};
    ASSERT_EQ (::getrlimit (RLIMIT_FSIZE, &previousLimit), 0);
    const auto previousHandler = std::signal (SIGXFSZ, SIG_IGN);

    rlimit smallLimit = previousLimit;
    smallLimit.rlim_cur = 64;
    ASSERT_EQ (::setrlimit (RLIMIT_FSIZE, &smallLimit), 0);

    const auto saved = store.save();

    ::setrlimit (RLIMIT_FSIZE, &previousLimit);
    std::signal (SIGXFSZ, previousHandler);

    EXPECT_FALSE (saved);
    EXPECT_EQ (readBytes (settingsFile()), old);
    EXPECT_TRUE (strayFiles().isEmpty()) << strayFiles().joinIntoString (", ");
}

TEST_F (SettingsStoreFolder, saveReplacesTheOldFileAndLeavesNoTemporaryFile)
{
    writeBytes (settingsFile(), "[General]\nLevelMatchMode=2\nExtra=" + Bytes (500, 'e') + "\n");

    auto store = storeFor (settingsFile());
    store.load();
    store.setValue ("General", "LevelMatchMode", "0");
    ASSERT_TRUE (store.save());

    EXPECT_EQ (readBytes (settingsFile()), "[General]\nLevelMatchMode=0\nExtra=" + Bytes (500, 'e') + "\n\n");
    EXPECT_TRUE (strayFiles().isEmpty()) << strayFiles().joinIntoString (", ");
}

TEST (SettingsStore, storeWithoutAFileCannotSave)
{
    SettingsStore store ("Audio-Kalvorin", "settings.txt", {});
    store.setValue ("General", "K", "1");

    EXPECT_FALSE (store.save());
}

//==============================================================================
TEST_F (SettingsStoreFolder, movedStoreKeepsItsValuesAndFile)
{
    auto local = storeFor (settingsFile());
    local.setValue ("General", "AnalyzerPlotStyle", "Lines");

    SettingsStore owned (std::move (local));
    ASSERT_TRUE (owned.save());

    EXPECT_EQ (owned.getSettingsFile(), settingsFile());
    EXPECT_EQ (owned.getValue ("General", "AnalyzerPlotStyle", kMissing), "Lines");
    EXPECT_EQ (readBytes (settingsFile()), "[General]\nAnalyzerPlotStyle=Lines\n\n");
}

TEST (SettingsStore, defaultFileLiesInTheSettingsFolderOfTheDocumentsFolder)
{
    const auto documents = juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);

    EXPECT_EQ (SettingsStore::resolveSettingsFile ("Audio-Kalvorin", "settings.txt"),
               documents.getChildFile ("Audio-Kalvorin").getChildFile ("settings.txt"));
    EXPECT_EQ (SettingsStore::resolveSettingsFile ("Audio-Kalvorin", {}).getFileName(), "settings.ini");
}
} // namespace
