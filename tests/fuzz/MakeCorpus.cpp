// Writes the seed corpus of the three fuzz targets into the folder given as the only argument
// (tests/fuzz/corpus): small, valid examples of each kind of input, from which the fuzzer
// mutates its way into the damaged ones. Run by hand when the formats change:
//     ninja -C build-asan kalvorin_fuzz_make_corpus && build-asan/tests/fuzz/kalvorin_fuzz_make_corpus tests/fuzz/corpus

#include "tests/fuzz/FuzzSupport.h"
#include "tests/support/AudioFileFixtures.h"

#include "engine/StateBlobReader.h"

#include <iostream>

namespace
{
bool writeText (const juce::File& file, const juce::String& text)
{
    return file.replaceWithData (text.toRawUTF8(), text.getNumBytesAsUTF8());
}

bool writeUtf16 (const juce::File& file, const juce::String& text)
{
    juce::MemoryOutputStream bytes;
    bytes.writeByte ((char) 0xff);
    bytes.writeByte ((char) 0xfe);

    for (auto p = text.toUTF16(); ! p.isEmpty(); ++p)
        bytes.writeShort ((short) *p);

    return file.replaceWithData (bytes.getData(), bytes.getDataSize());
}

bool writeSettingsSeeds (const juce::File& folder)
{
    const juce::String ownFormat = "[General]\n"
                                   "LevelMatchMode=2\n"
                                   "AnalyzerPlotStyle=1\n"
                                   "LevelMeterUnit_1=0\n"
                                   "LevelMeterUnit_2=2\n"
                                   "ShowHistory=off\n"
                                   "\n"
                                   "[Recent]\n"
                                   "Last=\"/music/a b.wav\"\n"
                                   "Note=\"tab\\tand\\nline \\\"quoted\\\" \\\\ end \"\n";

    const juce::String oddLines = "; comment\r\n"
                                  "# another\r\n"
                                  "orphan=before any header\r\n"
                                  "[]\r\n"
                                  "  KEY = spaced value  \r\n"
                                  "key=second spelling\r\n"
                                  "[ Section ]\r\n"
                                  "no equals sign\r\n"
                                  "=empty key\r\n"
                                  "x=\"unterminated\r\n"
                                  "[General]\r\n"
                                  "LevelMatchMode=-99999999999\r\n";

    const char windows1252[] = "[General]\nName=caf\xe9 \x80\nLevelMatchMode=1\n";

    return writeText (folder.getChildFile ("own-format.txt"), ownFormat)
        && writeText (folder.getChildFile ("odd-lines.txt"), oddLines)
        && writeUtf16 (folder.getChildFile ("utf16.txt"), ownFormat)
        && folder.getChildFile ("windows-1252.txt").replaceWithData (windows1252, sizeof (windows1252) - 1);
}

bool writeStateBlob (const juce::File& file, const juce::ValueTree& state)
{
    juce::MemoryOutputStream stream;
    state.writeToStream (stream);
    return file.replaceWithData (stream.getData(), stream.getDataSize());
}

juce::ValueTree stateWith (double monitorRef, int activeIndex, const juce::StringArray& paths, const juce::String& editorState)
{
    juce::ValueTree state (StateBlobReader::kStateType);
    state.setProperty ("monitorRef", monitorRef, nullptr);

    juce::ValueTree refs ("refs");

    for (const auto& path : paths)
        refs.appendChild (juce::ValueTree ("ref").setProperty ("path", path, nullptr), nullptr);

    state.appendChild (refs, nullptr);
    state.setProperty ("activeRefIndex", activeIndex, nullptr);

    if (editorState.isNotEmpty())
        state.setProperty ("editorStateJson", editorState, nullptr);

    return state;
}

bool writeStateSeeds (const juce::File& folder)
{
    FuzzSupport::PreparedProcessor prepared;
    auto& processor = *prepared.processor;

    juce::MemoryBlock empty;
    processor.getStateInformation (empty);

    const auto reference = FuzzSupport::stateReferenceFile().getFullPathName();

    if (processor.addReference (reference) != 0)
        return false;

    processor.parameters.getParameter ("monitorRef")->setValueNotifyingHost (1.0f);
    processor.setEditorStateJson ("{\"tabs\":[{\"path\":\"" + reference + "\",\"view\":0}],\"currentTab\":0}");
    juce::MemoryBlock withReference;
    processor.getStateInformation (withReference);

    return folder.getChildFile ("empty.state").replaceWithData (empty.getData(), empty.getSize())
        && folder.getChildFile ("one-reference.state").replaceWithData (withReference.getData(), withReference.getSize())
        && writeStateBlob (folder.getChildFile ("missing-and-present.state"),
                           stateWith (0.0, 1, { "/nonexistent/kalvorin/missing.wav", reference }, {}))
        && writeStateBlob (folder.getChildFile ("index-past-end.state"),
                           stateWith (1.0, 7, { reference }, "not json"));
}

bool writeReferenceSeeds (const juce::File& folder)
{
    // Short and quiet: the fuzzer mutates these, so small files keep every run fast.
    const struct { const char* name; double rate; int channels; double seconds; } files[] = {
        { "stereo-44100.wav", 44100.0, 2, 0.01 },
        { "mono-22050.aiff", 22050.0, 1, 0.02 },
        { "stereo-48000.flac", 48000.0, 2, 0.05 },
        { "mono-44100.ogg", 44100.0, 1, 0.05 },
        { "stereo-44100.mp3", 44100.0, 2, 0.05 },
    };

    for (const auto& f : files)
        if (! AudioFileFixtures::writeSine (folder.getChildFile (f.name), f.rate, f.channels, f.seconds, 1000.0, 0.5f))
            return false;

    return true;
}
} // namespace

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: " << argv[0] << " <corpus folder>\n";
        return 2;
    }

    FuzzSupport::initialiseJuce();
    const auto root = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);

    const auto folder = [&] (const char* name)
    {
        const auto result = root.getChildFile (name);
        result.createDirectory();
        return result;
    };

    const auto ok = writeSettingsSeeds (folder ("kalvorin_fuzz_settings"))
                 && writeStateSeeds (folder ("kalvorin_fuzz_state"))
                 && writeReferenceSeeds (folder ("kalvorin_fuzz_reference"));

    if (! ok)
    {
        std::cerr << "could not write the corpus\n";
        return 1;
    }

    return 0;
}
