#pragma once
// What every end-to-end test starts from: a simulated installation in a tool folder of
// its own, and a test process that sees the screen in pixels.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "resources/resource_ids.h"
#include "tools/driver/app_driver.h"
#include "tests/support/environment.h"
#include "tests/support/test_support.h"
#include "tools/driver/simulated_install.h"

namespace tindrel::e2e {

inline const std::filesystem::path kToolFolder = L"C:\\TindrelE2E\\Program Files\\Nero";

inline bool WorkFilesLeft() { return testing::WorkFilesLeft(kToolFolder); }

// The About window once it shows, or null: it is made empty and laid out before it shows.
inline HWND ShownAboutWindow(const RunningApp& app) {
    const HWND about = app.FindWindowOf(TINDREL_ABOUT_CLASS);
    return about && ::IsWindowVisible(about) ? about : nullptr;
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The simulated tool prints its drive list in Chinese, in the ANSI code page.
        TINDREL_REQUIRE_ANSI_CODE_PAGE(936u, "zh_CN.UTF-8");
        ::SetProcessDPIAware();
    }
    const SimulatedInstall& Install() const { return install_; }

private:
    SimulatedInstall install_{kToolFolder};
};

}  // namespace tindrel::e2e
