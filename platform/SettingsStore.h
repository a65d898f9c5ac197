#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kyp {

// The settings store: the one set of named values that both programs, kyp and
// kyp2tiff, share (window layout, file lists, options). It is one JSON file,
//   <folder>/settings.json
// with the folder $KYP_CONFIG_HOME when set, else $XDG_CONFIG_HOME/zelt-arts/kyp
// (an absolute XDG_CONFIG_HOME only), else $HOME/.config/zelt-arts/kyp.
//
// The file is an object of named values. A string is a JSON string, or
// {"hex": "..."} when its bytes are not UTF-8 (an 8-bit artist name read from
// a .kis file), so every byte survives; a number is a JSON integer holding an
// unsigned 32-bit value. Entries of any other shape are kept in the file but
// read as missing. Names are compared without regard to ASCII case: "Dir" and
// "DIR" name the same value, and a write keeps one entry for both.
//
// Every change is a locked read-modify-write: an advisory lock (flock on
// <folder>/settings.lock) serialises writers, the current file is read again,
// the change applied, and the new text written to a temporary file in the
// folder that is renamed over the store. Readers never see a half-written
// store. A store that cannot be parsed reads as missing and is renamed aside
// (settings.json.corrupt-<time>) before anything new is written; one whose
// only fault is invalid UTF-8 in some strings is read without those values.
// A store that is a symbolic link is replaced through the link: the file it
// names gets the new contents. Temporary files that killed writers left
// behind are removed when the store is opened.
//
// No exception leaves this class.
enum class StoreValueType { string, number };

struct StoreValue {
    StoreValueType type = StoreValueType::string;
    std::string text;     // string values
    uint32_t number = 0;  // number values
};

struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
using StoreValues = std::map<std::string, StoreValue, NoCaseLess>;

// Parses the text of a store; false when it is not one (not JSON, not an
// object). Never throws, whatever the bytes.
[[nodiscard]] bool ParseSettingsStoreText(std::string_view text, StoreValues& values);

class SettingsStore {
public:
    SettingsStore() = default;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;
    SettingsStore(SettingsStore&&) = default;
    SettingsStore& operator=(SettingsStore&&) = default;

    // The folder and file from the environment; empty when neither
    // KYP_CONFIG_HOME, XDG_CONFIG_HOME nor HOME gives one.
    [[nodiscard]] static std::string FolderPath();
    [[nodiscard]] static std::string FilePath();

    // Opens the store for reading: takes a snapshot of its values. Fails when
    // the store does not exist or cannot be parsed (it is then kept aside).
    [[nodiscard]] bool OpenForReading();
    // Opens the store for reading and writing, creating the folder and an empty
    // store when missing.
    [[nodiscard]] bool CreateForWriting();
    void Close();
    [[nodiscard]] bool IsOpen() const { return open_; }

    // Size of a value in bytes: a string's length plus its terminating zero,
    // 4 for a number. Empty when the value is missing.
    [[nodiscard]] std::optional<uint32_t> QueryValueSize(std::string_view name) const;
    [[nodiscard]] std::optional<StoreValueType> QueryValueType(std::string_view name) const;
    // Reading a value of the other type is reading a missing value: false.
    [[nodiscard]] bool ReadString(std::string_view name, std::string& value) const;
    [[nodiscard]] bool ReadNumber(std::string_view name, uint32_t& value) const;

    // Writes need CreateForWriting. Each one reaches the file at once, unless
    // it comes between BeginUpdate and CommitUpdate, which write all of their
    // changes in one replacement of the file. Updates nest: the outermost
    // CommitUpdate writes.
    [[nodiscard]] bool WriteString(std::string_view name, std::string_view value);
    [[nodiscard]] bool WriteNumber(std::string_view name, uint32_t value);
    // Deleting a missing value succeeds.
    [[nodiscard]] bool DeleteValue(std::string_view name);
    void BeginUpdate();
    [[nodiscard]] bool CommitUpdate();

    // Removes the store with every value in it; false when there was none or
    // it could not be removed.
    [[nodiscard]] static bool DeleteKey();

    // The values as last read or written.
    [[nodiscard]] const StoreValues& Values() const { return values_; }
    // What OpenForReading had to do about a damaged store, as a sentence for
    // a warning (the store moved aside, values with invalid UTF-8 left out);
    // empty when nothing.
    [[nodiscard]] const std::string& Problem() const { return problem_; }

private:
    struct Change {
        std::string name;
        std::optional<StoreValue> value;  // none: delete
    };
    [[nodiscard]] bool Apply(Change change);
    [[nodiscard]] bool Commit(const std::vector<Change>& changes);

    std::string folder_;
    StoreValues values_;
    std::vector<Change> pending_;
    std::string problem_;
    bool open_ = false;
    bool writable_ = false;
    int updateDepth_ = 0;
};

}  // namespace kyp
