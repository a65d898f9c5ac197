#include "gui/frame/FolderScan.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <string_view>

#include "engine/core/AsciiText.h"

namespace kyp {

namespace {

// A name that is only ".orf" is a hidden file, not a document.
bool EndsWithOrf(std::string_view name) {
    return name.size() > 4 && ascii::EqualsNoCase(name.substr(name.size() - 4), ".orf");
}

}  // namespace

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> ListOrfFiles(const std::string& folder) {
    std::vector<std::string> files;
    if (folder.empty()) return files;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return files;
    const std::string prefix = folder == "/" ? folder : folder + "/";
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!EndsWithOrf(entry->d_name)) continue;
        std::string path = prefix + entry->d_name;
        // Folders whose names end in .orf are not documents; opening one would
        // only fail, so the walk skips them.
        if (IsRegularFile(path)) files.push_back(std::move(path));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string OrfPattern(const std::string& folder) {
    return folder == "/" ? "/*.orf" : folder + "/*.orf";
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string DirValueFor(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    const std::string name = path.substr(slash + 1);
    if (!name.empty() && name.find('.') != std::string::npos) return slash == 0 ? std::string("/") : path.substr(0, slash);
    return path;
}

std::string NeighbourFile(const std::vector<std::string>& files, const std::string& reference, bool next) {
    const auto count = static_cast<long>(files.size());
    for (long i = 0; i < count; ++i) {
        if (!ascii::EqualsNoCase(files[static_cast<size_t>(i)], reference)) continue;
        const long to = next ? (i + 1) % count : (i + count - 1) % count;
        return files[static_cast<size_t>(to)];
    }
    return {};
}

std::string NeighbourOfPosition(const std::vector<std::string>& files, const std::string& reference, bool next) {
    if (files.empty()) return {};
    std::string listed = NeighbourFile(files, reference, next);
    if (!listed.empty()) return listed;
    if (next) {
        const auto after = std::upper_bound(files.begin(), files.end(), reference);
        return after == files.end() ? files.front() : *after;
    }
    const auto at = std::lower_bound(files.begin(), files.end(), reference);
    return at == files.begin() ? files.back() : *(at - 1);
}

std::string ProgramFolder() {
    char buffer[PATH_MAX + 1];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    if (length <= 0) return {};
    return FolderOf(std::string(buffer, static_cast<size_t>(length)));
}

}  // namespace kyp
