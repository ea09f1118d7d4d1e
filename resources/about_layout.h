#pragma once
#include "resources/layout_table.h"
#include "resources/resource_ids.h"

namespace tindrel {

inline constexpr wchar_t kAboutDesignCaption[] = L"关于我的应用程序";
inline constexpr ClientSize kAboutClient{5730, 3555};
// Drawn for the main window's font, so that both windows grow alike.
inline constexpr DesignFont kAboutDesignFont{9, 270};

inline constexpr ControlLayout kAboutControls[] = {
    {1 /* IDOK */, L"cmdOK", ControlKind::DefaultButton, L"确定", 4125, 2760, 1500, 345, ControlFont::Default,
     TextFit::Grows, 0},
    {IDC_PICICON, L"picIcon", ControlKind::Icon, L"", 240, 240, 540, 540, ControlFont::Default, TextFit::Moves, 0},
    {IDC_LBLDESCRIPTION, L"lblDescription", ControlKind::Label,
     L"检查 Nero 刻录软件，列出刻录设备。", 1050, 1125, 3885, 330, ControlFont::Default, TextFit::Grows, 0},
    {IDC_LBLDISCLAIMER, L"lblDisclaimer", ControlKind::Label,
     L"本程序只读取设备信息，不会写入光盘。Nero Burning Rom 是 Ahead Software 的产品，需另行安装。", 255, 2625,
     3630, 825, ControlFont::Default, TextFit::Grows, 0},
    {IDC_LBLTITLE, L"lblTitle", ControlKind::Label, L"Tindrel", 1050, 240, 3885, 480, ControlFont::Title,
     TextFit::Grows, 0},
    {IDC_LBLVERSION, L"lblVersion", ControlKind::Label, L"", 1050, 780, 3885, 300, ControlFont::Default,
     TextFit::Grows, 0},
};

// The etched rule, Line1 by index: the wide white line first, then the grey line over
// its upper edge.
inline constexpr LineLayout kAboutLines[] = {
    {0xFFFFFF, 2, 105, 2460, 5654, 2460},
    {0x808080, 1, 90, 2445, 5654, 2445},
};

}  // namespace tindrel
