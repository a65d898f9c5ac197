#include "gui/frame/FrameLayout.h"

#include <QWidget>

#include <cctype>
#include <cstdio>

#include "gui/frame/FileList.h"
#include "platform/SettingsStore.h"

namespace kyp {

bool ParseStoredRect(const std::string& text, StoredRect& rect) {
    int32_t values[4] = {};
    size_t at = 0;
    for (int32_t& value : values) {
        bool negative = false;
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
        if (at >= text.size() || !std::isdigit(static_cast<unsigned char>(text[at]))) return false;
        int64_t number = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
            number = number * 10 + (text[at++] - '0');
            if (number > INT32_MAX) number = INT32_MAX;  // stays in range, however long the digits run
        }
        value = static_cast<int32_t>(negative ? -number : number);
        ++at;  // the one character that ends the number
    }
    rect = {values[0], values[1], values[2], values[3]};
    return true;
}

std::string StoredRectText(const StoredRect& rect) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", rect.left, rect.top, rect.width, rect.height);
    return text;
}

StoredRect StoredWindowRect(const QWidget& window) {
    const QPoint frame = window.frameGeometry().topLeft();
    return {frame.x(), frame.y(), window.width(), window.height()};
}

StoredRect FitStoredRect(StoredRect rect, int32_t screenWidth, int32_t screenHeight) {
    if (rect.width >= screenWidth - 1) rect.width = screenWidth - 4;
    if (rect.height >= screenHeight - 1) rect.height = screenHeight - 4;
    if (rect.left < 1) rect.left = 1;
    if (rect.top < 1) rect.top = 1;
    return rect;
}

void ReadFrameLayout(const SettingsStore& store, FrameLayout& layout, int32_t screenWidth, int32_t screenHeight) {
    std::string text;
    StoredRect rect;
    if (store.ReadString("Window", text) && ParseStoredRect(text, rect)) {
        layout.window = FitStoredRect(rect, screenWidth, screenHeight);
    }
    if (store.ReadString("View", text) && ParseStoredRect(text, rect)) layout.view = rect;
    uint32_t number = 0;
    if (store.ReadNumber("ViewSep", number)) layout.viewSeparate = number != 0;
    if (store.ReadNumber("AutoPreview", number)) layout.autoPreview = number;
    if (store.ReadNumber("GeneratePreview", number)) layout.generatePreview = number;
    if (store.ReadNumber("SampleSize", number)) layout.sampleSize = number;
    layout.files.clear();
    for (int i = 0; i < FileList::kMaxEntries; ++i) {
        if (!store.ReadString("File" + std::to_string(i), text)) break;
        layout.files.push_back(text);
    }
    const auto count = static_cast<int32_t>(layout.files.size());
    int32_t current = -1;
    if (store.ReadNumber("File", number)) current = static_cast<int32_t>(number);
    if (current < 0 || current >= count) current = count > 0 ? 0 : -1;
    layout.current = current;
}

bool WriteFrameLayout(SettingsStore& store, const FrameLayout& layout) {
    if (layout.files.empty()) return true;
    bool ok = true;
    store.BeginUpdate();
    ok &= store.WriteNumber("ViewSep", layout.viewSeparate ? 1u : 0u);
    ok &= store.WriteNumber("AutoPreview", layout.autoPreview);
    ok &= store.WriteNumber("GeneratePreview", layout.generatePreview);
    ok &= store.WriteNumber("SampleSize", layout.sampleSize);
    if (layout.window) ok &= store.WriteString("Window", StoredRectText(*layout.window));
    ok &= store.WriteString("View", StoredRectText(layout.view));
    ok &= store.WriteNumber("File", static_cast<uint32_t>(layout.current));
    const int count = static_cast<int>(std::min<size_t>(layout.files.size(), FileList::kMaxEntries));
    for (int i = 0; i < count; ++i) ok &= store.WriteString("File" + std::to_string(i), layout.files[static_cast<size_t>(i)]);
    for (int i = count; i < FileList::kMaxEntries; ++i) ok &= store.DeleteValue("File" + std::to_string(i));
    ok &= store.CommitUpdate();
    return ok;
}

}  // namespace kyp
