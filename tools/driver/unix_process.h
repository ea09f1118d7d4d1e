#pragma once
// What Linux knows of a Wine process: under Wine, GetProcessTimes on another process
// reports no CPU time, so CPU and peak memory come from /proc (the Z: drive).

#include <string>
#include <vector>

namespace tindrel::e2e {

struct UnixProcessFigures {
    double CpuSeconds = 0;  // user + system
    long PeakKiB = 0;       // VmHWM
};

// The newest process of this Wine prefix whose /proc/PID/comm is `name` (at most 15
// characters); 0 if none. Other prefixes on the machine run copies of their own.
int FindUnixProcess(const std::string& name);
UnixProcessFigures ReadUnixProcess(int pid);

struct UnixProcess {
    int Pid = 0;
    std::string Comm;     // Wine names a process after its program once that is loaded
    std::string Program;  // the Windows program Wine was asked to start (its second argument)
    double AgeSeconds = 0;
};
// Every process of this Wine prefix but this one, as Linux sees them.
std::vector<UnixProcess> UnixProcessesOfPrefix();
// Ends a Linux process (SIGKILL, through start.exe /unix) and waits at most 10 s for it
// to go; true once it has gone.
bool KillUnixProcess(int pid);

}  // namespace tindrel::e2e
