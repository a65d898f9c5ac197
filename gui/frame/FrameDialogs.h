#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace kyp {

class MainFrame;
struct OutputSettings;

// The main frame's file dialogs: open (with a preview), save as, and the
// settings files. They start in the folder last used and store the one
// chosen. Each can be replaced by a function, which then gives the choice.
class FrameDialogs {
public:
    explicit FrameDialogs(MainFrame& frame) : frame_(frame) {}

    // The chosen file becomes the document and joins the file list; the
    // turns given to the preview become the rotation setting.
    void Open();
    // The file name and format chosen, or none. The dialog edits settings,
    // and what it chose becomes the frame's save-format settings (shown and
    // stored).
    std::optional<std::pair<std::string, uint32_t>> SaveAs(OutputSettings* settings);
    // A .kis file to save (save) or load, or none.
    std::optional<std::string> SettingsFile(bool save);

    std::function<std::optional<std::string>()> openDialog;
    std::function<std::optional<std::pair<std::string, uint32_t>>()> saveDialog;
    std::function<std::optional<std::string>(bool save)> settingsDialog;

private:
    MainFrame& frame_;
};

}  // namespace kyp
