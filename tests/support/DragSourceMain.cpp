// A stand-in for a file manager in window tests: a small window of its own process that starts
// a desktop drag of the files named on its command line when the mouse drags on it. Being
// another X client, it drives the window system's drag-and-drop protocol the way a real file
// manager does. Prints "ready X Y" (the window's centre on the screen) once it shows.

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdio>

namespace
{
class DragSourceWindow final : public juce::Component,
                               private juce::Timer
{
public:
    explicit DragSourceWindow (juce::StringArray filesToDrag) : files (std::move (filesToDrag))
    {
        setSize (120, 120);
        setTopLeftPosition (1500, 100);
        addToDesktop (0);
        setVisible (true);
        startTimer (50);
    }

    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::grey); }

    void mouseDrag (const juce::MouseEvent&) override
    {
        if (! started)
            started = juce::DragAndDropContainer::performExternalDragDropOfFiles (files, false, this, []
            {
                juce::MessageManager::getInstance()->stopDispatchLoop();
            });
    }

private:
    void timerCallback() override
    {
        if (! isShowing() || getPeer() == nullptr)
            return;

        stopTimer();
        const auto centre = localPointToGlobal (getLocalBounds().getCentre());
        std::printf ("ready %d %d\n", centre.x, centre.y);
        std::fflush (stdout);
    }

    juce::StringArray files;
    bool started = false;
};
}

int main (int argc, char** argv)
{
    juce::ScopedJuceInitialiser_GUI juce;
    juce::StringArray files;

    for (int i = 1; i < argc; ++i)
        files.add (juce::String::fromUTF8 (argv[i]));

    DragSourceWindow window (files);
    juce::MessageManager::getInstance()->runDispatchLoop();
    return 0;
}
