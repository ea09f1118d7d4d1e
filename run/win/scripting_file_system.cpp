#include "run/win/scripting_file_system.h"

#include <oleauto.h>

#include "run/win/win32_error.h"

namespace tindrel::win {
namespace {

// Scripting.FileSystemObject
constexpr CLSID kFileSystemObject = {0x0D43FE01, 0xF093, 0x11CF, {0x89, 0x40, 0x00, 0xA0, 0xC9, 0x05, 0x42, 0x28}};

void ThrowIfFailed(HRESULT result, const wchar_t* operation, const std::wstring& subject = {}) {
    if (FAILED(result)) ThrowStatus(static_cast<DWORD>(result), operation, subject);
}

class Bstr {
public:
    explicit Bstr(const std::wstring& text)
        : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return value_; }

private:
    BSTR value_;
};

}  // namespace

bool ScriptingFileSystem::Create() {
    if (!apartment_) apartment_.emplace();
    LPOLESTR name = const_cast<LPOLESTR>(L"FileExists");
    if (FAILED(::CoCreateInstance(kFileSystemObject, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, object_.PutVoid())) ||
        FAILED(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &fileExists_))) {
        object_.Reset();
        unavailable_ = true;
    }
    return !unavailable_;
}

std::optional<bool> ScriptingFileSystem::FileExists(const std::wstring& path) {
    if (unavailable_ || (!object_ && !Create())) return std::nullopt;
    const Bstr argumentText(path);
    VARIANT argument;
    ::VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = argumentText.Get();
    DISPPARAMS parameters{&argument, nullptr, 1, 0};
    VARIANT result;
    ::VariantInit(&result);
    ThrowIfFailed(object_->Invoke(fileExists_, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &result,
                                  nullptr, nullptr),
                  L"检查文件是否存在", path);
    const bool exists = result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
    ::VariantClear(&result);
    return exists;
}

}  // namespace tindrel::win
