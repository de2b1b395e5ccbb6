#include "image/filtre_appels.h"

#include <fcntl.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <string>

#include "core/services.h"

namespace {

[[noreturn]] void refus(const char* etape, int err) {
    throw Erreur(std::string("le convertisseur n'a pas pu s'isoler (seccomp, ") + etape + " : " +
                 std::strerror(err) + ")");
}

struct Filtre {
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ALLOW);
    ~Filtre() {
        if (ctx != nullptr) seccomp_release(ctx);
    }
};

// Calls refused whatever their arguments. Besides networking, starting programs, other
// processes and the kernel's administration, the calls that change files are here too
// (Landlock forbids them already where the kernel has it; these hold where it does not), and
// those that change a file's owner, mode, times or attributes, which Landlock leaves alone.
constexpr int kRefusees[] = {
    // networking: no socket at all, so no connection, Unix or TCP, abstract or not
    SCMP_SYS(socket), SCMP_SYS(socketpair), SCMP_SYS(connect), SCMP_SYS(bind),
    SCMP_SYS(listen), SCMP_SYS(accept), SCMP_SYS(accept4),
    // programs and processes
    SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(fork), SCMP_SYS(vfork),
    SCMP_SYS(ptrace), SCMP_SYS(process_vm_readv), SCMP_SYS(process_vm_writev),
    SCMP_SYS(process_madvise), SCMP_SYS(kcmp), SCMP_SYS(pidfd_open), SCMP_SYS(pidfd_getfd),
    SCMP_SYS(pidfd_send_signal), SCMP_SYS(tkill), SCMP_SYS(setrlimit),
    SCMP_SYS(unshare), SCMP_SYS(setns), SCMP_SYS(migrate_pages), SCMP_SYS(move_pages),
    // the kernel's administration
    SCMP_SYS(mount), SCMP_SYS(umount2), SCMP_SYS(pivot_root), SCMP_SYS(chroot),
    SCMP_SYS(move_mount), SCMP_SYS(open_tree), SCMP_SYS(fsopen), SCMP_SYS(fsconfig),
    SCMP_SYS(fsmount), SCMP_SYS(fspick), SCMP_SYS(mount_setattr), SCMP_SYS(keyctl),
    SCMP_SYS(add_key), SCMP_SYS(request_key), SCMP_SYS(bpf), SCMP_SYS(perf_event_open),
    SCMP_SYS(userfaultfd), SCMP_SYS(io_uring_setup), SCMP_SYS(io_uring_enter),
    SCMP_SYS(io_uring_register), SCMP_SYS(kexec_load), SCMP_SYS(kexec_file_load),
    SCMP_SYS(init_module), SCMP_SYS(finit_module), SCMP_SYS(delete_module), SCMP_SYS(reboot),
    SCMP_SYS(swapon), SCMP_SYS(swapoff), SCMP_SYS(acct), SCMP_SYS(quotactl), SCMP_SYS(syslog),
    SCMP_SYS(settimeofday), SCMP_SYS(clock_settime), SCMP_SYS(clock_adjtime),
    SCMP_SYS(adjtimex), SCMP_SYS(sethostname), SCMP_SYS(setdomainname), SCMP_SYS(iopl),
    SCMP_SYS(ioperm), SCMP_SYS(vhangup), SCMP_SYS(lookup_dcookie), SCMP_SYS(uselib),
    SCMP_SYS(fanotify_init), SCMP_SYS(name_to_handle_at), SCMP_SYS(open_by_handle_at),
    // files: changing, creating, removing, renaming, linking
    SCMP_SYS(creat), SCMP_SYS(truncate), SCMP_SYS(unlink), SCMP_SYS(unlinkat),
    SCMP_SYS(rename), SCMP_SYS(renameat), SCMP_SYS(renameat2), SCMP_SYS(link),
    SCMP_SYS(linkat), SCMP_SYS(symlink), SCMP_SYS(symlinkat), SCMP_SYS(mkdir),
    SCMP_SYS(mkdirat), SCMP_SYS(rmdir), SCMP_SYS(mknod), SCMP_SYS(mknodat),
    SCMP_SYS(chmod), SCMP_SYS(fchmod), SCMP_SYS(fchmodat), SCMP_SYS(chown), SCMP_SYS(fchown),
    SCMP_SYS(lchown), SCMP_SYS(fchownat), SCMP_SYS(setxattr), SCMP_SYS(lsetxattr),
    SCMP_SYS(fsetxattr), SCMP_SYS(removexattr), SCMP_SYS(lremovexattr),
    SCMP_SYS(fremovexattr), SCMP_SYS(utime), SCMP_SYS(utimes), SCMP_SYS(utimensat),
    SCMP_SYS(futimesat),
};

// libseccomp's SCMP_A0… macros are C compound literals, which C++ compilers warn about.
scmp_arg_cmp condition(unsigned argument, scmp_compare comparaison, scmp_datum_t a,
                       scmp_datum_t b = 0) {
    return scmp_arg_cmp{argument, comparaison, a, b};
}

void ajouter(Filtre& f, int appel, std::initializer_list<scmp_arg_cmp> conditions,
             std::uint32_t action = SCMP_ACT_ERRNO(EPERM)) {
    // A call this libseccomp does not know on this architecture has nothing to refuse.
    if (appel < 0) return;
    const int r = seccomp_rule_add_array(f.ctx, action, appel,
                                         static_cast<unsigned>(conditions.size()),
                                         conditions.size() == 0 ? nullptr : conditions.begin());
    if (r != 0) refus("règle", -r);
}

}  // namespace

bool filtrerAppels() {
    // A kernel built without seccomp says so here, before anything is asked of it.
    if (prctl(PR_GET_SECCOMP, 0, 0, 0, 0) < 0 && errno == EINVAL) return false;
    Filtre f;
    if (f.ctx == nullptr) refus("création", ENOMEM);
    // A call through another architecture's numbering (int 0x80 on x86-64) is refused whole.
    if (const int r = seccomp_attr_set(f.ctx, SCMP_FLTATR_ACT_BADARCH, SCMP_ACT_ERRNO(EPERM)); r != 0)
        refus("architecture", -r);
    for (const int appel : kRefusees) ajouter(f, appel, {});

    // New threads only: a clone without CLONE_THREAD makes a process. clone3 passes its flags
    // in memory a filter cannot read: it answers "not implemented", and the C library falls
    // back on clone, whose flags are read here.
    ajouter(f, SCMP_SYS(clone), {condition(0, SCMP_CMP_MASKED_EQ, CLONE_THREAD, 0)});
    // Nor a thread in namespaces of its own (root may make some).
    for (const scmp_datum_t espace : {CLONE_NEWNS, CLONE_NEWCGROUP, CLONE_NEWUTS, CLONE_NEWIPC,
                                      CLONE_NEWUSER, CLONE_NEWPID, CLONE_NEWNET}) {
        ajouter(f, SCMP_SYS(clone), {condition(0, SCMP_CMP_MASKED_EQ, espace, espace)});
    }
    ajouter(f, SCMP_SYS(clone3), {}, SCMP_ACT_ERRNO(ENOSYS));
    // Opening for writing, creating or truncating is refused; opening to read is not. openat2
    // passes its flags in memory as clone3 does.
    for (const auto& [appel, arg] : {std::pair{SCMP_SYS(open), 1u}, std::pair{SCMP_SYS(openat), 2u}}) {
        ajouter(f, appel, {condition(arg, SCMP_CMP_MASKED_EQ, O_ACCMODE, O_WRONLY)});
        ajouter(f, appel, {condition(arg, SCMP_CMP_MASKED_EQ, O_ACCMODE, O_RDWR)});
        ajouter(f, appel, {condition(arg, SCMP_CMP_MASKED_EQ, O_CREAT, O_CREAT)});
        ajouter(f, appel, {condition(arg, SCMP_CMP_MASKED_EQ, O_TRUNC, O_TRUNC)});
    }
    ajouter(f, SCMP_SYS(openat2), {}, SCMP_ACT_ERRNO(ENOSYS));
    // Signals to itself only (abort raises one); none to another process or group.
    const auto moi = static_cast<scmp_datum_t>(getpid());
    for (const int appel : {SCMP_SYS(kill), SCMP_SYS(tgkill), SCMP_SYS(rt_sigqueueinfo),
                            SCMP_SYS(rt_tgsigqueueinfo)}) {
        ajouter(f, appel, {condition(0, SCMP_CMP_NE, moi)});
    }
    // Its limits can be read, not raised (root could raise them).
    ajouter(f, SCMP_SYS(prlimit64), {condition(2, SCMP_CMP_NE, 0)});
    // Typing into the terminal the standard error may still be open on.
    // The kernel reads the request as 32 bits: the upper ones must not hide it.
    ajouter(f, SCMP_SYS(ioctl), {condition(1, SCMP_CMP_MASKED_EQ, 0xffffffffu, TIOCSTI)});
    ajouter(f, SCMP_SYS(ioctl), {condition(1, SCMP_CMP_MASKED_EQ, 0xffffffffu, TIOCLINUX)});

    const int r = seccomp_load(f.ctx);
    if (r == 0) return true;
    // A container may refuse filters of its guests.
    if (r == -EPERM || r == -EACCES || r == -ENOSYS) return false;
    refus("mise en place", -r);
}
