#include "tab/SignalViewTab.h"

#include <gtest/gtest.h>

// A page can be built from the editor's format manager and thumbnail cache for a file that does
// not exist, laid out and destroyed, with every child in place.
TEST (TabPageConstruction, aPageForAMissingFileBuildsLaysOutAndGoesAwayCleanly)
{
    juce::AudioFormatManager formatManager;
    formatManager.registerBasicFormats();
    juce::AudioThumbnailCache thumbnailCache (10);

    {
        SignalViewTab page ("Mix.wav", formatManager, thumbnailCache,
                            juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("no-such-file.wav"));
        page.setSize (1200, 640);

        EXPECT_EQ (page.getName(), "Mix.wav");
        EXPECT_EQ (page.getViewMode(), static_cast<int> (ViewMode::Spectrum));
        EXPECT_EQ (page.displayHost.getCurrentView(), &page.displayHost.spectrumView);
        EXPECT_EQ (page.signalDisplay.getParentComponent(), &page);
    }
}
