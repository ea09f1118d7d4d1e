#pragma once
#include "run/platform.h"
#include "run/registry_api.h"
#include "run/tool_paths.h"

namespace tindrel {

// Reads where nero.exe is installed and keeps its folder in Paths.Folder, or reports the
// missing installation and ends the program.
void LocateTool(ToolPaths& Paths, RegistryApi& Registry, InstallationNotice& Notice);

}  // namespace tindrel
