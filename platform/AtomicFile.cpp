#include "platform/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kyp {

namespace {

// ---- the table of pending named temporary files ----
//
// A signal handler may neither allocate nor take locks, so the names live in
// fixed slots: the folder's descriptor and the name in it. A slot is claimed
// (free -> filling), filled, then published (filling -> pending); the handler
// only reads published slots. A file whose slot could not be had still works,
// it is just not cleaned up on a signal.
constexpr int kSlotCount = 16;
constexpr int kSlotFree = 0;
constexpr int kSlotFilling = 1;
constexpr int kSlotPending = 2;

struct PendingSlot {
    std::atomic<int> state{kSlotFree};
    int folder = -1;
    char name[NAME_MAX + 1]{};
};

// Zero-initialised at load time: no start-up code touches its pages.
constinit PendingSlot gPending[kSlotCount];

int RecordPending(int folder, const std::string& name) {
    if (name.size() > NAME_MAX) return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kSlotFree;
        if (gPending[i].state.compare_exchange_strong(expected, kSlotFilling)) {
            gPending[i].folder = folder;
            std::memcpy(gPending[i].name, name.c_str(), name.size() + 1);
            gPending[i].state.store(kSlotPending);
            return i;
        }
    }
    return -1;
}

void ForgetPending(int slot) {
    if (slot >= 0) gPending[slot].state.store(kSlotFree);
}

// ---- test hooks ----
std::atomic<int64_t> gFailAfter{-1};
std::atomic<bool> gUseUnnamed{true};

// ---- signal handling ----
// Every signal whose default action ends the process and that a user, a
// terminal or a pipe may send.
constexpr int kCleanupSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGPIPE, SIGTERM, SIGUSR1, SIGUSR2,
                                   SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ, SIGIO,   SIGPWR};
struct sigaction gPrevious[NSIG];

void CleanupSignalHandler(int signal, siginfo_t* info, void* context) {
    AtomicFile::RemovePendingTempFiles();
    const struct sigaction& previous = gPrevious[signal];
    if (previous.sa_flags & SA_SIGINFO) {
        if (previous.sa_sigaction) {
            previous.sa_sigaction(signal, info, context);
            return;
        }
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    // Default action: end the process the way the signal would have.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallFor(int signal) {
    struct sigaction current {};
    if (signal <= 0 || signal >= NSIG || sigaction(signal, nullptr, &current) != 0) return;
    // A signal the caller chose to ignore (nohup) stays ignored; ours already installed stays.
    if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) return;
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == CleanupSignalHandler) return;
    struct sigaction action {};
    action.sa_sigaction = CleanupSignalHandler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    gPrevious[signal] = current;
    sigaction(signal, &action, nullptr);
}

// Temporary names are ".<name>.<pid>-<n>.tmp" beside the target: hidden, and
// distinct per process and per attempt. Long names are shortened so the
// temporary name stays within the file-name limit.
constexpr size_t kMaxBaseLength = 200;
std::atomic<uint32_t> gTempCounter{0};

std::string TempName(const std::string& base) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(::getpid()), gTempCounter.fetch_add(1));
    std::string name(1, '.');
    name.append(base, 0, std::min(base.size(), kMaxBaseLength));
    name.append(suffix);
    return name;
}

}  // namespace

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
    Discard();
    return false;
}

bool AtomicFile::Open(const std::string& target) { return Create(target, -1); }

bool AtomicFile::Open(const std::string& target, unsigned permissions) {
    return Create(target, static_cast<int>(permissions & 07777u));
}

bool AtomicFile::Create(const std::string& target, int permissions) {
    if (fd_ >= 0) {
        if (error_ == 0) error_ = EBUSY;
        return false;
    }
    Discard();
    error_ = 0;
    written_ = 0;
    target_.clear();

    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : target.substr(0, slash);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) {
        error_ = target.empty() ? ENOENT : EISDIR;
        return false;
    }
    if (base.size() > NAME_MAX) {
        error_ = ENAMETOOLONG;
        return false;
    }
    folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return Fail(errno);

    // By default a replaced file keeps its permission bits and a new one gets
    // 0666 less the umask. A folder of the target's name is refused at once.
    struct stat existing {};
    const bool exists = ::fstatat(folder_, base.c_str(), &existing, 0) == 0;
    if (exists && S_ISDIR(existing.st_mode)) return Fail(EISDIR);
    const bool keepMode = permissions < 0 && exists && S_ISREG(existing.st_mode);
    const mode_t createMode = permissions < 0 ? 0666 : static_cast<mode_t>(permissions & 0777);
    target_ = target;
    base_ = std::move(base);

    // An unnamed file is named at commit through /proc/self/fd: without it, none.
    static const bool haveProc = ::access("/proc/self/fd", X_OK) == 0;
    if (haveProc && gUseUnnamed.load(std::memory_order_relaxed)) {
        fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode);
    }
    // No unnamed files here (or not wanted): a hidden name from the start.
    if (fd_ < 0 && !CreateNamed(createMode)) return false;
    if (keepMode) (void)::fchmod(fd_, existing.st_mode & 07777);
    if (permissions >= 0 && ::fchmod(fd_, static_cast<mode_t>(permissions)) != 0) return Fail(errno);
    return true;
}

bool AtomicFile::CreateNamed(mode_t mode) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempName(base_);
        // Recorded before it exists, so that a signal right after the
        // create still removes it.
        slot_ = RecordPending(folder_, name);
        const int fd = ::openat(folder_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            const int error = errno;
            ForgetPending(slot_);
            slot_ = -1;
            if (error == EEXIST) continue;
            return Fail(error);
        }
        fd_ = fd;
        tempName_ = std::move(name);
        const size_t slash = target_.find_last_of('/');
        tempPath_ = (slash == std::string::npos ? std::string() : target_.substr(0, slash + 1)) + tempName_;
        return true;
    }
    return Fail(EEXIST);
}

bool AtomicFile::Write(const void* data, size_t size) {
    if (fd_ < 0) {
        if (error_ == 0) error_ = EBADF;
        return false;
    }
    size_t allowed = size;
    bool injected = false;
    const int64_t limit = gFailAfter.load(std::memory_order_relaxed);
    if (limit >= 0 && written_ + size > static_cast<uint64_t>(limit)) {
        allowed = written_ >= static_cast<uint64_t>(limit) ? 0 : static_cast<size_t>(limit - written_);
        injected = true;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (allowed > 0) {
        const ssize_t n = ::write(fd_, bytes, allowed);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        if (n == 0) return Fail(ENOSPC);
        bytes += n;
        allowed -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    if (injected) return Fail(ENOSPC);
    return true;
}

bool AtomicFile::NameUnnamed() {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
    // No file of that name yet: the link itself is the atomic step.
    if (::linkat(AT_FDCWD, self, folder_, base_.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) return Fail(errno);
    // Otherwise a hidden name first, then the rename over the target.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempName(base_);
        slot_ = RecordPending(folder_, name);
        if (::linkat(AT_FDCWD, self, folder_, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            const int error = errno;
            ForgetPending(slot_);
            slot_ = -1;
            if (error == EEXIST) continue;
            return Fail(error);
        }
        tempName_ = std::move(name);
        if (::renameat(folder_, tempName_.c_str(), folder_, base_.c_str()) != 0) return Fail(errno);
        tempName_.clear();
        return true;
    }
    return Fail(EEXIST);
}

bool AtomicFile::Commit() {
    if (fd_ < 0) {
        if (error_ == 0) error_ = EBADF;
        return false;
    }
    // A durable file's data must be on disk before the rename makes it the
    // target, or a power failure could leave an empty file where the previous
    // one was.
    if (durable_ && ::fdatasync(fd_) != 0 && errno != EINVAL) return Fail(errno);
    if (tempName_.empty()) {
        if (!NameUnnamed()) return false;
    } else if (::renameat(folder_, tempName_.c_str(), folder_, base_.c_str()) != 0) {
        return Fail(errno);
    }
    tempName_.clear();
    tempPath_.clear();
    const int fd = fd_;
    fd_ = -1;
    const bool closed = ::close(fd) == 0;
    const int error = errno;
    Discard();
    return closed || Fail(error);
}

void AtomicFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempName_.empty() && folder_ >= 0) ::unlinkat(folder_, tempName_.c_str(), 0);
    tempName_.clear();
    tempPath_.clear();
    ForgetPending(slot_);
    slot_ = -1;
    if (folder_ >= 0) {
        ::close(folder_);
        folder_ = -1;
    }
}

void AtomicFile::RemovePendingTempFiles() {
    for (PendingSlot& slot : gPending) {
        if (slot.state.load() == kSlotPending) ::unlinkat(slot.folder, slot.name, 0);
    }
}

void AtomicFile::InstallSignalCleanup() {
    for (const int signal : kCleanupSignals) InstallFor(signal);
}

bool AtomicFile::IsTempName(const std::string& name, long& pid) {
    // "." base "." pid "-" counter ".tmp"
    constexpr std::string_view kEnd = ".tmp";
    if (name.size() < 2 + kEnd.size() || name[0] != '.' || name.compare(name.size() - kEnd.size(), kEnd.size(), kEnd) != 0)
        return false;
    const std::string middle = name.substr(0, name.size() - kEnd.size());
    const size_t dash = middle.rfind('-');
    const size_t dot = middle.rfind('.', dash);
    if (dash == std::string::npos || dot == std::string::npos || dot == 0 || dash == dot + 1 || dash + 1 == middle.size())
        return false;
    long value = 0;
    for (size_t i = dot + 1; i < dash; ++i) {
        if (middle[i] < '0' || middle[i] > '9' || value > 99999999) return false;
        value = value * 10 + (middle[i] - '0');
    }
    for (size_t i = dash + 1; i < middle.size(); ++i)
        if (middle[i] < '0' || middle[i] > '9') return false;
    pid = value;
    return true;
}

void AtomicFile::InjectWriteFailureAfter(int64_t bytes) { gFailAfter.store(bytes < 0 ? -1 : bytes); }

void AtomicFile::UseUnnamedFiles(bool use) { gUseUnnamed.store(use); }

bool WriteFileAtomically(const std::string& path, const void* data, size_t size) {
    AtomicFile file;
    return file.Open(path) && file.Write(data, size) && file.Commit();
}

}  // namespace kyp
