// The settings pages: the numeric edit, the ratio and gamma fields, the
// Options page's reading and showing of the settings with its messages and
// pending flags, the white balance menu, the Sharpen page's preview against
// a direct engine run, and the save-format controls.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include "GuiTestSupport.h"
#include "engine/output/BitmapRender.h"
#include "engine/process/ProcessingSession.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/GammaText.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/RatioText.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/pages/SharpenPage.h"
#include "gui/pages/SharpenPreview.h"
#include "gui/pages/WhiteBalanceMenu.h"
#include "gui/widgets/NumberEdit.h"

using namespace kyp;
using test::Find;

namespace {
constexpr uint32_t Ratio(uint32_t multiplier, uint32_t divisor) { return multiplier << 16 | divisor; }
}  // namespace

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

    // (The random sequences of the state test read every control against the settings and the pictures.)
    void fieldMessagesAndShownValues() {
        test::Frame f(false);
        MainFrame& frame = f.frame;
        OptionsPage* page = frame.Options();
        auto* gamma = Find<NumberEdit>(page, "gammaEdit");
        auto* green = Find<QLineEdit>(page, "greenRatioEdit");
        const auto& messages = f.recorder.messages;
        // A bad gamma or ratio: the message, the field selected (a ratio shows the last
        // valid one again), the settings as they were.
        const struct { QLineEdit* field; const char* text; std::string message; const char* selected; } bad[] = {
            {gamma, "0", InvalidGammaMessage(), "0"},        {gamma, "10.5", InvalidGammaMessage(), "10.5"},
            {green, "3/0", InvalidRatioMessage(), "256/256"}, {green, "", InvalidRatioMessage(), "256/256"}};
        for (const auto& b : bad) {
            const ImportSettings before = frame.Settings();
            b.field->setText(QString::fromLatin1(b.text));
            const size_t count = messages.size();
            QVERIFY2(!page->ApplyPage(true), b.text);
            QCOMPARE(messages.size(), count + 1);
            QCOMPARE(messages.back().title + ": " + messages.back().text, "Kyp Suite: " + b.message);
            QVERIFY(messages.back().icon == MessageIcon::warning);
            QCOMPARE(b.field->selectedText(), QString::fromLatin1(b.selected));
            QVERIFY2(frame.Settings() == before, b.text);
            if (b.field == gamma) QTest::keyClicks(gamma, QStringLiteral("2.2"));  // over the selection
        }
        // Only the first two numbers of a ratio count.
        green->setText(QStringLiteral("0x10/4/"));
        QVERIFY(page->ApplyPage(false));
        QCOMPARE(frame.Settings().greenScale, Ratio(16, 4));
        // "0" on the way to "0.5" is no gamma yet: no message while typing.
        const size_t shown = messages.size();
        gamma->setFocus();
        gamma->selectAll();
        QTest::keyClicks(gamma, QStringLiteral("0"));
        QTest::keyClicks(gamma, QStringLiteral(".5"));
        QCOMPARE(messages.size(), shown);
        // The texture threshold is held to 0 .. 1023 and shown so.
        auto* threshold = Find<NumberEdit>(page, "thresholdEdit");
        Find<QCheckBox>(page, "fixTextureCheck")->setChecked(true);
        for (const auto& [text, value, shown] : {std::tuple{"2000", 1023, "1023"}, std::tuple{"-5", 0, "0"}}) {
            threshold->setText(QString::fromLatin1(text));
            QVERIFY(page->ApplyPage(false));
            QCOMPARE(frame.Settings().textureThreshold, value);
            QCOMPARE(threshold->text(), QString::fromLatin1(shown));
        }
        // Shown again, a rotation and an unclipped end survive.
        Find<NumberEdit>(page, "loEdit")->SetValue(-3);
        Find<QRadioButton>(page, "rotate90CcwRadio")->setChecked(true);
        QVERIFY(page->ApplyPage(false));
        QCOMPARE(frame.Settings().darkThreshold, -1);
        page->ShowSettings();
        QCOMPARE(gamma->text(), QStringLiteral("0.5"));
        QVERIFY(Find<QRadioButton>(page, "rotate90CcwRadio")->isChecked());
        QCOMPARE(Find<NumberEdit>(page, "loEdit")->text(), QStringLiteral("-0.001"));
        QVERIFY(page->ApplyPage(false));
        QCOMPARE(frame.Settings().darkThreshold, -1);
        QCOMPARE(frame.Settings().rotation(), 3u);
        // Checking one of the curve boxes unchecks the other.
        auto* rawCurves = Find<QCheckBox>(page, "rawCurvesCheck");
        auto* curves = Find<QCheckBox>(page, "curvesCheck");
        rawCurves->click();
        QVERIFY(rawCurves->isChecked() && (frame.Settings().options & opt::rawcurves) != 0);
        curves->click();
        QVERIFY(curves->isChecked() && !rawCurves->isChecked());
        // A method the list does not hold keeps the selection.
        auto* method = Find<QComboBox>(page, "methodList");
        QCOMPARE(method->currentText(), QStringLiteral("Best - Luminance/Gradient"));
        method->setCurrentIndex(method->findData(7));
        emit method->activated(method->currentIndex());
        ImportSettings odd = frame.Settings();
        odd.method = 3;
        frame.TakeSettings(odd);
        QCOMPARE(method->currentText(), QStringLiteral("Black and White"));
        // Defaults: shown and read back.
        page->ResetToDefaults();
        ImportSettings defaults;
        SetDefaults(defaults);
        QVERIFY(frame.Settings() == defaults);
    }

    void whiteBalanceMenu() {
        test::Frame f(false);
        MainFrame& frame = f.frame;
        WhiteBalanceMenu* menu = frame.Options()->Balance();
        const auto scales = [&frame] {
            return std::tuple{frame.Settings().redScale, frame.Settings().greenScale, frame.Settings().blueScale};
        };
        menu->UpdateStates();
        QCOMPARE(menu->Action(wbcmd::camera)->text(), QStringLiteral("Camera Setting"));
        QVERIFY(!menu->Action(wbcmd::camera)->isEnabled());
        const uint32_t options = frame.Settings().options;
        menu->Choose(wbcmd::k5500);
        QCOMPARE(scales(), std::tuple(Ratio(394, 256), Ratio(1, 1), Ratio(376, 256)));
        QCOMPARE(frame.Settings().options, options);  // the scale option stays as it was
        QCOMPARE(Find<QLineEdit>(frame.Options(), "blueRatioEdit")->text(), QStringLiteral("376/256"));
        QVERIFY(menu->Action(wbcmd::k3000)->text().startsWith(QString::fromUtf8("3000\u00B0 K  Hot white")));
        // With a document: the camera's mode and balances (the sample file says 4500K, 456 and 380).
        QVERIFY(frame.OpenByName(small_));
        menu->UpdateStates();
        QCOMPARE(menu->Action(wbcmd::camera)->text(), QStringLiteral("Camera Setting: 4500K (456 380)"));
        menu->Choose(wbcmd::camera);
        QCOMPARE(scales(), std::tuple(Ratio(456, 256), Ratio(1, 1), Ratio(380, 256)));
        // A reference image: only an ORF maker note with both balances counts.
        const std::string notRaw = test::Path(photos_, "text.orf");
        QVERIFY(test::WriteText(notRaw, "just some text"));
        SampleOrfOptions sample;
        sample.width = 64;
        sample.height = 48;
        sample.writePreview = false;
        std::string chosen;
        menu->referenceDialog = [&] { return std::optional<std::string>(chosen); };
        const struct { const char* name; bool note; uint16_t red, blue; } references[] = {
            {"bare.orf", false, 300, 500}, {"zero.orf", true, 300, 0}, {"reference.orf", true, 300, 500}};
        for (const std::string& useless : {notRaw, test::Path(photos_, "missing.orf")}) {
            chosen = useless;
            menu->Choose(wbcmd::reference);
            QCOMPARE(frame.Settings().redScale, Ratio(456, 256));
        }
        for (const auto& reference : references) {
            sample.writeMakerNote = reference.note;
            sample.redBalance = reference.red;
            sample.blueBalance = reference.blue;
            chosen = test::Path(photos_, reference.name);
            QVERIFY(WriteSampleOrf(chosen, sample));
            menu->Choose(wbcmd::reference);
            QCOMPARE(frame.Settings().redScale, Ratio(reference.note && reference.blue != 0 ? 300 : 456, 256));
        }
        QCOMPARE(scales(), std::tuple(Ratio(300, 256), Ratio(1, 1), Ratio(500, 256)));
        QVERIFY(f.recorder.messages.empty());
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

    void saveFormatPageAndDialog() {
        test::Frame f(false);
        MainFrame& frame = f.frame;
        SaveFormatPage* page = frame.SaveFormatTab();
        const auto enabled = [](QWidget* parent, const char* name) { return Find<QWidget>(parent, name)->isEnabled(); };
        Find<QRadioButton>(page, "jpegRadio")->click();
        QCOMPARE(frame.SaveFormat().format, format::jpeg);
        QVERIFY(enabled(page, "jpegGroup") && !enabled(page, "tiffGroup"));
        auto* quality = Find<NumberEdit>(page, "qualityEdit");
        QCOMPARE(quality->text(), QStringLiteral("95"));
        QTest::keyClick(quality, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(frame.SaveFormat().jpegQuality, 85);
        Find<QCheckBox>(page, "jpegExifCheck")->click();
        QVERIFY(!frame.SaveFormat().jx);
        Find<QRadioButton>(page, "bitmapRadio")->click();
        QVERIFY(!enabled(page, "artistEdit"));
        Find<QRadioButton>(page, "tiffRadio")->click();
        // The copyright sentence with and without an artist.
        const int year = QDate::currentDate().year();
        Find<QPushButton>(page, "copyrightButton")->click();
        QCOMPARE(Find<QLineEdit>(page, "copyrightEdit")->text(),
                 QStringLiteral("Copyright (C) %1  All Rights Reserved.").arg(year));
        QTest::keyClicks(Find<QLineEdit>(page, "artistEdit"), QStringLiteral("Ann Example"));
        Find<QPushButton>(page, "copyrightButton")->click();
        QCOMPARE(QString::fromStdString(*frame.SaveFormat().copyright),
                 QStringLiteral("Copyright (C) %1 Ann Example,  All Rights Reserved.").arg(year));
        QCOMPARE(*frame.SaveFormat().artist, std::string("Ann Example"));
        // Default Settings: format and flags reset, the texts kept.
        page->ResetToDefaults();
        QCOMPARE(frame.SaveFormat().jpegQuality, 95);
        QVERIFY(frame.SaveFormat().jx);
        QCOMPARE(*frame.SaveFormat().artist, std::string("Ann Example"));
        Find<QLineEdit>(page, "artistEdit")->clear();
        page->ApplyPage();
        QVERIFY(!frame.SaveFormat().artist);

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
