// The settings pages: the numeric edit disabled, and the Sharpen page's preview
// against a direct engine run. (The Options, white balance and save-format
// pages and the Save As dialog are driven by the scenarios of test_gui_frame,
// their parsing rules run from rules.txt in test_gui_logic.)
#include <QtTest>

#include "GuiTestSupport.h"
#include "engine/output/BitmapRender.h"
#include "engine/process/ProcessingSession.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/SharpenPage.h"
#include "gui/pages/SharpenPreview.h"
#include "gui/widgets/NumberEdit.h"

using namespace kyp;
using test::Find;

class GuiPagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(photos_.isValid());
        small_ = test::Path(photos_, "P1.ORF");
        QVERIFY(test::WriteSmallOrf(small_, 400, 300));
    }
    void init() { (void)test::UsePrivateConfig(); }

    void numberEditSetUpAndDisabled() {
        // (Stepping, typing and the wheel: the scenarios of test_gui_frame, on the saturation field.)
        NumberEdit edit(1007);
        edit.Setup(0, 100, 0.1, 1, 1);
        edit.SetValue(5);
        QCOMPARE(edit.text(), QStringLiteral("5.0"));
        edit.SetEnabledState(false);
        QVERIFY(edit.text().isEmpty());
        QCOMPARE(edit.Value(), 0.0);
    }

    void sharpenPreviewMatchesTheEngine() {
        test::Frame f(false);
        MainFrame& frame = f.frame;
        SharpenPage* page = frame.Sharpen();
        QVERIFY(frame.OpenByName(small_));
        frame.Command(cmd::tabSharpen);
        QCOMPARE(frame.CurrentPage(), 2);
        QVERIFY(page->TimerActive());
        QTRY_VERIFY(page->PreviewSharpened());
        const Bitmap& shown = page->Preview();
        QCOMPARE(shown.width(), kLoupeSide);
        // The start centre (1050, 770) is kept 70 pixels inside the picture.
        const ProcessedImage& output = frame.Session().FullOutput();
        const PixelPoint centre = page->Centre();
        QCOMPARE(centre, (PixelPoint{static_cast<int32_t>(output.width) - 70, static_cast<int32_t>(output.height) - 70}));
        // The same square through a session of the test's own.
        ProcessingSession direct(SessionKind::interactive);
        QVERIFY(direct.DeriveRegion(frame.Session(), centre.x - 70, centre.y - 70, 140, 140));
        ImportSettings settings = frame.Session().Settings();
        settings.options |= opt::usm;
        settings.usmAmount = 100;
        settings.usmRadius = 1.1f;
        settings.usmThreshold = 0;
        direct.SetSettings(settings);
        QCOMPARE(direct.Process(false), RunResult::processed);
        Bitmap expected;
        QVERIFY(renderImage(expected, direct.FullOutput(), false, nullptr));
        QCOMPARE(shown.size(), expected.size());
        QVERIFY(std::equal(shown.pixels(), shown.pixels() + shown.size(), expected.pixels()));
        // Sampling: the preview follows unsharpened, and sharpens 200 ms after the end.
        SampleRecord record;
        record.x = 5;
        record.y = 100;
        page->ShowSample(record);
        QCOMPARE(page->Centre(), (PixelPoint{70, 100}));
        QVERIFY(!page->PreviewSharpened() && page->Stale());
        page->EndSample();
        QVERIFY(page->TimerActive());
        QTRY_VERIFY(page->PreviewSharpened());
        QVERIFY(page->GetCursor(true).has_value());
        // A new amount starts the timer again; another page stops it.
        auto* amount = Find<NumberEdit>(page, "amountEdit");
        amount->setFocus();
        QTest::keyClick(amount, Qt::Key_Up, Qt::ShiftModifier);
        QVERIFY(page->TimerActive());
        frame.Command(cmd::tabOptions);
        QVERIFY(!page->TimerActive());
        // Rebuilt by hand, sharpened or not, the preview stays.
        for (const bool sharpened : {true, false}) {
            page->Rebuild(sharpened);
            QVERIFY(page->Preview().hasPixels());
        }
        frame.Command(cmd::close);
        QVERIFY(!page->Preview().hasPixels());
        QVERIFY(f.recorder.messages.empty());
    }

private:
    QTemporaryDir photos_;
    std::string small_;
};

QTEST_MAIN(GuiPagesTest)
#include "test_gui_pages.moc"
