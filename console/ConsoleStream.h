#pragma once
#include <cstdio>
#include <string>
#include <string_view>

namespace kyp {

// Where the console program writes: standard output or error in the program,
// a string in tests and in the fuzz target. Writers never fail from the
// caller's point of view; a console that went away loses its text.
class ConsoleStream {
public:
    virtual ~ConsoleStream() = default;
    virtual void Write(std::string_view text) = 0;
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// Writes to a C stream and flushes at once, so that the standard output and
// the spinner on the error stream stay in order on a terminal.
class FileConsoleStream final : public ConsoleStream {
public:
    explicit FileConsoleStream(std::FILE* file) : file_(file) {}
    void Write(std::string_view text) override;

private:
    std::FILE* file_;
};

// Collects everything written, for tests and the fuzz target.
class StringConsoleStream final : public ConsoleStream {
public:
    void Write(std::string_view text) override { text_.append(text); }
    [[nodiscard]] const std::string& Text() const { return text_; }
    void Clear() { text_.clear(); }

private:
    std::string text_;
};

}  // namespace kyp
