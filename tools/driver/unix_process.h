#pragma once
// What Linux knows of a Wine process: under Wine, GetProcessTimes on another process
// reports no CPU time, so CPU and peak memory come from /proc (the Z: drive).

#include <string>

namespace tindrel::e2e {

struct UnixProcessFigures {
    double CpuSeconds = 0;  // user + system
    long PeakKiB = 0;       // VmHWM
};

// The newest process of this Wine prefix whose /proc/PID/comm is `name` (at most 15
// characters); 0 if none. Other prefixes on the machine run copies of their own.
int FindUnixProcess(const std::string& name);
UnixProcessFigures ReadUnixProcess(int pid);

}  // namespace tindrel::e2e
