// The settings pages: the numeric edit, the ratio and gamma fields, the
// Options page's reading and showing of the settings with its messages and
// pending flags, the white balance menu, the Sharpen page's preview against
// a direct engine run, and the save-format controls.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>

#include "GuiTestSupport.h"
#include "engine/output/BitmapRender.h"
#include "engine/process/ProcessingSession.h"
#include "gui/pages/GammaText.h"
#include "gui/frame/MainFrame.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/RatioText.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/pages/SharpenPage.h"
#include "gui/pages/SharpenPreview.h"
#include "gui/pages/WhiteBalanceMenu.h"
#include "platform/SettingsStore.h"

using namespace kyp;

namespace {

template <typename T>
T* Find(QWidget* page, const char* name) {
    T* widget = page->findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) qFatal("no control %s", name);
    return widget;
}

constexpr uint32_t Ratio(uint32_t multiplier, uint32_t divisor) { return multiplier << 16 | divisor; }

}  // namespace

class GuiPagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(config_.isValid() && photos_.isValid());
        qputenv("KYP_CONFIG_HOME", config_.path().toUtf8());
        small_ = test::Path(photos_, "P1.ORF");
        QVERIFY(test::WriteSmallOrf(small_, 400, 300));
    }
    void init() { (void)SettingsStore::DeleteKey(); }

    void ratioText() {
        QCOMPARE(ParseRatio("3"), Ratio(3, 1));
        QCOMPARE(ParseRatio("3 / 2"), Ratio(3, 2));
        QCOMPARE(ParseRatio("0x10/4"), Ratio(16, 4));
        QCOMPARE(ParseRatio("010/0x1f"), Ratio(8, 31));
        QCOMPARE(ParseRatio(" 394/256"), Ratio(394, 256));
        QCOMPARE(ParseRatio("7:+3"), Ratio(7, 3));
        QCOMPARE(ParseRatio("3/x"), Ratio(3, 1));
        QCOMPARE(ParseRatio("65535/65535"), Ratio(65535, 65535));
        for (const char* bad : {"3/0", "/2", "", "abc", "3/+", "3/-2", "-3/2", "65536/1", "1/70000",
                                "1234567890123456789012345678901234567890", "1/1234567890123456789012345678901234567890"}) {
            QVERIFY2(!ParseRatio(bad), bad);
        }
        QCOMPARE(RatioText(Ratio(394, 256)), std::string("394/256"));
        QCOMPARE(RatioText(Ratio(40000, 1)), std::string("40000/1"));
    }

    void gammaText() {
        for (const char* bad : {"0", "0.05", "10.5", "abc", "", "-2", "nan", "1e9"}) {
            QVERIFY2(!ValidGamma(QString::fromLatin1(bad)), bad);
        }
        QCOMPARE(*ValidGamma(QStringLiteral("0.1")), 0.1);
        QCOMPARE(*ValidGamma(QStringLiteral("10")), 10.0);
        QVERIFY(!ValidGamma(QStringLiteral(" 2.2x")));  // only a whole number reads
        QCOMPARE(*ValidGamma(QStringLiteral(" 2,2 ")), 2.2);
        QCOMPARE(InvalidGammaMessage(), std::string("Invalid Gamma\r\nGamma should be in the range 0.100000 - 10.000000"));
        QCOMPARE(ParseDecimal(QStringLiteral("-1.5e1")).value(), -15.0);
        QVERIFY(!ParseDecimal(QStringLiteral("inf")));
    }

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
        const auto turn = [&](int delta, Qt::KeyboardModifiers modifiers) {
            QWheelEvent wheel(QPointF(5, 5), edit.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, delta), Qt::NoButton,
                              modifiers, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&edit, &wheel);
        };
        turn(120, Qt::NoModifier);
        QCOMPARE(edit.Value(), 0.1);
        turn(8, Qt::NoModifier);
        QCOMPARE(edit.Value(), 0.1);
        turn(120, Qt::ShiftModifier);
        QCOMPARE(edit.text(), QStringLiteral("1.1"));
        edit.SetEnabledState(false);
        QVERIFY(edit.text().isEmpty());
        QCOMPARE(edit.Value(), 0.0);
    }

    void gammaAndRatioMessages() {
        test::Recorder recorder;
        MainFrame frame;
        OptionsPage* page = frame.Options();
        auto* gamma = Find<QLineEdit>(page, "gammaEdit");
        auto* green = Find<QLineEdit>(page, "greenRatioEdit");
        const ImportSettings before = frame.Settings();
        for (const char* bad : {"0", "0.05", "10.5", "abc"}) {
            gamma->setText(QString::fromLatin1(bad));
            QVERIFY(!page->ApplyPage(true));
            QCOMPARE(recorder.messages.back().text, InvalidGammaMessage());
            QCOMPARE(recorder.messages.back().title, std::string("Kyp Suite"));
            QVERIFY(recorder.messages.back().icon == MessageIcon::warning);
            QCOMPARE(gamma->selectedText(), QString::fromLatin1(bad));
            QVERIFY(frame.Settings() == before);
        }
        // Typed, 2.2 is taken as it is (shown untouched, it would stand for the defaults' 2.22222).
        gamma->selectAll();
        QTest::keyClicks(gamma, QStringLiteral("2.2"));
        const ImportSettings typed = frame.Settings();
        for (const char* bad : {"3/0", "/2", "", "1234567890123456789012345678901234567890", "0x10/4/"}) {
            green->setText(QString::fromLatin1(bad));
            const size_t count = recorder.messages.size();
            const bool read = page->ApplyPage(false);
            if (std::string(bad) == "0x10/4/") {
                // Only the first two numbers count: 16/4.
                QVERIFY(read);
                QCOMPARE(frame.Settings().greenScale, Ratio(16, 4));
                continue;
            }
            QVERIFY2(!read, bad);
            QCOMPARE(recorder.messages.size(), count + 1);
            QCOMPARE(recorder.messages.back().text, InvalidRatioMessage());
            // The field shows the last valid ratio again, selected.
            QCOMPARE(green->text(), QStringLiteral("256/256"));
            QCOMPARE(green->selectedText(), QStringLiteral("256/256"));
            QVERIFY(frame.Settings() == typed);
        }
        // A gamma of 2.2 is kept as its reciprocal and shown back as 2.2.
        QCOMPARE(frame.Settings().gammaExponent, 1.0f / 2.2f);
        page->ShowSettings();
        QCOMPARE(gamma->text(), QStringLiteral("2.2"));
    }

    void applyPageReadsEveryControl() {
        test::Recorder recorder;
        MainFrame frame;
        OptionsPage* page = frame.Options();
        // The defaults' gamma (2.22222) shows as 2.2 but, untouched, stays exact.
        const float defaultExponent = frame.Settings().gammaExponent;
        QVERIFY(page->ApplyPage(false));
        QCOMPARE(frame.Settings().gammaExponent, defaultExponent);

        auto* threshold = Find<NumberEdit>(page, "thresholdEdit");
        threshold->setText(QStringLiteral("-5"));
        QVERIFY(page->ApplyPage(false));
        QCOMPARE(frame.Settings().textureThreshold, 0);
        QCOMPARE(frame.Settings().options & opt::tt, 0u);
        QCOMPARE(threshold->text(), QStringLiteral("0"));
        Find<QCheckBox>(page, "fixTextureCheck")->setChecked(true);
        threshold->setText(QStringLiteral("2000"));
        QVERIFY(page->ApplyPage(false));
        QCOMPARE(frame.Settings().textureThreshold, 1023);
        QCOMPARE(threshold->text(), QStringLiteral("1023"));
        QVERIFY((frame.Settings().options & opt::tt) != 0);

        Find<NumberEdit>(page, "hiEdit")->SetValue(12.345);
        Find<NumberEdit>(page, "loEdit")->SetValue(-3);
        Find<NumberEdit>(page, "saturationEdit")->SetValue(0.5);
        Find<QRadioButton>(page, "rotate90CcwRadio")->setChecked(true);
        Find<QRadioButton>(page, "rgbLevelsRadio")->setChecked(true);
        Find<QCheckBox>(page, "horizontalCheck")->setChecked(true);
        Find<QCheckBox>(page, "invertCheck")->setChecked(true);
        Find<QCheckBox>(page, "gammaCheck")->setChecked(false);
        Find<QLineEdit>(page, "redRatioEdit")->setText(QStringLiteral("3"));
        QVERIFY(page->ApplyPage(false));
        const ImportSettings& settings = frame.Settings();
        QCOMPARE(settings.brightThreshold, 12345);
        QCOMPARE(settings.darkThreshold, -1);
        QCOMPARE(settings.saturation, 0.5f);
        QCOMPARE(settings.rotation(), 3u);
        QCOMPARE(settings.redScale, Ratio(3, 1));
        const uint32_t expected = opt::tt | opt::black | opt::wb | opt::fudge | opt::matrix | opt::rgblevels |
                                  opt::sat | opt::hflip | opt::invert | 3u << opt::rotShift;
        QCOMPARE(settings.options, expected);
        // Showing the record again: the rotation and the unclipped end survive.
        page->ShowSettings();
        QVERIFY(Find<QRadioButton>(page, "rotate90CcwRadio")->isChecked());
        QCOMPARE(Find<NumberEdit>(page, "loEdit")->text(), QStringLiteral("-0.001"));
        QVERIFY(page->ApplyPage(false));
        QCOMPARE(frame.Settings().darkThreshold, -1);

        // Checking one of the curve boxes unchecks the other.
        auto* rawCurves = Find<QCheckBox>(page, "rawCurvesCheck");
        auto* curves = Find<QCheckBox>(page, "curvesCheck");
        rawCurves->click();
        QVERIFY(rawCurves->isChecked() && (frame.Settings().options & opt::rawcurves) != 0);
        curves->click();
        QVERIFY(curves->isChecked() && !rawCurves->isChecked());
        QCOMPARE(frame.Settings().options & (opt::curves | opt::rawcurves), opt::curves);

        // A new method is stored at once.
        auto* method = Find<QComboBox>(page, "methodList");
        QCOMPARE(method->currentText(), QStringLiteral("Best - Luminance/Gradient"));
        method->setCurrentIndex(method->findData(7));
        emit method->activated(method->currentIndex());
        QCOMPARE(frame.Settings().method, method::grayscale);
        // A method the list does not hold keeps the selection.
        ImportSettings odd = frame.Settings();
        odd.method = 3;
        frame.TakeSettings(odd);
        QCOMPARE(method->currentText(), QStringLiteral("Black and White"));
        QVERIFY(recorder.messages.empty());

        // Defaults: shown and read back.
        page->ResetToDefaults();
        ImportSettings defaults;
        SetDefaults(defaults);
        QVERIFY(frame.Settings() == defaults);
    }

    void pendingFlagsFollowTheComparison() {
        test::Recorder recorder;
        MainFrame frame;
        QVERIFY(frame.OpenByName(small_));
        QVERIFY(!frame.ProcessingPending() && !frame.ReloadPending());
        OptionsPage* page = frame.Options();
        auto* invert = Find<QCheckBox>(page, "invertCheck");
        invert->click();
        QVERIFY(frame.ProcessingPending() && !frame.ReloadPending());
        QVERIFY(frame.ApplyButton()->isEnabled());
        invert->click();
        QVERIFY(!frame.ProcessingPending());
        QVERIFY(!frame.ApplyButton()->isEnabled());
        auto* fudge = Find<QCheckBox>(page, "fudgeCheck");
        fudge->click();
        QVERIFY(frame.ReloadPending());
        fudge->click();
        QVERIFY(!frame.ReloadPending() && !frame.ProcessingPending());
        // Typing a gamma updates the settings without waiting for the field to be left.
        auto* gamma = Find<NumberEdit>(page, "gammaEdit");
        gamma->setFocus();
        gamma->selectAll();
        QTest::keyClicks(gamma, QStringLiteral("1.8"));
        QCOMPARE(frame.Settings().gammaExponent, 1.0f / 1.8f);
        QVERIFY(frame.ProcessingPending());
        // "0" on the way to "0.5" is no gamma yet: no message while typing.
        gamma->selectAll();
        QTest::keyClicks(gamma, QStringLiteral("0"));
        QVERIFY(recorder.messages.empty());
        QTest::keyClicks(gamma, QStringLiteral(".5"));
        QCOMPARE(frame.Settings().gammaExponent, 2.0f);
        QVERIFY(recorder.messages.empty());
    }

    void whiteBalanceMenu() {
        test::Recorder recorder;
        MainFrame frame;
        OptionsPage* page = frame.Options();
        WhiteBalanceMenu* menu = page->Balance();
        menu->UpdateStates();
        QCOMPARE(menu->Action(wbcmd::camera)->text(), QStringLiteral("Camera Setting"));
        QVERIFY(!menu->Action(wbcmd::camera)->isEnabled());
        const uint32_t options = frame.Settings().options;
        menu->Choose(wbcmd::k5500);
        QCOMPARE(frame.Settings().redScale, Ratio(394, 256));
        QCOMPARE(frame.Settings().greenScale, Ratio(1, 1));
        QCOMPARE(frame.Settings().blueScale, Ratio(376, 256));
        QCOMPARE(frame.Settings().options, options);  // the scale option stays as it was
        QCOMPARE(Find<QLineEdit>(page, "blueRatioEdit")->text(), QStringLiteral("376/256"));
        const struct {
            int id;
            uint32_t red, blue;
        } presets[] = {{wbcmd::k3000, 222, 702}, {wbcmd::k3700, 284, 552}, {wbcmd::k4000, 374, 586},
                       {wbcmd::k4500, 376, 426}, {wbcmd::k6500, 434, 334}, {wbcmd::k7500, 468, 304}};
        for (const auto& preset : presets) {
            QCOMPARE(PresetRatios(preset.id)->red, Ratio(preset.red, 256));
            QCOMPARE(PresetRatios(preset.id)->blue, Ratio(preset.blue, 256));
        }
        QVERIFY(menu->Action(wbcmd::k3000)->text().startsWith(QString::fromUtf8("3000\u00B0 K  Hot white")));
        QVERIFY(!PresetRatios(wbcmd::camera));

        // With a document: the camera's mode and balances (the sample file says 4500K, 456 and 380).
        QVERIFY(frame.OpenByName(small_));
        menu->UpdateStates();
        QCOMPARE(menu->Action(wbcmd::camera)->text(), QStringLiteral("Camera Setting: 4500K (456 380)"));
        menu->Choose(wbcmd::camera);
        QCOMPARE(frame.Settings().redScale, Ratio(456, 256));
        QCOMPARE(frame.Settings().blueScale, Ratio(380, 256));

        // A reference image: only an ORF maker note with both balances counts.
        const std::string notRaw = test::Path(photos_, "text.orf");
        QVERIFY(test::WriteText(notRaw, "just some text"));
        SampleOrfOptions noNote;
        noNote.width = 64;
        noNote.height = 48;
        noNote.writePreview = false;
        noNote.writeMakerNote = false;
        const std::string bare = test::Path(photos_, "bare.orf");
        QVERIFY(WriteSampleOrf(bare, noNote));
        SampleOrfOptions tinted = noNote;
        tinted.writeMakerNote = true;
        tinted.redBalance = 300;
        tinted.blueBalance = 500;
        const std::string reference = test::Path(photos_, "reference.orf");
        QVERIFY(WriteSampleOrf(reference, tinted));
        SampleOrfOptions zero = tinted;
        zero.blueBalance = 0;
        const std::string zeroBlue = test::Path(photos_, "zero.orf");
        QVERIFY(WriteSampleOrf(zeroBlue, zero));
        std::string chosen;
        menu->referenceDialog = [&] { return std::optional<std::string>(chosen); };
        for (const std::string& useless : {notRaw, bare, zeroBlue, test::Path(photos_, "missing.orf")}) {
            chosen = useless;
            menu->Choose(wbcmd::reference);
            QCOMPARE(frame.Settings().redScale, Ratio(456, 256));
        }
        chosen = reference;
        menu->Choose(wbcmd::reference);
        QCOMPARE(frame.Settings().redScale, Ratio(300, 256));
        QCOMPARE(frame.Settings().greenScale, Ratio(1, 1));
        QCOMPARE(frame.Settings().blueScale, Ratio(500, 256));
        QVERIFY(recorder.messages.empty());
    }

    void sharpenPreviewMatchesTheEngine() {
        test::Recorder recorder;
        MainFrame frame;
        SharpenPage* page = frame.Sharpen();
        QVERIFY(frame.OpenByName(small_));
        frame.Command(40066);  // the Sharpen tab
        QCOMPARE(frame.CurrentPage(), 2);
        QVERIFY(page->TimerActive());
        QTRY_VERIFY(page->PreviewSharpened());
        const Bitmap& shown = page->Preview();
        QCOMPARE(shown.width(), kLoupeSide);
        // The start centre (1050, 770) is kept 70 pixels inside the picture.
        const ProcessedImage& output = frame.Session().FullOutput();
        const PixelPoint centre = page->Centre();
        QCOMPARE(centre.x, static_cast<int32_t>(output.width) - 70);
        QCOMPARE(centre.y, static_cast<int32_t>(output.height) - 70);

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

        // A new amount goes into the settings through the Options page.
        auto* amount = Find<NumberEdit>(page, "amountEdit");
        amount->setFocus();
        QTest::keyClick(amount, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(frame.Settings().usmAmount, 110);
        QVERIFY(page->TimerActive());
        frame.Command(40062);  // away to the Options tab
        QVERIFY(!page->TimerActive());
        frame.Command(cmd_close);
        QVERIFY(!page->Preview().hasPixels());
        QVERIFY(recorder.messages.empty());
    }

    void saveFormatPageAndDialog() {
        test::Recorder recorder;
        MainFrame frame;
        SaveFormatPage* page = frame.SaveFormatTab();
        Find<QRadioButton>(page, "jpegRadio")->click();
        QCOMPARE(frame.SaveFormat().format, format::jpeg);
        QVERIFY(Find<QGroupBox>(page, "jpegGroup")->isEnabled());
        QVERIFY(!Find<QGroupBox>(page, "tiffGroup")->isEnabled());
        auto* quality = Find<NumberEdit>(page, "qualityEdit");
        QCOMPARE(quality->text(), QStringLiteral("95"));
        QTest::keyClick(quality, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(frame.SaveFormat().jpegQuality, 85);
        Find<QCheckBox>(page, "jpegExifCheck")->click();
        QVERIFY(!frame.SaveFormat().jx);
        Find<QRadioButton>(page, "bitmapRadio")->click();
        QVERIFY(!Find<QLineEdit>(page, "artistEdit")->isEnabled());
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
        QCOMPARE(CopyrightSentence(QString(), 2003), QStringLiteral("Copyright (C) 2003  All Rights Reserved."));
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
        dialog.TypeChanged(2);
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("jpg"));
        SaveFormatControls* controls = dialog.Controls();
        QVERIFY(Find<QGroupBox>(controls, "jpegGroup")->isEnabled());
        QVERIFY(!Find<QGroupBox>(controls, "tiffGroup")->isEnabled());
        QVERIFY(Find<QLineEdit>(controls, "descriptionEdit")->isEnabled());
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        QCOMPARE(name->text(), QStringLiteral("P7.jpg"));
        dialog.TypeChanged(1);
        QCOMPARE(name->text(), QStringLiteral("P7.bmp"));
        QVERIFY(!Find<QLineEdit>(controls, "descriptionEdit")->isEnabled());
        QVERIFY(!Find<QGroupBox>(controls, "jpegGroup")->isEnabled());
        QCOMPARE(QString::fromStdString(dialog.ChosenName()).section(QLatin1Char('/'), -1), QStringLiteral("P7.bmp"));
        QVERIFY(recorder.messages.empty());
    }

    void performanceFigures() {
        // The preview after one setting change, and the sharpening preview, in
        // engine time. KYP_GUI_PERF_FILE names a larger ORF file to measure on.
        test::Recorder recorder;
        const QByteArray other = qgetenv("KYP_GUI_PERF_FILE");
        const std::string file = other.isEmpty() ? small_ : other.toStdString();
        MainFrame frame;
        QVERIFY(frame.OpenByName(file));
        QElapsedTimer timer;
        auto* saturation = Find<NumberEdit>(frame.Options(), "saturationEdit");
        saturation->setFocus();
        QTest::keyClick(saturation, Qt::Key_Up);
        timer.start();
        frame.RefreshPreview();
        const double refresh = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        // The engine's share: the reduced run and its rendering after one more step.
        QTest::keyClick(saturation, Qt::Key_Up);
        ProcessingSession& session = frame.Session();
        session.SetSettings(frame.Settings());
        Bitmap thumbnail;
        // Without the status strip, whose animation thread takes its time to stop.
        ProgressCallback* progress = session.Progress();
        session.SetProgress(nullptr);
        timer.start();
        QCOMPARE(session.Process(true), RunResult::processed);
        QVERIFY(renderImage(thumbnail, session.PreviewOutput(), false, nullptr));
        const double preview = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        session.SetProgress(progress);
        SharpenPage* page = frame.Sharpen();
        timer.start();
        const int rounds = 20;
        for (int i = 0; i < rounds; ++i) page->Rebuild(i % 2 == 0);
        const double loupe = static_cast<double>(timer.nsecsElapsed()) / 1e6 / rounds;
        const ProcessedImage& output = frame.Session().FullOutput();
        qInfo("%ux%u: preview after a saturation step: engine run and rendering %.2f ms, whole refresh %.2f ms; "
              "sharpening preview rebuild %.2f ms",
              output.width, output.height, preview, refresh, loupe);
        QVERIFY(page->Preview().hasPixels());
        QVERIFY(loupe < 500.0);
    }

private:
    static constexpr int cmd_close = 40003;
    QTemporaryDir config_;
    QTemporaryDir photos_;
    std::string small_;
};

QTEST_MAIN(GuiPagesTest)
#include "test_gui_pages.moc"
