#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace kyp {

// An output file that appears whole or not at all.
//
// Open() creates an unnamed file in the target's folder (O_TMPFILE: it has no
// name until commit, so not even SIGKILL or a power cut can leave it behind);
// Write() appends to it; Commit() gives it the target's name: linked straight
// to the name when there is no file of that name yet, otherwise linked to a
// hidden temporary name and renamed over the target. Where the file system
// has no unnamed files, Open() creates the hidden temporary file at once.
// Until Commit() succeeds the target is never touched: a failed write, a
// failed commit, an early return or a destructor without commit removes what
// was made and leaves any previous file of that name as it was.
//
// Names are resolved relative to the target's folder, so a target path close
// to the path limit works: the temporary name is never longer than the
// file-name limit. Named temporary files are recorded in a small process-wide
// table that RemovePendingTempFiles() clears from a signal handler, so an
// interrupted run leaves no half-written file behind either.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file for target. Fails when the folder does not
    // exist or is not writable, or when another file is still open here.
    [[nodiscard]] bool Open(const std::string& target);
    // The same, but the file gets exactly these permission bits (the umask
    // and a replaced file's bits do not count). The temporary file is never
    // more open than that, so private data is never readable by others.
    [[nodiscard]] bool Open(const std::string& target, unsigned permissions);
    // Appends size bytes; retries short writes and EINTR. After a failure the
    // file is discarded and every later write and commit fails.
    [[nodiscard]] bool Write(const void* data, size_t size);
    // Makes the written bytes the target's contents: the data flushed to the
    // disk when durable, then an atomic rename. On failure the temporary file
    // is removed.
    [[nodiscard]] bool Commit();
    // Durable (the default): commit waits until the data is on the disk, so
    // that even a power failure leaves the old file or the whole new one.
    // Without it the rename alone still keeps a crashed or killed process
    // from leaving a partial file; only a power failure or a crash of the
    // system within the next few seconds may leave an empty or short file.
    // The image writers turn it off: their files are remade from the raw file
    // at will, and the flush costs more than the rest of a conversion.
    void SetDurable(bool durable) { durable_ = durable; }
    // Removes the temporary file without touching the target. Safe to repeat.
    void Discard();

    [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }
    // Bytes written so far.
    [[nodiscard]] uint64_t Written() const { return written_; }
    // The errno of the first failure (0 when none).
    [[nodiscard]] int Error() const { return error_; }
    // The named temporary file; empty while the file is unnamed.
    [[nodiscard]] const std::string& TempPath() const { return tempPath_; }
    [[nodiscard]] bool Unnamed() const { return fd_ >= 0 && tempPath_.empty(); }

    // Async-signal-safe: unlinks every named temporary file that an
    // AtomicFile of this process has right now. Meant for signal handlers.
    static void RemovePendingTempFiles();
    // Installs handlers for the signals that end a process by default (HUP,
    // INT, QUIT, PIPE, TERM, USR1, USR2, ALRM and the like) that remove the
    // pending temporary files, then hand the signal to the handler that was
    // there before (or to the default action, which ends the process). A
    // signal the process ignores stays ignored.
    static void InstallSignalCleanup();
    // True when the name stands for one of this process's pending temporary
    // files ("." name "." pid "-" n ".tmp"); pid is set to the process's id.
    [[nodiscard]] static bool IsTempName(const std::string& name, long& pid);

    // Test hook simulating a full disk: once a file has had this many bytes
    // written, further writes fail with ENOSPC (the bytes up to the limit are
    // written). A negative value switches the fault off. Process-wide.
    static void InjectWriteFailureAfter(int64_t bytes);
    // Test hook: with false, Open() makes the named temporary file at once,
    // as on a file system without unnamed files. Process-wide.
    static void UseUnnamedFiles(bool use);

private:
    bool Fail(int error);
    bool Create(const std::string& target, int permissions);  // -1: the default modes
    bool CreateNamed(mode_t mode);  // a hidden temporary name in the folder
    bool NameUnnamed();             // commit of an unnamed file

    int fd_ = -1;
    int folder_ = -1;          // the target's folder (O_PATH)
    int slot_ = -1;            // index in the pending-file table, -1 when not recorded
    int error_ = 0;
    bool durable_ = true;
    uint64_t written_ = 0;
    std::string target_;       // the path as given
    std::string base_;         // its last component
    std::string tempName_;     // the temporary file's name in the folder, empty when unnamed
    std::string tempPath_;
};

// Writes a whole buffer to path through an AtomicFile.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, const void* data, size_t size);

}  // namespace kyp
