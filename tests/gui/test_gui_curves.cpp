// The curves editor: its editing rules on their own, then the page driven
// through mouse events, the wheel, its fields and its buttons.
#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include <vector>

#include "GuiTestSupport.h"
#include "engine/process/GammaTable.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/CurveNumberEdit.h"
#include "gui/pages/CurvesPage.h"

using namespace kyp;
using test::Click;
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

void DoubleClick(QWidget* w, QPoint p, Qt::KeyboardModifiers keys = {}) {
    Click(w, p, keys);
    test::Mouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, keys);
    test::Mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton, keys);
}

}  // namespace

class GuiCurvesTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        (void)test::UsePrivateConfig();
        OpenFrame();
    }
    void cleanup() {
        page_ = nullptr;
        frame_.reset();
    }

    // ---- the page ----

    void controlsAndPlaces() {
        QCOMPARE(Button("autoButton")->text(), QStringLiteral("A&uto"));
        QVERIFY(!Button("autoButton")->isEnabled());  // no document
        QVERIFY(!Field("outputEdit")->isEnabled());   // no point selected
        QCOMPARE(page_->Graph().size(), QSize(256, 256));
        QCOMPARE(Button("defaultButton")->geometry().topLeft(), page_->Graph().topRight() + QPoint(10, -2));
    }

    void clicksAndDragsEditPoints() {
        Click(page_, At(100, 100));
        QCOMPARE(Points(), MakeCurve({{0, 0}, {100, 100}, {255, 255}}));
        QCOMPARE(page_->Selected(), 1);
        QCOMPARE(Field("outputEdit")->text(), QStringLiteral("100"));
        Click(page_, {0, 0});  // far from the graph: nothing, the selection stays
        QCOMPARE(page_->Selected(), 1);
        // On the curve within 2 of the point's x but not within 10 of it: nothing.
        page_->StepPoint(true);
        Click(page_, At(102, 120));
        QCOMPARE(Points().Count(), size_t(3));
        QCOMPARE(page_->Selected(), 2);
        Click(page_, At(-1, 200));  // left of the first point grabs it
        QCOMPARE(page_->Selected(), 0);
        // Ctrl adds nothing; a Ctrl click on a point deletes it.
        Click(page_, At(50, 50), Qt::ControlModifier);
        QCOMPARE(Points().Count(), size_t(3));
        Click(page_, At(100, 100), Qt::ControlModifier);
        QCOMPARE(Points(), MakeCurve({{0, 0}, {255, 255}}));
        QCOMPARE(page_->Selected(), -1);
        QVERIFY(!Field("inputEdit")->isEnabled() && Field("inputEdit")->text().isEmpty());

        Click(page_, At(100, 100));
        Click(page_, At(180, 180));
        Drag(page_, At(100, 100), At(120, 60));
        QCOMPARE(Points(), MakeCurve({{0, 0}, {120, 60}, {180, 180}, {255, 255}}));
        QVERIFY(!page_->Dragging());
        // Past a neighbour the point stops at its x.
        Drag(page_, At(120, 60), At(230, 70));
        QCOMPARE(Points(), MakeCurve({{0, 0}, {180, 70}, {180, 180}, {255, 255}}));
        // Out of the page: a middle point goes, the first becomes (0, 0).
        Drag(page_, At(180, 70), {-200, -200});
        QCOMPARE(Points(), MakeCurve({{0, 0}, {180, 180}, {255, 255}}));
        Drag(page_, At(0, 0), At(40, 30));
        Drag(page_, At(40, 30), {page_->width() + 200, 5});
        QCOMPARE(Points(), MakeCurve({{0, 0}, {180, 180}, {255, 255}}));
        // A point added on the curve is dragged at once.
        Drag(page_, At(60, 60), At(70, 20));
        QCOMPARE(Points(), MakeCurve({{0, 0}, {70, 20}, {180, 180}, {255, 255}}));
        QCOMPARE(Field("inputEdit")->text(), QStringLiteral("70"));

        // Ctrl with a double-click puts an end point back at its corner; without Ctrl it only selects.
        SetCurve(MakeCurve({{20, 10}, {128, 128}, {200, 180}}));
        DoubleClick(page_, At(200, 180), Qt::ControlModifier);
        QCOMPARE(Points(), MakeCurve({{20, 10}, {128, 128}, {255, 255}}));
        DoubleClick(page_, At(20, 10), Qt::ControlModifier);
        QCOMPARE(Points(), MakeCurve({{0, 0}, {128, 128}, {255, 255}}));
        DoubleClick(page_, At(128, 128));
        QCOMPARE(Points().Count(), size_t(3));
        QCOMPARE(page_->Selected(), 1);
    }

    void nextPointWheelAndFields() {
        SetCurve(MakeCurve({{0, 0}, {100, 100}, {130, 140}, {255, 255}}));
        // Next and Prev wrap; Shift turns them around.
        for (const auto& [forward, shift, selected] : {std::tuple{false, false, 3}, std::tuple{true, false, 0},
                                                       std::tuple{true, true, 3}, std::tuple{false, true, 0}}) {
            keys_ = shift ? Qt::ShiftModifier : Qt::NoModifier;
            page_->StepPoint(forward);
            QCOMPARE(page_->Selected(), selected);
        }
        QVERIFY(Field("outputEdit")->hasSelectedText());
        keys_ = Qt::NoModifier;
        page_->StepPoint(true);  // (100, 100)
        const QPoint over = At(30, 200);
        Wheel(page_, over, 120);
        Wheel(page_, over, 120, Qt::AltModifier);
        Wheel(page_, over, -120, Qt::ShiftModifier);
        QCOMPARE(Points().Y(1), 114);
        Wheel(page_, over, 240, Qt::ControlModifier);
        QCOMPARE(Points().X(1), 110);
        for (int i = 0; i < 500; ++i) Wheel(page_, over, 1200, Qt::ControlModifier);
        for (int i = 0; i < 500; ++i) Wheel(page_, over, -1200);
        QCOMPARE(Points(), MakeCurve({{0, 0}, {130, 0}, {130, 140}, {255, 255}}));
        // Typed values are limited by the neighbours and to 255, and shown so.
        auto* input = Field("inputEdit");
        auto* output = Field("outputEdit");
        output->selectAll();
        QTest::keyClicks(output, "300");
        QCOMPARE(Points().Y(1), 255);
        QCOMPARE(output->text(), QStringLiteral("255"));
        input->selectAll();
        QTest::keyClicks(input, "5");
        QCOMPARE(Points().X(1), 5);
        QTest::keyClick(input, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(Points().X(1), 15);
    }

    void channelsAndCancelledDropDown() {
        SetCurve(MakeCurve({{0, 40}, {255, 255}}));
        frame_->Command(cmd::pageCommand0 + 2);
        QCOMPARE(page_->Channel(), 2);
        QCOMPARE(page_->Selected(), -1);
        QVERIFY(Points().IsIdentity());
        page_->SelectChannel(0);
        auto* list = test::Find<QComboBox>(page_, "channelList");
        list->showPopup();
        list->view()->setCurrentIndex(list->model()->index(3, 0));
        QCOMPARE(page_->Channel(), 3);  // the graph follows the highlight
        list->hidePopup();
        QCOMPARE(page_->Channel(), 0);
        QCOMPARE(list->currentIndex(), 0);
        QCOMPARE(page_->Table()[0], uint8_t(40));
    }

    void automaticCurvesFromTheHistogram() {
        // Red spans 40..1000, green 0..1023, blue sits at 512.
        std::vector<uint16_t> samples = {40, 0, 512, 1000, 1023, 512, 600, 300, 512, 41, 700, 512};
        ProcessedImage image{4, 1, 3, 16, 24, samples.data()};
        page_->processedImage = [&image] { return &image; };
        TurnOn(opt::curves);
        keys_ = Qt::ControlModifier | Qt::ShiftModifier;
        page_->AutoCurves();
        QCOMPARE(frame_->Curves()[curve::red], MakeCurve({{10, 0}, {250, 255}}));
        QCOMPARE(frame_->Curves()[curve::green], MakeCurve({{0, 0}, {255, 255}}));
        QCOMPARE(frame_->Curves()[curve::blue], MakeCurve({{128, 0}, {128, 255}}));
        QVERIFY(frame_->Curves()[curve::master].IsIdentity());
        QVERIFY(frame_->ProcessingPending());
        // One channel: RGB means the luminance.
        keys_ = Qt::ShiftModifier;
        page_->AutoCurves();
        QCOMPARE(frame_->Curves()[curve::master].Count(), size_t(2));
        QCOMPARE(frame_->Curves()[curve::master].Y(0), 0);
        // Without an image: a beep and nothing else.
        test::Recorder recorder;
        page_->processedImage = [] { return nullptr; };
        const CurveArray before = frame_->Curves();
        page_->AutoCurves();
        QCOMPARE(recorder.beeps, 1);
        QVERIFY(frame_->Curves() == before);
    }

    void rawCurvesAskForAReload() {
        TurnOn(opt::rawcurves);
        page_->Activate(true);  // copies the settings
        QVERIFY(!frame_->ReloadPending());
        Click(page_, At(100, 100));
        QVERIFY(frame_->ReloadPending());
    }

    void filesStoreAndCaptions() {
        frame_->Curves()[curve::master] = MakeCurve({{0, 10}, {90, 120}, {255, 250}});
        frame_->Curves()[curve::blue] = MakeCurve({{30, 0}, {255, 255}});
        const CurveArray saved = frame_->Curves();
        const std::string path = test::Path(files_, "round.acv");
        page_->curveFileDialog = [&path](bool) { return std::optional<std::string>(path); };
        page_->SaveCurves();
        keys_ = Qt::ControlModifier;
        page_->DefaultCurves();
        QVERIFY(frame_->Curves()[curve::master].IsIdentity() && frame_->Curves()[curve::blue].IsIdentity());
        page_->LoadCurves();
        QVERIFY(frame_->Curves() == saved);
        // Loading stores the curves: Revert reads them back.
        page_->DefaultCurves();
        page_->RevertCurves();
        QVERIFY(frame_->Curves() == saved);
        // Files of any content leave editable curves.
        QRandomGenerator random(7);
        for (int round = 0; round < 40; ++round) {
            QByteArray bytes(static_cast<int>(random.bounded(2, 64)), '\0');
            for (char& c : bytes) c = static_cast<char>(random.bounded(256));
            bytes[0] = 0;
            bytes[1] = 1;  // version 1, so the reader gets past the first check
            QVERIFY(test::WriteText(path, bytes.toStdString()));
            page_->LoadCurves();
            for (const Curve& curve : frame_->Curves()) QVERIFY(Editable(curve));
        }
        // Ctrl held turns the buttons to all channels.
        QTRY_COMPARE_WITH_TIMEOUT(Button("defaultButton")->text(), QStringLiteral("&Default All"), 2000);
        QCOMPARE(Button("revertButton")->text(), QStringLiteral("Re&vert All"));
        QCOMPARE(Button("autoButton")->text(), QStringLiteral("&Auto RGB"));
        keys_ = Qt::NoModifier;
        QTRY_COMPARE_WITH_TIMEOUT(Button("autoButton")->text(), QStringLiteral("A&uto"), 2000);
        // An edit snapped into the store is there at the next start.
        page_->DefaultCurves();
        Click(page_, At(90, 100));
        QVERIFY(frame_->SnapSettings());
        const Curve edited = Points();
        QCOMPARE(edited.Count(), size_t(3));
        OpenFrame();
        QCOMPARE(Points(), edited);
    }

    void stripsSampleMarkerAndDrawing() {
        TurnOn(opt::gamma);
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
    }

private:
    // An option switched on as the user would: through the Options page, which the frame's settings follow.
    void TurnOn(uint32_t bit) {
        ImportSettings settings = frame_->Settings();
        settings.options |= bit;
        frame_->TakeSettings(settings);
    }
    void OpenFrame() {
        page_ = nullptr;
        frame_.reset();
        frame_ = std::make_unique<MainFrame>();
        frame_->show();
        frame_->Command(cmd::tabCurves);
        page_ = dynamic_cast<CurvesPage*>(frame_->Page(page::curves));
        QVERIFY2(page_ != nullptr, "no curves page");
        keys_ = Qt::NoModifier;
        page_->modifiers = [this] { return keys_; };
    }
    QPoint At(int x, int y) const { return {page_->Graph().left() + x, page_->Graph().bottom() - y}; }
    const Curve& Points() const { return page_->CurrentCurve(); }
    void SetCurve(const Curve& curve) {
        frame_->Curves()[static_cast<size_t>(page_->Channel())] = curve;
        page_->Activate(true);  // picks up the outside change
    }
    QPushButton* Button(const char* name) const { return test::Find<QPushButton>(page_, name); }
    CurveNumberEdit* Field(const char* name) const { return test::Find<CurveNumberEdit>(page_, name); }

    QTemporaryDir files_;
    std::unique_ptr<MainFrame> frame_;
    CurvesPage* page_ = nullptr;
    Qt::KeyboardModifiers keys_ = Qt::NoModifier;
};

QTEST_MAIN(GuiCurvesTest)
#include "test_gui_curves.moc"
