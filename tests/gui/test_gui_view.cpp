// The image window, the point-to-pixel mapping, the sampler and its readout,
// and the thumbnail, on hand-made pictures and generated ORF files.
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QScrollBar>
#include <QtTest>

#include <vector>

#include "GuiTestSupport.h"
#include "engine/output/Bitmap.h"
#include "engine/process/ProcessingSession.h"
#include "gui/dialogs/OpenDialog.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/OptionsPage.h"
#include "gui/view/ImageArea.h"
#include "gui/view/ImageViewGeometry.h"
#include "gui/view/ImageWindow.h"
#include "gui/view/Sampler.h"
#include "gui/view/SamplerReadout.h"
#include "gui/view/Thumbnail.h"

using namespace kyp;

namespace {

// A colour picture whose every pixel is different: red x, green y, blue x ^ y.
Bitmap Pattern(int width, int height) {
    Bitmap bitmap;
    if (!bitmap.create(width, height, 3)) return bitmap;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.row(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + 0] = static_cast<uint8_t>((x ^ y) * 3);  // blue
            row[3 * x + 1] = static_cast<uint8_t>(y * 5);
            row[3 * x + 2] = static_cast<uint8_t>(x * 7);
        }
    }
    return bitmap;
}

// An image window showing `picture` (if any), its sampler and zoom calls recorded.
struct Shown {
    Shown(const Bitmap* picture, QSize size) : window(false, Host()) {
        window.resize(size);
        window.show();
        if (picture != nullptr) window.SetImage(picture);
    }
    ImageWindowHost Host() {
        ImageWindowHost host;
        host.sample = [this](int32_t x, int32_t y) { pixels.emplace_back(x, y); };
        host.zoomShown = [this](int zoom, int) { zooms << zoom; };
        return host;
    }
    std::vector<QPoint> pixels;
    QList<int> zooms;
    ImageWindow window;
};

}  // namespace

class GuiViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(photos_.isValid());
        small_ = test::Path(photos_, "P1.ORF");
        QVERIFY(test::WriteSmallOrf(small_, 256, 192));
        portrait_ = test::Path(photos_, "P2.ORF");
        QVERIFY(test::WriteSmallOrf(portrait_, 192, 256));
    }
    void init() { (void)test::UsePrivateConfig(); }

    void windowScrollsAndKeys() {
        const Bitmap picture = Pattern(160, 120);
        Shown shown(nullptr, QSize(300, 200));
        ImageWindow& window = shown.window;
        // Nothing to zoom or scroll before there is a picture.
        window.SetZoom(400);
        window.Scroll(true, view::scroll::lineForward, 5);
        QCOMPARE(window.ScrollPosition(), QPoint());
        window.SetZoom(0);
        window.SetImage(&picture);
        QCOMPARE(window.Zoom(), 0);
        QVERIFY(window.HorizontalBar()->isHidden());
        window.SetZoom(400);
        QVERIFY(!window.HorizontalBar()->isHidden());
        window.Scroll(true, view::scroll::thumb, 0);  // the zoom kept the centre; start from the corner
        window.Scroll(false, view::scroll::thumb, 0);
        const QRect view = window.ViewRect();
        QCOMPARE(window.Visible(), QSize(view.width() / 4, view.height() / 4));
        const QImage before = window.grab().toImage();
        window.Scroll(true, view::scroll::thumb, 3);
        QCOMPARE(window.ScrollPosition(), QPoint(3, 0));
        QCOMPARE(window.HorizontalBar()->value(), 3);
        const QImage after = window.grab().toImage();
        // The view's pixels moved 12 screen pixels to the left.
        for (int x = view.left(); x + 12 < view.left() + 48; x += 5) {
            QCOMPARE(after.pixel(x, view.top() + 9), before.pixel(x + 12, view.top() + 9));
        }
        QCOMPARE(QColor(after.pixel(view.left(), view.top())).red(), 3 * 7);
        // End with Ctrl goes to both ends; Home with Ctrl back to 0, 0.
        QTest::keyClick(&window, Qt::Key_End, Qt::ControlModifier);
        const QSize visible = window.Visible();
        QCOMPARE(window.ScrollPosition(), QPoint(160 - visible.width(), 120 - visible.height()));
        QTest::keyClick(&window, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(window.ScrollPosition(), QPoint());
        QTest::keyClick(&window, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(window.ScrollPosition(), QPoint(10, 0));
        QTest::keyClick(&window, Qt::Key_Down);
        QCOMPARE(window.ScrollPosition(), QPoint(10, 1));
        // The wheel: away from the user scrolls back, a sideways wheel across; one notch is 40 pixels.
        test::Wheel(&window, {20, 20}, -120, Qt::NoModifier, true);
        QCOMPARE(window.ScrollPosition().x(), 50);
        // Sampling while scrolling ends the sampling first.
        QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, view.center());
        QVERIFY(window.Sampling());
        window.Scroll(false, view::scroll::thumb, 0);
        QVERIFY(!window.Sampling());
        QVERIFY(shown.pixels.size() >= 2);
        window.SetImage(nullptr);
        window.Scroll(true, view::scroll::lineForward, 5);
        QVERIFY(window.grab().width() == 300);
    }

    void zoomKeepsThePointInPlace() {
        // Ctrl and the wheel step through the levels around the pointer; a
        // zoom command keeps the view's centre. The image pixel under that
        // place stays under it (to within one screen pixel's worth).
        const Bitmap picture = Pattern(640, 480);
        Shown shown(&picture, QSize(420, 300));
        ImageWindow& window = shown.window;
        const QPoint pointer = window.ViewRect().topLeft() + QPoint(250, 170);
        const struct { int notches; int zoom; } steps[] = {{1, 100}, {1, 200}, {2, 800}, {-1, 400}, {-3, 0}};
        for (const auto& step : steps) {
            const QPointF before = *window.PixelAt(pointer);
            test::Wheel(&window, pointer, 120 * step.notches, Qt::ControlModifier);
            QCOMPARE(window.Zoom(), step.zoom);
            QCOMPARE(shown.zooms.last(), step.zoom);
            if (step.zoom == 0) break;  // fit shows the whole picture from its corner
            const QPointF after = *window.PixelAt(pointer);
            const double slack = std::max(1.0, 640.0 / window.ViewRect().width());
            QVERIFY2(std::abs(after.x() - before.x()) <= slack && std::abs(after.y() - before.y()) <= slack,
                     qPrintable(QStringLiteral("zoom %1: %2,%3 -> %4,%5").arg(step.zoom).arg(before.x())
                                    .arg(before.y()).arg(after.x()).arg(after.y())));
        }
        window.SetZoom(0);
        const QPoint centre = window.ViewRect().center();
        const QPoint middle = *window.PixelAt(centre);
        window.SetZoom(400);
        const QPoint zoomed = *window.PixelAt(window.ViewRect().center());
        QVERIFY(std::abs(zoomed.x() - middle.x()) <= 2 && std::abs(zoomed.y() - middle.y()) <= 2);
    }

    void channelCopyAndSampleZone() {
        const Bitmap picture = Pattern(40, 30);
        Shown shown(&picture, QSize(200, 150));
        ImageWindow& window = shown.window;
        std::vector<QPoint>& pixels = shown.pixels;
        window.SetChannel(1);
        // The red channel as grey.
        QCOMPARE(QColor(window.Image().pixel(5, 2)), QColor(35, 35, 35));
        window.SetChannel(-1);
        QCOMPARE(QColor(window.Image().pixel(5, 2)).green(), 10);
        // Fit: 40 × 30 over the whole 200 × 150 view, five screen pixels each.
        QCOMPARE(window.ViewRect(), QRect(0, 0, 200, 150));
        QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, QPoint(52, 21));
        QCOMPARE(pixels.back(), QPoint(10, 4));
        // Outside the view but within 15 pixels keeps the sample; further away clears it.
        window.resize(260, 150);
        QCOMPARE(window.ViewRect(), QRect(30, 0, 200, 150));
        const size_t count = pixels.size();
        QTest::mouseMove(&window, QPoint(20, 40));
        QCOMPARE(pixels.size(), count);
        QTest::mouseMove(&window, QPoint(5, 40));
        QCOMPARE(pixels.back(), QPoint(-1, -1));
        QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, QPoint(5, 40));
        QCOMPARE(window.CursorAt(QPoint(100, 50), false).shape(), Qt::BitmapCursor);
        QCOMPARE(window.CursorAt(QPoint(3, 50), false).shape(), Qt::ArrowCursor);
    }

    void samplerReadsTheEngineImages() {
        test::Recorder recorder;
        MainFrame frame;
        QVERIFY(frame.OpenByName(small_));
        const ProcessingSession& session = frame.Session();
        const ProcessedImage& output = session.FullOutput();
        const ProcessedImage& full = session.FullImage();
        // The demosaic leaves out a border: the picture is a little smaller than the raw data.
        const auto width = static_cast<int32_t>(output.width);
        QVERIFY(width > 200 && width <= 256);
        // A stored size the sampler does not know samples one pixel, and is stored back as 1.
        QCOMPARE(NormalSampleSize(0), 1);
        QCOMPARE(NormalSampleSize(5), 5);
        frame.Layout().sampleSize = 7;
        frame.Sample(17, 9);
        SampleRecord record = *frame.Readout()->Record();
        QCOMPARE(record.sampleSize, 1);
        QCOMPARE(frame.Layout().sampleSize, 1u);
        const uint16_t* pixel = output.samples + (9 * width + 17) * 3;
        const uint16_t* interpolated = full.samples + (9 * width + 17) * 3;
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(record.processed[c], pixel[c]);
            QCOMPARE(record.interpolated[c], interpolated[c]);
        }
        const PixelRgb shown = frame.FullRendering().pixelAt(17, 9);
        QCOMPARE(int{record.displayed[0]}, shown.red);
        QCOMPARE(int{record.displayed[2]}, shown.blue);
        // The options have gamma on: the processed luminance takes the second weights.
        QVERIFY((session.Settings().options & opt::gamma) != 0);
        QCOMPARE(record.processedK, (19595 * pixel[0] + 38470 * pixel[1] + 7471 * pixel[2]) >> 16);
        QCOMPARE(record.interpolatedK,
                 (13933 * interpolated[0] + 46871 * interpolated[1] + 4732 * interpolated[2]) >> 16);

        // 5 × 5 at the last column: the five columns ending there.
        frame.Layout().sampleSize = 5;
        frame.Sample(width - 1, 100);
        record = *frame.Readout()->Record();
        QCOMPARE(record.x, width - 1);
        for (int c = 0; c < 3; ++c) {
            uint32_t sum = 0;
            for (int y = 98; y <= 102; ++y) {
                for (int x = width - 5; x < width; ++x) sum += output.samples[(y * width + x) * 3 + c];
            }
            QCOMPARE(uint32_t{record.processed[c]}, sum / 25);
        }
        QVERIFY(frame.Readout()->Lines().contains(QStringLiteral("5x5")));
        QVERIFY(frame.Readout()->Lines().contains(QStringLiteral("X: %1").arg(width - 1)));
        // Beyond the picture, or negative: an empty record of the current size.
        frame.Sample(width, 3);
        QVERIFY(frame.Readout()->Record()->Empty());
        QCOMPARE(frame.Readout()->Record()->sampleSize, 5);
        QVERIFY(frame.Readout()->Lines().isEmpty());
        frame.Command(cmd::close);
        QVERIFY(!frame.Readout()->Record());
        QVERIFY(frame.Image() == nullptr);
        QVERIFY(recorder.messages.empty());
    }

    void samplerFollowsRotationAndFlips() {
        // With only a rotation and flips after the demosaic, the processed pixel is
        // the interpolated pixel it came from: the sampler must find the same one,
        // for every rotation and flip as the pipeline applies them.
        test::Recorder recorder;
        MainFrame frame;
        frame.Layout().sampleSize = 3;
        for (uint32_t turn = 0; turn < 16; ++turn) {
            ImportSettings settings = frame.Settings();
            settings.options &= ~(opt::levels | opt::rgblevels | opt::balance | opt::curves | opt::gamma | opt::invert |
                                  opt::usm | opt::sat | opt::matrix | opt::gray | opt::rotMask | opt::hflip | opt::vflip);
            settings.options |= (turn & 3) << opt::rotShift | (turn & 4 ? opt::hflip : 0) | (turn & 8 ? opt::vflip : 0);
            frame.TakeSettings(settings);
            QVERIFY(frame.OpenByName(small_));
            const ProcessedImage& output = frame.Session().FullOutput();
            const auto right = static_cast<int>(output.width) - 1, bottom = static_cast<int>(output.height) - 1;
            for (const QPoint point : {QPoint(0, 0), QPoint(right, bottom), QPoint(40, 17), QPoint(100, bottom - 1)}) {
                frame.Sample(point.x(), point.y());
                const SampleRecord record = *frame.Readout()->Record();
                for (int c = 0; c < 3; ++c) {
                    QVERIFY2(record.processed[c] == record.interpolated[c],
                             qPrintable(QStringLiteral("options %1 at %2,%3").arg(turn).arg(point.x()).arg(point.y())));
                }
            }
        }
        QVERIFY(recorder.messages.empty());
    }

    void frameZoomChannelAndSeparateWindow() {
        test::Recorder recorder;
        MainFrame frame;
        frame.resize(1000, 600);
        frame.show();  // the fit scale needs a laid-out view
        // Zoom and channel commands with no document do nothing.
        frame.Command(cmd::zoom100);
        frame.Command(cmd::channelRed);
        QVERIFY(frame.Image() == nullptr);
        QVERIFY(frame.OpenByName(small_));
        ImageWindow* window = frame.Image();
        QVERIFY(window != nullptr && !window->Separate());
        QCOMPARE(window->Channel(), 1);
        frame.Command(cmd::zoom1600);
        QCOMPARE(window->Zoom(), 1600);
        // The level shown: at the strip's right end and checked in the Zoom menu.
        QCOMPARE(frame.Strip().Note(), QStringLiteral("Zoom: 1600%"));
        for (QObject* owner : frame.Action(cmd::zoomFit)->associatedObjects()) {
            if (auto* zoomMenu = qobject_cast<QMenu*>(owner)) emit zoomMenu->aboutToShow();
        }
        QVERIFY(frame.Action(cmd::zoom1600)->isChecked() && !frame.Action(cmd::zoomFit)->isChecked());
        frame.Command(cmd::zoomFit);
        QCOMPARE(window->Zoom(), 0);
        QVERIFY(frame.Strip().Note().startsWith(QStringLiteral("Zoom: Fit (")));
        // The context menu checks the current zoom and channel.
        QMenu* menu = window->ContextMenu();
        emit menu->aboutToShow();
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == 20000 || action->data().toInt() == 40037) QVERIFY(action->isChecked());
            if (action->data().toInt() == 20002 || action->data().toInt() == 40035) QVERIFY(!action->isChecked());
            if (action->data().toInt() == imagecmd::mainWindow) QVERIFY(!action->isVisible());
        }
        // F10: rebuilt as a window of its own at the stored rectangle, titled with the file.
        frame.Command(cmd::separateWindow);
        window = frame.Image();
        QVERIFY(window != nullptr && window->Separate() && window->isWindow());
        QCOMPARE(window->windowTitle(), QString::fromStdString(small_));
        QCOMPARE(frame.windowTitle(), QStringLiteral("Kyp Suite"));
        const ProcessedImage& output = frame.Session().FullOutput();
        QCOMPARE(window->maximumSize(), QSize(static_cast<int>(output.width), static_cast<int>(output.height)));
        // A portrait picture turns the window in fit mode: the view's sides swap.
        const QSize landscapeView = window->ViewRect().size();
        QVERIFY(landscapeView.width() > landscapeView.height());
        QVERIFY(frame.OpenByName(portrait_));
        QCOMPARE(frame.Image(), window);
        QCOMPARE(window->size(), landscapeView.transposed());
        QCOMPARE(window->ViewRect().size(), landscapeView.transposed());
        // Closing it closes the document and keeps its rectangle.
        window->move(40, 50);
        QApplication::processEvents();
        window->close();
        QTRY_VERIFY(!frame.DocumentLoaded());
        QVERIFY(frame.Image() == nullptr);
        QCOMPARE(frame.Layout().view.left, 40);
        QVERIFY(recorder.messages.empty());
    }

    void thumbnailFitsBesideTheControls() {
        // Window sizes (the default first) against preview sizes (landscape and
        // portrait cameras, an 8000 x 6000 file, a panorama, a tiny one): the
        // thumbnail keeps its aspect, is never enlarged, stays clear of every
        // control and inside the client, and leaves the caption two lines.
        MainFrame frame;
        frame.show();
        const int line = frame.centralWidget()->fontMetrics().lineSpacing();
        const QSize windows[] = {{1111, 621}, {800, 480}, {1000, 560}, {1400, 900}, {1920, 1080}, {700, 1000}};
        const QSize previews[] = {{214, 160}, {188, 140}, {140, 188}, {666, 500}, {500, 666}, {1000, 40}, {5, 5}};
        for (const QSize& window : windows) {
            frame.resize(window);
            QApplication::processEvents();
            const QRect client = frame.centralWidget()->rect();
            const QRect apply = frame.ApplyButton()->geometry();
            const QRect readout = frame.Readout()->geometry();
            const QRect controls[] = {apply, readout, frame.Tabs()->geometry(), frame.Strip().geometry(),
                                      frame.ImageAreaRect()};
            for (const QSize& size : previews) {
                Thumbnail thumbnail;
                const Bitmap preview = Pattern(size.width(), size.height());
                (void)thumbnail.LayOut(frame.Tabs()->geometry(), apply, readout, client, line, preview, true);
                const QRect rect = thumbnail.Rect();
                const QString where = QStringLiteral("window %1x%2, preview %3x%4 at %5,%6 %7x%8")
                                          .arg(window.width()).arg(window.height()).arg(size.width())
                                          .arg(size.height()).arg(rect.x()).arg(rect.y()).arg(rect.width())
                                          .arg(rect.height());
                const QRect caption = thumbnail.CaptionRect();
                if (caption.height() > 12) {
                    QVERIFY2(!caption.intersects(apply) && !caption.intersects(readout), qPrintable(where));
                }
                if (window == windows[0]) {
                    QVERIFY2(rect.isValid() && caption.height() >= 2 * line + 4, qPrintable(where));
                }
                if (!rect.isValid()) continue;
                QVERIFY2(rect.width() <= size.width() && rect.height() <= size.height(), qPrintable(where));
                QVERIFY2(std::abs(rect.width() * size.height() - rect.height() * size.width()) <=
                             std::max(size.width(), size.height()),
                         qPrintable(where));
                const QRect drawn = rect.adjusted(-2, -2, 2, 2).united(thumbnail.MarkRect());
                QVERIFY2(client.contains(drawn), qPrintable(where));
                for (const QRect& control : controls) QVERIFY2(!drawn.intersects(control), qPrintable(where));
            }
        }
        // The picture drawn is the preview scaled into that rectangle.
        frame.resize(1111, 621);
        QCOMPARE(FitSize(QSize(666, 500), QSize(200, 400)), QSize(200, 150));
        QCOMPARE(FitSize(QSize(100, 80), QSize(200, 400)), QSize(100, 80));
        QCOMPARE(FitSize(QSize(1000, 1), QSize(50, 50)), QSize(50, 1));
        // The open dialog's preview: the camera's 640 x 480 in a panel of 255 x 175.
        QCOMPARE(OpenDialog::PreviewArea(QSize(640, 480), QSize(255, 175)), QRect(2, 2, 228, 171));
        QCOMPARE(OpenDialog::PreviewArea(QSize(200, 150), QSize(255, 175)), QRect(2, 2, 200, 150));
    }

    void thumbnailCaption() {
        // The caption: whole words per line, the last line that fits ends in an ellipsis.
        const QFontMetrics metrics(QApplication::font());
        const QString text = QStringLiteral("P1010001.ORF  14 June 2003\n1/125 s, f/2.8, ISO 100, 15 mm, flash fired, "
                                            "pattern metering, program normal, macro off");
        const QString fitted = Thumbnail::FitCaption(text, metrics, QRect(0, 0, 150, metrics.lineSpacing() * 3));
        const QStringList lines = fitted.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY(text.startsWith(lines[0]) && lines[0].size() < 27);
        QVERIFY(lines[2].endsWith(QChar(0x2026)));
        for (const QString& line : lines) QVERIFY(metrics.horizontalAdvance(line) <= 150);
        QCOMPARE(Thumbnail::FitCaption(QStringLiteral("short"), metrics, QRect(0, 0, 150, 100)), QStringLiteral("short"));
    }

private:
    QTemporaryDir photos_;
    std::string small_;
    std::string portrait_;
};

QTEST_MAIN(GuiViewTest)
#include "test_gui_view.moc"
