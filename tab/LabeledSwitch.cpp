#include "tab/LabeledSwitch.h"

#include "engine/ThemePalette.h"
#include "tab/LookAndFeelFont.h"

namespace
{
constexpr float kEdgeInset = 0.5f;
constexpr float kCornerPerHeight = 0.12f;
constexpr float kMaxCorner = 4.0f;
constexpr float kKnobInset = 2.0f;
constexpr float kKnobCornerReduction = 1.5f;
constexpr float kBorderThickness = 1.0f;
constexpr float kDisabledAlpha = 0.55f;
constexpr float kHoverAlpha = 0.04f;
constexpr float kPressedHoverAlpha = 0.07f;
constexpr float kOtherLabelAlpha = 0.72f;
constexpr float kDisabledOtherLabelAlpha = 0.45f;
constexpr float kAutoFontPerHeight = 0.4f;
constexpr float kMaxAutoFontHeight = 13.5f;

/** A rectangle reduced on every side, never below zero size. */
juce::Rectangle<float> inset (juce::Rectangle<float> r, float amount) noexcept
{
    return { r.getX() + amount, r.getY() + amount,
             juce::jmax (r.getWidth() - 2.0f * amount, 0.0f), juce::jmax (r.getHeight() - 2.0f * amount, 0.0f) };
}
} // namespace

LabeledSwitch::LabeledSwitch()
{
    setClickingTogglesState (false);
    setBufferedToImage (true);
    setTooltip ("Choose Reference or Source");
}

LabeledSwitch::~LabeledSwitch() = default;

void LabeledSwitch::setLabels (const juce::String& newOnText, const juce::String& newOffText)
{
    onText = newOnText;
    offText = newOffText;
    repaint();
}

void LabeledSwitch::setColours (juce::Colour newOnColour, juce::Colour newOffColour)
{
    onColour = newOnColour;
    offColour = newOffColour;
    repaint();
}

void LabeledSwitch::setFontHeight (float newFontHeight)
{
    fontHeight = newFontHeight;
    repaint();
}

juce::Colour LabeledSwitch::knobLabelColour (juce::Colour knobColour) noexcept
{
    return ThemePalette::textColourOn (knobColour);
}

void LabeledSwitch::mouseUp (const juce::MouseEvent& e)
{
    // A press that turned into a drag is no choice of a half; the button still completes its
    // click below, so owners always hear about a finished click.
    if (isEnabled() && ! e.mouseWasDraggedSinceMouseDown())
        setToggleState (selectsOnAt (e.position.x, getWidth()), juce::sendNotification);

    juce::ToggleButton::mouseUp (e);
}

bool LabeledSwitch::keyPressed (const juce::KeyPress& key)
{
    const auto code = key.getKeyCode();
    const auto modifiers = key.getModifiers();
    const auto plain = ! (modifiers.isShiftDown() || modifiers.isCommandDown() || modifiers.isCtrlDown()
                          || modifiers.isAltDown());

    if (plain && (code == juce::KeyPress::spaceKey || code == juce::KeyPress::returnKey))
    {
        setToggleState (! getToggleState(), juce::sendNotification);
        return true;
    }

    return juce::ToggleButton::keyPressed (key);
}

void LabeledSwitch::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    const auto bounds = inset (getLocalBounds().toFloat(), kEdgeInset);
    const auto corner = bounds.getHeight() > 0.0f ? juce::jmin (kCornerPerHeight * bounds.getHeight(), kMaxCorner) : 0.0f;
    const auto innerCorner = juce::jmax (corner - kKnobCornerReduction, 0.0f);
    const auto enabledAlpha = isEnabled() ? 1.0f : kDisabledAlpha;
    const auto on = getToggleState();

    g.setColour (ThemePalette::surface.withAlpha (enabledAlpha));
    g.fillRoundedRectangle (bounds, corner);

    const auto halfWidth = bounds.getWidth() / 2.0f;
    const juce::Rectangle<float> left (bounds.getX(), bounds.getY(), halfWidth, bounds.getHeight());
    const juce::Rectangle<float> right (bounds.getX() + halfWidth, bounds.getY(), bounds.getWidth() - halfWidth, bounds.getHeight());
    const auto active = on ? right : left;
    const auto inactive = on ? left : right;

    if (shouldDrawButtonAsHighlighted)
    {
        g.setColour (juce::Colours::white.withAlpha (shouldDrawButtonAsDown ? kPressedHoverAlpha : kHoverAlpha));
        g.fillRoundedRectangle (inset (inactive, kKnobInset), innerCorner);
    }

    const auto knobColour = on ? onColour : offColour;
    g.setColour (knobColour);
    g.fillRoundedRectangle (inset (active, kKnobInset), innerCorner);

    g.setColour (ThemePalette::border.withAlpha (enabledAlpha));
    g.drawRoundedRectangle (bounds, corner, kBorderThickness);

    const auto height = fontHeight > 0.0f ? fontHeight : juce::jmin (kAutoFontPerHeight * bounds.getHeight(), kMaxAutoFontHeight);
    g.setFont (lookAndFeelFont (*this, height, juce::Font::bold));

    const auto knobLabel = knobLabelColour (knobColour);
    const auto otherLabel = juce::Colours::white.withAlpha (isEnabled() ? kOtherLabelAlpha : kDisabledOtherLabelAlpha);

    g.setColour (on ? otherLabel : knobLabel);
    g.drawFittedText (offText, left.toNearestInt(), juce::Justification::centred, 1);

    g.setColour (on ? knobLabel : otherLabel);
    g.drawFittedText (onText, right.toNearestInt(), juce::Justification::centred, 1);
}
