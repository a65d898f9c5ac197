#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/TestFolder.h"

namespace kyp {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Corrupt(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("settings.json.corrupt-", 0) == 0)
            names.push_back(entry.path().string());
    return names;
}

// Each case runs in a child so the test's own environment stays as it was.
TEST(SettingsStore, FolderFromTheEnvironment) {
    auto folderWith = [](const char* own, const char* xdg, const char* home) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return std::string("pipe failed");
        const pid_t pid = ::fork();
        if (pid == 0) {
            const char* names[] = {"KYP_CONFIG_HOME", "XDG_CONFIG_HOME", "HOME"};
            const char* values[] = {own, xdg, home};
            for (int i = 0; i < 3; ++i) values[i] ? ::setenv(names[i], values[i], 1) : ::unsetenv(names[i]);
            const std::string path = SettingsStore::FilePath();
            (void)!::write(pipeFds[1], path.data(), path.size());
            ::_exit(0);
        }
        ::close(pipeFds[1]);
        char buffer[256];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        ::close(pipeFds[0]);
        ::waitpid(pid, nullptr, 0);
        return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    };
    EXPECT_EQ(folderWith("/a/b", "/x", "/h"), "/a/b/settings.json");
    EXPECT_EQ(folderWith(nullptr, "/x", "/h"), "/x/zelt-arts/kyp/settings.json");
    EXPECT_EQ(folderWith("", "relative", "/h"), "/h/.config/zelt-arts/kyp/settings.json");
    EXPECT_EQ(folderWith(nullptr, nullptr, nullptr), "");
}

TEST(SettingsStore, TypedValues) {
    test::TestFolder folder;
    test::ScopedConfigHome home(folder / "cfg/nested");
    SettingsStore store;
    EXPECT_FALSE(store.OpenForReading());  // no store yet
    EXPECT_FALSE(store.WriteString("x", "y"));
    ASSERT_TRUE(store.CreateForWriting());
    EXPECT_TRUE(fs::exists(folder / "cfg/nested/settings.json"));

    ASSERT_TRUE(store.WriteString("Options", "(wb) gamma=2"));
    ASSERT_TRUE(store.WriteNumber("SampleSize", 3));
    ASSERT_TRUE(store.WriteNumber("File", 0xFFFFFFFFu));
    ASSERT_TRUE(store.WriteString("Artist", std::string("M\xFCller\0x", 9)));  // Latin-1, not UTF-8
    ASSERT_TRUE(store.WriteString("Empty", ""));

    SettingsStore reader;
    ASSERT_TRUE(reader.OpenForReading());
    std::string text;
    uint32_t number = 0;
    EXPECT_TRUE(reader.ReadString("options", text));  // names without regard to case
    EXPECT_EQ(text, "(wb) gamma=2");
    EXPECT_EQ(reader.QueryValueSize("Options"), 13u);  // terminator counted
    EXPECT_EQ(reader.QueryValueSize("SampleSize"), 4u);
    EXPECT_EQ(reader.QueryValueSize("Empty"), 1u);
    EXPECT_FALSE(reader.QueryValueSize("Nothing"));
    EXPECT_TRUE(reader.ReadNumber("SampleSize", number));
    EXPECT_EQ(number, 3u);
    EXPECT_TRUE(reader.ReadNumber("File", number));
    EXPECT_EQ(number, 0xFFFFFFFFu);
    EXPECT_TRUE(reader.ReadString("Artist", text));
    EXPECT_EQ(text, std::string("M\xFCller\0x", 9));
    // The other type reads as missing.
    EXPECT_FALSE(reader.ReadNumber("Options", number));
    EXPECT_FALSE(reader.ReadString("SampleSize", text));
    EXPECT_FALSE(reader.WriteString("Options", "z"));  // opened for reading only

    ASSERT_TRUE(store.WriteNumber("OPTIONS", 1));  // replaces, type and all
    ASSERT_TRUE(store.DeleteValue("SampleSize"));
    ASSERT_TRUE(store.DeleteValue("NeverThere"));
    ASSERT_TRUE(reader.OpenForReading());
    EXPECT_FALSE(reader.ReadString("Options", text));
    EXPECT_TRUE(reader.ReadNumber("options", number));
    EXPECT_FALSE(reader.QueryValueSize("SampleSize"));
    EXPECT_EQ(reader.Values().size(), 4u);

    ASSERT_TRUE(SettingsStore::DeleteKey());
    EXPECT_FALSE(reader.OpenForReading());
    EXPECT_FALSE(SettingsStore::DeleteKey());
}

TEST(SettingsStore, CorruptStoreIsKeptAside) {
    test::TestFolder folder;
    test::ScopedConfigHome home(folder.path());
    const std::string path = folder / "settings.json";
    const std::string garbage[] = {"{\"Options\": \"(wb)", std::string("\x00\xff\x13{[", 5), "[1, 2, 3]", "", "{"};
    int expectedAside = 0;
    for (const std::string& bytes : garbage) {
        Spit(path, bytes);
        SettingsStore store;
        EXPECT_FALSE(store.OpenForReading());
        EXPECT_FALSE(fs::exists(path));
        const auto aside = Corrupt(folder.path());
        ASSERT_EQ(aside.size(), static_cast<size_t>(++expectedAside));  // never over an earlier one
    }
    for (const std::string& name : Corrupt(folder.path())) {
        const std::string content = Slurp(name);
        bool known = false;
        for (const std::string& bytes : garbage) known = known || content == bytes;
        EXPECT_TRUE(known) << name;
    }

    // A writer also keeps a bad store aside before starting afresh.
    Spit(path, "not json");
    SettingsStore writer;
    ASSERT_TRUE(writer.CreateForWriting());
    ASSERT_TRUE(writer.WriteString("A", "b"));
    EXPECT_EQ(Corrupt(folder.path()).size(), static_cast<size_t>(expectedAside + 1));
    SettingsStore reader;
    ASSERT_TRUE(reader.OpenForReading());
    EXPECT_EQ(reader.Values().size(), 1u);
}

TEST(SettingsStore, UntrustedContent) {
    StoreValues values;
    EXPECT_TRUE(ParseSettingsStoreText(R"({"a": "x", "b": 7, "c": -1, "d": 1.5, "e": true, "f": [1],
        "g": {"hex": "41ff"}, "h": {"hex": "4"}, "i": 4294967296, "j": null})", values));
    ASSERT_EQ(values.size(), 4u);  // a, b, c, g; the others read as missing
    EXPECT_EQ(values["c"].number, 0xFFFFFFFFu);
    EXPECT_EQ(values["g"].text, "A\xff");
    EXPECT_FALSE(ParseSettingsStoreText(std::string(100000, '['), values));
    EXPECT_FALSE(ParseSettingsStoreText("\"just a string\"", values));

    // A huge store file is not read into memory: kept aside like a bad one.
    test::TestFolder folder;
    test::ScopedConfigHome home(folder.path());
    {
        std::ofstream out(folder / "settings.json", std::ios::binary);
        const std::string block(1 << 20, ' ');
        out << "{";
        for (int i = 0; i < 17; ++i) out << block;
        out << "}";
    }
    SettingsStore store;
    EXPECT_FALSE(store.OpenForReading());
    EXPECT_EQ(Corrupt(folder.path()).size(), 1u);
}

TEST(SettingsStore, UpdatesAreAtomicAndKeepUnknownEntries) {
    test::TestFolder folder;
    test::ScopedConfigHome home(folder.path());
    Spit(folder / "settings.json", R"({"Future": {"kind": "rect", "v": [1, 2]}, "Options": "old"})");
    SettingsStore store;
    ASSERT_TRUE(store.CreateForWriting());
    store.BeginUpdate();
    ASSERT_TRUE(store.WriteString("Options", "new"));
    ASSERT_TRUE(store.WriteNumber("N", 5));
    // Nothing reaches the file before the commit.
    EXPECT_NE(Slurp(folder / "settings.json").find("old"), std::string::npos);
    ASSERT_TRUE(store.CommitUpdate());
    const std::string text = Slurp(folder / "settings.json");
    EXPECT_NE(text.find("new"), std::string::npos);
    EXPECT_NE(text.find("Future"), std::string::npos);  // entries this version does not know survive
    // No temporary file is left behind.
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);
}

TEST(SettingsStore, ConcurrentWritersLoseNothing) {
    test::TestFolder folder;
    test::ScopedConfigHome home(folder.path());
    constexpr int kWriters = 4;
    constexpr int kWrites = 10;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            SettingsStore store;
            bool ok = store.CreateForWriting();
            for (int i = 0; i < kWrites && ok; ++i) {
                const std::string name = std::to_string(w * 1000 + i);
                ok = store.WriteNumber(name, static_cast<uint32_t>(i));
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SettingsStore reader;
    ASSERT_TRUE(reader.OpenForReading());
    EXPECT_EQ(reader.Values().size(), static_cast<size_t>(kWriters * kWrites));
    EXPECT_TRUE(Corrupt(folder.path()).empty());
}

}  // namespace
}  // namespace kyp
