#include "gui/frame/FileList.h"

#include <algorithm>

#include "engine/core/AsciiText.h"

namespace kyp {

using ascii::EqualsNoCase;

int FileList::Find(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        if (names_[static_cast<size_t>(i)] == name || EqualsNoCase(names_[static_cast<size_t>(i)], name)) return i;
    }
    return -1;
}

void FileList::Add(const std::string& name, bool rebuild) {
    const int present = Find(name);
    if (present >= 0) {
        current_ = present;
        return;
    }
    if (Count() >= kMaxEntries) names_.pop_back();
    names_.insert(names_.begin(), name);
    current_ = 0;
    Rebuilt(rebuild);
}

bool FileList::OpenEntry(int index, const std::function<bool(const std::string&)>& open) {
    if (index < 0 || index >= Count()) return false;
    // The opener may change the list (an open adds its file); work on a copy.
    const std::string name = names_[static_cast<size_t>(index)];
    if (open(name)) {
        SetCurrent(Find(name));
        return true;
    }
    const int where = Find(name);
    if (where >= 0) Remove(where);
    return false;
}

void FileList::Remove(int index, bool rebuild) {
    if (index < 0 || index >= Count()) return;
    names_.erase(names_.begin() + index);
    if (current_ > index) {
        --current_;
    } else if (current_ == index || current_ >= Count()) {
        current_ = -1;
    }
    Rebuilt(rebuild);
}

void FileList::Clear(bool rebuild) {
    names_.clear();
    current_ = -1;
    Rebuilt(rebuild);
}

void FileList::Assign(std::vector<std::string> names, int current, bool rebuild) {
    if (names.size() > static_cast<size_t>(kMaxEntries)) names.resize(kMaxEntries);
    names_ = std::move(names);
    if (current >= 0 && current < Count()) {
        current_ = current;
    } else {
        current_ = names_.empty() ? -1 : 0;
    }
    Rebuilt(rebuild);
}

void MergeDroppedFiles(FileList& list, const std::vector<std::string>& dropped) {
    FileList merged;
    std::vector<std::string> names;
    auto listed = [&names](const std::string& name) {
        return std::any_of(names.begin(), names.end(),
                           [&name](const std::string& n) { return EqualsNoCase(n, name); });
    };
    for (const std::string& name : dropped) {
        if (names.size() >= static_cast<size_t>(FileList::kMaxEntries)) break;
        if (!listed(name)) names.push_back(name);
    }
    for (const std::string& name : list.Entries()) {
        if (names.size() >= static_cast<size_t>(FileList::kMaxEntries)) break;
        if (!listed(name)) names.push_back(name);
    }
    int current = -1;
    if (list.Current() >= 0) {
        const std::string& was = list.Entry(list.Current());
        for (size_t i = 0; i < names.size(); ++i) {
            if (EqualsNoCase(names[i], was)) current = static_cast<int>(i);
        }
    }
    list.Assign(std::move(names), current);
    if (current < 0) list.SetCurrent(-1);
}

}  // namespace kyp
