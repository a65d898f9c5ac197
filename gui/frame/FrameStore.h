#pragma once
#include <string>

#include "engine/settings/Curve.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"
#include "gui/frame/FrameLayout.h"

class QWidget;

namespace kyp {

class FileList;

// The main frame's side of the settings store between runs: its window
// geometry and layout (FrameLayout), the recently used files, the settings
// the pages start from, and the folder last used.
class FrameStore {
public:
    // Reads the store into the records and places window where it was. False
    // (nothing read) when the store cannot be opened.
    bool Load(ImportSettings& settings, CurveArray& curves, OutputSettings& output, FileList& files, QWidget& window);
    // Writes the records (settings none: leaves the stored options alone)
    // and, while the list holds a file, the layout with window's place.
    // False when any part was not written.
    bool Snap(const ImportSettings* settings, const CurveArray& curves, const OutputSettings& output,
              const FileList& files, const QWidget& window);

    [[nodiscard]] FrameLayout& Layout() { return layout_; }
    [[nodiscard]] const FrameLayout& Layout() const { return layout_; }

    // The folder of path becomes the one the file dialogs start in.
    static void SetDir(const std::string& path);
    // The folder stored by SetDir ("/" without a store).
    [[nodiscard]] static std::string StoredDir();

private:
    FrameLayout layout_;
};

}  // namespace kyp
