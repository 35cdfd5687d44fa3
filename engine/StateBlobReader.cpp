#include "engine/StateBlobReader.h"

#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_set>

namespace
{
// Markers of JUCE's var stream format.
enum VarMarker : juce::uint8
{
    markerInt = 1,
    markerBoolTrue = 2,
    markerBoolFalse = 3,
    markerDouble = 4,
    markerString = 5,
    markerInt64 = 6,
    markerArray = 7,
    markerBinary = 8
};

/** A bounded cursor that mirrors the reads JUCE's value-tree parser makes. */
class Walker
{
public:
    Walker (const void* data, size_t size) : bytes (static_cast<const juce::uint8*> (data)), end (size) {}

    bool tree (int depth, const char* expectedType)
    {
        if (depth > StateBlobReader::kMaxDepth || ++numTrees > StateBlobReader::kMaxTrees)
            return false;

        std::string_view type;

        if (! name (type))
            return false;

        if (expectedType != nullptr && type != expectedType)
            return false;

        int numProperties = 0;

        // Every property takes at least a name byte, its terminator and a size byte. A tree
        // cannot hold two properties of one name, so a tree JUCE wrote has no more properties
        // than there are names.
        if (! count (numProperties, 3) || numProperties > StateBlobReader::kMaxNames)
            return false;

        for (int i = 0; i < numProperties; ++i)
        {
            std::string_view propertyName;

            if (! name (propertyName) || ! var (depth + 1))
                return false;
        }

        int numChildren = 0;

        // Every child takes at least a type byte, its terminator and two count bytes.
        if (! count (numChildren, 4))
            return false;

        for (int i = 0; i < numChildren; ++i)
            if (! tree (depth + 1, nullptr))
                return false;

        return true;
    }

private:
    size_t remaining() const noexcept { return end - pos; }

    bool skip (size_t n) noexcept
    {
        if (n > remaining())
            return false;

        pos += n;
        return true;
    }

    /** The bytes of a text up to its terminator (or the end of its field). */
    static size_t utf8Length (const juce::uint8* text, size_t maxBytes) noexcept
    {
        const auto* terminator = static_cast<const juce::uint8*> (std::memchr (text, 0, maxBytes));
        return terminator != nullptr ? (size_t) (terminator - text) : maxBytes;
    }

    static bool isUtf8 (const juce::uint8* text, size_t length) noexcept
    {
        return juce::CharPointer_UTF8::isValidString (reinterpret_cast<const char*> (text), (int) length);
    }

    /** A zero-terminated, non-empty type or property name, counted among the distinct names. */
    bool name (std::string_view& text)
    {
        const auto* start = bytes + pos;
        const auto* terminator = static_cast<const juce::uint8*> (std::memchr (start, 0, remaining()));

        if (terminator == nullptr || terminator == start)
            return false;

        const auto length = (size_t) (terminator - start);

        if (! isUtf8 (start, length))
            return false;

        text = std::string_view (reinterpret_cast<const char*> (start), length);
        pos += length + 1;

        names.insert (text);
        return (int) names.size() <= StateBlobReader::kMaxNames;
    }

    bool compressedInt (int& value) noexcept
    {
        if (remaining() < 1)
            return false;

        const auto sizeByte = bytes[pos++];
        const auto numBytes = (size_t) (sizeByte & 0x7f);

        if (numBytes > 4 || numBytes > remaining())
            return false;

        juce::uint32 magnitude = 0;

        for (size_t i = 0; i < numBytes; ++i)
            magnitude |= (juce::uint32) bytes[pos + i] << (8 * i);

        pos += numBytes;

        if (magnitude > (juce::uint32) std::numeric_limits<int>::max())
            return false;

        value = (sizeByte & 0x80) != 0 ? -(int) magnitude : (int) magnitude;
        return true;
    }

    /** A non-negative count whose items each need at least `minBytesEach` of what remains. */
    bool count (int& value, size_t minBytesEach) noexcept
    {
        return compressedInt (value) && value >= 0 && (size_t) value * minBytesEach <= remaining();
    }

    bool var (int depth)
    {
        if (depth > StateBlobReader::kMaxDepth || ++numValues > StateBlobReader::kMaxValues)
            return false;

        int numBytes = 0;

        if (! compressedInt (numBytes))
            return false;

        if (numBytes <= 0)
            return true;

        if (remaining() < 1)
            return false;

        const auto marker = bytes[pos++];

        switch (marker)
        {
            case markerInt:       return skip (4);
            case markerInt64:     return skip (8);
            case markerDouble:    return skip (8);
            case markerBoolTrue:
            case markerBoolFalse: return true;

            case markerArray:
            {
                int numItems = 0;

                if (! count (numItems, 1))
                    return false;

                for (int i = 0; i < numItems; ++i)
                    if (! var (depth + 1))
                        return false;

                return true;
            }

            case markerString:
                // Text that is not UTF-8 makes JUCE's strings and file paths misbehave (a
                // restored path of such bytes was seen to hang); the plug-in writes only UTF-8.
                return (size_t) numBytes - 1 <= remaining()
                    && isUtf8 (bytes + pos, utf8Length (bytes + pos, (size_t) numBytes - 1))
                    && skip ((size_t) numBytes - 1);

            case markerBinary:
            default:
                return skip ((size_t) numBytes - 1);
        }
    }

    const juce::uint8* bytes;
    size_t end;
    size_t pos = 0;
    int numTrees = 0;
    int numValues = 0;
    std::unordered_set<std::string_view> names;
};
} // namespace

bool StateBlobReader::isWellFormed (const void* data, size_t sizeInBytes, const char* expectedType)
{
    if (data == nullptr || sizeInBytes == 0)
        return false;

    return Walker (data, sizeInBytes).tree (0, expectedType);
}

juce::ValueTree StateBlobReader::read (const void* data, int sizeInBytes)
{
    if (sizeInBytes <= 0 || ! isWellFormed (data, (size_t) sizeInBytes, kStateType))
        return {};

    return juce::ValueTree::readFromData (data, (size_t) sizeInBytes);
}
