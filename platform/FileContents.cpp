#include "platform/FileContents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/AtomicFile.h"

namespace kyp {

namespace {

struct Descriptor {
    int fd;
    explicit Descriptor(int d) : fd(d) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

}  // namespace

bool ReadFileContents(const std::string& path, size_t maxSize, std::string& out) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0) return false;
    struct stat st {};
    if (::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (static_cast<uint64_t>(st.st_size) > maxSize) return false;
    std::string data;
    data.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        if (data.size() + static_cast<size_t>(n) > maxSize) return false;  // grew while read
        data.append(buffer, static_cast<size_t>(n));
    }
    out = std::move(data);
    return true;
}

bool ReplaceFileContents(const std::string& path, const void* data, size_t size, unsigned permissions) {
    AtomicFile file;
    return file.Open(path, permissions) && file.Write(data, size) && file.Commit();
}

}  // namespace kyp
