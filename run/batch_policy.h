#pragma once
#include "run/registry_api.h"

namespace tindrel {

// The user's policy that turns the command prompt off ("Prevent access to the command
// prompt"), as group policy stores it. 1 also stops the interpreter running any batch
// file; 2 only stops the interactive prompt.
inline constexpr char kCommandPromptPolicyKey[] = "Software\\Policies\\Microsoft\\Windows\\System";
inline constexpr char kCommandPromptPolicyValue[] = "DisableCMD";

// True when that policy stops batch files for the current user. The key is opened with
// read access only: a standard user may do no more with a Policies key.
bool PolicyBlocksBatchFiles(RegistryApi& Registry);

}  // namespace tindrel
