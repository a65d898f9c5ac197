#pragma once
#include <string>
#include <vector>

namespace kyp {

// The ORF files of a folder, as the next/previous commands and Convert All see
// them: the regular files whose names end in ".orf" in any letter case, as
// full paths ("folder/name"), sorted by plain byte comparison.
[[nodiscard]] std::vector<std::string> ListOrfFiles(const std::string& folder);

// The pattern shown for a folder: folder + "/*.orf".
[[nodiscard]] std::string OrfPattern(const std::string& folder);

// Everything before the last "/" of path ("/" itself for a file in the root);
// empty when there is no "/".
[[nodiscard]] std::string FolderOf(const std::string& path);

// The value stored as "Dir" for a path: when the part after the last "/" holds
// a "." the path is cut at that "/", otherwise the whole path is kept. Empty
// (store nothing) for a path without "/".
[[nodiscard]] std::string DirValueFor(const std::string& path);

// The entry after (next) or before the reference in files, wrapping at both
// ends; the reference is looked up without regard to case. Empty when it is
// not listed or the list is empty.
[[nodiscard]] std::string NeighbourFile(const std::vector<std::string>& files, const std::string& reference, bool next);

// As NeighbourFile, but a reference that is not listed (a file that could not
// be opened and has gone, or whose name does not end in ".orf") still has a
// place: the entry that sorts right after (next) or before (previous) it by
// plain byte comparison, wrapping at both ends. Empty only for an empty list.
[[nodiscard]] std::string NeighbourOfPosition(const std::vector<std::string>& files, const std::string& reference,
                                              bool next);

// The folder that holds this program's own executable (from /proc/self/exe).
[[nodiscard]] std::string ProgramFolder();

// Whether path names an existing regular file / folder.
[[nodiscard]] bool IsRegularFile(const std::string& path);
[[nodiscard]] bool IsFolder(const std::string& path);

}  // namespace kyp
