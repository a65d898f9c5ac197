// The main frame driven through its commands on generated ORF files; the
// scenarios of scenarios.txt (actions, then the state the program shows
// after them, recorded: KYP_RECORD=1 records the state of the code as it is).
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "GuiTestSupport.h"
#include "gui/app/InstallLayout.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/frame/CommandTable.h"
#include "gui/frame/StatusStrip.h"
#include "gui/pages/CurvesPage.h"
#include "gui/pages/ImageInfoPage.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/SaveFormatPage.h"
#include "gui/pages/SharpenPage.h"
#include "gui/pages/WhiteBalanceMenu.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/view/ImageArea.h"
#include "platform/AtomicFile.h"

using namespace kyp;

class GuiFrameTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(photos_.isValid());
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
                keys_ = Qt::NoModifier;
                rebuilds_ = 0;
                qunsetenv("TERMINAL");
                out_ = std::make_unique<QTemporaryDir>();
                Start(f);
                shown_ = State(*f);
                for (const char* state : {"settings", "format"}) shown_.erase(QLatin1String(state));  // the first dump shows them
            } else if (line.startsWith(QLatin1String("dump"))) {
                if (line == QLatin1String("dump all")) shown_.clear();
                QVERIFY2(!QApplication::activePopupWidget(), qPrintable(QStringLiteral("scenarios.txt:%1: a menu left open").arg(n + 1)));
                const QStringList dump = Dump(*f);
                QStringList recorded;
                for (qsizetype k = n + 1; k < lines.size() && lines[k].startsWith(QLatin1String("  | ")); ++k) recorded << lines[k].mid(4);
                if (dump != recorded) {
                    wrong << QStringLiteral("scenarios.txt:%1 (%2) shows\n  | %3").arg(n + 1).arg(scenario, dump.join(QLatin1String("\n  | ")));
                }
                for (const QString& d : dump) written << QStringLiteral("  | ") + d;
            } else if (line == QLatin1String("restart")) {  // the program ends and starts again on the same store
                Start(f);
            } else if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
                QVERIFY2(Act(f->frame, line), qPrintable(QStringLiteral("scenarios.txt:%1: %2").arg(n + 1).arg(line)));
            }
        }
        f.reset();
        QLocale::setDefault(QLocale::c());
        if (test::Recording()) QVERIFY(test::WriteData("scenarios.txt", written));
        else QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n')) + QLatin1String(test::kRecordHint)));
    }

private:
    std::string Photo(const char* name) const { return test::Path(photos_, name); }

    // A (new) main frame whose messages, menu rebuilds, quits, opened addresses and started programs are noted.
    void Start(std::unique_ptr<test::Frame>& f) {
        f.reset();
        f = std::make_unique<test::Frame>(false);
        MainFrame& frame = f->frame;
        SetMessageHook([this, &frame, &messages = f->recorder.messages](const MessageRequest& request) {
            messages.push_back(request);
            if (!frame.Strip().Progress().isEmpty()) notes_ << QStringLiteral("(during %1)").arg(frame.Strip().Progress());
            return true;
        });
        frame.Files().onRebuild = [this, menu = frame.Files().onRebuild] { ++rebuilds_, menu(); };
        frame.quitHandler = [this] { notes_ << QStringLiteral("quit"); };
        frame.openUrl = [this](const QString& url) { return notes_ << QStringLiteral("opened ") + url, true; };
        frame.startDetached = [this](const QString& program, const QStringList& arguments, const QString&) {
            return notes_ << QStringLiteral("started ") + program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')), true;
        };
        CurvesPage* curves = Curves(frame);
        curves->modifiers = [this] { return keys_; };
        curves->curveFileDialog = [this](bool) { return std::optional<std::string>(test::Path(*out_, "curves.acv")); };
        seen_ = 0;
    }
    static CurvesPage* Curves(MainFrame& frame) { return dynamic_cast<CurvesPage*>(frame.Page(page::curves)); }
    static Qt::KeyboardModifiers Keys(const QString& word) {
        Qt::KeyboardModifiers keys;
        if (word.contains(QLatin1String("ctrl"))) keys |= Qt::ControlModifier;
        if (word.contains(QLatin1String("shift"))) keys |= Qt::ShiftModifier;
        if (word.contains(QLatin1String("alt"))) keys |= Qt::AltModifier;
        return keys;
    }
    QString Local(QString word) const {
        return word.replace(QLatin1String("$P"), photos_.path()).replace(QLatin1String("$R"), references_.path()).replace(QLatin1String("$O"), out_->path());
    }

    // A scenario's action; false for one the runner does not know. Actions after "busy" (";" between them)
    // arrive while a run pumps its events; those after "saveAs" drive the Save As dialog.
    bool Act(MainFrame& frame, const QString& line, QWidget* root = nullptr) {
        const QStringList words = test::Words(line);
        const QString& verb = words.value(0);
        const QString& name = words.value(1);
        const QString text = words.value(2);
        const QStringList then = line.section(QLatin1Char(' '), 1).split(QLatin1String("; "));
        // "sharpen thresholdEdit", "curves channelList": the Sharpen or Curves page's control of that name
        const auto named = [&frame, root](const QString& control) -> QWidget* {
            if (root != nullptr) return test::Find<QWidget>(root, qPrintable(control));
            if (control.startsWith(QLatin1String("sharpen "))) return test::Find<QWidget>(frame.Sharpen(), qPrintable(control.mid(8)));
            if (control.startsWith(QLatin1String("curves "))) return test::Find<QWidget>(Curves(frame), qPrintable(control.mid(7)));
            for (QWidget* w : frame.findChildren<QWidget*>(control)) {
                if (!frame.Sharpen()->isAncestorOf(w)) return w;
            }
            return test::Find<QWidget>(&frame, qPrintable(control));
        };
        const auto widget = [&named, &name] { return named(name); };
        CurvesPage* curves = Curves(frame);
        const auto graph = [curves, &words](int at) {  // a point of the curves graph, from its bottom left corner
            return QPoint(curves->Graph().left() + words.value(at).toInt(), curves->Graph().bottom() - words.value(at + 1).toInt());
        };
        const auto field = [&widget] { return qobject_cast<QLineEdit*>(widget()); };
        std::vector<std::string> files;
        for (QString word : words.mid(verb == QLatin1String("drop") && name == QLatin1String("shift") ? 2 : 1)) {
            word = Local(word);
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
        else if (verb == QLatin1String("wheel")) test::Wheel(widget(), widget()->rect().center(), text.toInt(), Keys(words.value(3)));
        else if (verb == QLatin1String("key")) {  // "key Ctrl+F4": the focus outside the pages; "key Alt+F invertCheck": on a control
            const QKeyCombination key = QKeySequence::fromString(name)[0];
            QWidget* target = text.isEmpty() ? frame.centralWidget() : named(text);
            target->setFocus();
            QTest::keyClick(target, key.key(), key.keyboardModifiers());
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {  // noted and closed
                notes_ << QStringLiteral("%1 opens menu %2").arg(name, menu->title());
                menu->close();
                frame.activateWindow();
                if (!QTest::qWaitFor([&frame] { return !QApplication::activePopupWidget() && QApplication::activeWindow() == &frame; })) return false;
            }
        }
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
        } else if (verb == QLatin1String("busy") || verb == QLatin1String("run")) {  // "run": during the document's processing
            bool acted = true;
            QTimer::singleShot(0, &frame, [&] {
                for (const QString& action : then) acted = (action.isEmpty() || Act(frame, action)) && acted;
            });
            if (verb == QLatin1String("run")) {
                notes_ << QStringLiteral("run %1").arg(frame.Processing());
            } else {
                frame.BeginWait();
                (void)frame.Strip().Tick(1);
                frame.EndWait();
            }
            test::Settle();
            if (!acted) return false;
        } else if (verb == QLatin1String("saveAs")) {
            bool acted = false;
            QTimer::singleShot(0, &frame, [&] {
                auto* dialog = qobject_cast<SaveAsDialog*>(QApplication::activeModalWidget());
                acted = dialog != nullptr;
                for (const QString& action : then) acted = acted && Act(frame, action, dialog);
                if (dialog != nullptr && dialog->isVisible()) dialog->reject();
            });
            frame.Command(cmd::saveAs);
            if (!acted) return false;
        } else if (auto* dialog = qobject_cast<SaveAsDialog*>(root); dialog != nullptr && verb == QLatin1String("filetype")) {
            // The dialog's own name as the type left it (choosing the filter in Qt's dialog changes it as well).
            dialog->TypeChanged(name.toInt());
            notes_ << QStringLiteral("filetype %1: .%2, name %3").arg(name, dialog->defaultSuffix(), *Shown(named(QStringLiteral("fileNameEdit"))));
            dialog->selectNameFilter(SaveAsDialog::Filters()[name.toInt()]);
        } else if (dialog != nullptr && verb == QLatin1String("accept")) {
            dialog->selectFile(Local(name));
            dialog->accept();
            notes_ << QStringLiteral("chosen ") + QString::fromStdString(dialog->ChosenName());
        } else if (verb == QLatin1String("look")) {  // the state of controls no dump shows (those of a dialog)
            for (const QString& look : words.mid(1)) notes_ << look + QLatin1Char(' ') + Shown(named(look)).value_or(QStringLiteral("?"));
        } else if (verb == QLatin1String("save")) {  // to a file in a format, the disk full after some bytes
            AtomicFile::InjectWriteFailureAfter(words.size() > 3 ? words[3].toInt() : -1);
            const bool saved = frame.SaveDocument(files.at(0), text.toUInt());
            AtomicFile::InjectWriteFailureAfter(-1);
            QByteArray bytes = test::ReadAll(files.at(0));
            const QByteArray now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy:MM:dd")).toLatin1();
            for (qsizetype at = bytes.indexOf(now); at >= 0; at = bytes.indexOf(now, at + 1)) bytes.replace(at, 19, "(the time of saving)");
            notes_ << QStringLiteral("save %1 %2: %3 bytes, md5 %4; $O: %5").arg(name, QLatin1String(saved ? "saved" : "failed"))
                          .arg(bytes.size()).arg(QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().left(12)))
                          .arg(QDir(out_->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).join(QLatin1Char(' ')));
        } else if (verb == QLatin1String("orf") || verb == QLatin1String("write") || verb == QLatin1String("tool")) {  // files made for a scenario
            (void)QDir().mkpath(QFileInfo(Local(name)).path());
            if (verb == QLatin1String("orf")) return test::WriteSmallOrf(files.at(0)) && (test::Settle(), true);
            if (!test::WriteText(files.at(0), verb == QLatin1String("tool") ? std::string("#!/bin/sh\n") : text.toStdString())) return false;
            if (verb == QLatin1String("tool")) QFile::setPermissions(Local(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        } else if (verb == QLatin1String("program")) {  // the folder the program runs from; "manual": with the manual where Help looks
            frame.programFolder = files.at(0);
            if (text == QLatin1String("manual")) {
                const std::string manual = HelpFilePath(frame.programFolder);
                (void)QDir().mkpath(QFileInfo(QString::fromStdString(manual)).path());
                if (!test::WriteText(manual, "<html></html>")) return false;
            }
        } else if (verb == QLatin1String("env")) {
            if (text.isEmpty()) qunsetenv(qPrintable(name));
            else qputenv(qPrintable(name), text.toUtf8());
        } else if (verb == QLatin1String("shown")) {
            frame.show();
            if (!QTest::qWaitForWindowActive(&frame)) return false;
        } else if (verb == QLatin1String("info")) {  // the Image Info page's text; every value in one column past the widest label
            auto* info = dynamic_cast<ImageInfoPage*>(frame.Page(page::imageInfo));
            const auto* infoText = test::Find<QPlainTextEdit>(info, "infoText");
            const QFontMetricsF metrics(infoText->font());
            QStringList wide;
            for (const QString& shown : info->Text().split(QLatin1Char('\n'))) {
                if (metrics.horizontalAdvance(shown.section(QLatin1Char('\t'), 0, 0)) >= infoText->tabStopDistance()) wide << shown;
            }
            notes_ << QStringLiteral("info ") + info->Text() + QStringLiteral(" | labels past the tab stop: ") + wide.join(QLatin1Char('|'));
        } else if (verb == QLatin1String("gclick")) {  // on the curves graph: X Y [keys]
            test::Click(curves, graph(1), Keys(words.value(3)));
        } else if (verb == QLatin1String("gdouble")) {
            test::DoubleClick(curves, graph(1), Keys(words.value(3)));
        } else if (verb == QLatin1String("gdrag")) {  // X Y to X Y
            test::Drag(curves, graph(1), graph(3));
        } else if (verb == QLatin1String("gwheel")) {  // X Y DELTA [keys [turns]]
            for (int turn = 0; turn < std::max(1, words.value(5).toInt()); ++turn) test::Wheel(curves, graph(1), words.value(3).toInt(), Keys(words.value(4)));
        } else if (verb == QLatin1String("hold")) {  // the keys held down, as the curves page reads them
            keys_ = Keys(name);
        } else if (verb == QLatin1String("step")) {
            curves->StepPoint(name == QLatin1String("next"));
        } else if (verb == QLatin1String("curve")) {  // CHANNEL x,y ...: a curve set from outside
            Curve& curve = frame.Curves()[name.toUInt()];
            curve.Clear();
            for (const QString& point : words.mid(2)) curve.AddPoint(point.section(QLatin1Char(','), 0, 0).toInt(), point.section(QLatin1Char(','), 1).toInt());
            curves->Activate(true);
        } else if (verb == QLatin1String("samples")) {  // the image the curves page's Auto reads: r g b per pixel, or none
            samples_.clear();
            for (const QString& sample : words.mid(1)) samples_.push_back(static_cast<uint16_t>(sample.toUInt()));
            image_ = ProcessedImage{static_cast<uint32_t>(samples_.size() / 3), 1, 3, 16, static_cast<int32_t>(samples_.size() * 2), samples_.data()};
            curves->processedImage = [this] { return samples_.empty() ? nullptr : &image_; };
        } else if (verb == QLatin1String("popup")) {  // a list's rows highlighted in turn, then closed without a choice
            auto* list = qobject_cast<QComboBox*>(widget());
            list->showPopup();
            for (const QString& row : words.mid(2)) {
                list->view()->setCurrentIndex(list->model()->index(row.toInt(), 0));
                notes_ << QStringLiteral("highlight %1: channel %2").arg(row).arg(curves->Channel());
            }
            list->hidePopup();
        } else if (verb == QLatin1String("captions")) {  // of the curves page's buttons, once they changed (it looks at the keys every 200 ms)
            const auto captions = [curves] {
                QStringList texts;
                for (const char* button : {"defaultButton", "revertButton", "autoButton"}) texts << test::Find<QPushButton>(curves, button)->text();
                return texts.join(QLatin1Char(' '));
            };
            const QString before = captions();
            (void)QTest::qWaitFor([&] { return captions() != before; }, 2000);
            notes_ << QStringLiteral("captions ") + captions();
        } else if (verb == QLatin1String("ls")) {
            notes_ << QStringLiteral("ls %1: ").arg(name) + QDir(Local(name)).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).join(QLatin1Char(' '));
        } else if (verb == QLatin1String("geometry")) {
            frame.setGeometry(name.toInt(), text.toInt(), words.value(3).toInt(), words.value(4).toInt());
        } else if (verb == QLatin1String("place")) {  // of the window
            notes_ << QStringLiteral("place %1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
        } else if (verb == QLatin1String("trigger")) {  // a menu entry
            QAction* chosen = nullptr;
            for (QAction* action : frame.findChildren<QAction*>()) chosen = action->text() == name ? action : chosen;
            if (chosen == nullptr) return false;
            chosen->trigger();
        } else if (verb == QLatin1String("menuFrom")) {  // the place of the menu an action opens, then closed
            QTimer::singleShot(0, &frame, [this, &frame] {
                const int button = frame.Strip().mapToGlobal(frame.Strip().ButtonRect().bottomLeft()).y();
                if (QWidget* popup = QApplication::activePopupWidget()) {
                    notes_ << QStringLiteral("menu top %1, the list button's bottom %2").arg(popup->geometry().top()).arg(button);
                    popup->close();
                }
            });
            if (!Act(frame, line.section(QLatin1Char(' '), 1))) return false;
        } else if (verb == QLatin1String("closeWindow")) {
            frame.close();
        } else {
            return false;
        }
        test::Settle();
        return true;
    }

    // A control as shown: text (selected part), checked, disabled, hidden (of a label only the last
    // two, of another kind of widget only with `any`).
    static std::optional<QString> Shown(QWidget* w, bool any = true) {
        QString state;
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            state = QLatin1Char('\'') + edit->text() + QLatin1Char('\'');
            if (edit->hasSelectedText()) state += QStringLiteral("[") + edit->selectedText() + QLatin1Char(']');
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            state = button->isCheckable() ? QLatin1String(button->isChecked() ? "on" : "off") : QString();
        } else if (auto* list = qobject_cast<QComboBox*>(w)) {
            state = QLatin1Char('\'') + list->currentText() + QLatin1Char('\'');
        } else if (qobject_cast<QLabel*>(w) == nullptr && !any) {
            return std::nullopt;
        }
        if (!w->isEnabled()) state += QLatin1String(" disabled");
        if (w->isHidden()) state += QLatin1String(" hidden");
        return state;
    }

    // The state lines of a dump, each shown when it changed.
    static constexpr const char* kLines[] = {"settings", "format", "curves", "flags", "tabs"};

    // Every named control and menu entry as shown, and the state lines: the settings, the save format, the
    // curves (the page's channel and selected point, each channel's points, the shown channel's table at
    // 0, 64 ... 255, a drag under way), the pending work, the run's flags and the sample size, the pages.
    std::map<QString, QString> State(test::Frame& f) const {
        MainFrame& frame = f.frame;
        std::map<QString, QString> state;
        for (QAction* action : frame.findChildren<QAction*>()) {
            if (action->text().isEmpty()) continue;
            state[QStringLiteral("\"") + action->text() + QLatin1Char('"')] =
                QLatin1String(action->isChecked() ? "on" : "") + QLatin1String(action->isEnabled() ? "" : " disabled");
        }
        for (QWidget* w : frame.findChildren<QWidget*>()) {
            QString name = w->objectName();
            const std::optional<QString> shown = Shown(w, false);
            if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) || !shown) continue;
            if (frame.Sharpen()->isAncestorOf(w)) name = QLatin1String("sharpen ") + name;
            while (state.count(name) != 0) name += QLatin1Char('+');
            state[name] = *shown;
        }
        const OutputSettings& out = frame.SaveFormat();
        state[QStringLiteral("settings")] = QString::fromStdString(WriteOptionsText(frame.Settings()));
        state[QStringLiteral("format")] = QStringLiteral("%1 tx%2 ta%3 t16%4 jx%5 ja%6 q%7 artist %8 copyright %9")
                                               .arg(out.format).arg(out.tx).arg(out.ta).arg(out.t16).arg(out.jx).arg(out.ja).arg(out.jpegQuality)
                                               .arg(QString::fromStdString(out.artist.value_or("-")), QString::fromStdString(out.copyright.value_or("-")));
        CurvesPage* curves = Curves(frame);
        QString& line = state[QStringLiteral("curves")] = QStringLiteral("channel %1, point %2:").arg(curves->Channel()).arg(curves->Selected());
        for (const Curve& curve : frame.Curves()) line += QLatin1Char(' ') + QString::fromStdString(curve.WriteText()) + QLatin1String(" |");
        for (const int at : {0, 64, 128, 192, 255}) line += QStringLiteral(" %1").arg(curves->Table()[static_cast<size_t>(at)]);
        if (curves->Dragging()) line += QLatin1String(" dragging");
        state[QStringLiteral("flags")] = QStringLiteral("pending process %1 reload %2, escape %3, exit %4, sample size %5")
                                              .arg(frame.ProcessingPending()).arg(frame.ReloadPending()).arg(frame.Strip().EscapeNoted()).arg(frame.ExitRequested())
                                              .arg(frame.Layout().sampleSize);
        QStringList tabs;
        for (int i = 0; i < frame.Tabs()->count(); ++i) tabs << frame.Tabs()->tabText(i);
        state[QStringLiteral("tabs")] = QStringLiteral("%1 of ").arg(frame.CurrentPage()) + tabs.join(QLatin1Char('|'));
        return state;
    }

    // The state after some actions: title, status and beeps; the list (current entry, rebuilds
    // of its menu, entries) and what actions answered; the messages since the
    // last dump; the state lines and the controls that changed since then (since the start for the
    // first dump; the settings and the save format always there).
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
        std::map<QString, QString> now = State(f);
        for (const char* line : kLines) {
            if (shown_[QLatin1String(line)] != now[QLatin1String(line)]) dump << QLatin1String(line) + QLatin1Char(' ') + now[QLatin1String(line)];
        }
        const auto isLine = [](const QString& name) { return std::find(std::begin(kLines), std::end(kLines), name) != std::end(kLines); };
        for (const auto& [name, state] : now) {
            if ((shown_.count(name) == 0 || shown_[name] != state) && !isLine(name)) changed << name + QLatin1Char(' ') + state;
        }
        for (const auto& [name, state] : shown_) {
            if (now.count(name) == 0) changed << name + QLatin1String(" gone");
        }
        shown_ = now;
        if (!changed.isEmpty()) dump << changed.join(QLatin1String(", "));
        for (QString& line : dump) {
            line.replace(photos_.path(), QLatin1String("$P")).replace(out_->path(), QLatin1String("$O")).replace(QLatin1String("\r\n"), QLatin1String("\\r\\n"));
            line.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QString::number(QDate::currentDate().year()), QLatin1String("$YEAR"));
        }
        return dump;
    }

    QTemporaryDir photos_;
    QTemporaryDir references_;  // files for the white balance of another picture
    std::unique_ptr<QTemporaryDir> out_;  // a scenario's own files ($O)
    Qt::KeyboardModifiers keys_;        // held down, as the curves page reads them
    std::vector<uint16_t> samples_;     // the curves page's image for Auto
    ProcessedImage image_;
    std::map<QString, QString> shown_;  // the controls at the last dump
    size_t seen_ = 0;                   // the messages dumped
    int rebuilds_ = 0;                  // of the file list's menu
    QStringList notes_;                 // what actions answered, for the next dump
};

QTEST_MAIN(GuiFrameTest)
#include "test_gui_frame.moc"
