#pragma once

#include "tab/SignalDisplay.h"

#include <juce_core/juce_core.h>

#include <optional>
#include <vector>

/**
    The editor's part of the saved project as one JSON text: which Reference files have tabs, in
    tab order, which tab is current, and each tab's loops, loop visibility, playhead and analysis
    source. The editor collects and applies the values; this namespace only writes and reads
    the text. Plain functions, any thread.
*/
namespace EditorStateJson
{
/** Texts longer than this are not read (a project never holds one; reading it would stall). */
constexpr int kMaxTextLength = 4 * 1024 * 1024;
/** Texts nested deeper than this are not read (the parser recurses once per level). */
constexpr int kMaxNestingDepth = 32;

/** What a Reference tab shows of its file, as saved. */
struct TabView
{
    std::vector<LoopRegion> regions;
    int activeIndex = -1;
    bool loopsVisible = true;
    double playhead = 0.0;
    bool analysisUsesLoop = false;
};

/** One Reference tab as saved. */
struct Tab
{
    juce::String path;
    int refIndex = -1;
    /** Present for every tab page that is a Reference page. */
    std::optional<TabView> view;
};

/** The text for the tabs in tab order and the tab bar's current index (-1 for none): an
    object with "tabs" and "currentTab", written by the framework's JSON writer. */
juce::String write (const std::vector<Tab>& tabs, int currentTab);

/** How a stored text restores the tabs. */
enum class RestoreKind
{
    /** No text, or text that does not parse: one tab per Reference of the processor. */
    oneTabPerReference,
    /** Valid JSON that is not an object: no tab is built. */
    noTabs,
    /** An object: the listed tabs are built. */
    listedTabs
};

/** One element of "tabs" that names a path. */
struct SavedTab
{
    juce::String path;
    /** The element's "view", whatever it holds (void when missing). */
    juce::var view;
};

/** What a stored text asks the editor to rebuild. */
struct Restore
{
    RestoreKind kind = RestoreKind::oneTabPerReference;
    /** The object elements of "tabs" whose "path" is a non-empty string, in order. */
    std::vector<SavedTab> tabs;
    /** "currentTab" as an int: 0 when missing, -1 for a number outside the int range. */
    int currentTab = 0;
};

/** Reads a stored text. */
Restore read (const juce::String& text);

/** A value read as an index like the framework's int conversion (whole part of a number, text
    by its leading integer, true as 1, anything else 0), except that a number outside the int
    range, infinite or not a number gives -1 instead of an undefined conversion. */
int toIndex (const juce::var& value);
}
