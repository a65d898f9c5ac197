#include "gui/pages/ImageInfoPage.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/pages/BlankPage.h"

namespace kyp {

// The page holds one control, infoText: read-only multi-line text, one tab stop.
ImageInfoPage::ImageInfoPage(std::function<std::optional<std::string>()> infoText,
                             std::function<bool()> documentLoaded, QWidget* parent)
    : QWidget(parent), infoText_(std::move(infoText)), documentLoaded_(std::move(documentLoaded)) {
    setObjectName(QStringLiteral("imageInfoPage"));
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("infoText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setBackgroundRole(QPalette::Button);
    QPalette colours = text_->palette();
    colours.setColor(QPalette::Base, colours.color(QPalette::Button));
    text_->setPalette(colours);
    text_->document()->setDocumentMargin(4);
    // One tab stop at 65 dialog units: a dialog unit is a quarter of the average
    // character width of the dialog font.
    const QFontMetrics metrics(font());
    baseTabStop_ = 65.0 * metrics.averageCharWidth() / 4.0;
    text_->setTabStopDistance(baseTabStop_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(text_);
    if (!documentLoaded_ || !documentLoaded_()) DocumentClosed();
}

QSize ImageInfoPage::sizeHint() const { return {kPageWidth, kPageHeight}; }

QString ImageInfoPage::Text() const { return text_->toPlainText(); }

void ImageInfoPage::Refresh() {
    if (changed_) {
        std::optional<std::string> info = infoText_ ? infoText_() : std::nullopt;
        QString shown = QString::fromStdString(info.value_or(std::string()));
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text_->setPlainText(shown);
        FitTabStop();
        changed_ = false;
    }
    text_->setFocus();
    QTextCursor cursor = text_->textCursor();
    cursor.clearSelection();
    text_->setTextCursor(cursor);
}

void ImageInfoPage::FitTabStop() {
    const QFontMetricsF metrics(text_->font());
    qreal widest = 0;
    for (const QString& line : text_->toPlainText().split(QLatin1Char('\n'))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab > 0) widest = std::max(widest, metrics.horizontalAdvance(line.left(tab)));
    }
    text_->setTabStopDistance(std::max(baseTabStop_, widest + metrics.averageCharWidth()));
}

void ImageInfoPage::Activate(bool shown) {
    shown_ = shown;
    if (shown) Refresh();
}

void ImageInfoPage::DocumentChanged() {
    changed_ = true;
    if (shown_) Refresh();
}

void ImageInfoPage::DocumentClosed() {
    changed_ = false;
    text_->setPlainText(QStringLiteral("(no document)"));
    QTextCursor cursor = text_->textCursor();
    cursor.clearSelection();
    text_->setTextCursor(cursor);
}

}  // namespace kyp
