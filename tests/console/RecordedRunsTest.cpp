// Whole runs of kyp2tiff against the results recorded in recorded-runs.txt
// (beside this file; its head explains the format). A run's whole observable
// behaviour is compared: exit code, key waits, both console texts, every file
// it wrote, changed or removed in its work folder (by digest), and the calls it
// made to the converter. "apply" lines read switches and option lists into a
// fresh state and compare every field that moved from its default. Cases may
// convert batches of damaged copies of generated files (under the sanitizer
// build the check that no damaged file reaches memory it must not), and end
// the program itself by signals at random moments of a batch.
// A change that is meant is recorded again with
//   KYP_RECORD=1 test_console --gtest_filter='RecordedRuns*'
// and the new file reviewed with git diff before it is committed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <vector>

#include "ConsoleTestSupport.h"
#include "Version.h"
#include "console/SessionConverter.h"
#include "console/Switches.h"
#include "engine/raw/OrfRaw.h"
#include "engine/settings/StoredSettings.h"
#include "platform/AtomicFile.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

namespace fs = std::filesystem;

const std::string kDataFile = std::string(KYP_SOURCE_DIR) + "/tests/console/recorded-runs.txt";

// ---- text forms ----

// C-style escapes for control bytes, quotes and backslashes; a run of four or
// more equal control bytes (or of 32 or more others) is written "\{n}" and
// the escaped byte.
const std::string kPlain = "\n\t\b\r\\\"", kNamed = "ntbr\\\"";

std::string Escape(const std::string& text) {
    const auto one = [](char c) -> std::string {
        if (const size_t at = kPlain.find(c); at != std::string::npos) return {'\\', kNamed[at]};
        if (c >= 32 && c < 127) return std::string(1, c);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
        return hex;
    };
    std::string result;
    for (size_t i = 0, run = 1; i < text.size(); i += run, run = 1) {
        while (i + run < text.size() && text[i + run] == text[i]) ++run;
        if (run >= (static_cast<unsigned char>(text[i]) < 32 ? 4u : 32u)) {
            result += "\\{" + std::to_string(run) + "}" + one(text[i]);
        } else {
            for (size_t k = 0; k < run; ++k) result += one(text[i]);
        }
    }
    return result;
}

std::string Unescape(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = i + 1 < text.size() && text[i] == '\\' ? text[++i] : '\0';
        if (c == 'x' && i + 2 < text.size()) {
            result += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (c != '\0') {
            result += kNamed.find(c) != std::string::npos ? kPlain[kNamed.find(c)] : c;
        } else {
            result += text[i];
        }
    }
    return result;
}

// Words separated by blanks; "..." holds blanks and escapes; a word ending in
// "^n" stands for n copies of itself.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    for (size_t i = 0; i < line.size();) {
        if (line[i] == ' ') {
            ++i;
        } else if (line[i] == '"') {
            size_t end = i + 1;
            while (end < line.size() && line[end] != '"') end += line[end] == '\\' ? 2 : 1;
            words.push_back(Unescape(line.substr(i + 1, end - i - 1)));
            i = end + 1;
        } else {
            const size_t end = std::min(line.find(' ', i), line.size());
            std::string word = line.substr(i, end - i);
            const size_t caret = word.rfind('^');
            if (caret != std::string::npos && caret > 0 && caret + 1 < word.size()) {
                const int count = std::atoi(word.c_str() + caret + 1);
                words.insert(words.end(), static_cast<size_t>(count), word.substr(0, caret));
            } else {
                words.push_back(word);
            }
            i = end;
        }
    }
    return words;
}

// FNV-1a over the file with the conversion's date and time left out: every
// "YYYY:MM:DD HH:MM:SS" but the camera's own dates counts as blank.
std::string Digest(const std::string& bytes) {
    static const std::string cameraDate = SampleOrfOptions{}.dateTime;
    auto isDateAt = [&](size_t i) {
        static const char shape[] = "dddd:dd:dd dd:dd:dd";
        if (i + 19 > bytes.size() || bytes.compare(i, 19, cameraDate) == 0) return false;
        for (size_t k = 0; k < 19; ++k) {
            const bool digit = bytes[i + k] >= '0' && bytes[i + k] <= '9';
            if (shape[k] == 'd' ? !digit : bytes[i + k] != shape[k]) return false;
        }
        return true;
    };
    uint64_t hash = 0xCBF29CE484222325ull;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '2' && isDateAt(i)) {
            i += 18;
            continue;
        }
        hash = (hash ^ static_cast<uint8_t>(bytes[i])) * 0x100000001B3ull;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%zu %016llX", bytes.size(), static_cast<unsigned long long>(hash));
    return text;
}

// ---- the files a case starts from ----

// The shared folder S: files made once by "shared" lines (by the sample
// generator, or as text). Copies of them are written without their trailing
// zeros, as a file with a hole of the same size, so that copies cost little.
struct Shared {
    test::TestFolder folder;
    std::map<std::string, std::pair<std::string, off_t>> files;  // the bytes up to the zeros, the size

    void Write(const std::string& path, const std::string& name) const {
        const auto& [bytes, size] = files.at(name);
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        EXPECT_EQ(::truncate(path.c_str(), size), 0) << path;
    }
    void Add(const std::vector<std::string>& words) {
        const std::string path = folder / words[1];
        if (words[2] == "text") {
            folder.Write(words[1], words[3]);
        } else {
            // Written without the padding, which the copies get as a hole.
            std::string command = std::string(KYP_BINARY_DIR) + "/" + words[2];
            for (size_t i = 3; i < words.size(); ++i) command += " '" + words[i] + "'";
            int status = -1;
            EXPECT_EQ(test::RunCommand(command + " --min-size 0 '" + path + "' 2>&1", &status), "") << command;
            EXPECT_EQ(status, 0) << command;
        }
        std::string bytes = test::ReadFile(path);
        off_t size = static_cast<off_t>(bytes.size());
        if (words[2] != "text") size = std::max<off_t>(size, SampleOrfOptions{}.minimumFileSize);
        EXPECT_EQ(::truncate(path.c_str(), size), 0) << path;
        bytes.resize(bytes.find_last_not_of('\0') + 1);
        files[words[1]] = {bytes, size};
    }
};

// ---- damaged copies of a file ----

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size() ? uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3]
                              : 0;
}
uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
    return at + 2 <= b.size() ? static_cast<uint16_t>(b[at] << 8 | b[at + 1]) : 0;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    for (size_t i = 0; i < 2 && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (8 - 8 * i));
}

// Offsets of the 12-byte records of the directory at offset (big-endian).
std::vector<size_t> Records(const std::vector<uint8_t>& b, uint32_t offset) {
    std::vector<size_t> records;
    const uint16_t count = Get16(b, offset);
    for (size_t k = 0; k < count && offset + 2 + 12 * (k + 1) <= b.size(); ++k) records.push_back(offset + 2 + 12 * k);
    return records;
}
size_t Find(const std::vector<uint8_t>& b, const std::vector<size_t>& records, uint16_t tag) {
    for (size_t r : records)
        if (Get16(b, r) == tag) return r;
    return 0;
}

// One damaged copy of a good file. pad: whether the file is then padded to
// the ORF test's least size (the damage then reaches the parser).
std::vector<uint8_t> Damage(std::vector<uint8_t> b, std::mt19937& random, bool& pad) {
    const auto pick = [&](uint32_t n) { return n == 0 ? 0u : static_cast<uint32_t>(random() % n); };
    const uint32_t interesting[] = {0,          1,          2,          7,          8,
                                    0x7FFF,     0xFFFF,     0x10000,    0x7FFFFFFF, 0xFFFFFFFF,
                                    0x80000000, static_cast<uint32_t>(b.size()), static_cast<uint32_t>(b.size() - 1),
                                    kOrfMinimumFileSize, kOrfMinimumFileSize - 2};
    const auto value = [&] { return pick(4) == 0 ? static_cast<uint32_t>(random()) : interesting[pick(std::size(interesting))]; };
    const uint32_t mainAt = Get32(b, 4);
    const std::vector<size_t> main = Records(b, mainAt);
    const size_t exifPointer = Find(b, main, 34665);
    const uint32_t exifAt = exifPointer ? Get32(b, exifPointer + 8) : 0;
    const std::vector<size_t> exif = Records(b, exifAt);
    const std::vector<size_t>& records = pick(2) && !exif.empty() ? exif : main;
    const size_t record = records.empty() ? 8 : records[pick(static_cast<uint32_t>(records.size()))];
    const uint32_t structure = std::min<uint32_t>(static_cast<uint32_t>(b.size()), 4096);
    pad = pick(8) != 0;
    switch (pick(10)) {
        case 0:  // cut short anywhere
            b.resize(pick(static_cast<uint32_t>(b.size())));
            break;
        case 1:  // a few bytes of the structure changed
            for (uint32_t n = 1 + pick(8); n > 0; --n) b[pick(structure)] = static_cast<uint8_t>(random());
            break;
        case 2:  // a value or offset
            Put32(b, record + 8, value());
            break;
        case 3:  // a type
            Put16(b, record + 2, static_cast<uint16_t>(pick(16)));
            break;
        case 4:  // a count
            Put32(b, record + 4, value());
            break;
        case 5: {  // loops: a directory pointing back at itself or at its parent
            const size_t next = mainAt + 2 + 12 * main.size();
            if (pick(2)) Put32(b, next, mainAt);
            if (exifPointer && pick(2)) Put32(b, exifPointer + 8, pick(2) ? mainAt : 0);
            if (!exif.empty()) Put32(b, exifAt + 2 + 12 * exif.size(), pick(2) ? exifAt : mainAt);
            break;
        }
        case 6: {  // huge or odd dimensions
            const uint32_t sizes[] = {0, 1, 3, 60000, 65535, 0xFFFFFFFF, 0x10001};
            if (size_t w = Find(b, main, 256)) Put32(b, w + 8, sizes[pick(std::size(sizes))]);
            if (size_t h = Find(b, main, 257)) Put32(b, h + 8, sizes[pick(std::size(sizes))]);
            break;
        }
        case 7: {  // the raw data moved to or past the end
            if (size_t s = Find(b, main, 273)) {
                const uint32_t at = Get32(b, s + 4) == 1 ? static_cast<uint32_t>(s + 8) : Get32(b, s + 8);
                Put32(b, at, pick(2) ? kOrfMinimumFileSize - pick(64) : value());
            }
            break;
        }
        case 8:  // the first directory elsewhere
            Put32(b, 4, value());
            break;
        default:  // a random word anywhere in the structure
            Put32(b, pick(structure), static_cast<uint32_t>(random()));
            break;
    }
    return b;
}

// ---- the converter that only records (converter fake) ----

// Inputs containing "bad" fail to process, outputs containing "ro" fail to
// write, "norender" fails to render.
class RecordingConverter final : public FileConverter {
public:
    bool Process(const std::string& input, const ImportSettings& settings, const CurveTables&,
                 ProgressCallback* progress) override {
        char line[80];
        std::snprintf(line, sizeof line, " options=%08X progress=%d", settings.options, progress != nullptr);
        calls.push_back("call " + input + line);
        if (progress) {
            // Sixteen single ticks, then uneven steps to 101: the spinner turns
            // at each multiple of 16, once round and on; a shorter text last.
            progress->Begin(96);
            progress->SetText("Loading x  ...");
            bool going = true;
            for (int32_t step : {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 15, 17, 16, 16, 16, 5}) {
                going = progress->Tick(step) && going;
            }
            progress->SetText("Ab");
            progress->End();
            if (!going) calls.back() += " cancelled";
        }
        return input.find("bad") == std::string::npos;
    }
    WriteResult Write(const std::string& output, const ImportSettings&, const OutputSettings& settings) override {
        calls.back() += " -> " + output + " format=" + std::to_string(settings.format);
        if (output.find("norender") != std::string::npos) return WriteResult::notRendered;
        return output.find("ro") != std::string::npos ? WriteResult::writeFailed : WriteResult::written;
    }

    std::vector<std::string> calls;
};

// ---- one case ----

// The entries of the work folder by name: what a file is (its digest, read
// only when it is new or changed, "/" for a folder, "|" for a named pipe) and
// its identity (device, inode, size and change time).
struct Entry {
    std::string identity;
    std::string digest;
};
using Snapshot = std::map<std::string, Entry>;

Snapshot Take(const std::string& root, const Snapshot* before = nullptr) {
    Snapshot entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().string().substr(root.size() + 1);
        struct stat info {};
        ::lstat(it->path().c_str(), &info);
        Entry& entry = entries[name];
        entry.identity = it->is_fifo() ? "|" : it->is_directory() ? "/" :
            std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
            std::to_string(info.st_ctim.tv_sec) + "." + std::to_string(info.st_ctim.tv_nsec);
        const auto old = before ? before->find(name) : Snapshot::const_iterator{};
        if (before && (old == before->end() || old->second.identity != entry.identity)) {
            entry.digest = entry.identity.size() == 1 ? entry.identity : Digest(test::ReadFile(it->path()));
        }
    }
    return entries;
}

class Placeholders {
public:
    Placeholders(const std::string& work, const std::string& shared) : work_(work), shared_(shared) {
        char line[80];
        std::snprintf(line, sizeof line, "KYP2TIFF Version %u.%02u%s\n", unsigned{KYP_VERSION_MAJOR},
                      unsigned{KYP_VERSION_MINOR}, KYP_DEBUG_BUILD ? " (Debug)" : "");
        banner_ = line;
    }
    // "W/" and "S/" at the start of a word or after ":" or "=" name the work and shared folders.
    [[nodiscard]] std::string In(std::string word) const {
        for (const auto& [mark, path] : {std::pair{"W/", work_}, std::pair{"S/", shared_}}) {
            for (size_t at = 0; (at = word.find(mark, at)) != std::string::npos; ++at) {
                if (at == 0 || word[at - 1] == ':' || word[at - 1] == '=' || (at == 2 && word.rfind("-o", 0) == 0)) {
                    word.replace(at, 1, path);
                }
            }
        }
        if (word == "W") word = work_;
        return word;
    }
    [[nodiscard]] std::string Out(std::string text) const {
        for (const auto& [path, mark] : {std::pair{work_, "W"}, std::pair{shared_, "S"}, std::pair{banner_, "@banner\n"}}) {
            if (path.empty()) continue;
            for (size_t at = 0; (at = text.find(path, at)) != std::string::npos;) text.replace(at, path.size(), mark);
        }
        // The local time in the name of a settings store moved aside.
        for (size_t at = 0; (at = text.find(".corrupt-", at)) != std::string::npos;) {
            at += 9;
            const size_t end = text.find_first_not_of("0123456789-", at);
            text.replace(at, (end == std::string::npos ? text.size() : end) - at, "{time}");
        }
        return text;
    }

private:
    std::string work_, shared_, banner_;
};

void AddText(std::ostringstream& result, const char* key, const std::string& text) {
    const std::string escaped = Escape(text);
    // One line per line of text, long ones cut at 110 characters.
    size_t start = 0;
    for (size_t i = 0; i < escaped.size(); ++i) {
        const bool newline = escaped.compare(i, 2, "\\n") == 0 && (i == 0 || escaped[i - 1] != '\\');
        if (newline || i - start >= 110) {
            const size_t end = newline ? i + 2 : i;
            result << key << " " << escaped.substr(start, end - start) << "\n";
            start = end;
            i = end - 1;
        }
    }
    if (start < escaped.size()) result << key << " " << escaped.substr(start) << "\n";
}

// A case or an apply line: the lines before its results (comments, the
// case's set-up) and the results recorded for it.
struct Unit {
    std::string title;
    std::vector<std::string> lines;
    std::string expected;
    bool apply = false;
};

std::string RunCase(const Unit& c, const Shared& shared) {
    test::TestFolder work;
    const Placeholders names(work.path(), shared.folder.path());
    std::optional<test::ScopedConfigHome> home;
    std::string converterKind = "session";
    int64_t failWritesAfter = -1;
    int interruptRounds = 0;
    std::vector<std::vector<std::string>> runs;
    std::map<std::string, std::vector<std::string>> made;  // the in line of each file, to make it again
    const std::function<void(const std::vector<std::string>&)> put = [&](const std::vector<std::string>& words) {
        made[words[1]] = words;
        const std::string path = work / words[1];
        const std::string& kind = words[2];
        const size_t star = words[1].find('*');
        if (kind == "damaged") {  // in a*b damaged <n> <seed> <shared>...: n copies, each damaged another way
            std::mt19937 random(static_cast<uint32_t>(std::atol(words[4].c_str())));
            for (int v = 0; v < std::atoi(words[3].c_str()); ++v) {
                bool pad = true;
                const std::string& good = shared.files.at(words[5 + static_cast<size_t>(v) % (words.size() - 5)]).first;
                const std::vector<uint8_t> bytes = Damage({good.begin(), good.end()}, random, pad);
                const std::string name = words[1].substr(0, star) + std::to_string(100 + v) + words[1].substr(star + 1);
                // Padded with a hole: the damage is at the start, the size passes the ORF test.
                if (pad && bytes.size() < kOrfMinimumFileSize) {
                    EXPECT_EQ(::truncate(work.Write(name, bytes).c_str(), kOrfMinimumFileSize), 0) << name;
                } else {
                    work.Write(name, bytes);
                }
            }
        } else if (star != std::string::npos) {  // numbered from 100
            for (int i = 0; i < std::atoi(words[3].c_str()); i += words.size() > 4 ? std::atoi(words[4].c_str()) : 1) {
                put({"in", words[1].substr(0, star) + std::to_string(100 + i) + words[1].substr(star + 1), kind});
            }
        } else if (shared.files.count(kind)) {
            shared.Write(path, kind);
        } else if (kind == "cut") {  // p.orf with the image height 60000: the raw data runs past the end
            Shared cut;
            cut.files["p"] = shared.files.at("p.orf");
            std::string& bytes = cut.files["p"].first;
            for (size_t at = 10; at + 12 <= 8 + 2 + 12 * 30; at += 12) {
                if (bytes[at] == 1 && bytes[at + 1] == 1) bytes.replace(at + 8, 4, "\0\0\xEA\x60", 4);  // tag 257
            }
            cut.Write(path, "p");
        } else if (kind == "fifo") {
            EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
        } else if (kind == "dir") {
            fs::create_directories(path);
        } else {
            EXPECT_EQ(kind, "text") << c.title;
            work.Write(words[1], words.size() > 3 ? words[3] : "");
            if (words.size() > 4) {
                EXPECT_EQ(::truncate(path.c_str(), std::atol(words[4].c_str())), 0) << path;
            }
        }
    };
    for (const std::string& line : c.lines) {
        std::vector<std::string> words = Words(line);
        if (words.empty() || words[0][0] == '#' || words[0] == "case" || words[0] == "shared") continue;
        const std::string& key = words[0];
        if (key == "in") {
            put(words);
        } else if (key == "home") {
            home.emplace(work.path());
        } else if (key == "store") {  // a settings file saved as kyp's stored settings
            ConsoleState state;
            EXPECT_TRUE(state.curves.LoadSettingsFile(names.In(words[1]), state.settings, state.output)) << line;
            CurveArray curves;
            for (int i = 0; i < ConsoleCurves::kCount; ++i) curves[static_cast<size_t>(i)].ReadText(state.curves.Text(i).c_str());
            EXPECT_TRUE(SaveStoredSettings(&state.settings, &curves, &state.output)) << line;
        } else if (key == "converter") {
            converterKind = words[1];
        } else if (key == "fail-writes-after") {
            failWritesAfter = std::atoll(words[1].c_str());
        } else if (key == "interrupt") {
            interruptRounds = std::atoi(words[1].c_str());
        } else if (key == "run") {
            for (std::string& word : words) word = names.In(word);
            runs.emplace_back(words.begin() + 1, words.end());
        } else {
            ADD_FAILURE() << c.title << ": unknown line '" << line << "'";
        }
    }

    const Snapshot initial = Take(work.path());
    // Every run of a case must give the same result.
    std::string first;
    std::map<std::string, std::string> whole;  // the files the first run wrote, by name
    for (size_t index = 0; index < runs.size(); ++index) {
        const std::vector<std::string>& run = runs[index];
        const Snapshot before = Take(work.path());
        std::unique_ptr<FileConverter> converter;
        if (converterKind == "session") converter = std::make_unique<SessionConverter>();
        if (converterKind == "fake") converter = std::make_unique<RecordingConverter>();
        test::RunOutput output;
        if (run[0] == "make-sample-orf") {  // the generator, as a program of the build
            std::string command = std::string(KYP_BINARY_DIR) + "/make-sample-orf";
            for (size_t i = 1; i < run.size(); ++i) command += " '" + run[i] + "'";
            output.out = test::RunCommand(command + " 2>&1", &output.code);
        } else {
            AtomicFile::InjectWriteFailureAfter(failWritesAfter);
            output = test::Run(std::vector<std::string>(run.begin() + 1, run.end()), converter.get(), run[0]);
            AtomicFile::InjectWriteFailureAfter(-1);
        }

        std::ostringstream result;
        result << "code " << output.code << "\n";
        if (output.keyWaits != 0) result << "waits " << output.keyWaits << "\n";
        AddText(result, "out", names.Out(output.out));
        AddText(result, "err", names.Out(output.err));
        if (auto* fake = dynamic_cast<RecordingConverter*>(converter.get())) {
            for (const std::string& call : fake->calls) result << names.Out(call) << "\n";
        }
        const Snapshot after = Take(work.path(), &before);
        for (const auto& [name, entry] : after) {
            if (!entry.digest.empty()) result << "file " << names.Out(name) << " " << entry.digest << "\n";
            if (!entry.digest.empty() && index == 0) whole[name] = entry.digest;
        }
        for (const auto& [name, entry] : before) {
            if (after.count(name) == 0) result << "gone " << name << "\n";
        }
        if (first.empty()) {
            first = result.str();
        } else {
            EXPECT_EQ(result.str(), first) << c.title << ": run " << index + 1 << " differs from the first";
        }
    }

    // The program itself with the first run's command line, first to the end
    // (writing the same files), then ended by a signal at random moments of
    // that run's time, each time in the folder put back as it was: its inputs
    // and older files are all still there, untouched or replaced whole, and
    // every file it wrote is whole (the first run's). No handler sees SIGKILL:
    // between the two steps that replace an existing output (a hidden name,
    // then the rename over it) it can leave the whole new file hidden.
    std::mt19937 random(7);
    double duration = 0;
    EXPECT_TRUE(interruptRounds == 0 || test::HasTool("timeout"))
        << c.title << ": no timeout program to send the signals";
    for (const int signal : {0, SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
        for (int round = 0; round < (signal == 0 ? std::min(interruptRounds, 1) : interruptRounds); ++round) {
            const Snapshot now = Take(work.path());
            for (const auto& [name, entry] : now) {
                if (!initial.count(name)) fs::remove_all(work / name);
            }
            for (const auto& [name, entry] : initial) {
                const auto it = now.find(name);
                if (made.count(name) && (it == now.end() || it->second.identity != entry.identity)) put(made[name]);
            }
            const Snapshot start = Take(work.path());
            const double seconds = duration * static_cast<double>(1 + random() % 1000) / 1000;
            std::string command = std::string(KYP_BINARY_DIR) + "/" + runs[0][0];
            if (signal != 0) {
                command = "timeout -s " + std::to_string(signal) + " " + std::to_string(seconds) + " " + command;
            }
            for (size_t i = 1; i < runs[0].size(); ++i) command += " '" + runs[0][i] + "'";
            const auto begin = std::chrono::steady_clock::now();
            (void)test::RunCommand(command + " >/dev/null 2>&1");
            if (signal == 0) duration = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            const std::string moment =
                c.title + ": signal " + std::to_string(signal) + " after " + std::to_string(seconds) + " s";
            size_t written = 0;
            for (const auto& [name, entry] : Take(work.path())) {
                const auto before = start.find(name);
                if (before != start.end() && before->second.identity == entry.identity) continue;  // untouched
                const size_t pid = name.rfind('.', name.size() - 5);
                const bool hidden = signal == SIGKILL && name[0] == '.' && name.ends_with(".tmp") && pid != 0;
                const auto it = whole.find(hidden ? name.substr(1, pid - 1) : name);
                // Whole: the first run's file; after a signal the first run's
                // size will do (a write cut short leaves a shorter file), but
                // for a hidden one.
                const bool digest = signal == 0 || hidden;
                const std::string is = entry.identity.size() == 1 ? entry.identity
                                       : digest ? Digest(test::ReadFile(work / name))
                                                : std::to_string(fs::file_size(work / name));
                if (it == whole.end() || is != (digest ? it->second : it->second.substr(0, it->second.find(' ')))) {
                    ADD_FAILURE() << moment << ": " << name << " is " << is << ", not a whole output";
                }
                ++written;
            }
            if (signal == 0) {
                EXPECT_EQ(written, whole.size()) << moment;
            }
            for (const auto& [name, entry] : start) {
                EXPECT_TRUE(fs::exists(work / name)) << moment << ": lost " << name;
            }
        }
    }
    return first;
}

// ---- switches and option lists ----

// Every field of the state but the option bits, by name, as text.
std::vector<std::pair<const char*, std::string>> Fields(const ConsoleState& s) {
    const auto real = [](float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
        return std::string(text);
    };
    const auto ratio = [](uint32_t r) { return std::to_string(r >> 16) + "/" + std::to_string(r & 0xFFFF); };
    const auto text = [](const std::optional<std::string>& t) { return t ? "\"" + Escape(*t) + "\"" : ""; };
    const ImportSettings& i = s.settings;
    const OutputSettings& o = s.output;
    using std::to_string;
    return {{"other", to_string(i.options & ~opt::meaningful)}, {"rot", to_string(i.rotation())},
            {"gamma", real(i.gammaExponent)}, {"dark", to_string(i.darkThreshold)},
            {"bright", to_string(i.brightThreshold)}, {"red", ratio(i.redScale)}, {"green", ratio(i.greenScale)},
            {"blue", ratio(i.blueScale)}, {"tt", to_string(i.textureThreshold)}, {"method", to_string(i.method)},
            {"usm", to_string(i.usmAmount)}, {"radius", real(i.usmRadius)}, {"threshold", to_string(i.usmThreshold)},
            {"sat", real(i.saturation)}, {"format", to_string(o.format)}, {"quality", to_string(o.jpegQuality)},
            {"t16", to_string(o.t16)}, {"tx", to_string(o.tx)}, {"ta", to_string(o.ta)}, {"jx", to_string(o.jx)},
            {"ja", to_string(o.ja)}, {"artist", text(o.artist)}, {"copyright", text(o.copyright)},
            {"description", text(o.description)}, {"folder", s.outputFolder}, {"verbosity", to_string(s.verbosity)},
            {"printOnly", to_string(s.printOnly)}, {"depthAsked", to_string(s.depthAsked)}};
}

// What differs from a fresh state: option letters turned on and off, then
// the other fields.
std::string StateChanges(const ConsoleState& s) {
    const ConsoleState fresh;
    std::string on = " +", off = " -", changes;
    const char* const letters = "LXBGCZIUHV......SRT.WMOFY";  // by bit
    for (uint32_t bit = 0; letters[bit] != 0; ++bit) {
        const uint32_t mask = 1u << bit;
        if (letters[bit] != '.' && (s.settings.options & mask) != (fresh.settings.options & mask)) {
            ((s.settings.options & mask) ? on : off) += letters[bit];
        }
    }
    const auto fields = Fields(s), defaults = Fields(fresh);
    for (size_t k = 0; k < fields.size(); ++k) {
        if (fields[k].second != defaults[k].second) changes += std::string(" ") + fields[k].first + "=" + fields[k].second;
    }
    return (on.size() > 2 ? on : "") + (off.size() > 2 ? off : "") + changes;
}

// Applies the arguments in order, as the argument loop does: option lists
// (with the letters they ignored) and switches, stopping at the first that
// is not ok.
std::string ApplyArguments(const std::vector<std::string>& arguments, const Placeholders& names) {
    ConsoleState state;
    StringConsoleStream err;
    std::string ignored;
    ArgumentResult last = ArgumentResult::ok;
    for (const std::string& argument : arguments) {
        if (!argument.empty() && argument[0] == '=') {
            ignored += ApplyOptionList(argument.substr(1), state);
        } else {
            last = ApplySwitch(names.In(argument), state, err);
        }
        if (last != ArgumentResult::ok) break;
    }
    std::string result = "=>" + StateChanges(state);
    if (!ignored.empty()) result += " ignored=\"" + Escape(ignored) + "\"";
    if (last != ArgumentResult::ok) result += last == ArgumentResult::usage ? " USAGE" : " ERROR";
    if (!err.Text().empty()) result += " err=\"" + Escape(err.Text()) + "\"";
    return names.Out(result) + "\n";
}

// ---- the file ----

bool IsResultLine(const std::string& line) {
    for (const char* key : {"code ", "waits ", "out ", "err ", "file ", "gone ", "call ", "=>"}) {
        if (line.rfind(key, 0) == 0) return true;
    }
    return false;
}

TEST(RecordedRuns, EveryCaseGivesItsRecordedResult) {
    const char* recordVariable = std::getenv("KYP_RECORD");
    const bool record = recordVariable && *recordVariable == '1';
    std::ifstream in(kDataFile);
    ASSERT_TRUE(in) << kDataFile;
    Shared shared;
    const Placeholders sharedNames("", shared.folder.path());

    std::vector<Unit> units(1);
    for (std::string line; std::getline(in, line);) {
        if (IsResultLine(line)) {
            units.back().expected += line + "\n";
            continue;
        }
        // A line after results, a second title, or a comment after a title
        // begins the next unit.
        const bool starts = line.rfind("case ", 0) == 0 || line.rfind("apply ", 0) == 0;
        const bool note = line.empty() || line[0] == '#';
        const Unit& last = units.back();
        if (!last.expected.empty() || (!last.title.empty() && (starts || note || last.apply))) units.emplace_back();
        if (starts) {
            units.back().title = line;
            units.back().apply = line[0] == 'a';
        }
        units.back().lines.push_back(line);
        if (line.rfind("shared ", 0) == 0) shared.Add(Words(line));
    }

    std::string rewritten;
    int compared = 0;
    for (const Unit& unit : units) {
        for (const std::string& line : unit.lines) rewritten += line + "\n";
        if (unit.title.empty()) continue;
        const std::string actual =
            unit.apply ? ApplyArguments(Words(unit.title.substr(6)), sharedNames) : RunCase(unit, shared);
        rewritten += actual;
        ++compared;
        if (!record) {
            EXPECT_EQ(actual, unit.expected) << unit.title << "\n(a change that is meant: KYP_RECORD=1 records "
                                             << kDataFile << " again)";
        }
    }
    EXPECT_GT(compared, 0);
    if (record) {
        std::ofstream(kDataFile, std::ios::binary) << rewritten;
        std::printf("recorded %d cases in %s\n", compared, kDataFile.c_str());
    }
}

}  // namespace
}  // namespace kyp
