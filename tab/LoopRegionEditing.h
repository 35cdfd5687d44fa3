#pragma once

#include <juce_core/juce_core.h>

#include <optional>

/** One loop of a Reference's waveform, in seconds of the file. */
struct LoopRegion
{
    /** Start in seconds. */
    double start = 0.0;
    /** End in seconds, not below start. */
    double end = 0.0;
    /** This is the active loop (mirrors SignalDisplay::activeLoopIndex). */
    bool active = false;
};

/**
    The decisions behind the loop gestures and the loop playback of the waveform strip, kept
    apart from the component so that they can be checked without a display: where a moved or
    resized loop may go, what a dragged-out span becomes, which loop is active after a deletion,
    how restored loops are fitted to the file, and when the playhead wraps to the active loop.

    Plain functions on the loop list; any thread, no shared state.
*/
namespace LoopRegionEditing
{
/** Slack, in seconds, with which a time counts as inside a loop and loops count as touching. */
constexpr double kTimeTolerance = 1.0e-6;

/** The playhead wraps once the reported position reaches this close to the active loop's end. */
constexpr double kWrapBeforeEnd = 1.0e-4;

/** A move of the playhead smaller than this (seconds) is not worth a repaint. */
constexpr double kPlayheadRepaintStep = 1.0e-4;

/** Flags exactly the loop at `index` active (none when the index is outside the list). */
void flagActive (juce::Array<LoopRegion>& loops, int index);

/** Makes sure one loop is active when there are loops: keeps a valid `activeIndex`, otherwise
    takes the first loop. Returns the active index, or -1 (leaving `activeIndex` alone) when
    there are no loops. */
int normaliseActive (juce::Array<LoopRegion>& loops, int& activeIndex);

/** The first loop (in list order) that contains `seconds`, within kTimeTolerance; -1 for none. */
int indexAt (const juce::Array<LoopRegion>& loops, double seconds);

/** The free room of a loop between its neighbours. */
struct Room
{
    double lower = 0.0;
    double upper = 0.0;
};

/** The room of the loop at `index`: from the end of the nearest loop before it (or 0) to the start
    of the nearest loop after it (or the file's end). Loops that overlap it are ignored. */
Room roomAround (const juce::Array<LoopRegion>& loops, int index, double fileLength);

/** Moves the loop at `index` so that it starts at `wantedStart` with `length`, kept inside its
    room whenever the room is long enough. */
void moveLoop (juce::Array<LoopRegion>& loops, int index, double wantedStart, double length, double fileLength);

/** Drags the start edge of the loop at `index` towards `seconds`: it stops at the loop before it
    (or 0) and at the loop's end minus `minimumLength`. */
void dragStartEdge (juce::Array<LoopRegion>& loops, int index, double seconds, double minimumLength, double fileLength);

/** Drags the end edge of the loop at `index` towards `seconds`: it stops at the loop after it
    (or the file's end) and at the loop's start plus `minimumLength`. */
void dragEndEdge (juce::Array<LoopRegion>& loops, int index, double seconds, double minimumLength, double fileLength);

/** The loop that a span dragged out between `a` and `b` becomes: widened to `minimumLength`
    around its centre when shorter (and shifted inside the file at its ends). Nothing when it
    would overlap an existing loop. */
std::optional<LoopRegion> loopFromSpan (const juce::Array<LoopRegion>& loops, double a, double b,
                                        double minimumLength, double fileLength);

/** Removes the loop at `index` (when the list still has it). The loop that takes its place (or
    the last one) becomes active; returns the new active index, -1 when no loop is left. */
int removeLoop (juce::Array<LoopRegion>& loops, int index);

/** Fits loops that were restored from a saved state to the file: drops loops with a time that is
    not a finite number and loops that start at or beyond `fileLength`, puts reversed edges in
    order and clamps ends beyond the file. The active loop keeps its flag when it survives;
    `activeIndex` follows it (or becomes -1). Returns whether anything changed. With a length
    of 0 or less only the non-finite and reversed loops are mended. */
bool fitToFile (juce::Array<LoopRegion>& loops, int& activeIndex, double fileLength);

/** What one playhead tick decides. */
struct PlayheadStep
{
    /** The playhead to draw. */
    double seconds = 0.0;
    /** The reported position left the active loop: seek back to its start. */
    bool wrap = false;
    /** The drawn playhead moved enough to be repainted. */
    bool moved = false;
};

/** One tick of the playhead: `reported` is the Reference's position (already limited to the
    file), `drawn` the playhead drawn so far, `activeLoop` the active loop while loops are shown
    (nullptr while they are hidden or there are none). */
PlayheadStep followPlayhead (double reported, double drawn, const LoopRegion* activeLoop);
} // namespace LoopRegionEditing
