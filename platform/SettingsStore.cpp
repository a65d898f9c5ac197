#include "platform/SettingsStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>

#include "engine/core/AsciiText.h"
#include "platform/AtomicFile.h"
#include "platform/FileContents.h"

namespace kyp {

namespace {

using Json = nlohmann::json;

// A store holds a few dozen short values; a file beyond this is not one.
constexpr size_t kMaxStoreSize = 16u << 20;
constexpr const char* kStoreName = "settings.json";
constexpr const char* kLockName = "settings.lock";

using ascii::EqualsNoCase;
using ascii::ToLower;

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra = 0;
        uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1, code = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2, code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3, code = c & 0x07u;
        } else {
            return false;
        }
        if (s.size() - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0u) != 0x80u) return false;
            code = code << 6 | (t & 0x3Fu);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

std::string ToHex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = ToLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool FromHex(std::string_view hex, std::string& out) {
    if (hex.size() % 2) return false;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]);
        const int lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes += static_cast<char>(hi << 4 | lo);
    }
    out = std::move(bytes);
    return true;
}

bool DecodeValue(const Json& j, StoreValue& out) {
    if (j.is_string()) {
        out.type = StoreValueType::string;
        out.text = j.get_ref<const std::string&>();
        return true;
    }
    if (j.is_number_unsigned()) {
        const auto v = j.get<uint64_t>();
        if (v > std::numeric_limits<uint32_t>::max()) return false;
        out.type = StoreValueType::number;
        out.number = static_cast<uint32_t>(v);
        return true;
    }
    if (j.is_number_integer()) {  // negative: a DWORD written as a signed value (-1)
        const auto v = j.get<int64_t>();
        if (v < std::numeric_limits<int32_t>::min()) return false;
        out.type = StoreValueType::number;
        out.number = static_cast<uint32_t>(static_cast<int32_t>(v));
        return true;
    }
    if (j.is_object() && j.size() == 1) {
        const auto hex = j.find("hex");
        if (hex != j.end() && hex->is_string() && FromHex(hex->get_ref<const std::string&>(), out.text)) {
            out.type = StoreValueType::string;
            return true;
        }
    }
    return false;
}

Json EncodeValue(const StoreValue& value) {
    if (value.type == StoreValueType::number) return Json(value.number);
    if (IsUtf8(value.text)) return Json(value.text);
    return Json{{"hex", ToHex(value.text)}};
}

bool ParseStrict(std::string_view text, Json& doc) {
    doc = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
    return !doc.is_discarded() && doc.is_object();
}

// Every byte that is not part of a valid UTF-8 sequence becomes U+FFFD.
std::string ReplaceInvalidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        size_t length = 1;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0xC2 && c <= 0xF4) length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        if (c < 0x80 || (length > 1 && IsUtf8(text.substr(i, length)))) {
            out.append(text.substr(i, c < 0x80 ? 1 : length));
            i += c < 0x80 ? 1 : length;
        } else {
            out.append("\xEF\xBF\xBD");
            ++i;
        }
    }
    return out;
}

// A store whose only fault is invalid UTF-8 inside some strings is read
// without those values; dropped counts them. False when it is no store.
bool ParseDocument(std::string_view text, Json& doc, size_t* dropped = nullptr) {
    if (dropped) *dropped = 0;
    if (ParseStrict(text, doc)) return true;
    if (IsUtf8(text)) return false;
    const std::string repaired = ReplaceInvalidUtf8(text);
    if (!ParseStrict(repaired, doc)) return false;
    std::vector<std::string> bad;
    for (const auto& item : doc.items()) {
        if (item.key().find("\xEF\xBF\xBD") != std::string::npos ||
            (item.value().is_string() && item.value().get_ref<const std::string&>().find("\xEF\xBF\xBD") != std::string::npos))
            bad.push_back(item.key());
    }
    for (const std::string& key : bad) doc.erase(key);
    if (dropped) *dropped = bad.size();
    return true;
}

void DecodeDocument(const Json& doc, StoreValues& values) {
    values.clear();
    for (const auto& [name, item] : doc.items()) {
        StoreValue value;
        if (DecodeValue(item, value)) values.insert_or_assign(name, std::move(value));
    }
}

std::string StorePath(const std::string& folder) {
    std::string path = folder;
    path += '/';
    path += kStoreName;
    return path;
}

enum class ReadResult { ok, missing, unusable, failed };

ReadResult ReadStore(const std::string& folder, std::string& text) {
    const std::string path = StorePath(folder);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? ReadResult::missing : ReadResult::failed;
    if (!S_ISREG(st.st_mode)) return ReadResult::failed;
    if (static_cast<uint64_t>(st.st_size) > kMaxStoreSize) return ReadResult::unusable;
    if (!ReadFileContents(path, kMaxStoreSize, text)) return ReadResult::failed;
    return ReadResult::ok;
}

// Renames an unparseable store to settings.json.corrupt-<local time>[-n],
// never over an earlier one; aside (when given) gets the new name.
bool MoveAside(const std::string& folder, std::string* aside = nullptr) {
    const std::string path = StorePath(folder);
    char stamp[32] = "unknown";
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    if (::localtime_r(&now, &local)) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int n = 0; n < 1000; ++n) {
        std::string target = path;
        target += ".corrupt-";
        target += stamp;
        if (n > 0) {
            target += '-';
            target += std::to_string(n);
        }
        if (aside) *aside = target;
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
        if (errno == EEXIST) continue;
        if (errno != EINVAL && errno != ENOSYS) return false;
        // A file system without RENAME_NOREPLACE: the writers hold the lock, so
        // checking first is enough.
        if (::access(target.c_str(), F_OK) == 0) continue;
        return ::rename(path.c_str(), target.c_str()) == 0;
    }
    return false;
}

// Temporary files of writers that were killed before their rename (of this
// program or an older one that named them at once): removed when older than
// a few minutes and their process is gone.
constexpr time_t kStaleSeconds = 300;

void RemoveStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string prefix = std::string(".") + kStoreName + ".";
    const time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        long pid = 0;
        if (name.rfind(prefix, 0) != 0 || !AtomicFile::IsTempName(name, pid)) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime < kStaleSeconds) continue;
        if (pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)) continue;
        (void)::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}

// The file a store path stands for: the store itself, or, when it is a
// symbolic link, the file the link names (so that a replacement goes there
// and the link stays).
std::string WriteTarget(const std::string& path) {
    std::string target = path;
    for (int depth = 0; depth < 16; ++depth) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
        std::string link(static_cast<size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return target;
        link.resize(static_cast<size_t>(n));
        if (link[0] != '/') {
            const size_t slash = target.rfind('/');
            link = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + link;
        }
        target = std::move(link);
    }
    return target;
}

bool MakeFolders(const std::string& folder) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos < folder.size() && folder[pos] != '/') continue;
        const std::string part = folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The advisory lock that serialises every change of the store.
class StoreLock {
public:
    StoreLock() = default;
    ~StoreLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    [[nodiscard]] bool Acquire(const std::string& folder) {
        std::string path = folder;
        path += '/';
        path += kLockName;
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) return false;
        while (::flock(fd_, LOCK_EX) != 0)
            if (errno != EINTR) return false;
        return true;
    }

private:
    int fd_ = -1;
};

}  // namespace

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char x = ToLower(a[i]);
        const char y = ToLower(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

bool ParseSettingsStoreText(std::string_view text, StoreValues& values) {
    try {
        Json doc;
        if (!ParseDocument(text, doc)) return false;
        DecodeDocument(doc, values);
        return true;
    } catch (...) {
        return false;
    }
}

std::string SettingsStore::FolderPath() {
    if (const char* own = std::getenv("KYP_CONFIG_HOME"); own && *own) return own;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/zelt-arts/kyp";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config/zelt-arts/kyp";
    return {};
}

std::string SettingsStore::FilePath() {
    const std::string folder = FolderPath();
    return folder.empty() ? folder : StorePath(folder);
}

bool SettingsStore::OpenForReading() {
    Close();
    try {
        folder_ = FolderPath();
        if (folder_.empty()) return false;
        RemoveStaleTemporaries(folder_);
        std::string text;
        size_t dropped = 0;
        ReadResult result = ReadStore(folder_, text);
        const auto parsed = [&] {
            Json doc;
            if (!ParseDocument(text, doc, &dropped)) return false;
            DecodeDocument(doc, values_);
            if (dropped > 0) {
                problem_ = "settings store '" + StorePath(folder_) + "': " + std::to_string(dropped) +
                           (dropped == 1 ? " value" : " values") + " with invalid UTF-8 ignored";
            }
            return true;
        };
        if (result == ReadResult::ok && parsed()) return open_ = true;
        if (result == ReadResult::missing || result == ReadResult::failed) return false;

        // Unparseable: look again under the lock (a writer may just have
        // replaced it) and keep it aside when it is still bad.
        StoreLock lock;
        if (!lock.Acquire(folder_)) return false;
        result = ReadStore(folder_, text);
        if (result == ReadResult::ok && parsed()) return open_ = true;
        std::string aside;
        if ((result == ReadResult::ok || result == ReadResult::unusable) && MoveAside(folder_, &aside)) {
            problem_ = "settings store '" + StorePath(folder_) + "' could not be read (moved to '" + aside +
                       "'); settings not loaded";
        }
        values_.clear();
        return false;
    } catch (...) {
        values_.clear();
        return false;
    }
}

bool SettingsStore::CreateForWriting() {
    Close();
    try {
        folder_ = FolderPath();
        if (folder_.empty() || !MakeFolders(folder_)) return false;
        RemoveStaleTemporaries(folder_);
        if (!Commit({})) return false;
        open_ = writable_ = true;
        return true;
    } catch (...) {
        return false;
    }
}

void SettingsStore::Close() {
    values_.clear();
    problem_.clear();
    pending_.clear();
    open_ = writable_ = false;
    updateDepth_ = 0;
}

std::optional<uint32_t> SettingsStore::QueryValueSize(std::string_view name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    if (it->second.type == StoreValueType::number) return 4u;
    const size_t size = it->second.text.size() + 1;
    return size > std::numeric_limits<uint32_t>::max() ? std::numeric_limits<uint32_t>::max()
                                                        : static_cast<uint32_t>(size);
}

std::optional<StoreValueType> SettingsStore::QueryValueType(std::string_view name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second.type;
}

bool SettingsStore::ReadString(std::string_view name, std::string& value) const {
    const auto it = values_.find(name);
    if (it == values_.end() || it->second.type != StoreValueType::string) return false;
    value = it->second.text;
    return true;
}

bool SettingsStore::ReadNumber(std::string_view name, uint32_t& value) const {
    const auto it = values_.find(name);
    if (it == values_.end() || it->second.type != StoreValueType::number) return false;
    value = it->second.number;
    return true;
}

bool SettingsStore::WriteString(std::string_view name, std::string_view value) {
    StoreValue v;
    v.type = StoreValueType::string;
    v.text.assign(value);
    return Apply({std::string(name), std::move(v)});
}

bool SettingsStore::WriteNumber(std::string_view name, uint32_t value) {
    StoreValue v;
    v.type = StoreValueType::number;
    v.number = value;
    return Apply({std::string(name), std::move(v)});
}

bool SettingsStore::DeleteValue(std::string_view name) { return Apply({std::string(name), std::nullopt}); }

void SettingsStore::BeginUpdate() {
    if (open_ && writable_) ++updateDepth_;
}

bool SettingsStore::CommitUpdate() {
    if (updateDepth_ <= 0) return false;
    if (--updateDepth_ > 0) return true;
    std::vector<Change> changes;
    changes.swap(pending_);
    return Commit(changes);
}

bool SettingsStore::Apply(Change change) {
    if (!open_ || !writable_ || change.name.empty()) return false;
    if (updateDepth_ == 0) return Commit({std::move(change)});
    try {
        if (auto it = values_.find(change.name); it != values_.end()) values_.erase(it);
        if (change.value) values_.emplace(change.name, *change.value);
        pending_.push_back(std::move(change));
        return true;
    } catch (...) {
        return false;
    }
}

bool SettingsStore::Commit(const std::vector<Change>& changes) {
    try {
        StoreLock lock;
        if (!lock.Acquire(folder_)) return false;

        std::string text;
        Json doc = Json::object();
        bool write = !changes.empty();
        switch (ReadStore(folder_, text)) {
            case ReadResult::ok:
                if (size_t dropped = 0; !ParseDocument(text, doc, &dropped)) {
                    if (!MoveAside(folder_)) return false;
                    doc = Json::object();
                    write = true;
                }
                break;
            case ReadResult::missing:
                write = true;
                break;
            case ReadResult::unusable:
                if (!MoveAside(folder_)) return false;
                write = true;
                break;
            case ReadResult::failed:
                return false;
        }

        for (const Change& change : changes) {
            std::vector<std::string> same;
            for (const auto& item : doc.items())
                if (EqualsNoCase(item.key(), change.name)) same.push_back(item.key());
            for (const std::string& key : same) doc.erase(key);
            if (change.value) doc[change.name] = EncodeValue(*change.value);
        }

        if (write) {
            const std::string out = doc.dump(2) + "\n";
            // Private like the rest of the folder: it lists the user's recent files.
            // Through a symbolic link to the file it names, in that file's folder.
            if (!ReplaceFileContents(WriteTarget(StorePath(folder_)), out.data(), out.size(), 0600)) return false;
        }
        DecodeDocument(doc, values_);
        return true;
    } catch (...) {
        return false;
    }
}

bool SettingsStore::DeleteKey() {
    const std::string folder = FolderPath();
    if (folder.empty()) return false;
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return false;
    StoreLock lock;
    if (!lock.Acquire(folder)) return false;
    return ::unlink(StorePath(folder).c_str()) == 0;
}

}  // namespace kyp
