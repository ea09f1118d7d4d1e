#pragma once
// How a window's controls are described: positions and sizes in twips of a 96-dpi
// screen (15 twips a pixel), listed in tab order: the controls are created in that order,
// which is the order the dialog manager's Tab follows.

namespace tindrel {

enum class ControlKind { Button, DefaultButton, Label, RichText, Icon };
enum class ControlFont { Default, Banner, Title };
inline constexpr int kControlFontCount = 3;

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
