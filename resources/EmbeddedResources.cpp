#include "resources/EmbeddedResources.h"

// Generated at build time from the resource files: per-file bytes and sizes, and the lists of
// resource names and file names in index order.
#include "EmbeddedResourcesData.h"

#include <array>
#include <cstring>

namespace
{
namespace generated = EmbeddedResourcesData;

static_assert (generated::namedResourceListSize == EmbeddedResources::numResources,
               "the build embeds a different number of files than the index declares");

// The addresses of the generated data pointers, in index order. Taking addresses (rather than
// copying the pointers) keeps these tables constant-initialised, so they are valid even before
// dynamic initialisation has run.
const char* const* const dataSlots[EmbeddedResources::numResources] {
    &generated::Logo_png,
    &generated::Logo_Big_png,
    &generated::Settings_png,
    &generated::Close_png,
    &generated::OswaldRegular_ttf,
    &generated::History_png,
    &generated::Loop_png,
};

constexpr int sizes[EmbeddedResources::numResources] {
    generated::Logo_pngSize,
    generated::Logo_Big_pngSize,
    generated::Settings_pngSize,
    generated::Close_pngSize,
    generated::OswaldRegular_ttfSize,
    generated::History_pngSize,
    generated::Loop_pngSize,
};

bool isValidIndex (int index) noexcept
{
    return index >= 0 && index < EmbeddedResources::numResources;
}

const std::array<std::int32_t, EmbeddedResources::numResources>& entryHashes() noexcept
{
    static const auto hashes = []
    {
        std::array<std::int32_t, EmbeddedResources::numResources> h {};

        for (int i = 0; i < EmbeddedResources::numResources; ++i)
            h[(size_t) i] = EmbeddedResources::hashResourceName (generated::namedResourceList[i]);

        return h;
    }();

    return hashes;
}
} // namespace

//==============================================================================
EmbeddedResources::Entry EmbeddedResources::getEntry (int index) noexcept
{
    if (! isValidIndex (index))
        return {};

    return { generated::namedResourceList[index],
             generated::originalFilenames[index],
             *dataSlots[index],
             sizes[index] };
}

std::int32_t EmbeddedResources::hashResourceName (const char* resourceName) noexcept
{
    // Unsigned arithmetic wraps modulo 2^32 without undefined behaviour; each byte is widened as
    // a signed value first, so bytes from 0x80 up count negative whatever the platform's char.
    std::uint32_t hash = 0;

    if (resourceName != nullptr)
        for (auto* p = resourceName; *p != 0; ++p)
            hash = hash * 31u + (std::uint32_t) (std::int32_t) (std::int8_t) *p;

    return (std::int32_t) hash;
}

const char* EmbeddedResources::lookupResource (const char* resourceName, int& sizeInBytes) noexcept
{
    sizeInBytes = 0;

    if (resourceName == nullptr || *resourceName == 0)
        return nullptr;

    const auto hash = hashResourceName (resourceName);
    const auto& hashes = entryHashes();

    for (int i = 0; i < numResources; ++i)
    {
        // The hash only rules entries out quickly; many names share a hash, so an equal hash
        // must still be confirmed by the name, or a name outside the index would be answered
        // with another file's bytes.
        if (hashes[(size_t) i] == hash
             && std::strcmp (generated::namedResourceList[i], resourceName) == 0)
        {
            sizeInBytes = sizes[i];
            return *dataSlots[i];
        }
    }

    return nullptr;
}

const char* EmbeddedResources::lookupResourceFileName (const char* resourceName) noexcept
{
    if (resourceName == nullptr)
        return nullptr;

    for (int i = 0; i < numResources; ++i)
        if (std::strcmp (generated::namedResourceList[i], resourceName) == 0)
            return generated::originalFilenames[i];

    return nullptr;
}

//==============================================================================
// Bound by reference to the generated pointers, which keeps them constant-initialised too.
const char* const& EmbeddedResources::Logo_png = generated::Logo_png;
const int EmbeddedResources::Logo_pngSize = generated::Logo_pngSize;
const char* const& EmbeddedResources::Logo_Big_png = generated::Logo_Big_png;
const int EmbeddedResources::Logo_Big_pngSize = generated::Logo_Big_pngSize;
const char* const& EmbeddedResources::Settings_png = generated::Settings_png;
const int EmbeddedResources::Settings_pngSize = generated::Settings_pngSize;
const char* const& EmbeddedResources::Close_png = generated::Close_png;
const int EmbeddedResources::Close_pngSize = generated::Close_pngSize;
const char* const& EmbeddedResources::OswaldRegular_ttf = generated::OswaldRegular_ttf;
const int EmbeddedResources::OswaldRegular_ttfSize = generated::OswaldRegular_ttfSize;
const char* const& EmbeddedResources::History_png = generated::History_png;
const int EmbeddedResources::History_pngSize = generated::History_pngSize;
const char* const& EmbeddedResources::Loop_png = generated::Loop_png;
const int EmbeddedResources::Loop_pngSize = generated::Loop_pngSize;
