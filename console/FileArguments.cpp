#include "console/FileArguments.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "engine/core/AsciiText.h"
#include "engine/core/PathText.h"

namespace kyp {

namespace {

using ascii::ToLower;

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

std::string CollapseSeparators(std::string_view path) {
    std::string result;
    result.reserve(path.size());
    for (const char c : path) {
        if (c == '/' && !result.empty() && result.back() == '/') continue;
        result.push_back(c);
    }
    return result;
}

std::string NormaliseFolder(std::string_view path) {
    std::string result = CollapseSeparators(path);
    if (result.size() > 1 && result.back() == '/') result.pop_back();
    return result;
}

std::string MakeOutputName(std::string_view input, std::string_view folder, std::string_view extension) {
    if (folder.empty()) return ReplaceExtension(input, extension);
    std::string result(folder);
    if (result.back() != '/') result.push_back('/');
    result.append(ReplaceExtension(FileNamePart(input), extension));
    return result;
}

bool HasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string_view::npos; }

bool MatchWildcard(std::string_view pattern, std::string_view name) {
    // Greedy match that backtracks only to the most recent "*": linear in
    // practice and never worse than pattern length times name length.
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || ToLower(pattern[p]) == ToLower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> ExpandWildcard(std::string_view pattern) {
    std::vector<std::string> matches;
    const size_t slash = pattern.rfind('/');
    const std::string prefix(slash == std::string_view::npos ? std::string_view() : pattern.substr(0, slash + 1));
    const std::string_view namePattern = slash == std::string_view::npos ? pattern : pattern.substr(slash + 1);

    const std::unique_ptr<DIR, DirCloser> dir(opendir(prefix.empty() ? "." : prefix.c_str()));
    if (!dir) return matches;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") continue;
        if (MatchWildcard(namePattern, name)) matches.push_back(prefix + std::string(name));
    }
    // std::string compares as unsigned bytes: upper case sorts before lower case.
    std::sort(matches.begin(), matches.end());
    return matches;
}

PathKind QueryPath(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return PathKind::missing;
    return S_ISDIR(info.st_mode) ? PathKind::folder : PathKind::notFolder;
}

}  // namespace kyp
