#pragma once
// Recorded results: a test runs the real code over a table of cases and
// compares one line of text per case with the line recorded for it in a data
// file under tests/. With KYP_RECORD=1 the run writes the file afresh instead
// (for a change of behaviour that is meant; review the difference before
// committing it).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace kyp::test {

// Text with the bytes a line cannot hold written as escapes: \\ \t \r \n and
// \xHH for the other control characters and bytes from 0x7F up.
inline std::string Escaped(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += ch;
        }
    }
    return out;
}

class GoldenFile {
public:
    // relative: the data file's path under tests/, e.g. "settings/parsers.golden".
    explicit GoldenFile(std::string relative)
        : relative_(std::move(relative)), path_(std::string(KYP_SOURCE_DIR) + "/tests/" + relative_) {
        const char* record = std::getenv("KYP_RECORD");
        recording_ = record && *record == '1';
        std::ifstream in(path_, std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            const size_t tab = line.find('\t');
            if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
            recorded_[line.substr(0, tab)] = line.substr(tab + 1);
        }
        if (!recording_ && recorded_.empty()) ADD_FAILURE() << "no recorded results in " << path_ << Hint();
    }
    ~GoldenFile() {
        if (recording_) {
            std::ofstream out(path_, std::ios::binary | std::ios::trunc);
            out << "# Recorded by the tests (KYP_RECORD=1): case<TAB>result, one per line.\n";
            for (const auto& [key, value] : lines_) out << key << '\t' << value << '\n';
            return;
        }
        int unchecked = 0;
        for (const auto& [key, value] : recorded_) unchecked += seen_.count(key) == 0;
        if (unchecked > 0) ADD_FAILURE() << unchecked << " recorded cases of " << relative_ << " were not run" << Hint();
    }
    GoldenFile(const GoldenFile&) = delete;
    GoldenFile& operator=(const GoldenFile&) = delete;

    // Compares (or records) the result of one case; the key names the case.
    void Check(std::string_view key, std::string_view result) {
        const std::string k = Escaped(key), v = Escaped(result);
        if (!seen_.insert(k).second) {
            ADD_FAILURE() << "case run twice: " << k;
            return;
        }
        if (recording_) {
            lines_.emplace_back(k, v);
            return;
        }
        const auto it = recorded_.find(k);
        if (it == recorded_.end()) {
            ADD_FAILURE() << "case " << k << " gave " << v << " but has no recorded result" << Hint();
        } else if (it->second != v) {
            ADD_FAILURE() << "case " << k << "\n     gave " << v << "\n recorded " << it->second << Hint();
        }
    }

    // The cases recorded in the file, for a test whose case inputs are the
    // keys themselves (a new case is a line "case<TAB>" recorded with KYP_RECORD=1).
    [[nodiscard]] std::vector<std::string> Cases() const {
        std::vector<std::string> cases;
        for (const auto& [key, value] : recorded_) cases.push_back(key);
        return cases;
    }

    // Cases 0 to count - 1 of a generated series: runs of neighbouring cases
    // with the same result share one line, the case "name first-last".
    void CheckRuns(const std::string& name, size_t count, const std::function<std::string(size_t)>& result) {
        size_t first = 0;
        std::string previous;
        for (size_t i = 0; i <= count; ++i) {
            const std::string r = i < count ? result(i) : std::string();
            if (i > 0 && (i == count || r != previous)) {
                Check(name + " " + std::to_string(first) + "-" + std::to_string(i - 1), previous);
                first = i;
            }
            previous = r;
        }
    }

private:
    [[nodiscard]] std::string Hint() const {
        return "\n(if the change is meant, rerun with KYP_RECORD=1 to rewrite tests/" + relative_ + ")";
    }

    std::string relative_, path_;
    bool recording_ = false;
    std::map<std::string, std::string> recorded_;
    std::set<std::string> seen_;
    std::vector<std::pair<std::string, std::string>> lines_;
};

}  // namespace kyp::test
