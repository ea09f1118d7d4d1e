#include "run/win/scripting_file_system.h"

#include <oleauto.h>

#include "win/system_folder.h"
#include "win/win32_error.h"

namespace tindrel::win {

// ole32 and oleaut32 are loaded from the system folder when the object is first needed:
// a start that imported them would pay for both before the window shows.
struct AutomationFunctions {
    decltype(&::CoInitializeEx) CoInitializeEx;
    decltype(&::CoUninitialize) CoUninitialize;
    decltype(&::CoCreateInstance) CoCreateInstance;
    decltype(&::SysAllocStringLen) SysAllocStringLen;
    decltype(&::SysFreeString) SysFreeString;
    decltype(&::VariantInit) VariantInit;
    decltype(&::VariantClear) VariantClear;
};

namespace {

template <typename Function>
bool Find(HMODULE dll, const char* name, Function& function) {
    function = dll ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(dll, name))) : nullptr;
    return function != nullptr;
}

// Null where either DLL or any of the functions is missing.
const AutomationFunctions* LoadAutomation() {
    static const std::optional<AutomationFunctions> loaded = []() -> std::optional<AutomationFunctions> {
        const HMODULE ole = LoadSystemLibrary(L"ole32.dll");
        const HMODULE automation = LoadSystemLibrary(L"oleaut32.dll");
        AutomationFunctions f{};
        if (Find(ole, "CoInitializeEx", f.CoInitializeEx) && Find(ole, "CoUninitialize", f.CoUninitialize) &&
            Find(ole, "CoCreateInstance", f.CoCreateInstance) &&
            Find(automation, "SysAllocStringLen", f.SysAllocStringLen) &&
            Find(automation, "SysFreeString", f.SysFreeString) && Find(automation, "VariantInit", f.VariantInit) &&
            Find(automation, "VariantClear", f.VariantClear)) {
            return f;
        }
        return std::nullopt;
    }();
    return loaded ? &*loaded : nullptr;
}

// Scripting.FileSystemObject
constexpr CLSID kFileSystemObject = {0x0D43FE01, 0xF093, 0x11CF, {0x89, 0x40, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};

void ThrowIfFailed(HRESULT result, const wchar_t* operation, const std::wstring& subject = {}) {
    if (FAILED(result)) ThrowStatus(static_cast<DWORD>(result), operation, subject);
}

class Bstr {
public:
    Bstr(const std::wstring& text, const AutomationFunctions& automation)
        : automation_(automation),
          value_(automation.SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { automation_.SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return value_; }

private:
    const AutomationFunctions& automation_;
    BSTR value_;
};

}  // namespace

ScriptingFileSystem::~ScriptingFileSystem() {
    object_.Reset();
    if (comStarted_) automation_->CoUninitialize();
}

bool ScriptingFileSystem::Create() {
    automation_ = LoadAutomation();
    if (!automation_) {
        unavailable_ = true;
        return false;
    }
    if (!comStarted_) {
        comStarted_ = SUCCEEDED(automation_->CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
    LPOLESTR name = const_cast<LPOLESTR>(L"FileExists");
    if (FAILED(automation_->CoCreateInstance(kFileSystemObject, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                             object_.PutVoid())) ||
        FAILED(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &fileExists_))) {
        object_.Reset();
        unavailable_ = true;
    }
    return !unavailable_;
}

std::optional<bool> ScriptingFileSystem::FileExists(const std::wstring& path) {
    if (unavailable_ || (!object_ && !Create())) return std::nullopt;
    const Bstr argumentText(path, *automation_);
    VARIANT argument;
    automation_->VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = argumentText.Get();
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    VARIANT result;
    automation_->VariantInit(&result);
    ThrowIfFailed(object_->Invoke(fileExists_, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &result,
                                  nullptr, nullptr),
                  L"检查文件是否存在", path);
    const bool exists = result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
    automation_->VariantClear(&result);
    return exists;
}

}  // namespace tindrel::win
