// The desktop program's rules that need no window: command line, file list,
// folder walk, stored layout, registration files, busy strip arithmetic.
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/app/InstallLayout.h"
#include "gui/app/Registration.h"
#include "gui/app/StartupCommandLine.h"
#include "gui/frame/FileList.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/FrameLayout.h"
#include "gui/frame/StatusStrip.h"
#include "gui/widgets/BusyAnimator.h"

using namespace kyp;
using Kind = StartupStep::Kind;

namespace {
// The steps as text: "settings:NAME", "image:NAME", "register", "unregister".
QStringList Steps(const std::vector<std::string>& arguments) {
    QStringList steps;
    for (const StartupStep& step : ScanStartupCommandLine(arguments)) {
        const QString name = QString::fromStdString(step.text);
        if (step.kind == Kind::settingsFile) steps << QStringLiteral("settings:") + name;
        if (step.kind == Kind::imageFile) steps << QStringLiteral("image:") + name;
        if (step.kind == Kind::registerTypes) steps << QStringLiteral("register");
        if (step.kind == Kind::unregisterTypes) steps << QStringLiteral("unregister");
    }
    return steps;
}
}  // namespace

class GuiLogicTest : public QObject {
    Q_OBJECT
private slots:
    void init() { (void)test::UsePrivateConfig(); }

    void commandLine() {
        // Settings files before one image, which ends the scan; no "." at all
        // is an image (a "." in a folder is no extension); verbs in any case
        // end the scan; other options pass.
        const struct { std::vector<std::string> arguments; QStringList steps; } lines[] = {
            {{"a.kis", "/x/B.KIS", "/x/photo.orf", "c.kis", "second.orf"},
             {"settings:a.kis", "settings:/x/B.KIS", "image:/x/photo.orf"}},
            {{"-nologo", "", " ", "/photos.kis/P100"}, {"image:/photos.kis/P100"}},
            {{"x.kis", "-REG", "p.orf"}, {"settings:x.kis", "register"}},
            {{"x.kis", "-Register", "p.orf"}, {"settings:x.kis", "register"}},
            {{"x.kis", "-reg", "p.orf"}, {"settings:x.kis", "register"}},
            {{"-UNREGISTER"}, {"unregister"}},
            {{"-foo", "p.orf", "-reg"}, {"image:p.orf"}},
        };
        for (const auto& line : lines) QCOMPARE(Steps(line.arguments), line.steps);
        QVERIFY(WantsNoLogo({"p.orf", "-nologo"}));
        QVERIFY(!WantsNoLogo({"-NOLOGO", "/a/-nologo.orf"}));
    }

    void fileListRules() {
        FileList list;
        int rebuilds = 0;
        list.onRebuild = [&rebuilds] { ++rebuilds; };
        for (int i = 0; i < 21; ++i) list.Add("/p/F" + std::to_string(i) + ".orf");
        QCOMPARE(list.Count(), 20);
        QCOMPARE(list.Entry(0), std::string("/p/F20.orf"));
        QCOMPARE(list.Entry(19), std::string("/p/F1.orf"));  // F0, the oldest, dropped
        QCOMPARE(list.Find("/p/F0.orf"), -1);
        QCOMPARE(rebuilds, 21);
        // Another spelling of a listed name only moves the current index.
        list.Add("/P/f5.ORF");
        QCOMPARE(list.Count(), 20);
        QCOMPARE(list.Current(), 15);
        QCOMPARE(list.Entry(15), std::string("/p/F5.orf"));
        QCOMPARE(rebuilds, 21);
        // A failing entry is removed; the current index follows its entry.
        const auto fails = [](const std::string&) { return false; };
        list.SetCurrent(10);
        QVERIFY(!list.OpenEntry(3, fails));
        QCOMPARE(list.Count(), 19);
        QCOMPARE(list.Current(), 9);
        QCOMPARE(list.Entry(9), std::string("/p/F10.orf"));
        QVERIFY(!list.OpenEntry(9, fails));
        QCOMPARE(list.Current(), -1);
        QVERIFY(list.OpenEntry(0, [](const std::string&) { return true; }));
        QCOMPARE(list.Current(), 0);
        QVERIFY(!list.OpenEntry(99, [](const std::string&) { return true; }));
        list.Clear();
        QVERIFY(list.Empty() && list.Current() == -1);

        // Dropped files go first, newest first, each once; the list keeps twenty.
        std::vector<std::string> old;
        for (int i = 0; i < 19; ++i) old.push_back("/old/" + std::to_string(i) + ".orf");
        list.Assign(old, 4);
        MergeDroppedFiles(list, {"/new/a.orf", "/old/7.ORF", "/new/b.orf"});
        QCOMPARE(list.Count(), 20);
        const std::vector<std::string> entries = list.Entries();
        const std::vector<std::string> head(entries.begin(), entries.begin() + 4);
        QCOMPARE(head, std::vector<std::string>({"/new/a.orf", "/old/7.ORF", "/new/b.orf", "/old/0.orf"}));
        QCOMPARE(list.Find("/old/7.orf"), 1);                 // not listed twice
        QCOMPARE(list.Entry(19), std::string("/old/17.orf"));  // 18 fell off
        QCOMPARE(list.Entry(list.Current()), std::string("/old/4.orf"));
    }

    void folderWalkSortsAndWraps() {
        QTemporaryDir dir;
        for (const char* name : {"b.orf", "A.ORF", "c.Orf", "notes.txt", "d.orf.bak"}) {
            QVERIFY(test::WriteText(test::Path(dir, name), "x"));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.orf")));
        const auto files = ListOrfFiles(dir.path().toStdString());
        // Byte order: capitals first.
        QCOMPARE(files, std::vector<std::string>({test::Path(dir, "A.ORF"), test::Path(dir, "b.orf"), test::Path(dir, "c.Orf")}));
        QCOMPARE(NeighbourFile(files, files[2], true), files[0]);
        QCOMPARE(NeighbourFile(files, files[0], false), files[2]);
        QCOMPARE(NeighbourFile(files, test::Path(dir, "B.ORF"), true), files[2]);
        QCOMPARE(NeighbourFile(files, test::Path(dir, "zz.orf"), true), std::string());
        QCOMPARE(NeighbourFile({}, "x", true), std::string());
        // A file no longer listed keeps its place in the byte order.
        const std::vector<std::string> abc = {"/p/A.orf", "/p/c.orf", "/p/e.orf"};
        const struct { const char* reference; bool next; const char* expected; } places[] = {
            {"/p/c.orf", true, "/p/e.orf"}, {"/p/d.orf", true, "/p/e.orf"}, {"/p/d.orf", false, "/p/c.orf"},
            {"/p/f.orf", true, "/p/A.orf"}, {"/p/0.orf", false, "/p/e.orf"}, {"/p/B.orf", false, "/p/A.orf"},
        };
        for (const auto& place : places) QCOMPARE(NeighbourOfPosition(abc, place.reference, place.next), std::string(place.expected));
        QCOMPARE(NeighbourOfPosition({}, "x", true), std::string());
        // Folders and names.
        QCOMPARE(DirValueFor("/a/b/P1.ORF"), std::string("/a/b"));
        QCOMPARE(DirValueFor("/a/folder"), std::string("/a/folder"));
        QCOMPARE(DirValueFor("/a/b/"), std::string("/a/b/"));
        QCOMPARE(DirValueFor("/P1.ORF"), std::string("/"));
        QCOMPARE(DirValueFor("P1.ORF"), std::string());
        QCOMPARE(FolderOf("/x"), std::string("/"));
    }

    void storedLayout() {
        StoredRect rect;
        QVERIFY(ParseStoredRect("10,-20,300x400", rect));
        QVERIFY((rect == StoredRect{10, -20, 300, 400}));
        QVERIFY(!ParseStoredRect("1,2,3", rect));
        QVERIFY(!ParseStoredRect("", rect));
        QVERIFY((FitStoredRect({0, -5, 1279, 900}, 1280, 800) == StoredRect{1, 1, 1276, 796}));
        QVERIFY((FitStoredRect({5, 5, 1278, 797}, 1280, 800) == StoredRect{5, 5, 1278, 797}));

        FrameLayout written;
        written.window = StoredRect{20, 30, 900, 500};
        written.view = {5, 6, 700, 400};
        written.viewSeparate = true;
        written.autoPreview = 0;
        written.generatePreview = 1;
        written.sampleSize = 7;  // kept as stored
        written.files = {"/p/a.orf", "/p/b.orf", "/p/c.orf"};
        written.current = 2;
        FrameLayout read;
        const auto readBack = [&read] {
            SettingsStore store;
            QVERIFY(store.OpenForReading());
            ReadFrameLayout(store, read, 1280, 800);
        };
        const auto write = [](const std::function<bool(SettingsStore&)>& fill) {
            SettingsStore store;
            QVERIFY(store.CreateForWriting() && fill(store));
        };
        write([&written](SettingsStore& store) {
            return store.WriteString("File3", "/stale.orf") && WriteFrameLayout(store, written);
        });
        readBack();
        QVERIFY(read.window && *read.window == *written.window);
        QVERIFY(read.view == written.view);
        QVERIFY(read.viewSeparate && read.autoPreview == 0 && read.generatePreview == 1 && read.sampleSize == 7);
        QVERIFY(read.files == written.files);  // File3 was deleted
        QCOMPARE(read.current, 2);
        // A "File" index equal to the count comes back as 0; a window too large is fitted.
        write([](SettingsStore& store) { return store.WriteNumber("File", 3) && store.WriteString("Window", "0,0,5000,5000"); });
        readBack();
        QCOMPARE(read.current, 0);
        QVERIFY((*read.window == StoredRect{1, 1, 1276, 796}));
        // An empty list writes nothing at all: the view's flag stays as stored.
        FrameLayout empty;
        empty.viewSeparate = false;
        SettingsStore store;
        QVERIFY(store.CreateForWriting());
        QVERIFY(WriteFrameLayout(store, empty));
        uint32_t separate = 0;
        QVERIFY(store.ReadNumber("ViewSep", separate) && separate == 1);
    }

    void registrationWritesAndRemoves() {
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        QVERIFY(RegisterFileTypes("/opt/my apps/kyp"));
        const QByteArray entry = test::ReadAll(DesktopEntryPath());
        QVERIFY(entry.contains("Exec=\"/opt/my apps/kyp\" %f\n"));
        QVERIFY(entry.contains("MimeType=image/x-olympus-orf;application/x-kyp-settings;\n"));
        QVERIFY(test::ReadAll(MimePackagePath()).contains("<glob pattern=\"*.kis\"/>"));
        {
            SettingsStore store;
            QVERIFY(store.CreateForWriting());
            QVERIFY(store.WriteString("Dir", "/x"));
        }
        QVERIFY(UnregisterFileTypes());
        QVERIFY(!QFile::exists(QString::fromStdString(DesktopEntryPath())));
        QVERIFY(!QFile::exists(QString::fromStdString(MimePackagePath())));
        SettingsStore store;
        QVERIFY(!store.OpenForReading());  // the settings went with it
        qunsetenv("XDG_DATA_HOME");
    }

    void buildFolderAndInstalledLayout() {
        // A build folder has the manual beside the program; an installed kyp
        // (prefix/bin) has it, its icon and the system entry under prefix/share.
        QTemporaryDir top;
        const QString base = top.path();
        const auto under = [](const QString& folder, const char* relative) {
            return QDir::cleanPath(folder + "/" + QString::fromLatin1(relative));
        };
        const auto docs = [&](const QString& bin) { return under(bin, KYP_DOC_FROM_BIN) + "/kypdoc.htm"; };
        const auto icon = [&](const QString& bin) {
            return under(bin, KYP_DATA_FROM_BIN) + "/icons/hicolor/scalable/apps/com.zeltarts.Kyp.svg";
        };
        const auto entry = [&](const QString& bin) {
            return under(bin, KYP_DATA_FROM_BIN) + "/applications/com.zeltarts.Kyp.desktop";
        };
        const QString usr = base + "/usr/bin", both = base + "/both/bin", opt = base + "/opt/bin";
        const struct { QString folder; QStringList files; QString help; bool installed; } cases[] = {
            {base + "/build", {base + "/build/kypdoc.htm"}, base + "/build/kypdoc.htm", false},
            {base + "/bare", {}, base + "/bare/kypdoc.htm", false},
            {usr, {docs(usr), icon(usr), entry(usr)}, docs(usr), true},  // icon and system entry present
            {opt, {}, docs(opt), false},                                  // not there: where it belongs
            {both, {both + "/kypdoc.htm", docs(both)}, both + "/kypdoc.htm", false},
        };
        for (const auto& c : cases) {
            QVERIFY(QDir().mkpath(c.folder));
            for (const QString& file : c.files) {
                QVERIFY(QDir().mkpath(QFileInfo(file).path()));
                QVERIFY(test::WriteText(file.toStdString(), "x"));
            }
            const std::string folder = c.folder.toStdString();
            QCOMPARE(QString::fromStdString(HelpFilePath(folder)), c.help);
            const QString text = QString::fromStdString(DesktopEntryText(folder + "/kyp"));
            QVERIFY(text.contains("Exec=" + c.folder + "/kyp %f\n"));
            QCOMPARE(text.contains("Icon=" + icon(c.folder) + "\n"), c.installed);
            QCOMPARE(text.contains("Icon=image-x-generic\n"), !c.installed);
            QCOMPARE(text.contains("NoDisplay=true\n"), c.installed);
        }
    }

    void withoutDisplayRegistersOrSaysWhy() {
        // The program itself, started with no display: the registration verbs
        // work, and a plain start ends with one line and status 1. A named
        // display that does not answer counts as none.
        const QString program = QStringLiteral(KYP_BINARY_DIR "/kyp");
        QVERIFY2(QFile::exists(program), "kyp is built beside the tests");
        QTemporaryDir data, config;
        const struct { const char* display; QStringList arguments; int status; bool registered; } runs[] = {
            {nullptr, {"-reg"}, 0, true},       {nullptr, {"-nologo", "-UNREG"}, 0, false},
            {nullptr, {}, 1, false},            {nullptr, {"-nologo", "x.orf"}, 1, false},
            {":87", {"-register"}, 0, true},   {":87", {}, 1, true},
        };
        for (const auto& run : runs) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"}) {
                environment.remove(QString::fromLatin1(name));
            }
            if (run.display != nullptr) environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(run.display));
            environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
            environment.insert(QStringLiteral("KYP_CONFIG_HOME"), config.path());
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(program, run.arguments);
            QVERIFY(process.waitForFinished(20000));
            const QString where = run.arguments.join(QLatin1Char(' ')) + QStringLiteral(" DISPLAY=") +
                                  QString::fromLatin1(run.display != nullptr ? run.display : "");
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QVERIFY2(process.exitCode() == run.status, qPrintable(where));
            QVERIFY2(QFile::exists(data.path() + QStringLiteral("/applications/kyp.desktop")) == run.registered,
                     qPrintable(where));
            const QByteArray errors = process.readAllStandardError();
            if (run.status == 1) {
                QVERIFY2(errors.startsWith("!Error: Cannot open a display") && errors.count('\n') == 1,
                         errors.constData());
            }
        }
    }

    void busyRowPaletteAndRotation() {
        const auto row = BusyAnimator::BuildRow();
        QCOMPARE(int(row[0]), 255);
        QCOMPARE(int(row[256]), 255);
        QCOMPARE(int(row[128]), 1);
        // d = 64: 256 - round(255 * 255^(-1/4)).
        QCOMPARE(int(row[64]), 256 - static_cast<int>(std::lround(255.0 * std::pow(255.0, -0.25))));
        QCOMPARE(BusyAnimator::PaletteEntry(0), qRgb(190, 190, 240));
        QCOMPARE(BusyAnimator::PaletteEntry(255), qRgb(253, 253, 240));
        auto rotated = row;
        BusyAnimator::RotateRow(rotated);
        QCOMPARE(rotated[0], row[2]);
        QCOMPARE(rotated[254], row[0]);
        QCOMPARE(rotated[255], row[1]);
        QCOMPARE(rotated[256], row[256]);  // the 257th value never moves
        for (int i = 1; i < 128; ++i) BusyAnimator::RotateRow(rotated);
        QVERIFY(std::equal(row.begin(), row.begin() + 256, rotated.begin()));
    }

    void busyThreadRotatesOnlyWhileBusy() {
        QWidget owner;
        BusyAnimator busy(&owner);
        busy.SetRect(QRect(0, 0, 100, 10));
        // Nested pairs: only the outermost End stops the thread.
        busy.Begin();
        busy.Begin();
        QVERIFY(busy.Animating());
        const auto first = busy.RowSnapshot();
        QTest::qWait(120);
        QVERIFY(busy.RowSnapshot() != first);
        busy.End();
        QVERIFY(busy.Animating());
        busy.End();
        QVERIFY(!busy.Animating());
        QCOMPARE(busy.Level(), 0);
        // Every preview refresh is a Begin/End pair: the last End wakes the
        // thread instead of waiting for its 20 ms pause to run out. The median
        // of many pairs keeps a descheduled moment from deciding the outcome.
        std::vector<qint64> ends;
        QElapsedTimer timer;
        for (int i = 0; i < 15; ++i) {
            busy.Begin();
            QTest::qSleep(2);  // the thread is in its pause now
            timer.start();
            busy.End();
            ends.push_back(timer.nsecsElapsed());
            QVERIFY(!busy.Animating());
            QCOMPARE(busy.Level(), 0);
        }
        std::sort(ends.begin(), ends.end());
        const double median = static_cast<double>(ends[ends.size() / 2]) / 1e6;
        QVERIFY2(median < 8.0, qPrintable(QStringLiteral("End took %1 ms").arg(median)));
        busy.SwitchOff();
        busy.Begin();
        QVERIFY(!busy.Animating());
    }

    void statusStripPlaces() {
        // The file list opens below its button, above it only without room
        // below, always on the screen.
        const QRect screen(0, 0, 1280, 1024);
        const struct { QRect button; QSize menu; QPoint expected; } cases[] = {
            {{100, 580, 16, 18}, {300, 240}, {112, 598}},
            {{100, 900, 16, 18}, {300, 240}, {112, 660}},
            {{100, 760, 16, 18}, {300, 246}, {112, 778}},   // just fits below
            {{100, 760, 16, 18}, {300, 247}, {112, 513}},
            {{1270, 580, 16, 18}, {300, 240}, {980, 598}},  // kept on the screen
            {{100, 100, 16, 18}, {300, 2000}, {112, 0}},
        };
        for (const auto& c : cases) QCOMPARE(StatusStrip::MenuPosition(c.button, c.menu, screen), c.expected);
        // A long path keeps its start and the file's name.
        const QFontMetrics metrics(QApplication::font());
        const QString path = QStringLiteral("/home/someone/pictures/holiday/2003/day-one/P1010001.ORF");
        const int width = metrics.horizontalAdvance(QStringLiteral("/home/...P1010001.ORF")) + 2;
        const QString shown = PathEllipsis(path, metrics, width);
        QVERIFY2(shown.startsWith(QStringLiteral("/home")) && shown.contains(QStringLiteral("...")) &&
                     shown.endsWith(QStringLiteral("/P1010001.ORF")),
                 qPrintable(shown));
        QVERIFY(metrics.horizontalAdvance(shown) <= width);
        QCOMPARE(PathEllipsis(QStringLiteral("/a/b"), metrics, 1000), QStringLiteral("/a/b"));
    }
};

QTEST_MAIN(GuiLogicTest)
#include "test_gui_logic.moc"
