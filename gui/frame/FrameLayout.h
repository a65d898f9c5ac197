#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace kyp {

class SettingsStore;

// A rectangle as the store keeps it: left, top, width, height.
struct StoredRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const StoredRect&) const = default;
};

// A top-level window's rectangle as stored: the position of its outer frame
// (what moving a window places) and the size of its inside (what resizing
// sets). Restoring is move(left, top) and resize(width, height), which gives
// back the same rectangle whatever the window manager's decoration measures,
// and whether or not it is known yet when the window is restored.
[[nodiscard]] StoredRect StoredWindowRect(const QWidget& window);

// What the main frame keeps in the settings store between runs.
struct FrameLayout {
    std::optional<StoredRect> window;        // "Window": the frame (StoredWindowRect); none keeps the start-up size
    StoredRect view{10, 10, 800, 600};       // "View": the separate image window (StoredWindowRect)
    bool viewSeparate = false;               // "ViewSep"
    uint32_t autoPreview = 1;                // "AutoPreview"
    uint32_t generatePreview = 0;            // "GeneratePreview"
    uint32_t sampleSize = 1;                 // "SampleSize", kept as stored
    std::vector<std::string> files;          // "File0".."File19", newest first
    int32_t current = -1;                    // "File"
};

// "%d,%d,%d,%d": four decimal numbers, each ended by any one character. False
// when the text does not hold four numbers.
[[nodiscard]] bool ParseStoredRect(const std::string& text, StoredRect& rect);
[[nodiscard]] std::string StoredRectText(const StoredRect& rect);

// A width of at least the screen width - 1 becomes the screen width - 4, the
// height likewise; left and top are raised to at least 1.
[[nodiscard]] StoredRect FitStoredRect(StoredRect rect, int32_t screenWidth, int32_t screenHeight);

// Reads whatever values the store holds into layout (missing or malformed
// values keep what layout had). The current index is "File" when it names an
// entry, else 0 for a non-empty list and -1 for an empty one.
void ReadFrameLayout(const SettingsStore& store, FrameLayout& layout, int32_t screenWidth, int32_t screenHeight);

// Writes the layout in one change of the store, only when the list holds at
// least one file (otherwise nothing is written and the result is true):
// ViewSep, AutoPreview, GeneratePreview, SampleSize, Window (when given),
// View, File, File0 onward, and the values File<count> to File19 deleted.
[[nodiscard]] bool WriteFrameLayout(SettingsStore& store, const FrameLayout& layout);

}  // namespace kyp
