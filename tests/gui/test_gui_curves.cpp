// The curves editor: its editing rules on their own, then the page driven
// through mouse events, the wheel, its fields and its buttons.
#include <QApplication>
#include <QComboBox>
#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>

#include <vector>

#include "GuiTestSupport.h"
#include "engine/process/GammaTable.h"
#include "engine/settings/AcvFile.h"
#include "engine/settings/StoredSettings.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/CurveNumberEdit.h"
#include "gui/pages/CurvesPage.h"
#include "gui/frame/MainFrame.h"
#include "platform/SettingsStore.h"

using namespace kyp;

namespace {

Curve MakeCurve(std::initializer_list<std::pair<int, int>> points) {
    Curve curve;
    curve.Clear();
    for (const auto& [x, y] : points) curve.AddPoint(x, y);
    return curve;
}

DisplayTable Identity() {
    DisplayTable table{};
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<uint8_t>(i);
    return table;
}

// Sorted by x, at least one point, every coordinate on the 0..255 square.
bool Editable(const Curve& curve) {
    if (curve.Count() == 0) return false;
    for (size_t i = 0; i < curve.Count(); ++i) {
        if (curve.X(i) > 255 || curve.Y(i) > 255) return false;
        if (i > 0 && curve.X(i) < curve.X(i - 1)) return false;
    }
    return true;
}

void Mouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers keys = {}) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, buttons, keys);
    QApplication::sendEvent(w, &event);
}
void Click(QWidget* w, QPoint p, Qt::KeyboardModifiers keys = {}) {
    Mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, keys);
    Mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton, keys);
}
void DoubleClick(QWidget* w, QPoint p, Qt::KeyboardModifiers keys = {}) {
    Click(w, p, keys);
    Mouse(w, QEvent::MouseButtonDblClick, p, Qt::LeftButton, keys);
    Mouse(w, QEvent::MouseButtonRelease, p, Qt::NoButton, keys);
}
void Drag(QWidget* w, QPoint from, QPoint to) {
    Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
    Mouse(w, QEvent::MouseMove, to, Qt::LeftButton);
    Mouse(w, QEvent::MouseButtonRelease, to, Qt::NoButton);
}
void Wheel(QWidget* w, QPoint p, int delta, Qt::KeyboardModifiers keys = {}) {
    QWheelEvent event(QPointF(p), QPointF(w->mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton, keys,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

}  // namespace

class GuiCurvesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(config_.isValid() && files_.isValid());
        qputenv("KYP_CONFIG_HOME", config_.path().toUtf8());
    }
    void init() {
        (void)SettingsStore::DeleteKey();
        OpenFrame();
    }
    void cleanup() {
        page_ = nullptr;
        frame_.reset();
    }

    // ---- the rules on their own ----

    void hitTestDistances() {
        const DisplayTable table = Identity();
        const Curve curve = MakeCurve({{0, 0}, {100, 100}, {105, 110}, {255, 255}});
        // Both distances must be below 11; the closest candidate wins, the
        // selected point comes first.
        QCOMPARE(CurveHitTest(curve, table, -1, 101, 101, true, true), 1);
        QCOMPARE(CurveHitTest(curve, table, 2, 101, 101, true, true), 2);
        QCOMPARE(CurveHitTest(curve, table, -1, 100, 112, true, true), 2);   // 12 off (100, 100): the next one
        QCOMPARE(CurveHitTest(curve, table, -1, 100, 89, true, true), hit::curve);
        // A tie goes to the first point in order.
        const Curve twins = MakeCurve({{0, 0}, {100, 100}, {104, 100}, {255, 255}});
        QCOMPARE(CurveHitTest(twins, table, -1, 102, 100, true, true), 1);
        // Left of the first point (at any height) and right of the last point.
        const Curve inner = MakeCurve({{50, 30}, {200, 220}});
        QCOMPARE(CurveHitTest(inner, table, -1, 10, 250, true, true), 0);
        QCOMPARE(CurveHitTest(inner, table, -1, 230, 0, true, true), 1);
        // The curve reaches 35 pixels (squared distance below 1225), only in the graph.
        QCOMPARE(CurveHitTest(curve, table, -1, 200, 175, true, true), hit::curve);  // 12.5^2 * 2 < 1225
        QCOMPARE(CurveHitTest(curve, table, -1, 200, 150, true, false), hit::nothing);
        QCOMPARE(CurveHitTest(curve, table, -1, 200, 140, true, true), hit::nothing); // 30^2 * 2 > 1225
        QCOMPARE(CurveHitTest(curve, table, -1, 101, 101, false, false), hit::nothing);
    }

    void pointRules() {
        const Curve curve = MakeCurve({{0, 0}, {100, 100}, {255, 255}});
        QCOMPARE(InsertionIndex(curve, 50, false), 1);
        QCOMPARE(InsertionIndex(curve, 102, false), -1);   // within 2 of a point's x
        QCOMPARE(InsertionIndex(curve, 103, false), 2);
        QCOMPARE(InsertionIndex(curve, 50, true), -1);     // not with Ctrl
        QCOMPARE(InsertionIndex(MakeCurve({{0, 0}, {200, 200}}), 230, false), -1);  // only between points

        QCOMPARE(LimitPoint(curve, 1, -40, 300), std::make_pair(0, 255));
        QCOMPARE(LimitPoint(curve, 1, 400, -3), std::make_pair(255, 0));
        QCOMPARE(LimitPoint(MakeCurve({{0, 0}, {60, 10}, {100, 100}, {255, 255}}), 2, 20, 50), std::make_pair(60, 50));

        Curve edited = MakeCurve({{10, 20}, {100, 100}, {200, 230}});
        QCOMPARE(DeleteCurvePoint(edited, 1), -1);
        QCOMPARE(edited, MakeCurve({{10, 20}, {200, 230}}));
        QCOMPARE(DeleteCurvePoint(edited, 0), 0);
        QCOMPARE(DeleteCurvePoint(edited, 1), 1);
        QCOMPARE(edited, MakeCurve({{0, 0}, {255, 255}}));
        QCOMPARE(DeleteCurvePoint(edited, 7), -1);

        QCOMPARE(WheelStep(120, false, false), 5);
        QCOMPARE(WheelStep(-120, false, true), -10);
        QCOMPARE(WheelStep(-360, true, false), -1);
        QCOMPARE(WheelStep(20, false, false), 0);
        // Sideways the point keeps between its neighbours.
        QCOMPARE(WheelMovedPoint(curve, 1, 500, true), std::make_pair(255, 100));
        QCOMPARE(WheelMovedPoint(MakeCurve({{0, 0}, {60, 10}, {100, 100}, {255, 255}}), 2, -50, true),
                 std::make_pair(60, 100));
        QCOMPARE(WheelMovedPoint(curve, 1, -5000, false), std::make_pair(100, 0));
    }

    void normaliseMakesAnyCurveEditable() {
        Curve empty = MakeCurve({});
        QVERIFY(NormaliseCurve(empty));
        QVERIFY(empty.IsIdentity());
        Curve wild;
        wild.ReadText("4:300,7 9,65535 9,3 40,40");
        QVERIFY(NormaliseCurve(wild));
        QCOMPARE(wild, MakeCurve({{9, 255}, {9, 3}, {40, 40}, {255, 7}}));  // equal x keep their order
        QVERIFY(!NormaliseCurve(wild));
    }

    // ---- the page ----

    void controlsCarryTheirNames() {
        for (const char* name : {"channelList", "inputEdit", "outputEdit", "nextPointButton", "prevPointButton",
                                 "defaultButton", "revertButton", "autoButton", "loadButton", "saveButton"}) {
            QVERIFY2(page_->findChild<QWidget*>(QLatin1String(name)) != nullptr, name);
        }
        QCOMPARE(Button("autoButton")->text(), QStringLiteral("A&uto"));
        QVERIFY(!Button("autoButton")->isEnabled());   // no document
        QVERIFY(!Field("outputEdit")->isEnabled());    // no point selected
        QVERIFY(page_->Graph().width() == 256 && page_->Graph().height() == 256);
        QCOMPARE(page_->Graph().right() + 10, Button("defaultButton")->geometry().left());
        QCOMPARE(page_->Graph().top() - 2, Button("defaultButton")->geometry().top());
    }

    void clicksAddSelectAndKeepDistance() {
        Click(page_, At(100, 100));
        QCOMPARE(Points(), MakeCurve({{0, 0}, {100, 100}, {255, 255}}));
        QCOMPARE(page_->Selected(), 1);
        QCOMPARE(Field("outputEdit")->text(), QStringLiteral("100"));
        Click(page_, {0, 0});  // far from the graph: nothing, selection stays
        QCOMPARE(page_->Selected(), 1);
        // On the curve within 2 of the point's x but not within 10 of it: nothing.
        page_->StepPoint(true);
        QCOMPARE(page_->Selected(), 2);
        Click(page_, At(102, 120));
        QCOMPARE(Points().Count(), size_t(3));
        QCOMPARE(page_->Selected(), 2);
        // Left of the first point grabs the first point.
        Click(page_, At(-1, 200));
        QCOMPARE(page_->Selected(), 0);
        // Ctrl adds nothing; a Ctrl click on a point deletes it.
        Click(page_, At(50, 50), Qt::ControlModifier);
        QCOMPARE(Points().Count(), size_t(3));
        Click(page_, At(100, 100), Qt::ControlModifier);
        QCOMPARE(Points(), MakeCurve({{0, 0}, {255, 255}}));
        QCOMPARE(page_->Selected(), -1);
        QVERIFY(!Field("inputEdit")->isEnabled() && Field("inputEdit")->text().isEmpty());
    }

    void draggingMovesKeepsAndDeletes() {
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
    }

    void ctrlDoubleClickResetsTheEnds() {
        SetCurve(MakeCurve({{20, 10}, {128, 128}, {200, 180}}));
        DoubleClick(page_, At(200, 180), Qt::ControlModifier);
        QCOMPARE(Points(), MakeCurve({{20, 10}, {128, 128}, {255, 255}}));
        DoubleClick(page_, At(20, 10), Qt::ControlModifier);
        QCOMPARE(Points(), MakeCurve({{0, 0}, {128, 128}, {255, 255}}));
        // Without Ctrl a double-click only selects.
        DoubleClick(page_, At(128, 128));
        QCOMPARE(Points().Count(), size_t(3));
        QCOMPARE(page_->Selected(), 1);
    }

    void nextAndPreviousWrap() {
        SetCurve(MakeCurve({{0, 0}, {64, 80}, {128, 140}, {255, 255}}));
        page_->StepPoint(false);
        QCOMPARE(page_->Selected(), 3);
        page_->StepPoint(true);
        QCOMPARE(page_->Selected(), 0);
        keys_ = Qt::ShiftModifier;
        page_->StepPoint(true);  // Shift turns "&Next Point" around
        QCOMPARE(page_->Selected(), 3);
        page_->StepPoint(false);
        QCOMPARE(page_->Selected(), 0);
        QVERIFY(Field("outputEdit")->hasSelectedText());
    }

    void wheelAndFields() {
        SetCurve(MakeCurve({{0, 0}, {100, 100}, {130, 140}, {255, 255}}));
        page_->StepPoint(true);
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
        auto* list = page_->findChild<QComboBox*>(QStringLiteral("channelList"));
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

    void acvRoundTripAndAnyFile() {
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
    }

    void ctrlWatchSwapsCaptions() {
        keys_ = Qt::ControlModifier;
        QTRY_COMPARE_WITH_TIMEOUT(Button("defaultButton")->text(), QStringLiteral("&Default All"), 2000);
        QCOMPARE(Button("revertButton")->text(), QStringLiteral("Re&vert All"));
        QCOMPARE(Button("autoButton")->text(), QStringLiteral("&Auto RGB"));
        keys_ = Qt::NoModifier;
        QTRY_COMPARE_WITH_TIMEOUT(Button("autoButton")->text(), QStringLiteral("A&uto"), 2000);
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
        const QRect g = page_->Graph();
        const int left = g.left();
        const int bottom = g.bottom();
        QCOMPARE(shot.pixelColor(left + 1, bottom - 255 + 1), QColor(Qt::black));            // selected (0, 255)
        QCOMPARE(shot.pixelColor(left + 255 - 1, bottom - 1), QColor(Qt::white));            // unselected (255, 0)
        QCOMPARE(shot.pixelColor(left + 100, bottom - page_->Table()[100]), QColor(Qt::black));  // the curve
        QCOMPARE(shot.pixelColor(left + 64, bottom - 20), page_->palette().color(QPalette::Light));  // grid
        QCOMPARE(shot.pixelColor(left + 250 - 3, bottom - page_->Table()[250]), QColor(Qt::black));  // marker
        // The strips: the gamma ramp through the curve, and the plain gamma ramp.
        QCOMPARE(shot.pixel(left, bottom + 8), qRgb(page_->Table()[gamma[0]], 0, 0));
        QCOMPARE(shot.pixel(left + 256, bottom + 8), qRgb(page_->Table()[gamma[255]], 0, 0));
        QCOMPARE(shot.pixel(left, bottom + 18), qRgb(gamma[0], 0, 0));
        QCOMPARE(shot.pixel(left + 256, bottom + 18), qRgb(gamma[255], 0, 0));
    }

    void curvesPersistInTheStore() {
        Click(page_, At(90, 100));
        QVERIFY(frame_->SnapSettings());
        const Curve edited = Points();
        QCOMPARE(edited.Count(), size_t(3));
        OpenFrame();
        QCOMPARE(Points(), edited);
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
        keys_ = Qt::NoModifier;
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
    QPushButton* Button(const char* name) const { return page_->findChild<QPushButton*>(QLatin1String(name)); }
    CurveNumberEdit* Field(const char* name) const { return page_->findChild<CurveNumberEdit*>(QLatin1String(name)); }

    QTemporaryDir config_;
    QTemporaryDir files_;
    std::unique_ptr<MainFrame> frame_;
    CurvesPage* page_ = nullptr;
    Qt::KeyboardModifiers keys_ = Qt::NoModifier;
};

QTEST_MAIN(GuiCurvesTest)
#include "test_gui_curves.moc"
