// The desktop program's rules that need no window against results recorded in
// rules.txt (a case a line; KYP_RECORD=1 writes the results of the code as it is):
// the pure functions of the pages and the view, the folder walk, the stored
// layout, the installed layout, the registration files and the start without a
// display. Then the busy strip's thread.
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/app/InstallLayout.h"
#include "gui/dialogs/OpenDialog.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/pages/CurveEditing.h"
#include "gui/pages/GammaText.h"
#include "gui/pages/HistogramData.h"
#include "gui/pages/RatioText.h"
#include "gui/pages/WhiteBalanceMenu.h"
#include "gui/view/ImageArea.h"
#include "gui/view/ImageViewGeometry.h"
#include "gui/view/Sampler.h"
#include "gui/view/Thumbnail.h"
#include "gui/widgets/NumberEdit.h"
#include "gui/app/Registration.h"
#include "gui/app/StartupCommandLine.h"
#include "gui/frame/FolderScan.h"
#include "gui/frame/FrameLayout.h"
#include "gui/frame/StatusStrip.h"
#include "gui/widgets/BusyAnimator.h"

using namespace kyp;
using Kind = StartupStep::Kind;

namespace {
// The steps as text: "settings:NAME", "image:NAME", "register", "unregister".
QString Steps(const std::vector<std::string>& arguments) {
    QStringList steps;
    for (const StartupStep& step : ScanStartupCommandLine(arguments)) {
        const QString name = QString::fromStdString(step.text);
        if (step.kind == Kind::settingsFile) steps << QStringLiteral("settings:") + name;
        if (step.kind == Kind::imageFile) steps << QStringLiteral("image:") + name;
        if (step.kind == Kind::registerTypes) steps << QStringLiteral("register");
        if (step.kind == Kind::unregisterTypes) steps << QStringLiteral("unregister");
    }
    return steps.join(QLatin1Char(' '));
}

// ---- rules.txt: "Function arg arg ... -> result" ----
// An argument is a word or a "quoted text"; {a..b/step} and {x,y,z} inside
// one stand for each value (every combination is run, and the result is a
// digest of all the answers). Sizes are WxH, points x,y, rectangles x,y,WxH,
// curves as their stored text (count:x,y x,y ...), histogram blocks value:count,... (or
// low-high:count)
struct Args {
    QStringList a;
    QString s(int k) const { return a.value(k); }
    std::string str(int k) const { return s(k).toStdString(); }
    int i(int k) const { return s(k).toInt(); }
    bool b(int k) const { return i(k) != 0; }
    // The first four whole numbers of an argument (the parts of a size, point or rectangle).
    std::array<int, 4> n(int k) const {
        std::array<int, 4> numbers{};
        const QString word = a.value(k);
        size_t count = 0;
        for (qsizetype at = 0; at < word.size() && count < numbers.size(); ++at) {
            const bool minus = word[at] == QLatin1Char('-') && at + 1 < word.size() && word[at + 1].isDigit();
            if (!minus && !word[at].isDigit()) continue;
            int value = 0;
            for (at += minus ? 1 : 0; at < word.size() && word[at].isDigit(); ++at) value = value * 10 + word[at].digitValue();
            numbers[count++] = minus ? -value : value;
        }
        return numbers;
    }
    QSize size(int k) const {
        const auto v = n(k);
        return QSize(v[0], v[1]);
    }
    QPoint point(int k) const {
        const auto v = n(k);
        return QPoint(v[0], v[1]);
    }
    QRect rect(int k) const {
        const auto v = n(k);
        return QRect(v[0], v[1], v[2], v[3]);
    }
    Curve curve(int k) const {
        Curve curve;
        curve.ReadText(str(k).c_str());
        return curve;
    }
    HistogramBlock block(int k) const {
        HistogramRecord record{};
        for (const QString& bin : s(k).split(QLatin1Char(','), Qt::SkipEmptyParts)) {  // value:count or low-high:count
            const QString values = bin.section(QLatin1Char(':'), 0, 0);
            for (int v = values.section(QLatin1Char('-'), 0, 0).toInt(); v <= values.section(QLatin1Char('-'), -1).toInt(); ++v) {
                record.blocks[1].bins[v] = bin.section(QLatin1Char(':'), 1).toUInt();
            }
        }
        ComputeHistogramStatistics(record, 1);
        return record.blocks[1];
    }
    std::vector<std::string> list(int k) const {
        std::vector<std::string> list;
        for (const QString& item : s(k).split(QLatin1Char(','), Qt::SkipEmptyParts)) list.push_back(item.toStdString());
        return list;
    }
    std::vector<std::string> rest(int from) const {
        std::vector<std::string> rest;
        for (int k = from; k < a.size(); ++k) rest.push_back(str(k));
        return rest;
    }
};

QString T(int v) { return QString::number(v); }
QString T(double v) { return QString::number(v, 'g', 10); }
QString T(const std::string& v) { return QString::fromStdString(v).replace(QLatin1Char('\r'), QLatin1String("\\r")).replace(QLatin1Char('\n'), QLatin1String("\\n")); }
QString T(const QString& v) { return T(v.toStdString()); }
QString T(QSize v) { return QStringLiteral("%1x%2").arg(v.width()).arg(v.height()); }
QString T(QPoint v) { return QStringLiteral("%1,%2").arg(v.x()).arg(v.y()); }
QString T(QRect v) { return T(v.topLeft()) + QLatin1Char(',') + T(v.size()); }
QString T(StoredRect v) { return T(QRect(v.left, v.top, v.width, v.height)); }
QString T(PixelPoint v) { return T(QPoint(v.x, v.y)); }
QString T(std::pair<int, int> v) { return T(QPoint(v.first, v.second)); }
QString T(const Curve& v) { return T(v.WriteText()); }
QString Ratio(uint32_t v) { return QStringLiteral("%1/%2").arg(v >> 16).arg(v & 0xFFFF); }
template <typename V>
QString T(const std::optional<V>& v) { return v ? T(*v) : QStringLiteral("-"); }
QString T(const std::optional<uint32_t>& v) { return v ? Ratio(*v) : QStringLiteral("-"); }

// Files (a name ending in / is a folder) made under a folder of their own.
void MakeFiles(const QString& base, const QStringList& names) {
    for (const QString& name : names) {
        (void)QDir().mkpath(QFileInfo(base + name).path());
        if (name.endsWith(QLatin1Char('/'))) (void)QDir().mkpath(base + name);
        else (void)test::WriteText((base + name).toStdString(), "x");
    }
}

// The program itself started with no display (or one that does not answer) for each run,
// in the same data and settings folders: its status, whether the file types are registered,
// and the errors it wrote (line count, first line).
QString RunsWithoutDisplay(const QStringList& runs) {
    QTemporaryDir data, config;
    QStringList results;
    for (const QString& run : runs) {
        QStringList arguments = run.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE"}) {
            environment.remove(QString::fromLatin1(name));
        }
        if (!arguments.isEmpty() && arguments[0].startsWith(QLatin1Char(':'))) environment.insert(QStringLiteral("DISPLAY"), arguments.takeFirst());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        environment.insert(QStringLiteral("KYP_CONFIG_HOME"), config.path());
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KYP_BINARY_DIR "/kyp"), arguments);
        const bool ended = process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit;
        const QByteArray errors = process.readAllStandardError();
        results << QStringLiteral("%1 %2 %3 %4").arg(ended ? process.exitCode() : -1)
                       .arg(int{QFile::exists(data.path() + QStringLiteral("/applications/kyp.desktop"))})
                       .arg(errors.count('\n')).arg(T(errors.left(errors.indexOf('\n')).toStdString()));
    }
    return results.join(QLatin1String("; "));
}

using Rule = std::function<QString(const Args&)>;
const std::map<QString, Rule>& Rules() {
    static const std::map<QString, Rule> rules = {
        {"ParseRatio", [](const Args& a) { return T(ParseRatio(a.str(0))); }},
        {"RatioText", [](const Args& a) { return T(RatioText(a.s(0).toUInt() << 16 | a.s(1).toUInt())); }},
        {"ValidGamma", [](const Args& a) { return T(ValidGamma(a.s(0))); }},
        {"GammaMessages", [](const Args&) { return T(InvalidGammaMessage() + " | " + InvalidRatioMessage()); }},
        {"ParseDecimal", [](const Args& a) {  // as typed with a decimal comma
             QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
             const std::optional<double> value = ParseDecimal(a.s(0));
             QLocale::setDefault(QLocale::c());
             return T(value);
         }},
        {"StartupSteps", [](const Args& a) { return Steps(a.rest(0)); }},
        {"WantsNoLogo", [](const Args& a) { return T(int{WantsNoLogo(a.rest(0))}); }},
        {"DirValueFor", [](const Args& a) { return T(DirValueFor(a.str(0))); }},
        {"FolderOf", [](const Args& a) { return T(FolderOf(a.str(0))); }},
        {"ListOrfFiles", [](const Args& a) {  // in a folder holding the files a(0)
             QTemporaryDir dir;
             MakeFiles(dir.path() + QLatin1Char('/'), a.s(0).split(QLatin1Char(',')));
             QStringList names;
             for (const std::string& file : ListOrfFiles(dir.path().toStdString())) names << T(file).replace(dir.path(), QStringLiteral("$T"));
             return names.join(QLatin1Char(','));
         }},
        {"NeighbourFile", [](const Args& a) { return T(NeighbourFile(a.list(0), a.str(1), a.b(2))); }},
        {"NeighbourOfPosition", [](const Args& a) { return T(NeighbourOfPosition(a.list(0), a.str(1), a.b(2))); }},
        {"ParseStoredRect", [](const Args& a) {
             StoredRect r{};
             return ParseStoredRect(a.str(0), r) ? T(r) : QStringLiteral("-");
         }},
        {"FitStoredRect", [](const Args& a) {
             const QRect q = a.rect(0);
             return T(FitStoredRect({q.x(), q.y(), q.width(), q.height()}, a.i(1), a.i(2)));
         }},
        {"MenuPosition", [](const Args& a) { return T(StatusStrip::MenuPosition(a.rect(0), a.size(1), a.rect(2))); }},
        {"BusyRow", [](const Args& a) {  // after a(0) rotations: some entries, and all of them as a digest
             auto row = BusyAnimator::BuildRow();
             for (int n = 0; n < a.i(0); ++n) BusyAnimator::RotateRow(row);
             QStringList some;
             for (int k : {0, 1, 2, 64, 128, 254, 255, 256}) some << T(int{row[static_cast<size_t>(k)]});
             const QByteArray all(reinterpret_cast<const char*>(row.data()), static_cast<qsizetype>(row.size()));
             return some.join(QLatin1Char(' ')) + QStringLiteral(" #") + QCryptographicHash::hash(all, QCryptographicHash::Md5).toHex().left(12);
         }},
        {"BusyPalette", [](const Args& a) { return QString::number(BusyAnimator::PaletteEntry(a.i(0)), 16); }},
        {"LayoutView", [](const Args& a) { return T(view::LayoutView(a.rect(0), a.i(1), a.size(2), a.i(3), a.i(4))); }},
        {"VisibleSize", [](const Args& a) { return T(view::VisibleSize(a.i(0), a.size(1), a.size(2))); }},
        {"PointToPixel", [](const Args& a) { return T(view::PointToPixel(a.point(0), a.rect(1), a.i(2), a.size(3), a.point(4))); }},
        {"IdForZoom", [](const Args& a) { return T(view::IdForZoom(a.i(0))); }},
        {"ClampZoom", [](const Args& a) { return T(view::ClampZoom(a.i(0))); }},
        {"ScreenShift", [](const Args& a) { return T(view::ScreenShift(a.i(0), a.i(1))); }},
        {"ScrollPosition", [](const Args& a) { return T(view::ScrollPosition(a.i(0), a.i(1), a.i(2), a.i(3), a.i(4))); }},
        {"MinimumClient", [](const Args& a) { return T(view::MinimumClient(a.size(0), a.size(1))); }},
        {"MaximumClient", [](const Args& a) { return T(view::MaximumClient(a.size(0), a.size(1))); }},
        {"MaximisedFrame", [](const Args& a) { return T(view::MaximisedFrame(a.size(0), a.size(1), a.size(2), a.rect(3), a.i(4))); }},
        {"AspectClient", [](const Args& a) { return T(view::AspectClient(a.size(0), a.size(1), a.size(2))); }},
        {"MapToFullImage", [](const Args& a) { return T(MapToFullImage(a.i(0), a.i(1), a.s(2).toUInt(), a.i(3), a.i(4), a.i(5), a.i(6))); }},
        {"CurveHitTest", [](const Args& a) {  // on a straight display table, or a flat one at a(6)
             DisplayTable table{};
             table.fill(static_cast<uint8_t>(a.s(6).toUInt()));
             if (a.s(6).isEmpty()) std::iota(table.begin(), table.end(), uint8_t{0});
             return T(CurveHitTest(a.curve(0), table, a.i(1), a.i(2), a.i(3), a.b(4), a.b(5)));
         }},
        {"InsertionIndex", [](const Args& a) { return T(InsertionIndex(a.curve(0), a.i(1), a.b(2))); }},
        {"DeleteCurvePoint", [](const Args& a) {
             Curve curve = a.curve(0);
             const int selected = DeleteCurvePoint(curve, a.i(1));
             return T(selected) + QLatin1Char(' ') + T(curve);
         }},
        {"WheelStep", [](const Args& a) { return T(WheelStep(a.i(0), a.b(1), a.b(2))); }},
        {"WheelMovedPoint", [](const Args& a) { return T(WheelMovedPoint(a.curve(0), a.i(1), a.i(2), a.b(3))); }},
        {"NormaliseCurve", [](const Args& a) {
             Curve curve = a.curve(0);
             const bool changed = NormaliseCurve(curve);
             return T(int{changed}) + QLatin1Char(' ') + T(curve);
         }},
        {"DisplayBins", [](const Args& a) {  // the first bars and the scale
             const DisplayBins bins = MakeDisplayBins(a.block(0));
             return QStringLiteral("%1 %2 %3 scale %4").arg(bins[0]).arg(bins[1]).arg(bins[2]).arg(DisplayScale(bins));
         }},
        {"RawHistogram", [](const Args& a) {  // a mosaic WxH of values: each block's values (value:count) and mean
             std::vector<uint16_t> samples;
             for (const QString& v : a.s(1).split(QLatin1Char(','), Qt::SkipEmptyParts)) samples.push_back(static_cast<uint16_t>(v.toUInt()));
             HistogramRecord record{};
             if (!ComputeRawHistogram(RawMosaic{samples.data(), static_cast<uint32_t>(a.size(0).width()), static_cast<uint32_t>(a.size(0).height())}, record)) return QStringLiteral("-");
             QString out = QStringLiteral("total %1").arg(record.total);
             for (const HistogramBlock& block : record.blocks) {
                 out += QStringLiteral(" |");
                 for (int v = 0; v < 1024; ++v) out += block.bins[v] != 0 ? QStringLiteral(" %1:%2").arg(v).arg(block.bins[v]) : QString();
                 out += QStringLiteral(" mean %1").arg(block.mean);
             }
             return out;
         }},
        {"BarHeight", [](const Args& a) { return T(BarHeight(a.s(0).toUInt(), a.i(1), a.s(2).toUInt())); }},
        {"Statistics", [](const Args& a) {
             const double deviation = ChannelStdDev(a.block(0), a.i(1), a.i(2));
             return T(deviation * deviation) + QStringLiteral(" | ") + T(StatisticsLine(a.block(0), deviation));
         }},
        {"PresetRatios", [](const Args& a) {
             const std::optional<ScaleRatios> r = PresetRatios(a.i(0));
             return r ? Ratio(r->red) + QLatin1Char(' ') + Ratio(r->green) + QLatin1Char(' ') + Ratio(r->blue) : QStringLiteral("-");
         }},
        {"CopyrightSentence", [](const Args& a) { return T(CopyrightSentence(a.s(0), a.i(1))); }},
        {"PathEllipsis", [](const Args& a) {  // a path in the room of a text (and 2 pixels): shown, and whether it fits
             const QFontMetrics metrics(QApplication::font());
             const int width = metrics.horizontalAdvance(a.s(1)) + 2;
             const QString shown = PathEllipsis(a.s(0), metrics, width);
             return shown + QStringLiteral(" %1").arg(int{metrics.horizontalAdvance(shown) <= width});
         }},
        {"HelpAndEntry", [](const Args& a) {  // kyp in folder a(0) among files a(1) ($DOC, $DATA: the installed places)
             QTemporaryDir top;
             const QString base = top.path() + QLatin1Char('/'), folder = base + a.s(0);
             const QString doc = QDir::cleanPath(folder + QStringLiteral("/" KYP_DOC_FROM_BIN));
             const QString data = QDir::cleanPath(folder + QStringLiteral("/" KYP_DATA_FROM_BIN));
             MakeFiles(base, a.s(1).replace(QLatin1String("$DOC"), doc.mid(base.size())).replace(QLatin1String("$DATA"), data.mid(base.size())).split(QLatin1Char(',')) << a.s(0) + QLatin1Char('/'));
             const QStringList entry = QString::fromStdString(DesktopEntryText(folder.toStdString() + "/kyp")).split(QLatin1Char('\n'))
                                           .filter(QRegularExpression(QStringLiteral("^(Exec|Icon|NoDisplay)=")));
             return QString(T(HelpFilePath(folder.toStdString())) + QStringLiteral(" | ") + entry.join(QStringLiteral(" | ")))
                 .replace(doc, QStringLiteral("$DOC")).replace(data, QStringLiteral("$DATA")).replace(base, QStringLiteral("$T/"));
         }},
        {"Registration", [](const Args& a) {  // for the program a(0): the entry's lines, the types; then removed with the settings
             QTemporaryDir data;
             qputenv("XDG_DATA_HOME", data.path().toUtf8());
             QString result = QString::number(int{RegisterFileTypes(a.str(0))});
             const QStringList entry = QString::fromUtf8(test::ReadAll(DesktopEntryPath())).split(QLatin1Char('\n'))
                                           .filter(QRegularExpression(QStringLiteral("^(Exec|MimeType)=")));
             result += QStringLiteral(" | %1 | kis %2").arg(entry.join(QStringLiteral(" | "))).arg(int{test::ReadAll(MimePackagePath()).contains("<glob pattern=\"*.kis\"/>")});
             {
                 SettingsStore written;
                 result += QStringLiteral(" | stored %1").arg(int{written.CreateForWriting() && written.WriteString("Dir", "/x")});
             }
             result += QStringLiteral(" | removed %1 files %2%3").arg(int{UnregisterFileTypes()})
                           .arg(int{QFile::exists(QString::fromStdString(DesktopEntryPath()))})
                           .arg(int{QFile::exists(QString::fromStdString(MimePackagePath()))});
             SettingsStore store;
             result += QStringLiteral(" settings %1").arg(int{store.OpenForReading()});
             qunsetenv("XDG_DATA_HOME");
             return result;
         }},
        {"StoredLayout", [](const Args& a) {  // stores written one after the other, then read back on a 1280 x 800 screen
             (void)SettingsStore::DeleteKey();
             for (const QString& write : a.a) {  // layout:files:current:separate (the rest as below), or Name=value
                 SettingsStore store;
                 if (!store.CreateForWriting()) return QStringLiteral("not written");
                 if (write.startsWith(QLatin1String("layout:"))) {
                     FrameLayout layout{StoredRect{20, 30, 900, 500}, {5, 6, 700, 400}, write.section(QLatin1Char(':'), 3) == QLatin1String("1"), 0, 1, 7, {}, write.section(QLatin1Char(':'), 2, 2).toInt()};
                     for (const QString& file : write.section(QLatin1Char(':'), 1, 1).split(QLatin1Char(','), Qt::SkipEmptyParts)) layout.files.push_back(file.toStdString());
                     if (!WriteFrameLayout(store, layout)) return QStringLiteral("not written");
                 } else {
                     const QString name = write.section(QLatin1Char('='), 0, 0), value = write.section(QLatin1Char('='), 1);
                     bool number = false;
                     (void)value.toUInt(&number);
                     (void)(number ? store.WriteNumber(name.toStdString(), value.toUInt()) : store.WriteString(name.toStdString(), value.toStdString()));
                 }
             }
             SettingsStore store;
             FrameLayout read;
             uint32_t separate = 9;
             if (!store.OpenForReading() || !store.ReadNumber("ViewSep", separate)) return QStringLiteral("not read");
             ReadFrameLayout(store, read, 1280, 800);
             QStringList files;
             for (const std::string& file : read.files) files << T(file);
             return QStringLiteral("window %1 view %2 separate %3 (%4) preview %5 %6 sample %7 files %8 current %9")
                 .arg(T(read.window), T(read.view)).arg(int{read.viewSeparate}).arg(separate).arg(read.autoPreview)
                 .arg(read.generatePreview).arg(read.sampleSize).arg(files.join(QLatin1Char(','))).arg(read.current);
         }},
        {"RunsWithoutDisplay", [](const Args& a) { return RunsWithoutDisplay(a.a); }},
        {"SaveAsTyped", [](const Args& a) {  // a name typed into the Save As dialog (TIFF chosen): the format taken, the name
             QTemporaryDir dir;
             OutputSettings settings;
             settings.format = format::tiff;
             SaveAsDialog dialog(nullptr, settings, test::Path(dir, "P1.ORF"), dir.path().toStdString());
             dialog.selectFile(a.s(0));
             dialog.accept();
             return QStringLiteral("%1 %2").arg(dialog.Settings().format).arg(T(dialog.ChosenName()).replace(dir.path(), QStringLiteral("$T")));
         }},
        {"NormalSampleSize", [](const Args& a) { return T(NormalSampleSize(a.s(0).toUInt())); }},
        {"FitSize", [](const Args& a) { return T(FitSize(a.size(0), a.size(1))); }},
        {"PreviewArea", [](const Args& a) { return T(OpenDialog::PreviewArea(a.size(0), a.size(1))); }},
        {"FitCaption", [](const Args& a) {  // in the application's font, width by lines
             const QFontMetrics metrics(QApplication::font());
             return T(Thumbnail::FitCaption(QString(a.s(2)).replace(QLatin1String("\\n"), QLatin1String("\n")), metrics, QRect(0, 0, a.i(0), metrics.lineSpacing() * a.i(1))));
         }},
    };
    return rules;
}

// One case's result: the rule's answer, or for a case with {…} a digest of every answer.
QString RunCase(const Rule& rule, const QStringList& words) {
    std::vector<QStringList> choices;
    size_t count = 1;
    for (const QString& word : words) count *= (choices.emplace_back(test::Expand(word))).size();
    if (count == 1) return rule(Args{words});
    QCryptographicHash digest(QCryptographicHash::Md5);
    for (size_t n = 0; n < count; ++n) {
        Args args;
        for (size_t k = 0, rest = n; k < choices.size(); rest /= choices[k].size(), ++k) args.a << choices[k][rest % choices[k].size()];
        digest.addData((rule(args) + QLatin1Char('\n')).toUtf8());
    }
    return QStringLiteral("%1 cases #").arg(count) + QString::fromLatin1(digest.result().toHex().left(12));
}
}  // namespace

class GuiLogicTest : public QObject {
    Q_OBJECT
private slots:
    void init() { (void)test::UsePrivateConfig(); }

    void rulesGiveTheRecordedResults() {
        const QStringList lines = test::ReadData("rules.txt");
        QStringList written, wrong;
        for (qsizetype n = 0; n < lines.size(); ++n) {
            const QString& line = lines[n];
            const qsizetype arrow = line.indexOf(QLatin1String(" -> "));
            if (line.startsWith(QLatin1Char('#')) || arrow < 0) {
                written << line;
                continue;
            }
            const QStringList words = test::Words(line.left(arrow));
            const auto rule = Rules().find(words.value(0));
            QVERIFY2(rule != Rules().end(), qPrintable(QStringLiteral("rules.txt:%1: no rule %2").arg(n + 1).arg(words.value(0))));
            const QString result = RunCase(rule->second, words.mid(1));
            if (result != line.mid(arrow + 4)) wrong << QStringLiteral("rules.txt:%1: %2 gives %3").arg(n + 1).arg(line, result);
            written << line.left(arrow + 4) + result;
        }
        if (test::Recording()) QVERIFY(test::WriteData("rules.txt", written));
        else QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n')) + QLatin1String(test::kRecordHint)));
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

};

QTEST_MAIN(GuiLogicTest)
#include "test_gui_logic.moc"
