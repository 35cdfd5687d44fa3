#include "editor/EngineReader.h"

#include <cmath>

namespace
{
constexpr auto kMonitorParameterId = "monitorRef";

// A spectrum needs at least two bins (0 Hz and half the sample rate) to be drawn.
constexpr size_t kMinSpectrumBins = 2;
} // namespace

EngineReader::EngineReader (KalvorinAudioProcessor& processorToRead)
    : processor (processorToRead),
      monitorRefValue (processorToRead.parameters.getRawParameterValue (kMonitorParameterId))
{
    for (auto* list : { &referenceLeft, &referenceRight, &sourceLeft, &sourceRight })
        list->reserve ((size_t) GoniometerCapture::kMaxPoints);
}

EngineReader::~EngineReader() = default;

float EngineReader::peakToDb (float magnitude) noexcept
{
    if (! (magnitude > kNoPeak))
        return std::numeric_limits<float>::quiet_NaN();

    return std::max (20.0f * std::log10 (magnitude), kPeakFloorDb);
}

EngineMeterReading EngineReader::readMeters()
{
    EngineMeterReading reading;
    reading.playing = processor.isPlaying.load();

    const auto& meters = processor.meterReadings;
    reading.referenceShortTermLufs = meters.referenceShortTermLufs.load();
    reading.sourceShortTermLufs = meters.sourceShortTermLufs.load();
    reading.referenceRmsDb = meters.referenceRmsDb.load();
    reading.sourceRmsDb = meters.sourceRmsDb.load();

    const auto peaks = processor.readPeakHolds();
    reading.referenceTruePeakDb = peakToDb (peaks.referenceTruePeak);
    reading.sourceTruePeakDb = peakToDb (peaks.sourceTruePeak);
    reading.referenceSamplePeakDb = peakToDb (peaks.referenceSamplePeak);
    reading.sourceSamplePeakDb = peakToDb (peaks.sourceSamplePeak);

    reading.referenceIntegratedLufs = processor.referenceLoudness.integratedLufsOut.load();
    reading.sourceIntegratedLufs = processor.sourceLoudness.integratedLufsOut.load();

    reading.referenceGainDb = processor.referenceGainDb.load();
    reading.sourceGainDb = processor.sourceGainDb.load();
    reading.levelMatchReady = processor.levelMatchReady.load();
    return reading;
}

void EngineReader::copySpectrum (const SpectrumSnapshot& snapshot, int& lastSequence,
                                 std::vector<float>& destination, double& destinationRate)
{
    double rate = 0.0;

    // Enters the snapshot's lock with spinning and copies only when the sequence moved.
    if (! snapshot.readIfNew (spectrumCopy, rate, lastSequence))
        return;

    if (spectrumCopy.size() < kMinSpectrumBins)
        return;

    if (! (std::isfinite (rate) && rate > 0.0))
        rate = processor.getSampleRate();

    destination = spectrumCopy;
    destinationRate = rate;
}

void EngineReader::copySpectra (AnalysisSnapshot& live)
{
    copySpectrum (processor.referenceSpectrumSnapshot, lastReferenceSpectrumSequence,
                  live.referenceSpectrum, live.referenceSampleRate);
    copySpectrum (processor.sourceSpectrumSnapshot, lastSourceSpectrumSequence,
                  live.sourceSpectrum, live.sourceSampleRate);
}

void EngineReader::copyStereoPoints (AnalysisSnapshot& live)
{
    // Enters the capture's lock with spinning; a capture without a finished buffer is not taken
    // and its sequence not remembered, so its first buffer is copied as soon as it exists.
    if (processor.referenceGoniometer.copyLatest (referenceLeft, referenceRight, lastReferenceGoniometerSequence))
    {
        live.referenceLeft = referenceLeft;
        live.referenceRight = referenceRight;
    }

    if (processor.sourceGoniometer.copyLatest (sourceLeft, sourceRight, lastSourceGoniometerSequence))
    {
        live.sourceLeft = sourceLeft;
        live.sourceRight = sourceRight;
    }
}

AnalysisSnapshot::BandResultSet EngineReader::readBands()
{
    BandSnapshot copy;

    {
        const juce::SpinLock::ScopedLockType lock (processor.bandSnapshotLock);
        copy = processor.bandSnapshot;
    }

    AnalysisSnapshot::BandResultSet bands {};
    std::copy (copy.reference.begin(), copy.reference.end(), bands.begin());
    std::copy (copy.source.begin(), copy.source.end(), bands.begin() + kNumStereoBands);
    return bands;
}

void EngineReader::readLiveMeasurements (AnalysisSnapshot& live)
{
    live.playheadSeconds = readPlayheadSeconds();
    live.referenceShortTermLufs = processor.meterReadings.referenceShortTermLufs.load();
    live.sourceShortTermLufs = processor.meterReadings.sourceShortTermLufs.load();
    live.levelMatchActive = processor.levelMatchReady.load();
    live.bands = readBands();
}

double EngineReader::readPlayheadSeconds() const
{
    return processor.getActiveReferencePositionSeconds();
}

OutputSelection EngineReader::readOutputSelection() const
{
    if (monitorRefValue == nullptr)
        return OutputSelection::Reference;

    return outputSelectionForMonitorValue (monitorRefValue->load());
}
