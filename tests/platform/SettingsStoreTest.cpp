#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "platform/Golden.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;

std::vector<std::string> Corrupt(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("settings.json.corrupt-", 0) == 0)
            names.push_back(entry.path().string());
    return names;
}

TEST(SettingsStore, FolderFromTheEnvironment) {
    const auto folderWith = [](const char* own, const char* xdg, const char* home) {
        const test::ScopedEnv a("KYP_CONFIG_HOME", own), b("XDG_CONFIG_HOME", xdg), c("HOME", home);
        return SettingsStore::FilePath();
    };
    EXPECT_EQ(folderWith("/a/b", "/x", "/h"), "/a/b/settings.json");
    EXPECT_EQ(folderWith(nullptr, "/x", "/h"), "/x/zelt-arts/kyp/settings.json");
    EXPECT_EQ(folderWith("", "relative", "/h"), "/h/.config/zelt-arts/kyp/settings.json");
    EXPECT_EQ(folderWith(nullptr, nullptr, nullptr), "");
}

const char* const kNames[] = {"Options", "OPTIONS", "SampleSize", "samplesize", "Artist", "File", "E"};

// What a reader finds under each name: its text or number (a value reads only
// as its own type) and its size, the terminator of a text counted.
std::string Seen(const SettingsStore& store) {
    std::string out;
    for (const char* name : kNames) {
        std::string text;
        uint32_t number = 0;
        const auto size = store.QueryValueSize(name);
        out += std::string(name) + (store.ReadString(name, text) ? " '" + text + "'" : "") +
               (store.ReadNumber(name, number) ? " " + std::to_string(number) : "") +
               (size ? " size " + std::to_string(*size) : "") + "; ";
    }
    return out + std::to_string(store.Values().size()) + " values";
}
std::string Seen(const StoreValues& model) {
    std::string out;
    for (const char* name : kNames) {
        const auto it = model.find(name);
        const bool text = it != model.end() && it->second.type == StoreValueType::string;
        out += std::string(name) + (text ? " '" + it->second.text + "'" : "") +
               (it != model.end() && !text ? " " + std::to_string(it->second.number) : "") +
               (it == model.end() ? "" : " size " + std::to_string(text ? it->second.text.size() + 1 : 4)) + "; ";
    }
    return out + std::to_string(model.size()) + " values";
}

// Random writes, deletes and batched updates: after every step a fresh reader
// sees exactly what was committed (names without regard to case), and a batch
// reaches the file only when committed.
TEST(SettingsStore, ReadersSeeExactlyTheCommittedValuesOfRandomSequences) {
    test::TestFolder folder;
    test::ScopedConfigHome home(folder / "cfg/nested");
    SettingsStore writer;
    EXPECT_FALSE(writer.OpenForReading());  // no store yet
    EXPECT_FALSE(writer.WriteString("x", "y"));
    ASSERT_TRUE(writer.CreateForWriting());
    std::mt19937 random(11);
    StoreValues model, committed;
    bool batch = false;
    for (int step = 0; step < 40; ++step) {
        const std::string name = kNames[random() % 7];
        std::string text(random() % 6, '\0');
        for (char& c : text) c = "aZ \xFC\0\xC3\xA9\""[random() % 8];  // Latin-1, UTF-8, zeros
        const uint32_t number = random() % 3 ? static_cast<uint32_t>(random() % 1000) : 0xFFFFFFFFu;
        bool ok = true;
        switch (random() % 5) {
            case 0: ok = writer.WriteString(name, text), model[name] = {StoreValueType::string, text, 0}; break;
            case 1: ok = writer.WriteNumber(name, number), model[name] = {StoreValueType::number, "", number}; break;
            case 2: ok = writer.DeleteValue(name), model.erase(name); break;
            default:
                batch = !batch;
                if (batch) writer.BeginUpdate();
                else ok = writer.CommitUpdate();
        }
        ASSERT_TRUE(ok) << "step " << step;
        if (!batch) committed = model;
        SettingsStore reader;
        ASSERT_TRUE(reader.OpenForReading());
        EXPECT_EQ(Seen(reader), Seen(committed)) << "step " << step << (batch ? " (in an update)" : "");
        EXPECT_FALSE(reader.WriteString("Options", "z"));  // opened for reading only
    }
    ASSERT_TRUE(SettingsStore::DeleteKey());
    EXPECT_FALSE(writer.OpenForReading());
    EXPECT_FALSE(SettingsStore::DeleteKey());
}

std::string Dump(const StoreValues& values) {
    std::string out;
    for (const auto& [name, value] : values)
        out += " " + name + (value.type == StoreValueType::string ? "='" + value.text + "'" : "=" + std::to_string(value.number));
    return out;
}

// Stores of every kind of content, damaged and untrusted: what a reader
// finds, says and keeps aside (each damaged store under a name of its own,
// never over an earlier one); and what a writer leaves after writing one
// value into the same content (bad stores kept aside, unknown entries kept,
// no temporary left behind).
TEST(SettingsStore, StoreContentsGiveTheRecordedResults) {
    test::GoldenFile golden("platform/store.golden");
    test::TestFolder folder;
    test::ScopedConfigHome home(folder.path());
    const std::string contents[] = {
        "{\"Options\": \"(wb)", std::string("\x00\xff\x13{[", 5), "[1, 2, 3]", "", "{", "not json",
        "\"just a string\"",
        R"({"a": "x", "b": 7, "c": -1, "d": 1.5, "e": true, "f": [1], "g": {"hex": "41ff"}, "h": {"hex": "4"}, "k": {"hex": "41", "x": 1}, "i": 4294967296, "j": null})",
        "{\"A\": \"ok\", \"B\": \"bad\xff\", \"C\": \"\xc3\xa9\", \"N\": 3}",
        R"({"Future": {"kind": "rect", "v": [1, 2]}, "Options": "old"})"};
    for (const std::string& bytes : contents) {
        // What came aside since the last look, and whether it holds these bytes;
        // the sentences name the folder and the new file in words.
        std::vector<std::string> before = Corrupt(folder.path());
        const auto kept = [&](std::string* sentence) {
            std::vector<std::string> now = Corrupt(folder.path()), added;
            for (const std::string& name : now)
                if (std::find(before.begin(), before.end(), name) == before.end()) added.push_back(name);
            bool same = true;
            for (const std::string& name : added) {
                same = same && ReadFile(name) == bytes;
                for (size_t at; sentence && (at = sentence->find(name)) != std::string::npos;) sentence->replace(at, name.size(), "<aside>");
            }
            for (size_t at; sentence && (at = sentence->find(folder.path())) != std::string::npos;)
                sentence->replace(at, folder.path().size(), "<folder>");
            before = now;
            return added.empty() ? std::string(", nothing aside") : ", " + std::to_string(added.size()) + " aside" + (same ? "" : " (other bytes)");
        };
        folder.Write("settings.json", bytes);
        SettingsStore reader;
        const bool opened = reader.OpenForReading();
        std::string problem = reader.Problem();
        std::string line = std::string("read: ") + (opened ? "opened" + Dump(reader.Values()) : "not opened") +
                (fs::exists(folder / "settings.json") ? "" : ", no store") + kept(&problem) + ", '" + problem + "'";
        folder.Write("settings.json", bytes);
        SettingsStore writer;
        const bool written = writer.CreateForWriting() && writer.WriteNumber("M", 4);
        line += std::string(" | written: ") + (written ? "yes" : "no") + kept(nullptr);
        for (const std::string& name : folder.Names())
            if (name.find("corrupt") == std::string::npos) line += " " + name;
        golden.Check("store " + bytes, line + " '" + ReadFile(folder / "settings.json") + "'");
    }

    StoreValues values;
    EXPECT_FALSE(ParseSettingsStoreText(std::string(100000, '['), values));  // nesting without end
    // A huge store file is not read into memory: kept aside like a bad one.
    test::TestFolder huge;
    test::ScopedConfigHome hugeHome(huge.path());
    huge.Write("settings.json", "{" + std::string(17 << 20, ' ') + "}");
    SettingsStore store;
    EXPECT_FALSE(store.OpenForReading());
    ASSERT_EQ(Corrupt(huge.path()).size(), 1u);
    EXPECT_NE(store.Problem().find("moved to '" + Corrupt(huge.path())[0] + "'"), std::string::npos) << store.Problem();
}

// A store that is a symbolic link is written through the link; temporary
// files of dead writers are removed once they are old, others kept.
TEST(SettingsStore, SymbolicLinkAndStaleTemporaries) {
    test::TestFolder folder;
    test::ScopedConfigHome home(folder / "cfg");
    fs::create_directories(folder / "cfg");
    fs::create_directories(folder / "real");
    folder.Write("real/kept.json", "{\"A\": \"1\"}");
    fs::create_symlink("../real/kept.json", folder / "cfg/settings.json");
    const std::string own = std::to_string(::getpid());
    const struct {
        std::string name;
        bool old;
        bool stays;
    } temporaries[] = {{".settings.json.9999999-1.tmp", true, false},
                       {".settings.json." + own + "-1.tmp", true, true},
                       {".settings.json.9999999-2.tmp", false, true},
                       {".other.json.9999999-1.tmp", true, true}};
    for (const auto& t : temporaries) {
        folder.Write("cfg/" + t.name, "partial");
        const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
        if (t.old) {
            ASSERT_EQ(::utimensat(AT_FDCWD, (folder / "cfg/" + t.name).c_str(), old, 0), 0);
        }
    }
    SettingsStore store;
    ASSERT_TRUE(store.CreateForWriting());
    ASSERT_TRUE(store.WriteString("B", "2"));
    EXPECT_TRUE(fs::is_symlink(folder / "cfg/settings.json"));
    EXPECT_NE(ReadFile(folder / "real/kept.json").find("\"B\": \"2\""), std::string::npos);
    for (const auto& t : temporaries) EXPECT_EQ(fs::exists(folder / "cfg/" + t.name), t.stays) << t.name;
    EXPECT_EQ(fs::directory_iterator(folder / "real")->path().filename(), "kept.json");  // nothing else there
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
