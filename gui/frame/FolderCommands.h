#pragma once
#include <string>
#include <vector>

namespace kyp {

class MainFrame;

// The frame's commands over a folder of raw files rather than one document:
// next and previous file, Convert All, and files dropped on the frame. They
// open and save through the frame, as the user would one file at a time.
class FolderCommands {
public:
    explicit FolderCommands(MainFrame& frame) : frame_(frame) {}

    // Opens the next (or previous) ORF file of the reference file's folder.
    void StepFile(bool next);
    // Converts every ORF file of the reference file's folder in the format
    // of the Save Format page: through kyp2tiff in a terminal when it is
    // beside the program, else here; then shows the summary.
    void ConvertAll();
    // Dropped files, in drop order; shift as held during the drop.
    void DropFiles(const std::vector<std::string>& paths, bool shift);

private:
    // The file the folder commands start from: the document's, else the
    // list's current entry, else its first.
    [[nodiscard]] std::string ReferenceFile() const;
    [[nodiscard]] std::string ReferenceFolder(const std::string& reference) const;
    std::string ConvertAllRun();
    std::string ConvertAllHere(const std::string& reference, const std::vector<std::string>& files);

    MainFrame& frame_;
};

}  // namespace kyp
