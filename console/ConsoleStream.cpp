#include "console/ConsoleStream.h"

#include <cstdarg>
#include <vector>

namespace kyp {

void ConsoleStream::Printf(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        va_end(again);
        Write(std::string_view(small, static_cast<size_t>(length)));
        return;
    }
    // Paths named on the command line have no length limit of their own.
    std::vector<char> large(static_cast<size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, again);
    va_end(again);
    Write(std::string_view(large.data(), static_cast<size_t>(length)));
}

void FileConsoleStream::Write(std::string_view text) {
    if (file_ == nullptr || text.empty()) return;
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fflush(file_);
}

}  // namespace kyp
