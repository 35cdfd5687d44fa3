// Stand-in for the legacy preset-bank header that JUCE's VST3 wrapper includes when it is built
// to keep the legacy class-ID layout. The wrapper includes this file inside its own namespace and
// only uses the bank record below: it writes a 160-byte header before the plug-in's state and,
// when it meets such a header on load, hands the chunk that follows it to the plug-in.
// The layout is fixed by the bytes that existing project files hold: seven big-endian 32-bit
// words, a current-program word, 124 reserved bytes, the chunk size, then the chunk itself.
#pragma once

struct fxProgram;

struct fxBank
{
    int chunkMagic;     // "CcnK"
    int byteSize;       // size of the bank after the first two words
    int fxMagic;        // "FBCh": the bank holds one opaque chunk
    int version;
    int fxID;           // the plug-in's four-character code
    int fxVersion;
    int numPrograms;
    int currentProgram;
    char future[124];

    union
    {
        struct
        {
            int size;   // bytes of chunk data
            char chunk[8];
        } data;
    } content;
};

static_assert (sizeof (int) == 4, "the bank record is made of 32-bit words");
static_assert (__builtin_offsetof (fxBank, content) == 156, "the chunk size sits at byte 156");
static_assert (__builtin_offsetof (fxBank, content.data.chunk) == 160, "the chunk starts at byte 160");
