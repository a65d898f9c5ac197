#pragma once
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace kyp {

class Bitmap;

// A copy of an 8-bit rendering (grey or blue-green-red, rows bottom-up) as a
// top-down QImage. A bitmap without pixels gives a null image.
[[nodiscard]] QImage ImageFromBitmap(const Bitmap& bitmap);

// The image area of the frame: shows the full rendering scaled to fit the
// area with its aspect ratio kept, at the top, centred across. A stand-in for
// the zooming image window; the frame talks to it through SetImage and Clear.
class ImageArea : public QWidget {
    Q_OBJECT
public:
    explicit ImageArea(QWidget* parent = nullptr);

    void SetImage(const QImage& image);
    void Clear();
    [[nodiscard]] const QImage& Image() const { return image_; }
    // The rectangle the image is drawn into (fit rule), in widget coordinates.
    [[nodiscard]] QRect ViewRect() const;

    // Double-click asks the frame to open a file, like a double-click on the frame.
    std::function<void()> onDoubleClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QImage image_;
    QPixmap scaled_;
};

}  // namespace kyp
