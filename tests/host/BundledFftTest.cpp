// The shipped module runs its spectra on FFTW on every machine, whether FFTW is installed there
// or not: the library is linked into the module and stays private to it. (The framework's own
// FFTW engine would instead look for "libfftw3f.so" at run time, a file only FFTW's development
// package installs, and fall back to its slow transform without a word.) These tests read the
// built module itself with binutils, as a packager would.
#include <gtest/gtest.h>

#include <juce_core/juce_core.h>

namespace
{
juce::File moduleFile()
{
    return juce::File (KALVORIN_BUNDLE_PATH).getChildFile ("Contents/x86_64-linux/Audio-Kalvorin.so");
}

/** What a binutils command prints for the module; empty when it could not run. */
juce::String runOnModule (juce::StringArray command)
{
    command.add (moduleFile().getFullPathName());
    juce::ChildProcess process;

    if (! process.start (command, juce::ChildProcess::wantStdOut))
        return {};

    return process.readAllProcessOutput();
}

/** One function of the module, found in its symbol table (`nm -S -C`), disassembled. */
juce::String disassembly (const juce::String& demangledName)
{
    for (const auto& line : juce::StringArray::fromLines (runOnModule ({ "nm", "-S", "-C", "--defined-only" })))
    {
        // address size type name
        const auto fields = juce::StringArray::fromTokens (line, " ", "");

        if (fields.size() < 4 || line.fromFirstOccurrenceOf (fields[2] + " ", false, false) != demangledName)
            continue;

        const auto start = fields[0].getHexValue64();
        const auto size = fields[1].getHexValue64();
        return runOnModule ({ "objdump", "-d", "-C", "--no-show-raw-insn",
                              "--start-address=0x" + juce::String::toHexString (start),
                              "--stop-address=0x" + juce::String::toHexString (start + size) });
    }

    return {};
}
} // namespace

TEST (BundledFft, moduleNeedsNoFftwLibraryAndNamesNoneToLoad)
{
    ASSERT_TRUE (moduleFile().existsAsFile()) << moduleFile().getFullPathName();

    const auto dynamicSection = runOnModule ({ "readelf", "-d" });
    ASSERT_TRUE (dynamicSection.contains ("(NEEDED)")) << "readelf must list the module's libraries";
    EXPECT_FALSE (dynamicSection.containsIgnoreCase ("fftw")) << dynamicSection;

    juce::MemoryBlock bytes;
    ASSERT_TRUE (moduleFile().loadFileAsData (bytes));
    const juce::String name ("libfftw3f.so");
    const auto* begin = static_cast<const char*> (bytes.getData());
    const auto* end = begin + bytes.getSize();
    EXPECT_EQ (std::search (begin, end, name.getCharPointer().getAddress(), name.getCharPointer().getAddress() + name.length()), end)
        << "nothing in the module may look FFTW up at run time";
}

TEST (BundledFft, fftwIsLinkedIntoTheModuleAndKeptPrivate)
{
    const auto symbols = runOnModule ({ "nm", "--defined-only" });
    EXPECT_TRUE (symbols.contains (" t fftwf_execute\n")) << "FFTW's executor, a local function of the module";
    EXPECT_TRUE (symbols.contains (" t fftwf_plan_dft_1d\n"));
    EXPECT_TRUE (symbols.contains (" t fftwf_make_planner_thread_safe\n"));

    const auto exported = runOnModule ({ "nm", "-D", "--defined-only" });
    EXPECT_TRUE (exported.contains ("GetPluginFactory")) << "nm must list the module's exports";
    EXPECT_FALSE (exported.contains ("fftw")) << "another FFTW in the host must not replace the module's own";
}

TEST (BundledFft, spectrumAnalyserTransformsThroughFftw)
{
    const auto frame = disassembly ("SpectrumAnalyser::computeFrame()");
    ASSERT_TRUE (frame.isNotEmpty()) << "the module must carry the analyser's frame computation";
    EXPECT_TRUE (frame.contains ("<StereoFft::perform()>")) << frame;

    const auto perform = disassembly ("StereoFft::perform()");
    EXPECT_TRUE (perform.contains ("<fftwf_execute>")) << perform;
}
