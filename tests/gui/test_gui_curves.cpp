// The curves editor: its places, strips, sample marker and drawing, and
// random editing by mouse and wheel, and random curve files, that leave valid curves.
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include <vector>

#include "GuiTestSupport.h"
#include "engine/process/GammaTable.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/CurvesPage.h"

using namespace kyp;
using test::Click;
using test::DoubleClick;
using test::Drag;
using test::Wheel;

namespace {

Curve MakeCurve(std::initializer_list<std::pair<int, int>> points) {
    Curve curve;
    curve.Clear();
    for (const auto& [x, y] : points) curve.AddPoint(x, y);
    return curve;
}

// Sorted by x, at least one point, every coordinate on the 0..255 square.
bool Editable(const Curve& curve) {
    if (curve.Count() == 0) return false;
    for (size_t i = 0; i < curve.Count(); ++i) {
        if (curve.X(i) > 255 || curve.Y(i) > 255 || (i > 0 && curve.X(i) < curve.X(i - 1))) return false;
    }
    return true;
}

}  // namespace

class GuiCurvesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        (void)test::UsePrivateConfig();
        frame_ = std::make_unique<MainFrame>();
        frame_->show();
        frame_->Command(cmd::tabCurves);
        page_ = dynamic_cast<CurvesPage*>(frame_->Page(page::curves));
        QVERIFY2(page_ != nullptr, "no curves page");
        page_->modifiers = [] { return Qt::KeyboardModifiers(); };  // none held, whatever the machine's keyboard says
    }
    void cleanup() {
        page_ = nullptr;
        frame_.reset();
    }

    // (Editing by mouse, wheel and fields, channels, Auto, curve files and captions: the scenarios of
    // test_gui_frame.)

    void placesStripsSampleMarkerAndDrawing() {
        QCOMPARE(page_->Graph().size(), QSize(256, 256));
        QCOMPARE(Button("defaultButton")->geometry().topLeft(), page_->Graph().topRight() + QPoint(10, -2));
        ImportSettings settings = frame_->Settings();  // as the Options page hands them over
        settings.options |= opt::gamma;
        frame_->TakeSettings(settings);
        page_->Activate(true);
        std::array<uint8_t, 256> gamma{};
        BuildGammaTable8(gamma, frame_->Settings().gammaExponent);
        QVERIFY(page_->Strips().Row() == gamma);
        page_->SelectChannel(1);
        SetCurve(MakeCurve({{0, 255}, {255, 0}}));
        QCOMPARE(page_->Strips().Strip(1).color(10), qRgb(page_->Table()[10], 0, 0));
        QCOMPARE(page_->Strips().Strip(5).color(10), qRgb(10, 0, 0));
        SampleRecord record;
        record.x = 0;
        record.y = 5;
        page_->ShowSample(record);
        QCOMPARE(page_->SampledInput(), -1);
        record.x = 3;
        record.interpolated[0] = 998;
        page_->ShowSample(record);
        QCOMPARE(page_->SampledInput(), 250);

        page_->StepPoint(true);
        const QImage shot = page_->grab().toImage();
        const auto at = [&shot, this](int x, int y) { return shot.pixelColor(At(x, y)); };
        const auto table = [this](int x) { return page_->Table()[static_cast<size_t>(x)]; };
        QCOMPARE(at(1, 254), QColor(Qt::black));                                   // selected (0, 255)
        QCOMPARE(at(254, 1), QColor(Qt::white));                                   // unselected (255, 0)
        QCOMPARE(at(100, table(100)), QColor(Qt::black));                          // the curve
        QCOMPARE(at(64, 20), page_->palette().color(QPalette::Light));             // the grid
        QCOMPARE(at(247, table(250)), QColor(Qt::black));                          // the marker
        // The strips: the gamma ramp through the curve, and the plain gamma ramp.
        QCOMPARE(at(0, -8).rgb(), qRgb(table(gamma[0]), 0, 0));
        QCOMPARE(at(256, -8).rgb(), qRgb(table(gamma[255]), 0, 0));
        QCOMPARE(at(0, -18).rgb(), qRgb(gamma[0], 0, 0));
        QCOMPARE(at(256, -18).rgb(), qRgb(gamma[255], 0, 0));
    }

    void randomEditingKeepsCurvesValid() {
        QRandomGenerator random(2024);
        const QRect g = page_->Graph();
        for (int step = 0; step < 3000; ++step) {
            const QPoint p(static_cast<int>(random.bounded(-60, page_->width() + 60)),
                           static_cast<int>(random.bounded(-60, page_->height() + 60)));
            const QPoint onGraph(g.left() + static_cast<int>(random.bounded(256)),
                                 g.top() + static_cast<int>(random.bounded(256)));
            const Qt::KeyboardModifiers keys = random.bounded(4) == 0 ? Qt::ControlModifier : Qt::NoModifier;
            switch (random.bounded(6)) {
                case 0: Click(page_, onGraph, keys); break;
                case 1: Drag(page_, onGraph, p); break;
                case 2: Wheel(page_, onGraph, static_cast<int>(random.bounded(-2400, 2400)), keys); break;
                case 3: DoubleClick(page_, onGraph, keys); break;
                case 4: page_->StepPoint(random.bounded(2) == 0); break;
                default: Drag(page_, onGraph, onGraph + QPoint(static_cast<int>(random.bounded(-9, 9)), 3)); break;
            }
            QVERIFY2(Editable(Points()), qPrintable(QString::fromStdString(Points().WriteText())));
            QVERIFY(page_->Selected() < static_cast<int>(Points().Count()));
        }
        // 200 tries to add points leave at most one point every three inputs.
        page_->DefaultCurves();
        for (int i = 0; i < 200; ++i) {
            const int x = static_cast<int>(random.bounded(256));
            Click(page_, At(x, page_->Table()[static_cast<size_t>(x)]));
        }
        QVERIFY(Editable(Points()) && Points().Count() <= 86);
        // Curve files of any content leave editable curves.
        const std::string path = test::Path(files_, "random.acv");
        page_->curveFileDialog = [&path](bool) { return std::optional<std::string>(path); };
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes(static_cast<int>(random.bounded(2, 64)), '\0');
            for (char& c : bytes) c = static_cast<char>(random.bounded(256));
            bytes[0] = 0;
            bytes[1] = 1;  // version 1, so the reader gets past the first check
            QVERIFY(test::WriteText(path, bytes.toStdString()));
            page_->LoadCurves();
            for (const Curve& curve : frame_->Curves()) QVERIFY2(Editable(curve), bytes.toHex().constData());
        }
    }

private:
    QPoint At(int x, int y) const { return {page_->Graph().left() + x, page_->Graph().bottom() - y}; }
    const Curve& Points() const { return page_->CurrentCurve(); }
    void SetCurve(const Curve& curve) {
        frame_->Curves()[static_cast<size_t>(page_->Channel())] = curve;
        page_->Activate(true);  // picks up the outside change
    }
    QPushButton* Button(const char* name) const { return test::Find<QPushButton>(page_, name); }

    QTemporaryDir files_;
    std::unique_ptr<MainFrame> frame_;
    CurvesPage* page_ = nullptr;
};

QTEST_MAIN(GuiCurvesTest)
#include "test_gui_curves.moc"
