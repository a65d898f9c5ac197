#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kyp {

// An output file that appears whole or not at all.
//
// open() creates a temporary file beside the target (same folder, so the final
// rename stays on one file system); write() appends to it; commit() flushes it,
// closes it and renames it over the target. Until commit() succeeds the target
// is never touched: a failed write, a failed commit, an early return or a
// destructor without commit removes the temporary file and leaves any previous
// file of that name as it was.
//
// Pending temporary files are also recorded in a small process-wide table that
// RemovePendingTempFiles() clears from a signal handler, so an interrupted run
// leaves no half-written file behind either.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file for target. Fails when the folder does not
    // exist or is not writable, or when another file is still open here.
    [[nodiscard]] bool open(const std::string& target);
    // The same, but the file gets exactly these permission bits (the umask
    // and a replaced file's bits do not count). The temporary file is never
    // more open than that, so private data is never readable by others.
    [[nodiscard]] bool open(const std::string& target, unsigned permissions);
    // Appends size bytes; retries short writes and EINTR. After a failure the
    // file is discarded and every later write and commit fails.
    [[nodiscard]] bool write(const void* data, size_t size);
    // Makes the written bytes the target's contents: the data flushed to the
    // disk when durable, then an atomic rename. On failure the temporary file
    // is removed.
    [[nodiscard]] bool commit();
    // Durable (the default): commit waits until the data is on the disk, so
    // that even a power failure leaves the old file or the whole new one.
    // Without it the rename alone still keeps a crashed or killed process
    // from leaving a partial file; only a power failure or a crash of the
    // system within the next few seconds may leave an empty or short file.
    // The image writers turn it off: their files are remade from the raw file
    // at will, and the flush costs more than the rest of a conversion.
    void setDurable(bool durable) { durable_ = durable; }
    // Removes the temporary file without touching the target. Safe to repeat.
    void discard();

    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
    // Bytes written so far.
    [[nodiscard]] uint64_t written() const { return written_; }
    // The errno of the first failure (0 when none).
    [[nodiscard]] int error() const { return error_; }
    [[nodiscard]] const std::string& tempPath() const { return tempPath_; }

    // Async-signal-safe: unlinks every temporary file that an AtomicFile of
    // this process has open right now. Meant for SIGINT/SIGTERM handlers.
    static void RemovePendingTempFiles();
    // Installs SIGINT and SIGTERM handlers that remove the pending temporary
    // files, then hand the signal to the handler that was there before (or to
    // the default action, which ends the process).
    static void InstallSignalCleanup();

    // Test hook simulating a full disk: once a file has had this many bytes
    // written, further writes fail with ENOSPC (the bytes up to the limit are
    // written). A negative value switches the fault off. Process-wide.
    static void InjectWriteFailureAfter(int64_t bytes);

private:
    bool fail(int error);
    bool create(const std::string& target, int permissions);  // -1: the default modes

    int fd_ = -1;
    int slot_ = -1;            // index in the pending-file table, -1 when not recorded
    int error_ = 0;
    bool durable_ = true;
    uint64_t written_ = 0;
    std::string target_;
    std::string tempPath_;
};

// Writes a whole buffer to path through an AtomicFile.
[[nodiscard]] bool WriteFileAtomically(const std::string& path, const void* data, size_t size);

}  // namespace kyp
