#pragma once
// How a window's controls are described: positions and sizes in twips of a 96-dpi
// screen (15 twips a pixel), listed in tab order: the controls are created in that order,
// which is the order the dialog manager's Tab follows.

namespace tindrel {

enum class ControlKind { Button, DefaultButton, Label, RichText, Icon };
enum class ControlFont { Default, Banner, Title };
inline constexpr int kControlFontCount = 3;

// What a control does where its text needs more room than its rectangle gives (a window
// stopped at the work area draws its fonts larger than its table). Whatever grows pushes
// down what lies below it.
enum class TextFit {
    Grows,      // a label downwards, wrapped at its width; a push button around its centre, to one line
    Holds,      // a label whose box holds others below its own text: it keeps its size, and grows only
                // to hold them
    Moves,      // keeps its size and moves down (the icon)
    GivesRoom,  // gives up the room at its top (the results box)
};

struct ControlLayout {
    int Id;
    const wchar_t* Name;
    ControlKind Kind;
    const wchar_t* Text;
    int Left;
    int Top;
    int Width;
    int Height;
    ControlFont Font;
    TextFit Fit;
    int HeldBy;  // the Id of the label whose box holds this one; 0 for none
};

// The message font a table was drawn for, in points, and the tallest line of text it
// gives a label, in twips. A larger message font scales the whole table (LayoutDpi).
struct DesignFont {
    int Points;
    int LineTwips;
};

struct LineLayout {
    unsigned long Colour;  // 0xBBGGRR
    int Width;             // in pixels at 96 dpi
    int X1, Y1, X2, Y2;    // twips
};

struct ClientSize {
    int Width;
    int Height;
};

}  // namespace tindrel
