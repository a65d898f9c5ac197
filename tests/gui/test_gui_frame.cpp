// The main frame driven through its commands on generated ORF files; the
// scenarios of scenarios.txt (actions, then the state the program shows
// after them, recorded: KYP_RECORD=1 records the state of the code as it is).
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "GuiTestSupport.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/BitmapWriter.h"
#include "engine/output/JpegOutputBuffer.h"
#include "engine/output/JpegWriter.h"
#include "engine/output/TiffWriter.h"
#include "gui/app/InstallLayout.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/ImageInfoPage.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/pages/SharpenPage.h"
#include "gui/pages/WhiteBalanceMenu.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/view/ImageArea.h"
#include "platform/AtomicFile.h"

using namespace kyp;

namespace {
// Same length, and at most `most` bytes differ (a date stamp written a second apart).
bool DifferAtMost(const QByteArray& a, const QByteArray& b, int most) {
    if (a.isEmpty() || a.size() != b.size()) return false;
    int differing = 0;
    for (qsizetype i = 0; i < a.size(); ++i) differing += a[i] != b[i];
    return differing <= most;
}
}  // namespace

class GuiFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(photos_.isValid() && large_.isValid());
        for (const char* name : {"P1.ORF", "p2.orf", "P3.Orf"}) QVERIFY(test::WriteSmallOrf(Photo(name)));
        QVERIFY(test::WriteText(Photo("not-raw.orf"), "MM\0*this is no ORF file"));
        SampleOrfOptions sample;
        sample.width = 64;
        sample.height = 48;
        sample.writePreview = false;
        const struct { const char* name; bool note; uint16_t red, blue; } references[] = {
            {"bare.orf", false, 300, 500}, {"zero.orf", true, 300, 0}, {"reference.orf", true, 300, 500}};
        for (const auto& reference : references) {
            sample.writeMakerNote = reference.note;
            sample.redBalance = reference.red;
            sample.blueBalance = reference.blue;
            QVERIFY(WriteSampleOrf(test::Path(references_, reference.name), sample));
        }
        big_ = test::Path(large_, "big.orf");
        QVERIFY(test::WriteSmallOrf(big_, 2256, 1684));
    }

    void init() { (void)test::UsePrivateConfig(); }

    void scenariosGiveTheRecordedStates() {
        const QStringList lines = test::ReadData("scenarios.txt");
        QStringList written, wrong;
        std::unique_ptr<test::Frame> f;
        QString scenario;
        for (qsizetype n = 0; n < lines.size(); ++n) {
            const QString& line = lines[n];
            if (line.startsWith(QLatin1String("  | "))) continue;  // read with its dump
            written << line;
            if (line.startsWith(QLatin1String("== "))) {
                scenario = line.mid(3);
                f.reset();
                init();
                QLocale::setDefault(QLocale::c());
                f = std::make_unique<test::Frame>(false);
                f->frame.Files().onRebuild = [this, menu = f->frame.Files().onRebuild] { ++rebuilds_, menu(); };
                rebuilds_ = 0;
                shown_ = Controls(f->frame);
                seen_ = 0;
            } else if (line.startsWith(QLatin1String("dump"))) {
                if (line == QLatin1String("dump all")) shown_.clear();
                const QStringList dump = Dump(*f);
                QStringList recorded;
                for (qsizetype k = n + 1; k < lines.size() && lines[k].startsWith(QLatin1String("  | ")); ++k) recorded << lines[k].mid(4);
                if (dump != recorded) {
                    wrong << QStringLiteral("scenarios.txt:%1 (%2) shows\n  | %3").arg(n + 1).arg(scenario, dump.join(QLatin1String("\n  | ")));
                }
                for (const QString& d : dump) written << QStringLiteral("  | ") + d;
            } else if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
                QVERIFY2(Act(f->frame, test::Words(line)), qPrintable(QStringLiteral("scenarios.txt:%1: %2").arg(n + 1).arg(line)));
            }
        }
        f.reset();
        QLocale::setDefault(QLocale::c());
        if (test::Recording()) QVERIFY(test::WriteData("scenarios.txt", written));
        else QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n')) + QLatin1String(test::kRecordHint)));
    }

    // (Titles, status texts, menu entries and the Apply button: the scenarios.)
    void commandsMenusAndInfo() {
        test::Frame f(false, QSize(1000, 600));
        MainFrame& frame = f.frame;
        QVERIFY(frame.Action(cmd::zoomFit)->shortcuts().contains(QKeySequence(Qt::Key_QuoteLeft)));
        // Ctrl+F4 is page command 3, not Close.
        QVERIFY(frame.Action(cmd::close)->shortcuts().isEmpty());
        QVERIFY(frame.Action(cmd::pageCommand3)->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_F4)));
        QStringList captions;
        for (int i = 0; i < frame.Tabs()->count(); ++i) captions << frame.Tabs()->tabText(i);
        QCOMPARE(captions, QStringList({"Options", "Curves", "Sharpen", "Histogram", "Image Info", "Save Format"}));
        frame.Command(cmd::tabImageInfo);
        QCOMPARE(frame.CurrentPage(), int(page::imageInfo));
        auto* info = dynamic_cast<ImageInfoPage*>(frame.Page(page::imageInfo));
        QCOMPARE(info->Text(), QStringLiteral("(no document)"));
        QVERIFY(frame.OpenByName(Photo("P1.ORF")));
        QVERIFY(frame.DocumentLoaded() && frame.FullRendering().hasPixels() && !frame.Image()->Image().isNull());
        QVERIFY2(info->Text().contains(QStringLiteral("Aperture:\tF2.8")), qPrintable(info->Text()));
        // Every value in one column: the tab stop lies past the widest label.
        const auto* infoText = test::Find<QPlainTextEdit>(info, "infoText");
        const QFontMetricsF metrics(infoText->font());
        for (const QString& line : info->Text().split(QLatin1Char('\n'))) {
            const QString label = line.section(QLatin1Char('\t'), 0, 0);
            QVERIFY2(metrics.horizontalAdvance(label) < infoText->tabStopDistance(), qPrintable(label));
        }
        frame.Command(cmd::close);
        QCOMPARE(info->Text(), QStringLiteral("(no document)"));
        QVERIFY(f.recorder.messages.empty());
    }

    void busyRefusesCommands() {
        test::Frame f(false);
        MainFrame& frame = f.frame;
        QVERIFY(frame.OpenByName(Photo("P1.ORF")));
        frame.MarkChanged(true);
        const std::string before = frame.FileName();
        const int filesBefore = frame.Files().Count();
        bool ran = false;
        // Every command below arrives while the run pumps its events.
        QTimer::singleShot(0, &frame, [&] {
            ran = true;
            QVERIFY(frame.Busy());
            for (int id : {cmd::open, cmd::close, cmd::saveAs, cmd::reopen, cmd::convertAll, cmd::defaultSettings,
                           cmd::fileList, cmd::apply, cmd::openCurrent, cmd::nextFile, cmd::previousFile}) {
                frame.Command(id);
            }
            frame.DropFiles({Photo("p2.orf")}, false);
        });
        frame.BeginWait();
        (void)frame.Strip().Tick(1);
        frame.EndWait();
        QVERIFY(ran);
        QCOMPARE(f.recorder.beeps, 12);
        QCOMPARE(frame.FileName(), before);
        QCOMPARE(frame.Files().Count(), filesBefore);
        QVERIFY(frame.DocumentLoaded());
    }

    // Escape during a full run cancels it, says so and keeps the flags; closing during one quits after it.
    void escapeAndExitDuringARun() {
        for (const bool exit : {false, true}) {
            init();
            test::Frame f(false);
            MainFrame& frame = f.frame;
            int quits = 0;
            frame.quitHandler = [&quits] { ++quits; };
            QVERIFY(frame.OpenByName(big_));
            frame.MutableSettings().method = method::bilinear;
            frame.MarkReloadNeeded();
            QVERIFY(frame.ApplyButton()->isEnabled());
            QTimer::singleShot(0, &frame, [&frame, exit] {
                if (exit) frame.close();
                else QTest::keyClick(&frame, Qt::Key_Escape);
            });
            QVERIFY(!frame.Processing());
            if (exit) {
                QVERIFY(frame.ExitRequested());
                QCOMPARE(quits, 0);      // not under the run
                QTRY_COMPARE(quits, 1);  // once it has unwound
                SettingsStore store;
                QVERIFY(store.OpenForReading());  // settings saved, store intact
                std::string files;
                QVERIFY(store.ReadString("File0", files) || frame.Files().Empty());
                continue;
            }
            QVERIFY(frame.Strip().EscapeNoted());
            QCOMPARE(frame.Strip().StatusText(), QStringLiteral("Processing cancelled"));
            QVERIFY(frame.ProcessingPending() && frame.ReloadPending());
            QVERIFY(frame.ApplyButton()->isEnabled());
            // Nothing was left busy, and the next run goes through.
            QVERIFY(!frame.Busy());
            QVERIFY(frame.Processing());
            QVERIFY(!frame.ProcessingPending() && !frame.ReloadPending());
        }
    }

    void layoutKeptOverStarts() {
        // Each start restores what the one before stored, through a shown
        // window that has a decoration: nothing creeps.
        test::Recorder recorder;
        QList<QRect> seen;
        for (int start = 0; start < 4; ++start) {
            MainFrame frame;
            if (start == 0) frame.setGeometry(60, 70, 700, 500);  // the offscreen screen is 800 x 600
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            seen << QRect(frame.pos(), frame.size());
            if (start > 0) {
                QCOMPARE(seen.last(), seen.first());
                QCOMPARE(frame.Files().Count(), 2);
                QCOMPARE(frame.Files().Current(), 1);
                QCOMPARE(frame.Layout().sampleSize, 3u);
                QCOMPARE(frame.Settings().method, method::bilinear);
                QCOMPARE(frame.Strip().PopupMenu()->actions().size(), 5);  // 2 files, separator, clear, open
            }
            frame.Files().Assign({"/p/a.orf", "/p/b.orf"}, 1);
            frame.Layout().sampleSize = 3;
            frame.MutableSettings().method = method::bilinear;
            QVERIFY(frame.SnapSettings());
        }
        MainFrame hidden;  // not shown: the stored size all the same
        QCOMPARE(hidden.size(), QSize(700, 500));
    }

    void altLettersReachPageOrMenu() {
        // Inside the Options page its own letters act; elsewhere the menu bar's
        // do; Alt+C (the accelerator table) always shows the Curves page; a
        // letter that nothing carries beeps.
        test::Frame f;
        MainFrame& frame = f.frame;
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        auto check = [&frame](const char* name) { return test::Find<QCheckBox>(&frame, name); };
        const struct { Qt::Key key; const char* check; const char* menu; } letters[] = {
            {Qt::Key_F, "fixTextureCheck", "&File"}, {Qt::Key_V, "verticalCheck", "&View"},
            {Qt::Key_Z, "horizontalCheck", "&Zoom"}, {Qt::Key_H, "sharpenCheck", "&Help"},
            {Qt::Key_P, "blackPointCheck", nullptr},
        };
        for (const auto& letter : letters) {
            // Focus inside the page: the check box toggles, no menu opens.
            check("invertCheck")->setFocus();
            const bool before = check(letter.check)->isChecked();
            QTest::keyClick(QApplication::focusWidget(), letter.key, Qt::AltModifier);
            QVERIFY2(check(letter.check)->isChecked() != before, letter.check);
            QVERIFY(QApplication::activePopupWidget() == nullptr);
            // Focus outside the page: the menu opens (or, with no menu of that letter, the page acts).
            frame.centralWidget()->setFocus();
            QTest::keyClick(frame.centralWidget(), letter.key, Qt::AltModifier);
            if (letter.menu != nullptr) {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                QVERIFY2(menu != nullptr && menu->title() == QLatin1String(letter.menu), letter.menu);
                menu->close();
                QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
            } else {
                QCOMPARE(check(letter.check)->isChecked(), before);
            }
        }
        check("invertCheck")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
        QCOMPARE(frame.CurrentPage(), int(page::curves));
        QCOMPARE(f.recorder.beeps, 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::AltModifier);
        QCOMPARE(f.recorder.beeps, 1);
        frame.menuBar()->setActiveAction(nullptr);
    }

    void fileListPopupOpensBelowItsButton() {
        // With room below, the list opens under its button, not over the picture.
        test::Frame f(false);
        f.frame.setGeometry(20, 20, 700, 300);
        f.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
        f.frame.Files().Assign({"/p/a.orf", "/p/b.orf", "/p/c.orf", "/p/d.orf", "/p/e.orf"}, 0);
        QRect menu;
        QTimer::singleShot(100, [&menu] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                menu = popup->geometry();
                popup->close();
            }
        });
        f.frame.Command(cmd::fileList);
        QVERIFY(menu.isValid());
        QCOMPARE(menu.top(), f.frame.Strip().mapToGlobal(f.frame.Strip().ButtonRect().bottomLeft()).y() + 1);
    }

    void saveInEachFormat() {
        test::Frame f(false);
        MainFrame& frame = f.frame;
        QVERIFY(frame.OpenByName(Photo("P1.ORF")));
        QTemporaryDir out;
        const auto file = [&out](const char* name) { return test::Path(out, name); };
        const ProcessedImage& image = frame.Session().FullOutput();
        // Bitmap: byte for byte what the renderer and bitmap writer make.
        QVERIFY(frame.SaveDocument(file("a.bmp"), format::bitmap));
        Bitmap bitmap;
        QVERIFY(renderImage(bitmap, image, false, nullptr) && writeBmp(bitmap, file("ref.bmp")));
        QCOMPARE(test::ReadAll(file("a.bmp")), test::ReadAll(file("ref.bmp")));
        // JPEG with the frame's save format; TIFF. Both carry the moment of writing.
        QVERIFY(frame.SaveDocument(file("a.jpg"), format::jpeg));
        JpegOutputBuffer buffer;
        QVERIFY(writeJpeg(image, frame.Session().InputDocument(), &frame.SaveFormat(), buffer));
        QVERIFY(writeBufferToFile(file("ref.jpg"), buffer));
        QVERIFY(DifferAtMost(test::ReadAll(file("a.jpg")), test::ReadAll(file("ref.jpg")), 19));
        QVERIFY(frame.SaveDocument(file("a.tif"), format::tiff));
        QVERIFY(writeTiff(file("ref.tif"), frame.Session().InputDocument(), image, frame.Settings(), frame.SaveFormat()));
        QVERIFY(DifferAtMost(test::ReadAll(file("a.tif")), test::ReadAll(file("ref.tif")), 19));
        // A target that cannot be created: the system's reason, nothing written.
        QVERIFY(!frame.SaveDocument("/nonexistent-folder/x.bmp", format::bitmap));
        QCOMPARE(f.recorder.messages.back().text,
                 std::string("Error saving '/nonexistent-folder/x.bmp'.\r\nNo such file or directory"));
        // The disk fills during the write: the box names the file, then why;
        // nothing is left behind.
        QTemporaryDir full;
        for (const uint32_t outputFormat : {format::tiff, format::bitmap, format::jpeg}) {
            const std::string name = test::Path(full, (std::string("full") + FormatExtension(outputFormat)).c_str());
            AtomicFile::InjectWriteFailureAfter(200);
            const bool saved = frame.SaveDocument(name, outputFormat);
            AtomicFile::InjectWriteFailureAfter(-1);
            QVERIFY(!saved);
            QCOMPARE(f.recorder.messages.back().text, "Error saving '" + name + "'.\r\nNo space left on device");
        }
        QVERIFY(QDir(full.path()).isEmpty());
        QVERIFY(frame.DocumentLoaded());
    }

    void saveAsDialogChoicesAreKept() {
        // Quality and annotation chosen in the Save As dialog stay for the next
        // save and the next start.
        test::Recorder recorder;
        QTemporaryDir out;
        const QString target = QString::fromStdString(test::Path(out, "kept.jpg"));
        {
            MainFrame frame;
            QVERIFY(frame.OpenByName(Photo("P1.ORF")));
            QTimer::singleShot(0, [&target] {
                auto* dialog = qobject_cast<SaveAsDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                dialog->selectNameFilter(SaveAsDialog::Filters()[2]);
                dialog->TypeChanged(2);
                test::Find<QLineEdit>(dialog, "artistEdit")->setText(QStringLiteral("Ann Example"));
                auto* quality = test::Find<QLineEdit>(dialog, "qualityEdit");
                quality->selectAll();
                QTest::keyClicks(quality, QStringLiteral("77"));
                dialog->selectFile(target);
                dialog->accept();
            });
            frame.Command(cmd::saveAs);
            QVERIFY(QFile::exists(target));
            QCOMPARE(frame.SaveFormat().jpegQuality, 77);
        }
        MainFrame again;
        QCOMPARE(again.SaveFormat().format, format::jpeg);
        QCOMPARE(again.SaveFormat().jpegQuality, 77);
        QCOMPARE(again.SaveFormat().artist.value_or(std::string()), std::string("Ann Example"));
        QVERIFY(recorder.messages.empty());
    }

    void convertAllHandsOverOrConvertsHere() {
        test::Recorder recorder;
        QTemporaryDir folder, program;
        const auto in = [](const QTemporaryDir& dir, const char* name) { return test::Path(dir, name); };
        const auto exists = [&](const char* name) { return QFile::exists(QString::fromStdString(in(folder, name))); };
        for (const char* name : {"x1.orf", "X2.ORF"}) QVERIFY(test::WriteSmallOrf(in(folder, name)));
        // With kyp2tiff beside the program: started in a terminal, nothing converted here.
        QVERIFY(test::WriteText(in(program, "kyp2tiff"), "#!/bin/sh\n"));
        QFile::setPermissions(QString::fromStdString(in(program, "kyp2tiff")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("TERMINAL", "my-terminal");
        {
            MainFrame frame;
            frame.programFolder = program.path().toStdString();
            QStringList seen;
            frame.startDetached = [&seen](const QString& terminal, const QStringList& arguments, const QString&) {
                seen = QStringList{terminal} + arguments;
                return true;
            };
            frame.Files().Assign({in(folder, "x1.orf")}, 0);
            frame.Command(cmd::convertAll);
            QCOMPARE(seen.value(0), QStringLiteral("my-terminal"));
            QCOMPARE(seen.mid(seen.size() - 3),
                     QStringList({QString::fromStdString(in(program, "kyp2tiff")), QStringLiteral("-c"),
                                  QString::fromStdString(in(folder, "*.orf"))}));
            QVERIFY(!exists("x1.tif"));
        }
        qunsetenv("TERMINAL");
        // Without it: the folder is converted here, the open document first,
        // counting "n of N"; a bad file is passed over, and a summary ends it.
        QVERIFY(test::WriteText(in(folder, "bad.orf"), "MM\0*no ORF"));  // X2.ORF, bad.orf, x1.orf
        MainFrame frame;
        frame.programFolder = program.path().toStdString() + "/none";
        QVERIFY(frame.OpenByName(in(folder, "X2.ORF")));
        QStringList seen;
        SetMessageHook([&](const MessageRequest& request) {
            seen << frame.Strip().Progress() + QStringLiteral("|") + QString::fromStdString(request.text);
            return true;
        });
        frame.Command(cmd::convertAll);
        QVERIFY(exists("x1.tif") && exists("X2.tif"));
        QCOMPARE(frame.Files().Entry(0), in(folder, "x1.orf"));
        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[0].startsWith(
                     QStringLiteral("2 of 3|Cannot open file '%1'").arg(QString::fromStdString(in(folder, "bad.orf")))),
                 qPrintable(seen[0]));
        QCOMPARE(seen[1], QStringLiteral("|Convert All: 2 of 3 files converted, 1 failed."));
    }

    void helpOpensTheInstalledManual() {
        // An installed kyp (prefix/bin) has no manual beside it: Help opens the
        // one in the installation's documentation folder.
        QTemporaryDir top;
        const std::string bin = top.path().toStdString() + "/usr/bin";
        const std::string manual = HelpFilePath(bin);
        QVERIFY(QDir().mkpath(QString::fromStdString(bin)));
        QVERIFY(QDir().mkpath(QFileInfo(QString::fromStdString(manual)).path()));
        QVERIFY(test::WriteText(manual, "<html></html>"));
        test::Frame f(false);
        f.frame.programFolder = bin;
        QStringList opened;
        f.frame.openUrl = [&opened](const QString& url) { return opened << url, true; };
        f.frame.Command(cmd::help);
        QCOMPARE(opened, QStringList{QStringLiteral("file://") + QString::fromStdString(manual)});
        QVERIFY(f.recorder.messages.empty());
    }

private:
    std::string Photo(const char* name) const { return test::Path(photos_, name); }

    // A scenario's action; false for one the runner does not know.
    bool Act(MainFrame& frame, const QStringList& words) {
        const QString& verb = words.value(0);
        const QString& name = words.value(1);
        const QString text = words.value(2);
        const auto widget = [&frame, &name]() -> QWidget* {  // "sharpen thresholdEdit": the Sharpen page's field of that name
            if (name.startsWith(QLatin1String("sharpen "))) return test::Find<QWidget>(frame.Sharpen(), qPrintable(name.mid(8)));
            for (QWidget* w : frame.findChildren<QWidget*>(name)) {
                if (!frame.Sharpen()->isAncestorOf(w)) return w;
            }
            return test::Find<QWidget>(&frame, qPrintable(name));
        };
        const auto field = [&widget] { return qobject_cast<QLineEdit*>(widget()); };
        std::vector<std::string> files;
        for (QString word : words.mid(verb == QLatin1String("drop") && name == QLatin1String("shift") ? 2 : 1)) {
            word.replace(QLatin1String("$P"), photos_.path()).replace(QLatin1String("$R"), references_.path());
            for (const QString& file : test::Expand(word)) files.push_back(file.startsWith(QLatin1Char('/')) ? file.toStdString() : Photo(qPrintable(file)));
        }
        if (verb == QLatin1String("open")) (void)frame.OpenByName(files.at(0));
        else if (verb == QLatin1String("command")) frame.Command(name.toInt());
        else if (verb == QLatin1String("list")) frame.Files().Assign(files, 0);
        else if (verb == QLatin1String("drop")) frame.DropFiles(files, name == QLatin1String("shift"));
        else if (verb == QLatin1String("merge")) MergeDroppedFiles(frame.Files(), files);
        else if (verb == QLatin1String("add")) for (const std::string& file : files) frame.Files().Add(file);
        else if (verb == QLatin1String("current")) frame.Files().SetCurrent(name.toInt());
        else if (verb == QLatin1String("clear")) frame.Files().Clear();
        else if (verb == QLatin1String("find")) notes_ << QStringLiteral("find %1").arg(frame.Files().Find(files.at(0)));
        else if (verb == QLatin1String("openEntry")) {  // the list's entry opened, or failing
            const bool opens = text == QLatin1String("opens");
            notes_ << QStringLiteral("openEntry %1").arg(frame.Files().OpenEntry(name.toInt(), [opens](const std::string&) { return opens; }));
        }
        else if (verb == QLatin1String("click")) qobject_cast<QAbstractButton*>(widget())->click();
        else if (verb == QLatin1String("check")) qobject_cast<QAbstractButton*>(widget())->setChecked(true);
        else if (verb == QLatin1String("set")) field()->setText(text);                // pasted
        else if (verb == QLatin1String("type")) test::Type(field(), text);            // the field's text replaced, key by key
        else if (verb == QLatin1String("keys")) QTest::keyClicks(field(), text);      // keys at the cursor
        else if (verb == QLatin1String("up")) QTest::keyClick(widget(), Qt::Key_Up, text.isEmpty() ? Qt::NoModifier : Qt::ShiftModifier);
        else if (verb == QLatin1String("down")) QTest::keyClick(widget(), Qt::Key_Down, text.isEmpty() ? Qt::NoModifier : Qt::ShiftModifier);
        else if (verb == QLatin1String("value")) qobject_cast<NumberEdit*>(widget())->SetValue(text.toDouble());
        else if (verb == QLatin1String("leave")) test::Leave(widget());
        else if (verb == QLatin1String("apply")) (void)frame.Options()->ApplyPage(name == QLatin1String("loud"));
        else if (verb == QLatin1String("applyAll")) (void)frame.ApplyOptionsPage(false);
        else if (verb == QLatin1String("tab")) frame.Tabs()->setCurrentIndex(name.toInt());
        else if (verb == QLatin1String("activate")) frame.Page(frame.CurrentPage())->Activate(true);
        else if (verb == QLatin1String("curvePoint")) frame.Curves()[name.toUInt()].SetPoint(text.toUInt(), words.value(3).toInt(), words.value(4).toInt());
        else if (verb == QLatin1String("locale")) QLocale::setDefault(QLocale(name));
        else if (verb == QLatin1String("applyFormat")) frame.SaveFormatTab()->ApplyPage();
        else if (verb == QLatin1String("show")) frame.Options()->ShowSettings();
        else if (verb == QLatin1String("defaults")) frame.Options()->ResetToDefaults(), frame.SaveFormatTab()->ResetToDefaults();
        else if (verb == QLatin1String("balance")) frame.Options()->Balance()->UpdateStates(), frame.Options()->Balance()->Choose(name.toInt());
        else if (verb == QLatin1String("reference")) {  // the white balance of another file
            const std::string chosen = files.at(0);
            frame.Options()->Balance()->referenceDialog = [chosen] { return std::optional<std::string>(chosen); };
            frame.Options()->Balance()->Choose(wbcmd::reference);
        } else if (verb == QLatin1String("method")) {  // chosen in the list, or set from outside
            auto* list = test::Find<QComboBox>(&frame, "methodList");
            if (text.isEmpty()) {
                list->setCurrentIndex(list->findData(name.toInt()));
                emit list->activated(list->currentIndex());
            } else {
                ImportSettings settings = frame.Settings();
                settings.method = static_cast<uint16_t>(name.toInt());
                frame.TakeSettings(settings);
            }
        } else {
            return false;
        }
        test::Settle();
        return true;
    }

    // Every named control as shown: text (selected part), checked, disabled, hidden (a label only
    // the last two); every menu entry.
    static std::map<QString, QString> Controls(MainFrame& frame) {
        std::map<QString, QString> controls;
        for (QAction* action : frame.findChildren<QAction*>()) {
            if (action->text().isEmpty()) continue;
            controls[QStringLiteral("\"") + action->text() + QLatin1Char('"')] =
                QLatin1String(action->isChecked() ? "on" : "") + QLatin1String(action->isEnabled() ? "" : " disabled");
        }
        for (QWidget* w : frame.findChildren<QWidget*>()) {
            QString name = w->objectName(), state;
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
            if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                state = QLatin1Char('\'') + edit->text() + QLatin1Char('\'');
                if (edit->hasSelectedText()) state += QStringLiteral("[") + edit->selectedText() + QLatin1Char(']');
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                state = button->isCheckable() ? QLatin1String(button->isChecked() ? "on" : "off") : QString();
            } else if (auto* list = qobject_cast<QComboBox*>(w)) {
                state = QLatin1Char('\'') + list->currentText() + QLatin1Char('\'');
            } else if (qobject_cast<QLabel*>(w) == nullptr) {
                continue;
            }
            if (!w->isEnabled()) state += QLatin1String(" disabled");
            if (w->isHidden()) state += QLatin1String(" hidden");
            if (frame.Sharpen()->isAncestorOf(w)) name = QLatin1String("sharpen ") + name;
            while (controls.count(name) != 0) name += QLatin1Char('+');
            controls[name] = state;
        }
        return controls;
    }

    // The state after some actions: title, status and beeps; the list (current entry, rebuilds
    // of its menu, entries) and what actions answered; the messages since the
    // last dump; the settings and the save format, and the controls, that changed since then
    // (since the start for the first dump).
    QStringList Dump(test::Frame& f) {
        MainFrame& frame = f.frame;
        QStringList dump, changed;
        QStringList entries;
        for (const std::string& entry : frame.Files().Entries()) entries << QString::fromStdString(entry);
        dump << QStringLiteral("%1 | %2 | beeps %3").arg(frame.windowTitle(), frame.Strip().StatusText()).arg(f.recorder.beeps);
        dump << QStringLiteral("open %1 | list %2 (%3 rebuilt): %4").arg(frame.DocumentLoaded() ? QString::fromStdString(frame.FileName()) : QStringLiteral("-"))
                    .arg(frame.Files().Current()).arg(rebuilds_).arg(entries.join(QLatin1Char(' ')));
        dump += notes_;
        notes_.clear();
        for (; seen_ < f.recorder.messages.size(); ++seen_) {
            const MessageRequest& m = f.recorder.messages[seen_];
            dump << QStringLiteral("message %1 %2: %3").arg(int(m.icon)).arg(QString::fromStdString(m.title), QString::fromStdString(m.text));
        }
        const OutputSettings& out = frame.SaveFormat();
        std::map<QString, QString> now = Controls(frame);
        now[QStringLiteral("settings")] = QString::fromStdString(WriteOptionsText(frame.Settings()));
        now[QStringLiteral("format")] = QStringLiteral("%1 tx%2 ta%3 t16%4 jx%5 ja%6 q%7 artist %8 copyright %9")
                                             .arg(out.format).arg(out.tx).arg(out.ta).arg(out.t16).arg(out.jx).arg(out.ja).arg(out.jpegQuality)
                                             .arg(QString::fromStdString(out.artist.value_or("-")), QString::fromStdString(out.copyright.value_or("-")));
        for (const char* line : {"settings", "format"}) {
            if (shown_[QLatin1String(line)] != now[QLatin1String(line)]) dump << QLatin1String(line) + QLatin1Char(' ') + now[QLatin1String(line)];
        }
        for (const auto& [name, state] : now) {
            if ((shown_.count(name) == 0 || shown_[name] != state) && name != QLatin1String("settings") && name != QLatin1String("format")) {
                changed << name + QLatin1Char(' ') + state;
            }
        }
        for (const auto& [name, state] : shown_) {
            if (now.count(name) == 0) changed << name + QLatin1String(" gone");
        }
        shown_ = now;
        if (!changed.isEmpty()) dump << changed.join(QLatin1String(", "));
        for (QString& line : dump) {
            line.replace(photos_.path(), QLatin1String("$P")).replace(QLatin1String("\r\n"), QLatin1String("\\r\\n"));
            line.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QString::number(QDate::currentDate().year()), QLatin1String("$YEAR"));
        }
        return dump;
    }


    QTemporaryDir photos_;
    QTemporaryDir large_;
    QTemporaryDir references_;  // files for the white balance of another picture
    std::map<QString, QString> shown_;  // the controls at the last dump
    size_t seen_ = 0;                   // the messages dumped
    int rebuilds_ = 0;                  // of the file list's menu
    QStringList notes_;                 // what actions answered, for the next dump
    std::string big_;
};

QTEST_MAIN(GuiFrameTest)
#include "test_gui_frame.moc"
