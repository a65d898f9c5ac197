// The image window, the sampler and its readout, and the thumbnail, driven by
// the actions of views.txt (an action a line, the state it leaves recorded
// after it; KYP_RECORD=1 writes the states of the code as it is): an image
// window of its own showing a hand-made picture, and the main frame on
// generated ORF files.
#include <QCryptographicHash>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

#include <memory>
#include <utility>

#include "GuiTestSupport.h"
#include "engine/output/Bitmap.h"
#include "engine/process/ProcessingSession.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/StatusStrip.h"
#include "gui/view/ImageWindow.h"
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

// A point "x,y" or a size "WxH" (anything else is 0, 0).
QPoint Point(const QString& word) {
    const QStringList parts = word.split(QRegularExpression(QStringLiteral("[x,]")));
    return {parts.value(0).toInt(), parts.value(1).toInt()};
}
QSize Size(const QString& word) { return {Point(word).x(), Point(word).y()}; }
QString T(QPoint p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); }
QString T(QSize s) { return QStringLiteral("%1x%2").arg(s.width()).arg(s.height()); }
QString T(QRect r) { return T(r.topLeft()) + QLatin1Char(',') + T(r.size()); }
template <typename V>
QString T(const V* values, int count = 3) {
    QStringList out;
    for (int c = 0; c < count; ++c) out << QString::number(values[c]);
    return out.join(QLatin1Char(','));
}

// The colours of a widget as shown: a few pixels and a digest of all of them.
QString Shot(QWidget& widget, QPoint at) {
    const QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QByteArray bytes(reinterpret_cast<const char*>(shot.constBits()), shot.sizeInBytes());
    return QStringLiteral("%1 #%2").arg(QColor(shot.pixel(at)).name()).arg(QString::fromLatin1(
               QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(8)));
}

Qt::KeyboardModifiers Keys(const QStringList& words) {
    Qt::KeyboardModifiers keys;
    if (words.contains(QStringLiteral("ctrl"))) keys |= Qt::ControlModifier;
    if (words.contains(QStringLiteral("shift"))) keys |= Qt::ShiftModifier;
    return keys;
}

// An image window of its own, its sampler and zoom calls recorded.
struct Shown {
    explicit Shown(QSize size) : window(false, Host()) {
        window.resize(size);
        window.show();
    }
    ImageWindowHost Host() {
        ImageWindowHost host;
        host.sample = [this](int32_t x, int32_t y) { pixels << T(QPoint(x, y)); };
        host.zoomShown = [this](int zoom, int) { zooms << QString::number(zoom); };
        return host;
    }
    // Actions on the window; the pixel under the last pointer is part of the state.
    QString Act(const QStringList& w) {
        const QString& verb = w[0];
        if (verb == QLatin1String("picture")) {
            picture = Pattern(Size(w[1]).width(), Size(w[1]).height());
            window.SetImage(w[1] == QLatin1String("none") ? nullptr : &picture);
        } else if (verb == QLatin1String("zoom")) {
            window.SetZoom(w[1].toInt());
        } else if (verb == QLatin1String("scroll")) {  // h|v code count
            window.Scroll(w[1] == QLatin1String("h"), w[2].toInt(), w[3].toInt());
        } else if (verb == QLatin1String("key")) {
            QTest::keyClick(&window, static_cast<Qt::Key>(QKeySequence::fromString(w[1])[0].key()), Keys(w));
        } else if (verb == QLatin1String("wheel")) {  // at delta [ctrl] [across]
            pointer = Point(w[1]);
            test::Wheel(&window, pointer, w[2].toInt(), Keys(w), w.contains(QStringLiteral("across")));
        } else if (verb == QLatin1String("press")) {
            QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, pointer = Point(w[1]));
        } else if (verb == QLatin1String("move")) {
            QTest::mouseMove(&window, pointer = Point(w[1]));
        } else if (verb == QLatin1String("release")) {
            QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, pointer = Point(w[1]));
        } else if (verb == QLatin1String("channel")) {
            window.SetChannel(w[1].toInt());
        } else if (verb == QLatin1String("resize")) {
            window.resize(Size(w[1]));
        } else if (verb == QLatin1String("image")) {  // a pixel of the picture shown (channel applied)
            return QColor(window.Image().pixel(Point(w[1]))).name();
        } else if (verb == QLatin1String("cursor")) {
            return QString::number(window.CursorAt(Point(w[1]), false).shape());
        } else {
            return QStringLiteral("? no action ") + verb;
        }
        const std::optional<QPoint> under = window.PixelAt(pointer);
        const QString shown = QStringLiteral("zoom %1 view %2 visible %3 at %4 bars %5/%6 %7/%8 sampling %9")
                                  .arg(window.Zoom()).arg(T(window.ViewRect())).arg(T(window.Visible()))
                                  .arg(T(window.ScrollPosition())).arg(window.HorizontalBar()->isHidden() ? -1 : window.HorizontalBar()->value())
                                  .arg(window.HorizontalBar()->maximum()).arg(window.VerticalBar()->isHidden() ? -1 : window.VerticalBar()->value())
                                  .arg(window.VerticalBar()->maximum()).arg(int{window.Sampling()});
        const QString state = shown + QStringLiteral(" | under %1 samples %2 zooms %3 | %4")
                                          .arg(under ? T(*under) : QStringLiteral("-"), pixels.join(QLatin1Char(' ')),
                                               zooms.join(QLatin1Char(' ')), Shot(window, window.ViewRect().topLeft()));
        pixels.clear();
        zooms.clear();
        return state;
    }
    QStringList pixels, zooms;
    QPoint pointer;
    Bitmap picture;
    ImageWindow window;
};

// The main frame on generated ORF files.
struct Framed {
    explicit Framed(QSize size) {  // not shown without a size
        if (size.isEmpty()) return;
        f.frame.resize(size);
        f.frame.show();
    }
    QString Act(const QStringList& w, const QTemporaryDir& files) {
        MainFrame& frame = f.frame;
        const QString& verb = w[0];
        QString result;
        if (verb == QLatin1String("open")) {
            result = Open(test::Path(files, qPrintable(w[1])));
        } else if (verb == QLatin1String("turn")) {  // reopened with only a rotation and flips after the demosaic
            ImportSettings settings = frame.Settings();
            const uint32_t turn = w[2].toUInt();
            settings.options &= ~(opt::levels | opt::rgblevels | opt::balance | opt::curves | opt::gamma | opt::invert |
                                  opt::usm | opt::sat | opt::matrix | opt::gray | opt::rotMask | opt::hflip | opt::vflip);
            settings.options |= (turn & 3) << opt::rotShift | (turn & 4 ? opt::hflip : 0) | (turn & 8 ? opt::vflip : 0);
            frame.TakeSettings(settings);
            result = Open(test::Path(files, qPrintable(w[1])));
            result += QLatin1String(": ") + Corners();
        } else if (verb == QLatin1String("command")) {
            frame.Command(w[1].toInt());
        } else if (verb == QLatin1String("sample")) {  // x,y stored-size
            frame.Layout().sampleSize = w[2].toUInt();
            frame.Sample(Point(w[1]).x(), Point(w[1]).y());
            const std::optional<SampleRecord>& r = frame.Readout()->Record();
            result = !r ? QStringLiteral("none")
                        : QStringLiteral("%1,%2 size %3 (stored %4) p %5 i %6 d %7 k %8,%9,%10 | %11")
                              .arg(r->x).arg(r->y).arg(r->sampleSize).arg(frame.Layout().sampleSize)
                              .arg(T(r->processed), T(r->interpolated), T(r->displayed))
                              .arg(r->processedK).arg(r->interpolatedK).arg(r->displayedK)
                              .arg(frame.Readout()->Lines().join(QLatin1Char('/')));
        } else if (verb == QLatin1String("menus")) {  // the entries checked in the Zoom menu and the context menu
            for (QObject* owner : frame.Action(cmd::zoomFit)->associatedObjects()) {
                if (auto* zoomMenu = qobject_cast<QMenu*>(owner)) emit zoomMenu->aboutToShow();
            }
            for (int id = cmd::zoomFit; id <= cmd::zoom1600; ++id) {
                if (frame.Action(id) != nullptr && frame.Action(id)->isChecked()) result += QString::number(id) + QLatin1Char(' ');
            }
            QMenu* menu = frame.Image()->ContextMenu();
            emit menu->aboutToShow();
            result += QLatin1String("| ");
            for (QAction* action : menu->actions()) {
                if (action->isChecked()) result += QString::number(action->data().toInt()) + QLatin1Char(' ');
                if (!action->isVisible()) result += QString::number(action->data().toInt()) + QLatin1String("hidden ");
            }
        } else if (verb == QLatin1String("closewindow")) {  // moved to x,y, then closed
            frame.Image()->move(Point(w[1]));
            QApplication::processEvents();
            frame.Image()->close();
            (void)QTest::qWaitFor([&frame] { return !frame.DocumentLoaded(); }, 3000);
            result = QStringLiteral("loaded %1 stored %2,%3").arg(int{frame.DocumentLoaded()}).arg(frame.Layout().view.left).arg(frame.Layout().view.top);
        } else if (verb == QLatin1String("thumb")) {  // window-size preview-size
            return Thumb(Size(w[1]), Size(w[2]));
        } else {
            return QStringLiteral("? no action ") + verb;
        }
        ImageWindow* window = frame.Image();
        const bool renewed = window != nullptr && std::exchange(last, window) != window;  // a window made anew
        const QString shown = window == nullptr ? QStringLiteral("no window")
                                                : QStringLiteral("%1 zoom %2 channel %3 view %4 size %5 max %6 '%7'")
                                                      .arg(QLatin1String(renewed ? "new " : "") + (window->Separate() ? "separate" : "docked")).arg(window->Zoom())
                                                      .arg(window->Channel()).arg(T(window->ViewRect().size()))
                                                      .arg(T(window->size())).arg(T(window->maximumSize()))
                                                      .arg(window->isWindow() ? window->windowTitle() : QString());
        return result + QStringLiteral(" | %1 | '%2' '%3' messages %4%5")
                            .arg(shown, frame.windowTitle(), frame.Strip().Note())
                            .arg(f.recorder.messages.size())
                            .arg(frame.Readout()->Record() ? "" : " no sample");
    }

    // Opened or not, and the size of the processed image.
    QString Open(const std::string& file) {
        const bool opened = f.frame.OpenByName(file);
        const ProcessedImage& output = f.frame.Session().FullOutput();
        return QStringLiteral("%1 %2x%3").arg(int{opened}).arg(output.width).arg(output.height);
    }

    // Samples of 3 x 3 at four places: the processed values, and the interpolated ones where they differ.
    QString Corners() {
        const ProcessedImage& output = f.frame.Session().FullOutput();
        const int right = static_cast<int>(output.width) - 1, bottom = static_cast<int>(output.height) - 1;
        f.frame.Layout().sampleSize = 3;
        QStringList samples;
        for (const QPoint point : {QPoint(0, 0), QPoint(right, bottom), QPoint(40, 17), QPoint(100, bottom - 1)}) {
            f.frame.Sample(point.x(), point.y());
            const SampleRecord r = *f.frame.Readout()->Record();
            samples << T(point) + QLatin1Char(' ') + T(r.processed);
            if (!std::equal(r.processed, r.processed + 3, r.interpolated)) samples.last() += QStringLiteral(" differs ") + T(r.interpolated);
        }
        return samples.join(QLatin1String("; "));
    }

    // The thumbnail for a preview in a window of a size: its place, its caption's, and
    // the rules it keeps (aspect, never enlarged, clear of every control, inside the client,
    // two caption lines at the default size); a broken rule is named.
    QString Thumb(QSize size, QSize previewSize) {
        MainFrame& frame = f.frame;
        frame.resize(size);
        QApplication::processEvents();
        const int line = frame.centralWidget()->fontMetrics().lineSpacing();
        const QRect client = frame.centralWidget()->rect(), apply = frame.ApplyButton()->geometry();
        const QRect readout = frame.Readout()->geometry();
        Thumbnail thumbnail;
        const Bitmap preview = Pattern(previewSize.width(), previewSize.height());
        (void)thumbnail.LayOut(frame.Tabs()->geometry(), apply, readout, client, line, preview, true);
        const QRect rect = thumbnail.Rect(), caption = thumbnail.CaptionRect();
        const QRect drawn = rect.adjusted(-2, -2, 2, 2).united(thumbnail.MarkRect());
        QStringList broken;
        if (caption.height() > 12 && (caption.intersects(apply) || caption.intersects(readout))) broken << "caption";
        if (size == QSize(1111, 621) && (!rect.isValid() || caption.height() < 2 * line + 4)) broken << "default";
        if (rect.isValid()) {
            if (rect.width() > previewSize.width() || rect.height() > previewSize.height()) broken << "enlarged";
            if (std::abs(rect.width() * previewSize.height() - rect.height() * previewSize.width()) >
                std::max(previewSize.width(), previewSize.height())) {
                broken << "aspect";
            }
            if (!client.contains(drawn)) broken << "client";
            for (const QRect& control : {apply, readout, frame.Tabs()->geometry(), frame.Strip().geometry(), frame.ImageAreaRect()}) {
                if (drawn.intersects(control)) broken << "overlap";
            }
        }
        return QStringLiteral("%1 caption %2 %3").arg(T(rect), T(caption), broken.isEmpty() ? "ok" : broken.join(QLatin1Char(' ')));
    }

    test::Frame f{false};
    QPointer<ImageWindow> last;  // null once that window is gone
};

}  // namespace

class GuiViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(photos_.isValid());
        QVERIFY(test::WriteSmallOrf(test::Path(photos_, "P1.ORF"), 256, 192));
        QVERIFY(test::WriteSmallOrf(test::Path(photos_, "P2.ORF"), 192, 256));
    }
    void init() { (void)test::UsePrivateConfig(); }

    // "window WxH" starts an image window of its own, "frame WxH" a main frame; each
    // action after it is run and its result and the state it leaves compared.
    void viewsGiveTheRecordedStates() {
        const QStringList lines = test::ReadData("views.txt");
        QStringList written, wrong;
        std::unique_ptr<Shown> shown;
        std::unique_ptr<Framed> framed;
        for (qsizetype n = 0; n < lines.size(); ++n) {
            const QString& line = lines[n];
            const QString action = line.section(QLatin1String(" -> "), 0, 0);
            const QStringList words = test::Words(action);
            if (line.startsWith(QLatin1Char('#')) || words.isEmpty() || words[0] == QLatin1String("window") || words[0] == QLatin1String("frame")) {
                shown.reset();
                framed.reset();
                if (!words.isEmpty() && words[0] == QLatin1String("window")) shown = std::make_unique<Shown>(Size(words[1]));
                if (!words.isEmpty() && words[0] == QLatin1String("frame")) framed = std::make_unique<Framed>(Size(words[1]));
                written << line;
                continue;
            }
            QVERIFY2(shown || framed, qPrintable(QStringLiteral("views.txt:%1: no window or frame yet").arg(n + 1)));
            const QString result = (shown ? shown->Act(words) : framed->Act(words, photos_)).replace(photos_.path(), QStringLiteral("$P"));
            if (line != action + QLatin1String(" -> ") + result) wrong << QStringLiteral("views.txt:%1: %2\n    gives %3").arg(n + 1).arg(line, result);
            written << action + QLatin1String(" -> ") + result;
        }
        if (test::Recording()) QVERIFY(test::WriteData("views.txt", written));
        else QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n')) + QLatin1String(test::kRecordHint)));
    }

private:
    QTemporaryDir photos_;
};

QTEST_MAIN(GuiViewTest)
#include "test_gui_view.moc"
