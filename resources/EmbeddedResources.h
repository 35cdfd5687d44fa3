#pragma once

#include <cstdint>

/**
    The index over the files that the module carries inside itself: the Oswald Regular font and
    the product's six PNG images. The bytes are generated into the module's read-only data at
    build time from the resources folder (and the fetched font); nothing is read from disk, and
    every pointer stays valid while the module is loaded.

    Each file has a resource name, the file name turned into an identifier: characters that
    cannot stand in an identifier are dropped, except the dot, which becomes an underscore
    ("Oswald-Regular.ttf" gives "OswaldRegular_ttf").

    Everything here is read-only and may be called from any thread.
*/
class EmbeddedResources final
{
public:
    EmbeddedResources() = delete;

    /** One file of the index. */
    struct Entry
    {
        const char* resourceName = nullptr; /**< e.g. "Logo_Big_png" */
        const char* fileName = nullptr;     /**< e.g. "Logo_Big.png" */
        const char* data = nullptr;         /**< the file's bytes, exactly as the file was */
        int size = 0;                       /**< the number of bytes at data */
    };

    /** The number of files in the index. */
    static constexpr int numResources = 7;

    /** The entry at a position of the index (0 to numResources - 1, in the order Logo.png,
        Logo_Big.png, Settings.png, Close.png, Oswald-Regular.ttf, History.png, Loop.png);
        an empty entry (null pointers, size 0) for any other position.
    */
    static Entry getEntry (int index) noexcept;

    /** The data of the file whose resource name is the given UTF-8 name, and its size in
        sizeInBytes. Null and a size of 0 when the name is null, empty or not in the index
        (a file name such as "Loop.png" is not a resource name).
    */
    static const char* lookupResource (const char* resourceName, int& sizeInBytes) noexcept;

    /** The file name of the resource whose name equals the given one exactly (case included);
        null when none does or the name is null.
    */
    static const char* lookupResourceFileName (const char* resourceName) noexcept;

    /** The index's 32-bit hash of a name: starting at 0, hash = hash * 31 + byte for every byte
        up to the terminating zero, each byte taken as a signed 8-bit value, wrapping modulo 2^32.
        0 for a null name.
    */
    static std::int32_t hashResourceName (const char* resourceName) noexcept;

    /** Direct access for code that names a file at build time: each file's bytes and size. */
    static const char* const& Logo_png;
    static const int Logo_pngSize;
    static const char* const& Logo_Big_png;
    static const int Logo_Big_pngSize;
    static const char* const& Settings_png;
    static const int Settings_pngSize;
    static const char* const& Close_png;
    static const int Close_pngSize;
    static const char* const& OswaldRegular_ttf;
    static const int OswaldRegular_ttfSize;
    static const char* const& History_png;
    static const int History_pngSize;
    static const char* const& Loop_png;
    static const int Loop_pngSize;
};
