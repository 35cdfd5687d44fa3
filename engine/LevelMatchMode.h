#pragma once

/** How the Source and the active Reference are brought to the same short-term loudness. */
enum class LevelMatchMode : int
{
    /** Both gains at unity. */
    Off = 0,
    /** The Reference takes the gain that brings it to the Source's loudness. */
    ReferenceToSource = 1,
    /** The louder of the two is turned down to the quieter one. */
    LouderToQuieter = 2
};
