#pragma once
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

#include "gui/pages/OptionPage.h"

class QPlainTextEdit;

namespace kyp {

// The Image Info tab: the camera-information text of the open document in a
// read-only text ("infoText").
class ImageInfoPage : public QWidget, public OptionPage {
    Q_OBJECT
public:
    // infoText gives the document's full camera-information text (nothing when
    // it has none); documentLoaded tells whether a document is open.
    ImageInfoPage(std::function<std::optional<std::string>()> infoText, std::function<bool()> documentLoaded,
                  QWidget* parent = nullptr);

    [[nodiscard]] QWidget* GetWindow() override { return this; }
    void Activate(bool shown) override;
    void DocumentChanged() override;
    void DocumentClosed() override;

    [[nodiscard]] QString Text() const;
    [[nodiscard]] QSize sizeHint() const override;

private:
    void Refresh();

    std::function<std::optional<std::string>()> infoText_;
    std::function<bool()> documentLoaded_;
    QPlainTextEdit* text_ = nullptr;
    // The tab stop is at least 65 dialog units, and past the widest label, so
    // that every value starts in the one column.
    void FitTabStop();
    qreal baseTabStop_ = 0;
    bool changed_ = false;
    bool shown_ = false;
};

}  // namespace kyp
