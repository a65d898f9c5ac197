#include "gui/view/Thumbnail.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>

#include "gui/view/ImageArea.h"

namespace kyp {

void Thumbnail::Drop() {
    channelCopy_.release();
    picture_ = QImage();
    pictureValid_ = false;
}

QRegion Thumbnail::LayOut(const QRect& tabPanel, const QRect& applyButton, const QRect& readout,
                          const QRect& client, int lineHeight, const Bitmap& preview, bool loaded) {
    QSize size(kEmptyWidth, kEmptyHeight);
    if (loaded && preview.hasPixels()) {
        // The one-channel copy has the preview's size.
        size = QSize(preview.width(), preview.height());
    }
    const QPoint topLeft(tabPanel.left() + 6, applyButton.top());
    // Right: the edge (2 pixels) and the mark (3 to 6 pixels right of the
    // picture) end at least 2 pixels before the Apply button and the readout.
    int controlsLeft = applyButton.left();
    if (readout.isValid()) controlsLeft = std::min(controlsLeft, readout.left());
    const int roomWidth = controlsLeft - 8 - topLeft.x();
    // Bottom: the caption below keeps two lines (and its 2-pixel margins).
    const int captionBottom = client.bottom() - 24;
    const int roomHeight = captionBottom - (2 * lineHeight + 4) - 6 - topLeft.y();
    const QSize shown = FitSize(size, QSize(roomWidth, roomHeight));
    // A room of a few pixels would show nothing: no thumbnail then.
    const QRect rect = roomWidth >= 8 && roomHeight >= 8 && !shown.isEmpty() ? QRect(topLeft, shown) : QRect();
    const int captionTop = (rect.isValid() ? rect.bottom() : topLeft.y()) + 1 + 6;
    // Beside the Apply button or the readout the caption keeps left of them.
    const int controlsBottom = std::max(applyButton.bottom(), readout.isValid() ? readout.bottom() : applyButton.bottom());
    const int captionRight = captionTop <= controlsBottom ? controlsLeft - 3 : client.right() - 20;
    const QRect caption(QPoint(topLeft.x(), captionTop), QPoint(captionRight, captionBottom));
    QRegion invalid;
    if (rect != rect_) {
        if (rect_.isValid()) invalid += rect_.adjusted(-2, -2, 10, 2);
        if (rect.isValid()) invalid += rect.adjusted(-2, -2, 10, 2);
    }
    if (caption != caption_) {
        invalid += caption_;
        invalid += caption;
    }
    rect_ = rect;
    caption_ = caption;
    return invalid;
}

const QImage& Thumbnail::Picture(const Bitmap& preview, int channel) {
    if (pictureValid_ && pictureChannel_ == channel) return picture_;
    pictureValid_ = true;
    pictureChannel_ = channel;
    picture_ = QImage();
    if (channel == -1) {
        picture_ = ImageFromBitmap(preview);
    } else if (preview.extractChannel(channel, channelCopy_)) {
        picture_ = ImageFromBitmap(channelCopy_);
    }
    return picture_;
}

QString Thumbnail::FitCaption(const QString& text, const QFontMetrics& metrics, const QRect& area) {
    // Lay the text out word-wrapped; the last line that fits takes the rest
    // of the text and ends in an ellipsis when it does not all fit.
    QStringList lines;
    int used = 0;
    const int lineHeight = metrics.lineSpacing();
    const QStringList paragraphs = text.split(QLatin1Char('\n'));
    for (int p = 0; p < paragraphs.size(); ++p) {
        QString rest = paragraphs[p];
        do {
            if (used + 2 * lineHeight > area.height()) {
                // The last line there is room for.
                QString remaining = rest;
                for (int q = p + 1; q < paragraphs.size(); ++q) remaining += QLatin1Char(' ') + paragraphs[q];
                lines << metrics.elidedText(remaining, Qt::ElideRight, area.width());
                return lines.join(QLatin1Char('\n'));
            }
            // The longest run of whole words that fits the width.
            int cut = static_cast<int>(rest.size());
            while (cut > 0 && metrics.horizontalAdvance(rest.left(cut)) > area.width()) {
                const int blank = static_cast<int>(rest.lastIndexOf(QLatin1Char(' '), cut - 1));
                cut = blank > 0 ? blank : cut - 1;
            }
            if (cut <= 0) cut = 1;
            lines << rest.left(cut);
            rest = rest.mid(cut).trimmed();
            used += lineHeight;
        } while (!rest.isEmpty());
    }
    return lines.join(QLatin1Char('\n'));
}

void Thumbnail::Paint(QPainter& painter, const QPalette& palette, const QWidget* widget, const Bitmap& preview,
                      bool loaded, int channel, bool textureFound, const std::optional<std::string>& summary) {
    if (rect_.isValid()) PaintPicture(painter, widget, preview, loaded, channel, textureFound);
    if (!loaded || caption_.height() <= 12 || !summary) return;
    QString text = QString::fromStdString(*summary);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QRect inner = caption_.adjusted(2, 2, -2, -2);
    painter.setPen(palette.color(QPalette::ButtonText));
    painter.setFont(widget->font());
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop, FitCaption(text, painter.fontMetrics(), inner));
}

void Thumbnail::PaintPicture(QPainter& painter, const QWidget* widget, const Bitmap& preview, bool loaded,
                             int channel, bool textureFound) {
    // A sunken edge 2 pixels around the thumbnail.
    QStyleOptionFrame frame;
    frame.initFrom(widget);
    frame.rect = rect_.adjusted(-2, -2, 2, 2);
    frame.lineWidth = 2;
    frame.state |= QStyle::State_Sunken;
    widget->style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, widget);
    if (loaded && preview.hasPixels()) {
        const QImage& picture = Picture(preview, channel);
        if (!picture.isNull()) {
            if (picture.size() == rect_.size()) {
                painter.drawImage(rect_.topLeft(), picture);
            } else {
                painter.save();
                painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
                painter.drawImage(rect_, picture);
                painter.restore();
            }
        }
        if (textureFound) painter.fillRect(MarkRect(), QColor(0, 192, 0));
    }
}

}  // namespace kyp
