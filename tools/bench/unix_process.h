#pragma once
// What Linux knows of a Wine process: under Wine, GetProcessTimes on another process
// reports no CPU time, so CPU and peak memory come from /proc (the Z: drive).

#include <string>

namespace tindrel::bench {

struct UnixProcessFigures {
    double CpuSeconds = 0;  // user + system
    long PeakKiB = 0;       // VmHWM
};

// The newest process whose /proc/PID/comm is `name` (at most 15 characters) and that was
// started from this program's folder; 0 if none.
int FindUnixProcess(const std::string& name);
UnixProcessFigures ReadUnixProcess(int pid);

}  // namespace tindrel::bench
