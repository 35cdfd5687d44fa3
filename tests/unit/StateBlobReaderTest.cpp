// The pre-parser that stands between the bytes a host hands back and JUCE's value-tree reader:
// the plug-in's own trees come through whole, and damaged or foreign bytes are refused quickly,
// never sending JUCE's reader past the end of the blob.
#include "engine/StateBlobReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{
using Bytes = std::string;

/** Far above what any blob here needs; only a hang or runaway allocation gets near it. */
constexpr double kHangGuardSeconds = 2.0;

/** Nesting far deeper than the plug-in ever writes, deep enough to exhaust a stack. */
constexpr int kAbsurdDepth = 100000;

Bytes bytesOf (const juce::MemoryOutputStream& out)
{
    return { static_cast<const char*> (out.getData()), out.getDataSize() };
}

Bytes blobOf (const juce::ValueTree& tree)
{
    juce::MemoryOutputStream out;
    tree.writeToStream (out);
    return bytesOf (out);
}

bool wellFormed (const Bytes& bytes, const char* expectedType = StateBlobReader::kStateType)
{
    return StateBlobReader::isWellFormed (bytes.data(), bytes.size(), expectedType);
}

juce::ValueTree readState (const Bytes& bytes)
{
    return StateBlobReader::read (bytes.data(), (int) bytes.size());
}

double secondsToRun (const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double> (std::chrono::steady_clock::now() - start).count();
}

/** A stream over the blob that notes when JUCE's reader asks for bytes the blob does not have:
    a reader that runs out has been trusting counts the pre-parser should have refused. */
class RunOutWatchingStream final : public juce::InputStream
{
public:
    explicit RunOutWatchingStream (const Bytes& bytes) : in (bytes.data(), bytes.size(), false) {}

    juce::int64 getTotalLength() override { return in.getTotalLength(); }
    bool isExhausted() override { return in.isExhausted(); }
    juce::int64 getPosition() override { return in.getPosition(); }
    bool setPosition (juce::int64 position) override { return in.setPosition (position); }

    int read (void* dest, int numBytes) override
    {
        const auto numRead = in.read (dest, numBytes);
        ranOut = ranOut || numRead < numBytes;
        return numRead;
    }

    bool ranOut = false;

private:
    juce::MemoryInputStream in;
};

/** A state tree holding every kind of value the stream format can carry, nested. */
juce::ValueTree everyKindOfValue()
{
    juce::ValueTree state (StateBlobReader::kStateType);
    state.setProperty ("monitorRef", 1.0, nullptr);
    state.setProperty ("activeRefIndex", -1, nullptr);
    state.setProperty ("editorStateJson", juce::String::fromUTF8 (u8"{\"tabs\": [\"Ré\", \"日本\"]}"), nullptr);
    state.setProperty ("big", (juce::int64) 1 << 40, nullptr);
    state.setProperty ("yes", true, nullptr);
    state.setProperty ("no", false, nullptr);
    state.setProperty ("void", juce::var(), nullptr);
    state.setProperty ("binary", juce::var (juce::MemoryBlock ("\0\1\2\3", 4)), nullptr);
    state.setProperty ("list", juce::Array<juce::var> { 1, "two", juce::Array<juce::var> { 3.0, juce::var() } }, nullptr);

    juce::ValueTree refs ("refs");

    for (const auto* path : { "/music/a.wav", "/music/b.flac", "" })
        refs.appendChild (juce::ValueTree ("ref").setProperty ("path", path, nullptr), nullptr);

    refs.appendChild (juce::ValueTree ("ref", {}, { juce::ValueTree ("deeper") }), nullptr);
    state.appendChild (refs, nullptr);
    state.appendChild (juce::ValueTree ("empty"), nullptr);
    return state;
}

/** A tree header, written by hand so that counts can lie. */
struct TreeWriter
{
    TreeWriter& type (const char* name)     { out.writeString (name); return *this; }
    TreeWriter& count (int n)               { out.writeCompressedInt (n); return *this; }
    TreeWriter& raw (const Bytes& bytes)    { out.write (bytes.data(), bytes.size()); return *this; }
    TreeWriter& byte (int b)                { out.writeByte ((char) b); return *this; }
    TreeWriter& name (const char* n)        { out.writeString (n); return *this; }
    Bytes bytes() const                     { return bytesOf (out); }

    juce::MemoryOutputStream out;
};

Bytes deeplyNestedChildren (int depth)
{
    TreeWriter w;

    for (int i = 0; i < depth; ++i)
        w.type (i == 0 ? StateBlobReader::kStateType : "c").count (0).count (1);

    w.type ("leaf").count (0).count (0);
    return w.bytes();
}

Bytes deeplyNestedArrays (int depth)
{
    TreeWriter w;
    w.type (StateBlobReader::kStateType).count (1).name ("list");

    // Each level claims one item and its own size; the sizes are not read for arrays.
    for (int i = 0; i < depth; ++i)
        w.count (2).byte (7).count (1);

    w.count (0);
    w.count (0);
    return w.bytes();
}

/** A state whose root holds `count` properties, each named apart ("p0", "p1", ...). */
Bytes distinctPropertyNames (int count)
{
    TreeWriter w;
    w.type (StateBlobReader::kStateType).count (count);

    for (int i = 0; i < count; ++i)
        w.name (("p" + std::to_string (i)).c_str()).count (0);

    return w.count (0).bytes();
}

/** A state whose root holds `count` children of one type, or each of a type of its own. */
Bytes manyChildren (int count, bool distinctTypes)
{
    TreeWriter w;
    w.type (StateBlobReader::kStateType).count (0).count (count);

    for (int i = 0; i < count; ++i)
        w.type (distinctTypes ? ("t" + std::to_string (i)).c_str() : "ref").count (0).count (0);

    return w.bytes();
}

/** A state holding one array of `count` empty values, a byte each in the blob. */
Bytes longArray (int count)
{
    TreeWriter w;
    w.type (StateBlobReader::kStateType).count (1).name ("list").count (2).byte (7).count (count);
    w.raw (Bytes ((size_t) count, '\0'));
    return w.count (0).bytes();
}

struct RefusedBlob
{
    const char* name;
    std::function<Bytes()> make;
};

std::ostream& operator<< (std::ostream& os, const RefusedBlob& blob) { return os << blob.name; }

const std::vector<RefusedBlob>& refusedBlobs()
{
    static const std::vector<RefusedBlob> blobs {
        { "empty", [] { return Bytes(); } },
        { "oneByte", [] { return Bytes ("K"); } },
        { "firstByteZero", [] { return Bytes ("\0KalvorinState\0\0\0", 17); } },
        { "typeWithoutTerminator", [] { return Bytes ("KalvorinState"); } },
        { "anotherType", [] { return blobOf (juce::ValueTree ("PARAMS").setProperty ("monitorRef", 1.0, nullptr)); } },
        { "typeThatOnlyStartsTheSame", [] { return blobOf (juce::ValueTree ("KalvorinStateOld")); } },
        { "typeThatIsOnlyAPrefix", [] { return blobOf (juce::ValueTree ("Kalvorin")); } },
        { "hugePropertyCount", [] { return TreeWriter().type (StateBlobReader::kStateType).count (std::numeric_limits<int>::max()).bytes(); } },
        { "hugeChildCount", [] { return TreeWriter().type (StateBlobReader::kStateType).count (0).count (std::numeric_limits<int>::max()).bytes(); } },
        { "childCountOneTooMany", [] { return TreeWriter().type (StateBlobReader::kStateType).count (0).count (2)
                                                  .type ("refs").count (0).count (0).bytes(); } },
        { "negativePropertyCount", [] { return TreeWriter().type (StateBlobReader::kStateType).count (-1).count (0).bytes(); } },
        { "negativeChildCount", [] { return TreeWriter().type (StateBlobReader::kStateType).count (0).count (-5).bytes(); } },
        { "countOfMoreThanFourBytes", [] { return TreeWriter().type (StateBlobReader::kStateType).byte (5).raw (Bytes (5, '\1')).count (0).bytes(); } },
        { "countWithTopBitSet", [] { return TreeWriter().type (StateBlobReader::kStateType).byte (4).raw ("\xff\xff\xff\xff").count (0).bytes(); } },
        { "countCutShort", [] { return TreeWriter().type (StateBlobReader::kStateType).byte (4).raw ("\1\0").bytes(); } },
        { "emptyPropertyName", [] { return TreeWriter().type (StateBlobReader::kStateType).count (1).name ("").count (0).count (0).bytes(); } },
        { "emptyChildType", [] { return TreeWriter().type (StateBlobReader::kStateType).count (0).count (1).name ("").count (0).count (0).bytes(); } },
        { "stringLongerThanTheBlob", [] { return TreeWriter().type (StateBlobReader::kStateType).count (1).name ("editorStateJson")
                                                     .count (std::numeric_limits<int>::max()).byte (5).raw ("{}").count (0).bytes(); } },
        { "binaryLongerThanTheBlob", [] { return TreeWriter().type (StateBlobReader::kStateType).count (1).name ("b")
                                                     .count (1 << 30).byte (8).raw ("xx").count (0).bytes(); } },
        { "unknownMarkerLongerThanTheBlob", [] { return TreeWriter().type (StateBlobReader::kStateType).count (1).name ("u")
                                                            .count (100000).byte (42).count (0).bytes(); } },
        { "hugeArray", [] { return TreeWriter().type (StateBlobReader::kStateType).count (1).name ("list")
                                       .count (2).byte (7).count (std::numeric_limits<int>::max()).count (0).bytes(); } },
        { "doubleCutShort", [] { return TreeWriter().type (StateBlobReader::kStateType).count (1).name ("monitorRef")
                                            .count (9).byte (4).raw ("\0\0\0").bytes(); } },
        { "markerMissing", [] { return TreeWriter().type (StateBlobReader::kStateType).count (1).name ("monitorRef").count (9).bytes(); } },
        { "propertiesButNoChildCount", [] { return TreeWriter().type (StateBlobReader::kStateType).count (0).bytes(); } },
        { "childrenNestedAbsurdlyDeep", [] { return deeplyNestedChildren (kAbsurdDepth); } },
        { "arraysNestedAbsurdlyDeep", [] { return deeplyNestedArrays (kAbsurdDepth); } },
        { "hundredsOfThousandsOfPropertyNames", [] { return distinctPropertyNames (200000); } },
        { "morePropertiesThanNames", [] { return distinctPropertyNames (StateBlobReader::kMaxNames + 1); } },
        { "hundredsOfThousandsOfTypeNames", [] { return manyChildren (200000, true); } },
        { "aMillionChildren", [] { return manyChildren (1000000, false); } },
        { "tenMillionArrayItems", [] { return longArray (10000000); } },
        { "xmlInsteadOfATree", [] { return Bytes ("<?xml version=\"1.0\"?><KalvorinState/>"); } },
        { "vst2ChunkHeader", [] { return Bytes ("CcnK\0\0\0\x10" "FBCh", 12); } },
    };
    return blobs;
}

class StateBlobReaderRefuses : public ::testing::TestWithParam<RefusedBlob> {};
} // namespace

TEST (StateBlobReader, readsThePluginsOwnStateBackWhole)
{
    const auto state = everyKindOfValue();
    const auto blob = blobOf (state);

    const auto read = readState (blob);
    ASSERT_TRUE (read.isValid());
    EXPECT_TRUE (read.isEquivalentTo (state)) << read.toXmlString();
}

TEST (StateBlobReader, ignoresWhatFollowsTheTree)
{
    const auto state = everyKindOfValue();
    auto blob = blobOf (state);
    blob += Bytes ("\0\0\0\0\0\0\0\0JUCEPrivateData\x7f\xff\xff", 26);

    const auto read = readState (blob);
    ASSERT_TRUE (read.isValid());
    EXPECT_TRUE (read.isEquivalentTo (state));
}

TEST (StateBlobReader, refusesEveryTruncationOfAValidState)
{
    const auto blob = blobOf (everyKindOfValue());
    ASSERT_TRUE (wellFormed (blob));

    for (size_t length = 0; length < blob.size(); ++length)
    {
        const Bytes prefix (blob, 0, length);
        EXPECT_FALSE (wellFormed (prefix, nullptr)) << "length " << length << " of " << blob.size();
        EXPECT_FALSE (readState (prefix).isValid()) << "length " << length;
    }
}

TEST (StateBlobReader, readsAStateWithAThousandReferences)
{
    juce::ValueTree state (StateBlobReader::kStateType);
    state.setProperty ("monitorRef", 0.0, nullptr);
    state.setProperty ("activeRefIndex", 999, nullptr);
    juce::ValueTree refs ("refs");

    for (int i = 0; i < 1000; ++i)
        refs.appendChild (juce::ValueTree ("ref").setProperty ("path", "/music/take" + juce::String (i) + ".wav", nullptr), nullptr);

    state.appendChild (refs, nullptr);

    const auto read = readState (blobOf (state));
    ASSERT_TRUE (read.isValid());
    EXPECT_TRUE (read.isEquivalentTo (state));
}

TEST (StateBlobReader, readsATreeAtEveryLimitAtOnceQuickly)
{
    // The costliest tree the reader lets through: as many trees, values and names as it allows,
    // each tree with as many properties as there are names.
    TreeWriter w;
    const auto numChildren = StateBlobReader::kMaxTrees - 1;
    const auto propertiesEach = StateBlobReader::kMaxValues / StateBlobReader::kMaxTrees;
    w.type (StateBlobReader::kStateType).count (0).count (numChildren);

    for (int c = 0; c < numChildren; ++c)
    {
        w.type ("ref").count (propertiesEach);

        for (int p = 0; p < propertiesEach; ++p)
            w.name (("p" + std::to_string ((c + p) % (StateBlobReader::kMaxNames - 2))).c_str()).count (0);

        w.count (0);
    }

    const auto blob = w.bytes();
    juce::ValueTree read;
    const auto seconds = secondsToRun ([&] { read = readState (blob); });

    ASSERT_TRUE (read.isValid());
    EXPECT_EQ (read.getNumChildren(), numChildren);
    EXPECT_LT (seconds, kHangGuardSeconds) << "hang guard";
}

TEST (StateBlobReader, checksTheTypeOnlyWhenOneIsExpected)
{
    const auto blob = blobOf (juce::ValueTree ("PARAMS", {}, { juce::ValueTree ("PARAM") }));

    EXPECT_TRUE (wellFormed (blob, nullptr));
    EXPECT_TRUE (wellFormed (blob, "PARAMS"));
    EXPECT_FALSE (wellFormed (blob, StateBlobReader::kStateType));
    EXPECT_FALSE (readState (blob).isValid());
}

TEST_P (StateBlobReaderRefuses, damagedOrForeignBytesQuickly)
{
    const auto blob = GetParam().make();
    juce::ValueTree read;

    const auto seconds = secondsToRun ([&] { read = readState (blob); });

    EXPECT_FALSE (read.isValid());
    EXPECT_LT (seconds, kHangGuardSeconds) << "hang guard";
}

INSTANTIATE_TEST_SUITE_P (Blobs, StateBlobReaderRefuses, ::testing::ValuesIn (refusedBlobs()),
                          [] (const auto& blob) { return std::string (blob.param.name); });

TEST (StateBlobReader, acceptsEveryTreeJucesReaderCanReadWithoutRunningOut)
{
    // Random bytes, the same behind the plug-in's type name, and a valid state with a few
    // bytes changed: whatever the pre-parser lets through, JUCE's reader must read to a valid
    // tree without asking for a byte the blob does not have.
    const auto valid = blobOf (everyKindOfValue());
    const Bytes typeName (StateBlobReader::kStateType, std::strlen (StateBlobReader::kStateType) + 1);
    int accepted = 0;

    for (unsigned int seed = 0; seed < 20000; ++seed)
    {
        std::mt19937 random (seed);
        std::uniform_int_distribution<int> anyByte (0, 255);
        Bytes blob;

        switch (seed % 3)
        {
            case 0:
            case 1:
            {
                blob = seed % 3 == 0 ? Bytes() : typeName;
                const auto length = std::uniform_int_distribution<size_t> (0, 200) (random);

                // Small values make counts and markers plausible, so deeper paths get walked.
                for (size_t i = 0; i < length; ++i)
                    blob += (char) (random() % 4 == 0 ? anyByte (random) : anyByte (random) % 10);
                break;
            }

            default:
            {
                blob = valid;
                const auto changes = std::uniform_int_distribution<int> (1, 4) (random);

                for (int i = 0; i < changes; ++i)
                    blob[std::uniform_int_distribution<size_t> (0, blob.size() - 1) (random)] = (char) anyByte (random);
                break;
            }
        }

        const auto seconds = secondsToRun ([&]
        {
            const auto expectType = seed % 3 == 0 ? nullptr : StateBlobReader::kStateType;

            if (! wellFormed (blob, expectType))
                return;

            ++accepted;
            RunOutWatchingStream in (blob);
            const auto tree = juce::ValueTree::readFromStream (in);
            EXPECT_TRUE (tree.isValid()) << "seed " << seed;
            EXPECT_FALSE (in.ranOut) << "seed " << seed;
        });

        ASSERT_LT (seconds, kHangGuardSeconds) << "hang guard, seed " << seed;
    }

    // The check above means something only if some of these blobs got through.
    EXPECT_GT (accepted, 1000);
}
