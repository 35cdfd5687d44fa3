#include "StereoFft.h"

#include <fftw3.h>

#include <mutex>

namespace
{
    /** From here on FFTW takes a lock of its own around planning and destroying plans, so that
        two instances prepared on two threads cannot corrupt its planner. Called once, before the
        first plan of this module. */
    void makePlannerThreadSafe()
    {
        static std::once_flag once;
        std::call_once (once, [] { fftwf_make_planner_thread_safe(); });
    }
}

StereoFft::StereoFft (int order)
    : size (1 << order)
{
    makePlannerThreadSafe();

    input = reinterpret_cast<float*> (fftwf_alloc_complex ((size_t) size));
    output = reinterpret_cast<float*> (fftwf_alloc_complex ((size_t) size));

    if (input == nullptr || output == nullptr)
        return;

    std::fill (input, input + 2 * size, 0.0f);
    std::fill (output, output + 2 * size, 0.0f);

    // Estimated rather than measured: planning stays quick and deterministic, and so does the
    // choice of algorithm, hence the rounding of every reading.
    plan = fftwf_plan_dft_1d (size,
                              reinterpret_cast<fftwf_complex*> (input),
                              reinterpret_cast<fftwf_complex*> (output),
                              FFTW_FORWARD, FFTW_ESTIMATE);
}

StereoFft::~StereoFft()
{
    if (plan != nullptr)
        fftwf_destroy_plan (plan);

    fftwf_free (input);
    fftwf_free (output);
}

void StereoFft::perform() noexcept
{
    if (plan != nullptr)
        fftwf_execute (plan);
}

const char* StereoFft::getLibraryVersion() noexcept
{
    return fftwf_version;
}
