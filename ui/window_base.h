#pragma once
// A window is a class that owns its HWND. The window procedure is a thin thunk: it
// finds the object stored at WM_NCCREATE, and no exception crosses it (GuardMessage); a
// failure that nothing handled is reported and ends the program.

#include <windows.h>

#include <algorithm>

#include "resources/resource_ids.h"
#include "run/system_error.h"
#include "ui/dpi.h"
#include "ui/layout.h"
#include "win/fatal_error_report.h"
#include "win/win32_error.h"

namespace tindrel::ui {

// WM_DPICHANGED (Windows 8.1), which headers for older Windows leave out.
inline constexpr UINT kDpiChanged = 0x02E0;

// A change of the message font or the text size (SPI_SETNONCLIENTMETRICS, or the
// "WindowMetrics" section where a program names only that), or of the work area.
inline bool IsLayoutSetting(WPARAM action, LPARAM section) {
    if (action == SPI_SETNONCLIENTMETRICS || action == SPI_SETWORKAREA) return true;
    return section && ::lstrcmpiW(reinterpret_cast<const wchar_t*>(section), L"WindowMetrics") == 0;
}

// A minimised window's placement is kept in workspace coordinates, whose 0, 0 is the
// corner of its monitor's work area; these are its offsets from screen coordinates.
inline POINT WorkspaceOrigin(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    return {monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top};
}

template <typename Derived>
class WindowBase {
public:
    // Windows live until the program ends, which it does at once (ExitProcess): no
    // window is ever destroyed by its object.
    WindowBase() = default;
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

protected:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        return win::GuardMessage([&] { return Dispatch(window, message, wParam, lParam); });
    }

    static LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_NCCREATE) {
            self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->hwnd_ = window;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
            self->OnDestroyed();
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        if (message == kDpiChanged) {
            // Moved to a screen of another DPI: laid out again at the new scale, over the
            // place Windows suggests.
            self->Relayout(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        }
        if (message == WM_SETTINGCHANGE && IsLayoutSetting(wParam, lParam)) {
            self->Relayout(WindowDpi(window), self->RestoredRect());
            return 0;
        }
        return self->HandleMessage(message, wParam, lParam);
    }

    // Registers the window class once per process: dialog background, arrow pointer, and
    // the application icon where the window shows one.
    static void RegisterClassOnce(HINSTANCE instance, const wchar_t* className, bool withIcon) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        if (::GetClassInfoExW(instance, className, &windowClass)) return;
        windowClass.lpfnWndProc = &WindowProcedure;
        windowClass.hInstance = instance;
        if (withIcon) {
            windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_TINDREL));
            windowClass.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_TINDREL), IMAGE_ICON,
                                                                  ::GetSystemMetrics(SM_CXSMICON),
                                                                  ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        }
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        if (!::RegisterClassExW(&windowClass)) win::ThrowLastError(L"注册窗口类", className);
    }

    // The one layout function, on creation, on a new DPI and on a new message font, text
    // size or work area: Derived::ApplyDpi(dpi, workArea) makes the fonts, places the
    // controls and returns the window's outer size, which is centred on `around` (a work
    // area, the owner window, the window itself) and kept inside its monitor's work area.
    void Relayout(UINT dpi, const RECT& around) {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromRect(&around, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& work = monitor.rcWork;
        const SIZE size = static_cast<Derived*>(this)->ApplyDpi(dpi, work);
        const auto place = [](LONG centre, LONG length, LONG low, LONG high) {
            return std::max(low, std::min(centre - length / 2, high - length));
        };
        const LONG left = place((around.left + around.right) / 2, size.cx, work.left, work.right);
        const LONG top = place((around.top + around.bottom) / 2, size.cy, work.top, work.bottom);
        // A minimised window (a shortcut set to start minimised) gets its new size for
        // when it is restored; sizing its parked icon would bring the old size back.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (::IsIconic(hwnd_) && ::GetWindowPlacement(hwnd_, &placement)) {
            const POINT origin = WorkspaceOrigin(hwnd_);
            placement.rcNormalPosition = {left - origin.x, top - origin.y, left - origin.x + size.cx,
                                          top - origin.y + size.cy};
            placement.showCmd = SW_SHOWMINNOACTIVE;
            ::SetWindowPlacement(hwnd_, &placement);
            return;
        }
        ::SetWindowPos(hwnd_, nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // Where the window is, or goes when restored if it is minimised.
    RECT RestoredRect() const {
        RECT rect{};
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (::IsIconic(hwnd_) && ::GetWindowPlacement(hwnd_, &placement)) {
            const POINT origin = WorkspaceOrigin(hwnd_);
            rect = placement.rcNormalPosition;
            ::OffsetRect(&rect, origin.x, origin.y);
        } else {
            ::GetWindowRect(hwnd_, &rect);
        }
        return rect;
    }

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    virtual void OnDestroyed() {}

    HWND hwnd_ = nullptr;
};

}  // namespace tindrel::ui
