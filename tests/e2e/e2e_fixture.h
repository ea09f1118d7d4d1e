#pragma once
// What every end-to-end test starts from: a simulated installation in a tool folder of
// its own, and a test process that sees the screen in pixels.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "resources/resource_ids.h"
#include "tools/driver/app_driver.h"
#include "tools/driver/simulated_install.h"

namespace tindrel::e2e {

inline const std::filesystem::path kToolFolder = L"C:\\TindrelE2E\\Program Files\\Nero";

inline bool WorkFilesLeft() {
    return std::filesystem::exists(kToolFolder / L"b.txt") || std::filesystem::exists(kToolFolder / L"run.bat");
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override { ::SetProcessDPIAware(); }
    const SimulatedInstall& Install() const { return install_; }

private:
    SimulatedInstall install_{kToolFolder};
};

}  // namespace tindrel::e2e
