#include "run/system_error.h"

namespace tindrel {

std::wstring SystemError::Report() const {
    std::wstring text = L"操作失败：" + Operation;
    if (!Subject.empty()) text += L"\r\n对象：" + Subject;
    text += L"\r\n错误号：" + std::to_wstring(Code);
    if (!Description.empty()) text += L"\r\n" + Description;
    return text;
}

}  // namespace tindrel
