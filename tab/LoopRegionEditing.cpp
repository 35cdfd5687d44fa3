#include "tab/LoopRegionEditing.h"

#include <cmath>

namespace LoopRegionEditing
{
void flagActive (juce::Array<LoopRegion>& loops, int index)
{
    for (int i = 0; i < loops.size(); ++i)
        loops.getReference (i).active = (i == index);
}

int normaliseActive (juce::Array<LoopRegion>& loops, int& activeIndex)
{
    if (loops.isEmpty())
        return -1;

    if (! juce::isPositiveAndBelow (activeIndex, loops.size()))
        activeIndex = 0;

    flagActive (loops, activeIndex);
    return activeIndex;
}

int indexAt (const juce::Array<LoopRegion>& loops, double seconds)
{
    for (int i = 0; i < loops.size(); ++i)
        if (loops[i].start - kTimeTolerance <= seconds && seconds <= loops[i].end + kTimeTolerance)
            return i;

    return -1;
}

Room roomAround (const juce::Array<LoopRegion>& loops, int index, double fileLength)
{
    Room room { 0.0, fileLength };
    const auto& loop = loops.getReference (index);

    for (int i = 0; i < loops.size(); ++i)
    {
        if (i == index)
            continue;

        const auto& other = loops.getReference (i);

        if (loop.start >= other.end)
            room.lower = juce::jmax (room.lower, other.end);
        else if (other.start >= loop.end)
            room.upper = juce::jmin (room.upper, other.start);
    }

    return room;
}

void moveLoop (juce::Array<LoopRegion>& loops, int index, double wantedStart, double length, double fileLength)
{
    const auto room = roomAround (loops, index, fileLength);
    auto& loop = loops.getReference (index);

    // When the room is shorter than the loop, the loop sits at the lower neighbour's end and
    // reaches past the upper one: it keeps its length rather than being squeezed.
    loop.start = wantedStart < room.lower ? room.lower
                                          : juce::jmin (juce::jmax (room.upper - length, room.lower), wantedStart);
    loop.end = loop.start + length;
}

void dragStartEdge (juce::Array<LoopRegion>& loops, int index, double seconds, double minimumLength, double fileLength)
{
    const auto room = roomAround (loops, index, fileLength);
    auto& loop = loops.getReference (index);

    loop.start = juce::jmax (room.lower, juce::jmin (loop.end - minimumLength, seconds));
    loop.end = juce::jmax (loop.end, loop.start);
}

void dragEndEdge (juce::Array<LoopRegion>& loops, int index, double seconds, double minimumLength, double fileLength)
{
    const auto room = roomAround (loops, index, fileLength);
    auto& loop = loops.getReference (index);

    loop.end = juce::jmax (loop.start, juce::jmin (room.upper, juce::jmax (loop.start + minimumLength, seconds)));
}

std::optional<LoopRegion> loopFromSpan (const juce::Array<LoopRegion>& loops, double a, double b,
                                        double minimumLength, double fileLength)
{
    auto start = juce::jmin (a, b);
    auto end = juce::jmax (a, b);

    if (end - start < minimumLength)
    {
        const auto centre = (start + end) / 2.0;
        const auto halfLength = minimumLength / 2.0;
        start = centre - halfLength < 0.0 ? 0.0
                                          : juce::jmin (juce::jmax (fileLength - minimumLength, 0.0), centre - halfLength);
        end = start + minimumLength;
    }

    for (const auto& other : loops)
        if (end > other.start + kTimeTolerance && other.end > start + kTimeTolerance)
            return std::nullopt;

    return LoopRegion { start, end, true };
}

int removeLoop (juce::Array<LoopRegion>& loops, int index)
{
    if (juce::isPositiveAndBelow (index, loops.size()))
        loops.remove (index);

    if (loops.isEmpty())
        return -1;

    const auto active = juce::jmin (juce::jmax (index, 0), loops.size() - 1);
    flagActive (loops, active);
    return active;
}

bool fitToFile (juce::Array<LoopRegion>& loops, int& activeIndex, double fileLength)
{
    const auto lengthKnown = fileLength > 0.0;
    bool changed = false;
    int newActive = -1;
    juce::Array<LoopRegion> kept;

    for (int i = 0; i < loops.size(); ++i)
    {
        auto loop = loops[i];

        const auto unusable = ! std::isfinite (loop.start) || ! std::isfinite (loop.end)
                              || juce::jmax (loop.start, loop.end) < 0.0
                              || (lengthKnown && juce::jmin (loop.start, loop.end) >= fileLength);

        if (unusable)
        {
            changed = true;
            continue;
        }

        const auto start = juce::jmax (juce::jmin (loop.start, loop.end), 0.0);
        auto end = juce::jmax (loop.start, loop.end);

        if (lengthKnown)
            end = juce::jmin (end, fileLength);

        if (start != loop.start || end != loop.end)
        {
            loop.start = start;
            loop.end = end;
            changed = true;
        }

        if (i == activeIndex)
            newActive = kept.size();

        kept.add (loop);
    }

    if (! changed)
        return false;

    loops.swapWith (kept);
    activeIndex = newActive;
    flagActive (loops, activeIndex);
    return true;
}

PlayheadStep followPlayhead (double reported, double drawn, const LoopRegion* activeLoop)
{
    if (activeLoop != nullptr && activeLoop->end - activeLoop->start > kTimeTolerance)
    {
        const auto start = activeLoop->start;
        const auto end = activeLoop->end;

        if (reported < start - kTimeTolerance || reported >= end - kWrapBeforeEnd)
            return { start, true, true };

        const auto inside = juce::jlimit (start, end, reported);
        return { inside, false, std::abs (inside - drawn) > kPlayheadRepaintStep };
    }

    if (std::abs (reported - drawn) > kPlayheadRepaintStep)
        return { reported, false, true };

    return { drawn, false, false };
}
} // namespace LoopRegionEditing
