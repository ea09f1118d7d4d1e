#pragma once
#include "resources/layout_table.h"
#include "resources/resource_ids.h"

namespace tindrel {

inline constexpr wchar_t kForm1Caption[] = L"Tindrel测试";
inline constexpr ClientSize kForm1Client{8550, 5850};

// Drawn for a 9-point message font with lines of up to 270 twips (Label2's height, half
// of Label3's): at 96 dpi an em of 12 px in a line of 18 px. Noto Sans CJK SC, whose lines
// are taller than those of Microsoft YaHei UI, Segoe UI or Tahoma (17 px at 9 pt), fits
// it; the label test holds it to that.
inline constexpr DesignFont kForm1DesignFont{9, 270};

// Label1's box holds Label2 and Label3, and its own text takes the box's top line. The
// three are stacked for CJK message fonts of tall lines (Microsoft YaHei UI 9 pt and the
// like): Label2 straight under Label1's line, Label3's two lines under Label2, down to just
// above the results box, which gives way where they grow.
//
// The banner's two words are stacked at the bottom left, each in a box one line of 12 pt
// Arial Black high, the lower one ending at the client's bottom edge. The upper word: a
// short lower-case word for the program that fits 615 twips in 12 pt Arial Black.
inline constexpr ControlLayout kForm1Controls[] = {
    {IDC_COMMAND1, L"Command1", ControlKind::Button, L"开始测试", 1920, 4800, 2055, 615, ControlFont::Default,
     TextFit::Grows, 0},
    {IDC_COMMAND2, L"Command2", ControlKind::Button, L"关于", 7440, 5160, 855, 375, ControlFont::Default,
     TextFit::Grows, 0},
    {IDC_RICHTEXTBOX1, L"RichTextBox1", ControlKind::RichText, L"", 600, 1440, 7335, 2775, ControlFont::Default,
     TextFit::GivesRoom, 0},
    {IDC_LABEL1, L"Label1", ControlKind::Label, L"点击“开始测试”按钮以后，会在下面的文本框中显示测试结果。", 600, 240,
     7335, 1140, ControlFont::Default, TextFit::Holds, 0},
    {IDC_COMMAND3, L"Command3", ControlKind::Button, L"退   出", 4560, 4800, 2055, 615, ControlFont::Default,
     TextFit::Grows, 0},
    {IDC_LABEL2, L"Label2", ControlKind::Label, L"这一般会消耗十几秒钟，请耐心等待结果。", 600, 570, 5655, 270,
     ControlFont::Default, TextFit::Grows, IDC_LABEL1},
    {IDC_LABEL3, L"Label3", ControlKind::Label,
     L"如果长时间没有响应，请再按一下“开始测试”按钮，但不要连续多次地按，以免发生程序忙。", 600, 840, 7215, 540,
     ControlFont::Default, TextFit::Grows, IDC_LABEL1},
    {IDC_LABEL4, L"Label4", ControlKind::Label, L"tin", 0, 5100, 615, 375, ControlFont::Banner, TextFit::Grows, 0},
    {IDC_LABEL5, L"Label5", ControlKind::Label, L"test", 15, 5475, 855, 375, ControlFont::Banner, TextFit::Grows, 0},
};

}  // namespace tindrel
