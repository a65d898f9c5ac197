// kyp2tiff ended by a signal at random moments of a batch: afterwards the
// folder holds only the inputs and whole outputs, and an older output is
// either still there untouched or replaced whole, never cut short. With
// SIGKILL no handler runs: only the unnamed output files keep the folder
// clean (but for a whole output under a hidden name, when the kill falls
// between the two steps that replace an existing output). KYP_SIGNAL_ROUNDS sets the moments per signal (3 by default),
// KYP2TIFF the program (the build's own by default).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/TestFolder.h"
#include "tools/sample-orf/SampleOrf.h"

extern char** environ;

namespace kyp {
namespace {

constexpr int kFiles = 30;

// "f<100 + i><extension>"
std::string Name(int i, const char* extension) {
    std::string name(1, 'f');
    name += std::to_string(100 + i);
    name += extension;
    return name;
}

pid_t Start(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

TEST(InterruptedBatch, LeavesOnlyInputsAndWholeOutputs) {
    const char* other = std::getenv("KYP2TIFF");  // another build of the program, for comparison
    const std::string program = other && *other ? std::string(other) : std::string(KYP_BINARY_DIR) + "/kyp2tiff";
    if (!std::filesystem::exists(program)) GTEST_SKIP() << "no " << program;
    const char* roundsText = std::getenv("KYP_SIGNAL_ROUNDS");
    const int rounds = roundsText && std::atoi(roundsText) > 0 ? std::atoi(roundsText) : 3;

    test::TestFolder folder;
    SampleOrfOptions options;
    options.width = 640;
    options.height = 480;
    options.writePreview = false;
    std::vector<uint8_t> orf;
    ASSERT_TRUE(sample::BuildSampleOrf(options, orf));
    std::vector<std::string> command = {program, "-qq", "-b:16", "-m:raw", "=-tofwmlzyxu"};
    for (int i = 0; i < kFiles; ++i) {
        command.push_back(folder.Write(Name(i, ".orf"), orf));
    }
    // The whole outputs of an uninterrupted run, and an older output of
    // another size to stand in the way of half of them.
    const auto wait = [](pid_t pid) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return status;
    };
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(WEXITSTATUS(wait(Start(command))), 0);
    const auto duration = std::chrono::steady_clock::now() - begin;
    const auto newSize = std::filesystem::file_size(folder / "f100.tif");
    ASSERT_EQ(WEXITSTATUS(wait(Start({program, "-qq", "-j", std::string("-o:") + folder.path(), command[5]}))), 0);
    const std::string older = test::ReadFile(folder / "f100.jpg");
    ASSERT_NE(older.size(), newSize);

    std::mt19937 random(7);
    const bool tiffinfo = test::HasTool("tiffinfo");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        for (int round = 0; round < rounds; ++round) {
            for (int i = 0; i < kFiles; ++i) {
                if (i % 2) {
                    std::filesystem::remove(folder / Name(i, ".tif"));
                } else {
                    folder.Write(Name(i, ".tif"), older);
                }
            }
            const pid_t pid = Start(command);
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::duration_cast<std::chrono::microseconds>(duration) *
                                        (random() % 1000) / 1000);
            ::kill(pid, signal);
            const int status = wait(pid);
            EXPECT_TRUE(WIFSIGNALED(status) || WIFEXITED(status)) << status;

            std::vector<std::string> outputs;
            for (const std::string& name : folder.Names()) {
                const std::string path = folder / name;
                if (name.size() > 4 && name.substr(name.size() - 4) == ".orf") continue;
                if (name == "f100.jpg") continue;
                // Replacing an existing output takes two steps (a hidden name,
                // then the rename over it); a SIGKILL between them, which no
                // handler sees, can leave the whole new file under the hidden
                // name. Nothing else may be left, and never a part of a file.
                const bool hidden = name[0] == '.' && name.size() > 4 && name.substr(name.size() - 4) == ".tmp";
                if (hidden && signal == SIGKILL) {
                    EXPECT_EQ(std::filesystem::file_size(path), newSize) << name;
                    std::filesystem::remove(path);
                    continue;
                }
                ASSERT_EQ(name.substr(name.size() - 4), ".tif") << "left behind: " << name << " signal " << signal;
                const auto size = std::filesystem::file_size(path);
                if (size == older.size()) {
                    EXPECT_EQ(test::ReadFile(path), older) << name;  // untouched
                } else {
                    EXPECT_EQ(size, newSize) << name << " signal " << signal;  // whole
                    outputs.push_back(path);
                }
            }
            if (tiffinfo) {
                EXPECT_EQ(test::TiffInfoErrors(outputs), "");
            }
        }
    }
}

}  // namespace
}  // namespace kyp
