// The settings pages: the numeric edit, the Sharpen page's preview against a
// direct engine run, and the Save As dialog's types. (The Options, white
// balance and save-format pages are driven by the scenarios of test_gui_frame,
// their parsing rules run from rules.txt in test_gui_logic.)
#include <QSignalSpy>
#include <QtTest>

#include "GuiTestSupport.h"
#include "engine/output/BitmapRender.h"
#include "engine/process/ProcessingSession.h"
#include "gui/dialogs/SaveDialogControls.h"
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

    void numberEdit() {
        NumberEdit edit(1007);
        edit.Setup(0, 100, 0.1, 1, 1);
        edit.SetValue(5);
        QCOMPARE(edit.text(), QStringLiteral("5.0"));
        QSignalSpy changes(&edit, &NumberEdit::valueChanged);
        QTest::keyClick(&edit, Qt::Key_Up);
        QCOMPARE(edit.text(), QStringLiteral("5.1"));
        QTest::keyClick(&edit, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(edit.Value(), 6.1);
        QTest::keyClick(&edit, Qt::Key_Down);
        QCOMPARE(edit.text(), QStringLiteral("6.0"));
        QCOMPARE(changes.size(), 3);
        QCOMPARE(changes.last().at(0).toInt(), 1007);
        QCOMPARE(changes.last().at(1).toInt(), 6);
        // Typing: the value follows the text, clamped, and the text stays as typed.
        edit.selectAll();
        QTest::keyClicks(&edit, QStringLiteral("2000"));
        QCOMPARE(edit.text(), QStringLiteral("2000"));
        QCOMPARE(edit.Value(), 100.0);
        QTest::keyClick(&edit, Qt::Key_Up);
        QCOMPARE(edit.text(), QStringLiteral("100.0"));
        const qsizetype before = changes.size();
        edit.SetValue(-4);
        QCOMPARE(edit.text(), QStringLiteral("0.0"));
        QCOMPARE(changes.size(), before);  // values the program sets are not announced
        // The wheel: one step a notch, nothing for a tiny turn.
        edit.resize(60, 20);
        test::Wheel(&edit, {5, 5}, 120);
        QCOMPARE(edit.Value(), 0.1);
        test::Wheel(&edit, {5, 5}, 8);
        QCOMPARE(edit.Value(), 0.1);
        test::Wheel(&edit, {5, 5}, 120, Qt::ShiftModifier);
        QCOMPARE(edit.text(), QStringLiteral("1.1"));
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

    void saveAsDialogTypes() {
        test::Frame f(false);
        MainFrame& frame = f.frame;
        const auto enabled = [](QWidget* parent, const char* name) { return Find<QWidget>(parent, name)->isEnabled(); };
        // The Save As dialog: the type decides the format and the extension.
        OutputSettings copy = frame.SaveFormat();
        SaveAsDialog dialog(nullptr, copy, test::Path(photos_, "P7.ORF"), photos_.path().toStdString());
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("tif"));
        auto* name = Find<QLineEdit>(&dialog, "fileNameEdit");
        SaveFormatControls* controls = dialog.Controls();
        const struct { int type; const char* suffix; bool jpeg, description; } types[] = {{2, "jpg", true, true},
                                                                                          {1, "bmp", false, false}};
        for (const auto& type : types) {
            dialog.TypeChanged(type.type);
            QCOMPARE(dialog.defaultSuffix(), QString::fromLatin1(type.suffix));
            QCOMPARE(name->text(), QStringLiteral("P7.") + QString::fromLatin1(type.suffix));
            QCOMPARE(enabled(controls, "jpegGroup"), type.jpeg);
            QVERIFY(!enabled(controls, "tiffGroup"));
            QCOMPARE(enabled(controls, "descriptionEdit"), type.description);
        }
        QCOMPARE(QString::fromStdString(dialog.ChosenName()).section(QLatin1Char('/'), -1), QStringLiteral("P7.bmp"));
        QVERIFY(f.recorder.messages.empty());
    }

private:
    QTemporaryDir photos_;
    std::string small_;
};

QTEST_MAIN(GuiPagesTest)
#include "test_gui_pages.moc"
