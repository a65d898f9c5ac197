#pragma once
#include <functional>
#include <string>
#include <vector>

namespace kyp {

// The recently used files: at most kMaxEntries full paths, newest first, and
// the index of the current one (-1 for none). Names are compared without
// regard to ASCII case, so one file reached through two spellings is listed
// once. Every change of the list (not of the current index alone) is reported
// through onRebuild, which the status strip uses to rebuild its popup menu.
class FileList {
public:
    static constexpr int kMaxEntries = 20;

    // Index of the entry equal to name (exactly or without regard to case), or -1.
    [[nodiscard]] int Find(const std::string& name) const;
    // A present name only becomes current. Otherwise the name goes to the head
    // (the oldest entry falls off a full list) and becomes current.
    void Add(const std::string& name, bool rebuild = true);
    // Opens entry i with open; on success it becomes current. An entry that
    // cannot be opened is removed. False for an index outside the list.
    bool OpenEntry(int index, const std::function<bool(const std::string&)>& open);
    // Removes entry i: later entries move up, the current index follows its entry
    // and becomes -1 when that entry was the one removed.
    void Remove(int index, bool rebuild = true);
    void Clear(bool rebuild = true);
    // Replaces the whole list (loading, drops); at most kMaxEntries names are
    // kept. current outside the list gives 0 for a non-empty list, else -1.
    void Assign(std::vector<std::string> names, int current, bool rebuild = true);

    [[nodiscard]] int Count() const { return static_cast<int>(names_.size()); }
    [[nodiscard]] bool Empty() const { return names_.empty(); }
    [[nodiscard]] const std::string& Entry(int index) const { return names_[static_cast<size_t>(index)]; }
    [[nodiscard]] const std::vector<std::string>& Entries() const { return names_; }
    [[nodiscard]] int Current() const { return current_; }
    void SetCurrent(int index) { current_ = index >= 0 && index < Count() ? index : -1; }

    std::function<void()> onRebuild;

private:
    void Rebuilt(bool rebuild) {
        if (rebuild && onRebuild) onRebuild();
    }

    std::vector<std::string> names_;
    int current_ = -1;
};

// The list after dropping files: the dropped names that passed the ORF test,
// in drop order (at most kMaxEntries), then the previous entries that are not
// among them, up to kMaxEntries in all. The entry that was current stays
// current when it is still listed.
void MergeDroppedFiles(FileList& list, const std::vector<std::string>& dropped);

}  // namespace kyp
