/*
 * Preloaded into the 32-bit Wine processes that qemu-i386 runs on this machine, whose
 * kernel cannot run 32-bit code (scripts/dev passes it to the emulated
 * processes only, through QEMU_SET_ENV=LD_PRELOAD=...). It makes two answers of qemu 7.2's
 * user-mode emulation look like the kernel's, the ones Wine depends on:
 *
 * - qemu takes MAP_FIXED_NOREPLACE as a mere hint: when the address is taken it maps
 *   somewhere else instead of failing with EEXIST. Wine reserves its address space with
 *   such calls; given a mapping elsewhere, it bisects the range down to 64 KiB pieces:
 *   about 65,000 mmap calls and a minute for every process start. Failing as the kernel
 *   does takes about 300 calls and well under a second.
 *
 * - qemu delivers SIGSEGV with trap number -1 in the signal context. Wine reads the trap
 *   number to tell a page fault from other faults, so every access violation would
 *   reach the program as an illegal instruction, which no handler expects (IsBadReadPtr,
 *   Wine's own guarded reads). The handler Wine installs is wrapped to put back the
 *   page-fault trap number first.
 *
 * It also takes LD_PRELOAD out of the environment once loaded: the Windows programs this
 * process starts inherit its environment, and 64-bit ones would complain about a 32-bit
 * library (the 32-bit ones get it again from qemu).
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <ucontext.h>

#define PAGE_FAULT_TRAP 14

__attribute__((constructor)) static void forget_preload(void) { unsetenv("LD_PRELOAD"); }

static void *kernel_like(void *wanted, void *got, size_t length, int flags) {
    if ((flags & MAP_FIXED_NOREPLACE) && got != MAP_FAILED && got != wanted) {
        munmap(got, length);
        errno = EEXIST;
        return MAP_FAILED;
    }
    return got;
}

void *mmap64(void *address, size_t length, int protection, int flags, int fd, off64_t offset) {
    static void *(*real)(void *, size_t, int, int, int, off64_t);
    if (!real) real = (void *(*)(void *, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
    return kernel_like(address, real(address, length, protection, flags, fd, offset), length, flags);
}

void *mmap(void *address, size_t length, int protection, int flags, int fd, off_t offset) {
    static void *(*real)(void *, size_t, int, int, int, off_t);
    if (!real) real = (void *(*)(void *, size_t, int, int, int, off_t))dlsym(RTLD_NEXT, "mmap");
    return kernel_like(address, real(address, length, protection, flags, fd, offset), length, flags);
}

typedef void (*SignalAction)(int, siginfo_t *, void *);
static SignalAction segv_action;

static void segv_with_trap_number(int signal, siginfo_t *info, void *context) {
    greg_t *trap = &((ucontext_t *)context)->uc_mcontext.gregs[REG_TRAPNO];
    if (*trap == -1 && (info->si_code == SEGV_MAPERR || info->si_code == SEGV_ACCERR)) *trap = PAGE_FAULT_TRAP;
    segv_action(signal, info, context);
}

int sigaction(int signal, const struct sigaction *action, struct sigaction *old) {
    static int (*real)(int, const struct sigaction *, struct sigaction *);
    if (!real) real = (int (*)(int, const struct sigaction *, struct sigaction *))dlsym(RTLD_NEXT, "sigaction");
    if (signal != SIGSEGV) return real(signal, action, old);

    const SignalAction previous = segv_action;
    struct sigaction wrapped;
    if (action && (action->sa_flags & SA_SIGINFO) && action->sa_sigaction != segv_with_trap_number) {
        wrapped = *action;
        wrapped.sa_sigaction = segv_with_trap_number;
        segv_action = action->sa_sigaction;
        action = &wrapped;
    }
    const int result = real(signal, action, old);
    if (result == 0 && old && (old->sa_flags & SA_SIGINFO) && old->sa_sigaction == segv_with_trap_number)
        old->sa_sigaction = previous;
    return result;
}
