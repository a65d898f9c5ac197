// AtomicFile and the whole-file helpers driven by one-line scripts, the cases
// of platform/atomic-files.golden: each runs in a fresh folder under umask
// 022, with unnamed files (O_TMPFILE) and with the named temporary files of
// file systems without them, and gives what each step answered (one result,
// or both when the two differ). Steps:
//   file:NAME=TEXT  dir:NAME  chmod:NAME=MODE  umask:MASK    set up the folder
//   fail-after:BYTES       writes past that many bytes fail with ENOSPC (-1: off)
//   open[:NAME[=MODE]]     the case's AtomicFile opened (no name: the empty path)
//   write:TEXT  commit  discard  unnamed  written  close (the object destroyed)
//   whole:NAME=TEXT        WriteFileAtomically
//   replace[:NAME=TEXT[=MODE]]  ReplaceFileContents (no name: the empty path)
//   pending                RemovePendingTempFiles
//   kill:NAME=SIGNAL       a child process, signal cleanup installed, ended by
//                          the signal while writing NAME
//   created:NAME=SIGNAL    the same, the signal raised the moment a file of
//                          that open is created (inside openat)
//   long-path              a target one byte below PATH_MAX written twice
//   list                   the folder: name(mode)=contents, temporaries as .NAME.*.tmp
//   temp-name:NAME         the process id in a name of our temporaries, or "no"
#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <sys/syscall.h>

#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstring>
#include <optional>
#include <sstream>

#include "platform/FileContents.h"
#include "platform/Golden.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

// Set in a child process only: the signal openat raises after it created a file.
int gRaiseOnCreate = 0;

}  // namespace
}  // namespace kyp

// Every openat of this program, the library's included, comes here first.
extern "C" int openat(int folder, const char* path, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
        va_list arguments;
        va_start(arguments, flags);
        mode = va_arg(arguments, mode_t);
        va_end(arguments);
    }
    const int fd = static_cast<int>(::syscall(SYS_openat, folder, path, flags, mode));
    if (fd >= 0 && (flags & O_CREAT) != 0 && kyp::gRaiseOnCreate != 0) std::raise(kyp::gRaiseOnCreate);
    return fd;
}

namespace kyp {
namespace {

std::string Answer(bool ok, int error = 0) {
    const char* name = ok || error == 0 ? nullptr : strerrorname_np(error);
    return ok ? "ok" : name ? std::string("no(") + name + ")" : "no";
}

std::string Listing(const test::TestFolder& folder) {
    std::string out;
    for (const std::string& name : folder.Names()) {
        struct stat st {};
        long pid = 0;
        const bool temporary = AtomicFile::IsTempName(name, pid);
        char mode[8];
        std::snprintf(mode, sizeof mode, "(%03o)=", ::lstat((folder / name).c_str(), &st) == 0 ? st.st_mode & 0777 : 0);
        out += out.empty() ? "[" : " ";
        out += temporary ? name.substr(0, name.rfind('.', name.size() - 5)) + ".*.tmp" : name;
        out += S_ISDIR(st.st_mode) ? "/" : mode + test::ReadFile(folder / name);
    }
    return out.empty() ? "[]" : out + "]";
}

// How a child process writing target ended when it raised the signal (after a
// write, or as the file was created).
std::string Killed(const std::string& target, const std::string& signalName, bool onCreate) {
    int signal = 1;
    while (signal < NSIG && (!sigabbrev_np(signal) || signalName != sigabbrev_np(signal))) ++signal;
    if (signal == NSIG) return "no signal " + signalName;
    const pid_t child = ::fork();
    if (child == 0) {
        const struct rlimit noCore {};
        ::setrlimit(RLIMIT_CORE, &noCore);
        // A signal the run inherited as ignored (started in the background)
        // stays ignored by design: start from the default.
        std::signal(signal, SIG_DFL);
        AtomicFile::InstallSignalCleanup();
        if (onCreate) gRaiseOnCreate = signal;
        AtomicFile pending;
        if (pending.Open(target) && pending.Write("partial", 7)) std::raise(signal);
        ::_exit(3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? std::string("killed(") + sigabbrev_np(WTERMSIG(status)) + ")"
                               : "exit(" + std::to_string(WEXITSTATUS(status)) + ")";
}

// A target path just below the path limit: the temporary name must not pass it.
std::string LongPath(const test::TestFolder& folder) {
    std::string path = folder.path();
    while (path.size() + 201 + 8 < PATH_MAX) {
        path += "/" + std::string(200, 'd');
        if (::mkdir(path.c_str(), 0700) != 0) return "no folder";
    }
    const std::string target = path + "/" + std::string(PATH_MAX - 2 - path.size(), 'n');
    const bool first = WriteFileAtomically(target, "x", 1), second = WriteFileAtomically(target, "yz", 2);
    struct stat st {};
    return std::to_string(target.size()) + " bytes " + Answer(first) + " " + Answer(second) + " size " +
           std::to_string(::stat(target.c_str(), &st) == 0 ? st.st_size : -1);
}

std::string RunScript(const std::string& script, bool unnamed) {
    AtomicFile::UseUnnamedFiles(unnamed);
    const test::TestFolder folder;
    const mode_t umask = ::umask(022);
    std::optional<AtomicFile> file;
    std::string out;
    std::istringstream in(script);
    for (std::string step; in >> step;) {
        const size_t colon = step.find(':'), equals = step.find('=');
        const std::string verb = step.substr(0, colon);
        const std::string name = colon == std::string::npos ? "" : step.substr(colon + 1, equals - colon - 1);
        std::string text = equals == std::string::npos ? "" : step.substr(equals + 1);
        const size_t second = text.find('=');
        const unsigned mode = second == std::string::npos ? 0644 : std::stoul(text.substr(second + 1), nullptr, 8);
        text = text.substr(0, second);
        const std::string path = colon == std::string::npos ? "" : folder / name;
        if (!file) file.emplace();
        const auto answered = [&file](bool ok) { return Answer(ok, file->Error()); };  // the error after the call
        std::string answer;
        if (verb == "file") {
            folder.Write(name, text);
        } else if (verb == "dir" || verb == "chmod") {
            EXPECT_EQ(verb == "dir" ? ::mkdir(path.c_str(), 0755) : ::chmod(path.c_str(), std::stoul(text, nullptr, 8)), 0) << step;
        } else if (verb == "umask") {
            ::umask(static_cast<mode_t>(std::stoul(name, nullptr, 8)));
        } else if (verb == "fail-after") {
            AtomicFile::InjectWriteFailureAfter(std::stoll(name));
        } else if (verb == "open") {
            answer = answered(equals == std::string::npos ? file->Open(path) : file->Open(path, std::stoul(text, nullptr, 8)));
        } else if (verb == "write") {
            answer = answered(file->Write(name.data(), name.size()));
        } else if (verb == "commit") {
            answer = answered(file->Commit());
        } else if (verb == "discard") {
            file->Discard();
        } else if (verb == "close") {
            file.reset();
        } else if (verb == "unnamed" || verb == "written") {
            answer = verb == "written" ? std::to_string(file->Written()) : file->Unnamed() ? "unnamed" : "named";
        } else if (verb == "whole") {
            answer = Answer(WriteFileAtomically(path, text.data(), text.size()));
        } else if (verb == "replace") {
            answer = Answer(colon == std::string::npos ? ReplaceFileContents("", "x", 1)
                                                       : ReplaceFileContents(path, text.data(), text.size(), mode));
        } else if (verb == "pending") {
            AtomicFile::RemovePendingTempFiles();
        } else if (verb == "kill" || verb == "created") {
            answer = Killed(path, text, verb == "created");
        } else if (verb == "long-path") {
            answer = LongPath(folder);
        } else if (verb == "temp-name") {
            long pid = -1;
            answer = AtomicFile::IsTempName(name, pid) ? std::to_string(pid) : "no";
        } else if (verb == "list") {
            answer = Listing(folder);
        } else {
            ADD_FAILURE() << "unknown step " << step << " in " << script;
        }
        if (!answer.empty()) out += (out.empty() ? "" : " ") + answer;
    }
    file.reset();
    ::umask(umask);
    AtomicFile::InjectWriteFailureAfter(-1);
    AtomicFile::UseUnnamedFiles(true);
    return out;
}

TEST(AtomicFile, ScriptsGiveTheRecordedResults) {
    test::GoldenFile golden("platform/atomic-files.golden");
    for (const std::string& script : golden.Cases()) {
        const std::string unnamed = RunScript(script, true), named = RunScript(script, false);
        golden.Check(script, unnamed == named ? unnamed : "unnamed: " + unnamed + " || named: " + named);
    }
}

}  // namespace
}  // namespace kyp
