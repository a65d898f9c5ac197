#pragma once
#include <QImage>
#include <QRect>
#include <QRegion>

#include <optional>
#include <string>

#include "engine/output/Bitmap.h"

class QFontMetrics;
class QPainter;
class QPalette;
class QWidget;

namespace kyp {

// The frame's thumbnail below the tab panel: the preview rendering (or its
// one-channel copy) in a sunken edge, scaled down when it does not fit, the green mark when the
// texture-defect step found a defect, and the camera summary below it.
class Thumbnail {
public:
    // The size shown without a preview.
    static constexpr int kEmptyWidth = 214;
    static constexpr int kEmptyHeight = 160;

    // Forgets the one-channel copy (the preview was rendered again, or the
    // channel changed).
    void Drop();

    // Lays the thumbnail out. The picture keeps the preview's size in pixels
    // but is drawn scaled down (aspect kept) into the room it has: from 6
    // pixels right of the tab panel's left edge and the Apply button's top,
    // left of the Apply button and the sampler readout (with its edge and the
    // defect mark clear of them), and above the caption, which is kept two
    // lines high. The caption runs from the same left edge, 6 pixels below the
    // thumbnail, to 20 pixels inside the client's right edge (or, where it is
    // beside the Apply button or the readout, to just left of them) and 24
    // above the client's bottom. Without room the thumbnail is empty
    // and not drawn. Returns the areas to repaint (old and new of each
    // rectangle that moved; the thumbnail's grown by 2, and 8 more on the right).
    QRegion LayOut(const QRect& tabPanel, const QRect& applyButton, const QRect& readout, const QRect& client,
                   int lineHeight, const Bitmap& preview, bool loaded);

    // Paints edge, picture, mark and caption.
    void Paint(QPainter& painter, const QPalette& palette, const QWidget* widget, const Bitmap& preview, bool loaded,
               int channel, bool textureFound, const std::optional<std::string>& summary);

    [[nodiscard]] QRect Rect() const { return rect_; }
    // The picture the last paint drew (before any scaling), null when none.
    [[nodiscard]] const QImage& ShownPicture() const { return picture_; }
    [[nodiscard]] QRect CaptionRect() const { return caption_; }
    // The 4 × 4 mark just right of the thumbnail's top-right corner, beyond its edge.
    [[nodiscard]] QRect MarkRect() const { return {rect_.right() + 3, rect_.top(), 4, 4}; }
    // The caption's text as shown: word-wrapped lines, the last that fits ending in "…".
    [[nodiscard]] static QString FitCaption(const QString& text, const QFontMetrics& metrics, const QRect& area);

private:
    void PaintPicture(QPainter& painter, const QWidget* widget, const Bitmap& preview, bool loaded, int channel,
                      bool textureFound);
    // The picture to show: the one-channel copy when a channel is chosen.
    const QImage& Picture(const Bitmap& preview, int channel);

    QRect rect_;
    QRect caption_;
    Bitmap channelCopy_;
    QImage picture_;
    bool pictureValid_ = false;
    int pictureChannel_ = -2;
};

}  // namespace kyp
