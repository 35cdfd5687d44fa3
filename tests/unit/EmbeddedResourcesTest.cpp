#include <gtest/gtest.h>

#include "resources/EmbeddedResources.h"

#include <juce_graphics/juce_graphics.h>

#include <cstring>
#include <iterator>
#include <string>

namespace
{
struct ExpectedEntry
{
    const char* resourceName;
    const char* fileName;
    std::int32_t hash;
    int imageSide; // 0 for the font
};

// The index in its order, with the hashes that the lookup by name is built on.
const ExpectedEntry indexTable[] {
    { "Logo_png", "Logo.png", 2092514741, 300 },
    { "Logo_Big_png", "Logo_Big.png", 1410292694, 2000 },
    { "Settings_png", "Settings.png", 699017261, 25 },
    { "Close_png", "Close.png", 1521820482, 25 },
    { "OswaldRegular_ttf", "Oswald-Regular.ttf", 1684855069, 0 },
    { "History_png", "History.png", 2020213726, 25 },
    { "Loop_png", "Loop.png", -1972495826, 25 },
};

constexpr int kOswaldRegularBytes = 87248;
constexpr unsigned char kPngSignature[] { 0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a };
constexpr unsigned char kTrueTypeVersion[] { 0x00, 0x01, 0x00, 0x00 };

// Any value that a lookup must overwrite.
constexpr int kUnsetSize = -12345;

bool startsWith (const char* data, int size, const unsigned char* prefix, size_t prefixSize)
{
    return data != nullptr && size >= (int) prefixSize && std::memcmp (data, prefix, prefixSize) == 0;
}

// Positions of the six images in the index (the font sits at 4).
const int imageIndices[] { 0, 1, 2, 3, 5, 6 };

class EmbeddedResourcesEntry : public ::testing::TestWithParam<int> {};
class EmbeddedResourcesImage : public ::testing::TestWithParam<int> {};

std::string entryTestName (const ::testing::TestParamInfo<int>& info)
{
    return indexTable[info.param].resourceName;
}
} // namespace

//==============================================================================
TEST_P (EmbeddedResourcesEntry, sitsAtItsPlaceInTheIndexWithItsNamesAndHash)
{
    const auto index = GetParam();
    const auto& expected = indexTable[index];
    const auto entry = EmbeddedResources::getEntry (index);

    EXPECT_STREQ (entry.resourceName, expected.resourceName);
    EXPECT_STREQ (entry.fileName, expected.fileName);
    EXPECT_EQ (EmbeddedResources::hashResourceName (expected.resourceName), expected.hash);
}

TEST_P (EmbeddedResourcesEntry, isFoundByItsResourceName)
{
    const auto& expected = indexTable[GetParam()];
    const auto entry = EmbeddedResources::getEntry (GetParam());

    int size = kUnsetSize;
    const auto* data = EmbeddedResources::lookupResource (expected.resourceName, size);

    ASSERT_NE (data, nullptr);
    EXPECT_EQ (data, entry.data);
    EXPECT_EQ (size, entry.size);
    EXPECT_GT (size, 0);
    EXPECT_STREQ (EmbeddedResources::lookupResourceFileName (expected.resourceName), expected.fileName);
}

TEST_P (EmbeddedResourcesEntry, isNotFoundByItsFileName)
{
    int size = kUnsetSize;
    EXPECT_EQ (EmbeddedResources::lookupResource (indexTable[GetParam()].fileName, size), nullptr);
    EXPECT_EQ (size, 0);
}

TEST_P (EmbeddedResourcesEntry, beginsWithTheSignatureOfItsFormat)
{
    const auto& expected = indexTable[GetParam()];
    const auto entry = EmbeddedResources::getEntry (GetParam());

    if (expected.imageSide > 0)
        EXPECT_TRUE (startsWith (entry.data, entry.size, kPngSignature, sizeof (kPngSignature)));
    else
        EXPECT_TRUE (startsWith (entry.data, entry.size, kTrueTypeVersion, sizeof (kTrueTypeVersion)));
}

TEST_P (EmbeddedResourcesImage, decodesToItsStatedSizeWithAlpha)
{
    const auto& expected = indexTable[GetParam()];
    const auto entry = EmbeddedResources::getEntry (GetParam());
    const auto image = juce::ImageFileFormat::loadFrom (entry.data, (size_t) entry.size);

    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), expected.imageSide);
    EXPECT_EQ (image.getHeight(), expected.imageSide);
    EXPECT_TRUE (image.hasAlphaChannel());
}

INSTANTIATE_TEST_SUITE_P (AllSeven, EmbeddedResourcesEntry,
                          ::testing::Range (0, EmbeddedResources::numResources), entryTestName);
INSTANTIATE_TEST_SUITE_P (AllSix, EmbeddedResourcesImage, ::testing::ValuesIn (imageIndices), entryTestName);

//==============================================================================
TEST (EmbeddedResources, holdsSevenFilesAndNothingOutsideThem)
{
    EXPECT_EQ (EmbeddedResources::numResources, (int) std::size (indexTable));

    for (const auto index : { -1, EmbeddedResources::numResources })
    {
        const auto entry = EmbeddedResources::getEntry (index);
        EXPECT_EQ (entry.resourceName, nullptr);
        EXPECT_EQ (entry.fileName, nullptr);
        EXPECT_EQ (entry.data, nullptr);
        EXPECT_EQ (entry.size, 0);
    }
}

TEST (EmbeddedResources, nullEmptyAndUnknownNamesFindNothing)
{
    for (const char* name : { (const char*) nullptr, "", "Logo", "logo_png", "Logo_png ", "Oswald-Regular.ttf" })
    {
        int size = kUnsetSize;
        EXPECT_EQ (EmbeddedResources::lookupResource (name, size), nullptr) << (name != nullptr ? name : "(null)");
        EXPECT_EQ (size, 0);
    }
}

TEST (EmbeddedResources, aNameWithAnEntrysHashButAnotherSpellingFindsNothing)
{
    // "MPgo_png" differs from "Logo_png" by +1 in its first byte and -31 in its second, which
    // cancel in the hash: only the name can tell them apart.
    ASSERT_EQ (EmbeddedResources::hashResourceName ("MPgo_png"), EmbeddedResources::hashResourceName ("Logo_png"));

    int size = kUnsetSize;
    EXPECT_EQ (EmbeddedResources::lookupResource ("MPgo_png", size), nullptr);
    EXPECT_EQ (size, 0);
}

TEST (EmbeddedResources, hashCountsBytesFromHex80AsNegative)
{
    // "é" in UTF-8 is C3 A9, that is -61 and -87 as signed bytes: -61 * 31 - 87.
    EXPECT_EQ (EmbeddedResources::hashResourceName ("\xc3\xa9"), -1978);
    EXPECT_EQ (EmbeddedResources::hashResourceName (""), 0);
    EXPECT_EQ (EmbeddedResources::hashResourceName (nullptr), 0);
}

TEST (EmbeddedResources, fileNameLookupComparesNamesExactly)
{
    EXPECT_STREQ (EmbeddedResources::lookupResourceFileName ("OswaldRegular_ttf"), "Oswald-Regular.ttf");
    EXPECT_EQ (EmbeddedResources::lookupResourceFileName ("oswaldregular_ttf"), nullptr);
    EXPECT_EQ (EmbeddedResources::lookupResourceFileName ("Oswald-Regular.ttf"), nullptr);
    EXPECT_EQ (EmbeddedResources::lookupResourceFileName (""), nullptr);
    EXPECT_EQ (EmbeddedResources::lookupResourceFileName (nullptr), nullptr);
}

TEST (EmbeddedResources, directAccessGivesTheSameBytesAsTheIndex)
{
    const struct { const char* data; int size; } direct[] {
        { EmbeddedResources::Logo_png, EmbeddedResources::Logo_pngSize },
        { EmbeddedResources::Logo_Big_png, EmbeddedResources::Logo_Big_pngSize },
        { EmbeddedResources::Settings_png, EmbeddedResources::Settings_pngSize },
        { EmbeddedResources::Close_png, EmbeddedResources::Close_pngSize },
        { EmbeddedResources::OswaldRegular_ttf, EmbeddedResources::OswaldRegular_ttfSize },
        { EmbeddedResources::History_png, EmbeddedResources::History_pngSize },
        { EmbeddedResources::Loop_png, EmbeddedResources::Loop_pngSize },
    };

    for (int i = 0; i < EmbeddedResources::numResources; ++i)
    {
        const auto entry = EmbeddedResources::getEntry (i);
        EXPECT_EQ (direct[i].data, entry.data) << entry.resourceName;
        EXPECT_EQ (direct[i].size, entry.size) << entry.resourceName;
    }
}

//==============================================================================
TEST (EmbeddedResources, fontIsTheWholeOswaldRegularFile)
{
    int size = 0;
    const auto* data = EmbeddedResources::lookupResource ("OswaldRegular_ttf", size);

    ASSERT_NE (data, nullptr);
    EXPECT_EQ (size, kOswaldRegularBytes);
}

TEST (EmbeddedResources, fontLoadsAsOswaldTypefaceAndDrawsText)
{
    int size = 0;
    const auto* data = EmbeddedResources::lookupResource ("OswaldRegular_ttf", size);
    ASSERT_NE (data, nullptr);

    const auto typeface = juce::Typeface::createSystemTypefaceFor (data, (size_t) size);
    ASSERT_NE (typeface, nullptr);
    EXPECT_EQ (typeface->getName(), "Oswald");

    constexpr int width = 240, height = 60;
    juce::Image image (juce::Image::ARGB, width, height, true);
    {
        juce::Graphics g (image);
        g.setColour (juce::Colours::white);
        g.setFont (juce::Font (typeface).withHeight (40.0f));
        g.drawText ("KALVORIN", 0, 0, width, height, juce::Justification::centred, false);
    }

    int inked = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (image.getPixelAt (x, y).getAlpha() > 0)
                ++inked;

    // Eight capitals 40 px high cover a good part of the box, and never all of it.
    EXPECT_GT (inked, width * height / 20);
    EXPECT_LT (inked, width * height / 2);
}
