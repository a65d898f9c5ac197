#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kyp {

namespace {

// ---- the table of pending temporary files ----
//
// A signal handler may neither allocate nor take locks, so the names live in
// fixed slots. A slot is claimed (free -> filling), filled, then published
// (filling -> pending); the handler only reads published slots. A file whose
// slot could not be had still works, it is just not cleaned up on a signal.
constexpr int kSlotCount = 16;
constexpr int kSlotFree = 0;
constexpr int kSlotFilling = 1;
constexpr int kSlotPending = 2;

struct PendingSlot {
    std::atomic<int> state{kSlotFree};
    char path[PATH_MAX]{};
};

// Zero-initialised at load time: no start-up code touches its pages.
constinit PendingSlot gPending[kSlotCount];

int RecordPending(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kSlotFree;
        if (gPending[i].state.compare_exchange_strong(expected, kSlotFilling)) {
            std::memcpy(gPending[i].path, path.c_str(), path.size() + 1);
            gPending[i].state.store(kSlotPending);
            return i;
        }
    }
    return -1;
}

void ForgetPending(int slot) {
    if (slot >= 0) gPending[slot].state.store(kSlotFree);
}

// ---- fault injection for tests ----
std::atomic<int64_t> gFailAfter{-1};

// ---- signal handling ----
struct sigaction gPreviousInt;
struct sigaction gPreviousTerm;

void CleanupSignalHandler(int signal, siginfo_t* info, void* context) {
    AtomicFile::RemovePendingTempFiles();
    const struct sigaction& previous = signal == SIGINT ? gPreviousInt : gPreviousTerm;
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

void InstallFor(int signal, struct sigaction& previous) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0) return;
    // A signal the caller chose to ignore (nohup) stays ignored; ours already installed stays.
    if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_IGN) return;
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == CleanupSignalHandler) return;
    struct sigaction action {};
    action.sa_sigaction = CleanupSignalHandler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    previous = current;
    sigaction(signal, &action, nullptr);
}

// Temporary names are ".<name>.<pid>-<n>.tmp" beside the target: hidden, and
// distinct per process and per attempt. Long names are shortened so the
// temporary name stays within the file-name limit.
constexpr size_t kMaxBaseLength = 200;
std::atomic<uint32_t> gTempCounter{0};

}  // namespace

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::fail(int error) {
    if (error_ == 0) error_ = error != 0 ? error : EIO;
    discard();
    return false;
}

bool AtomicFile::open(const std::string& target) { return create(target, -1); }

bool AtomicFile::open(const std::string& target, unsigned permissions) {
    return create(target, static_cast<int>(permissions & 07777u));
}

bool AtomicFile::create(const std::string& target, int permissions) {
    if (fd_ >= 0) {
        if (error_ == 0) error_ = EBUSY;
        return false;
    }
    error_ = 0;
    written_ = 0;
    target_.clear();
    tempPath_.clear();

    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) {
        error_ = target.empty() ? ENOENT : EISDIR;
        return false;
    }

    // By default a replaced file keeps its permission bits and a new one gets
    // 0666 less the umask.
    struct stat existing {};
    const bool keepMode = permissions < 0 && ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    const mode_t createMode = permissions < 0 ? 0666 : static_cast<mode_t>(permissions & 0777);

    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, ".%ld-%u.tmp", static_cast<long>(::getpid()),
                      gTempCounter.fetch_add(1));
        std::string candidate = folder + "." + base.substr(0, kMaxBaseLength) + suffix;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            error_ = errno;
            return false;
        }
        fd_ = fd;
        tempPath_ = std::move(candidate);
        target_ = target;
        slot_ = RecordPending(tempPath_);
        if (keepMode) (void)::fchmod(fd_, existing.st_mode & 07777);
        if (permissions >= 0 && ::fchmod(fd_, static_cast<mode_t>(permissions)) != 0) return fail(errno);
        return true;
    }
    error_ = EEXIST;
    return false;
}

bool AtomicFile::write(const void* data, size_t size) {
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
            return fail(errno);
        }
        if (n == 0) return fail(ENOSPC);
        bytes += n;
        allowed -= static_cast<size_t>(n);
        written_ += static_cast<uint64_t>(n);
    }
    if (injected) return fail(ENOSPC);
    return true;
}

bool AtomicFile::commit() {
    if (fd_ < 0) {
        if (error_ == 0) error_ = EBADF;
        return false;
    }
    // A durable file's data must be on disk before the rename makes it the
    // target, or a power failure could leave an empty file where the previous
    // one was.
    if (durable_ && ::fdatasync(fd_) != 0 && errno != EINVAL) return fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return fail(errno);
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) return fail(errno);
    ForgetPending(slot_);
    slot_ = -1;
    tempPath_.clear();
    return true;
}

void AtomicFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    ForgetPending(slot_);
    slot_ = -1;
}

void AtomicFile::RemovePendingTempFiles() {
    for (PendingSlot& slot : gPending) {
        if (slot.state.load() == kSlotPending) ::unlink(slot.path);
    }
}

void AtomicFile::InstallSignalCleanup() {
    InstallFor(SIGINT, gPreviousInt);
    InstallFor(SIGTERM, gPreviousTerm);
}

void AtomicFile::InjectWriteFailureAfter(int64_t bytes) { gFailAfter.store(bytes < 0 ? -1 : bytes); }

bool WriteFileAtomically(const std::string& path, const void* data, size_t size) {
    AtomicFile file;
    return file.open(path) && file.write(data, size) && file.commit();
}

}  // namespace kyp
