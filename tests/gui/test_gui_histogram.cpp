// The histogram page on generated ORF files, driven by the actions of
// histograms.txt (an action a line, the page's state after it recorded;
// KYP_RECORD=1 writes the states of the code as it is).
#include <QComboBox>
#include <QCryptographicHash>
#include <QRadioButton>
#include <QtTest>

#include <map>

#include "GuiTestSupport.h"
#include "engine/process/ProcessingSession.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/HistogramPage.h"

using namespace kyp;

namespace {

// The page's state: source, channel and the channel list; the sets computed, the delay timer;
// the statistics line, spread and scale; the sampler's marker (and the colour of the range
// bar's bottom row 3 columns left of it); the bars as drawn: columns with a bar, the sum and
// highest of their heights, the first ones, a digest of all.
QString State(HistogramPage& page) {
    auto* list = test::Find<QComboBox>(&page, "channelList");
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    const QImage shot = page.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect inner = page.Layout().plot.adjusted(1, 1, -1, -1);
    QByteArray heights;
    int columns = 0, sum = 0, highest = 0;
    QStringList first;
    for (int x = inner.left(); x <= inner.right(); ++x) {
        int black = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y) black += shot.pixel(x, y) == qRgb(0, 0, 0);
        heights += QByteArray::number(black) + ' ';
        columns += black > 0;
        sum += black;
        highest = std::max(highest, black);
        if (black > 0 && first.size() < 4) first << QStringLiteral("%1:%2").arg(x - inner.left()).arg(black);
    }
    const int marker = page.MarkerPosition();
    const QString markerColour = marker < 0 ? QString() : shot.pixelColor(page.Layout().plot.left() + marker - 3,
                                                                          RangeBarRect(page.Layout().plot).bottom()).name();
    return QStringLiteral("source %1 channel %2 list %3 (%4) | sets %5%6%7 timer %8 | %9 | sd %10 scale %11 | marker %12 %13 | bars %14 sum %15 top %16 %17 #%18")
        .arg(page.Source()).arg(page.Channel()).arg(items.join(QLatin1Char(','))).arg(list->currentIndex())
        .arg(int{page.SetValid(histsource::raw)}).arg(int{page.SetValid(histsource::interpolated)})
        .arg(int{page.SetValid(histsource::processed)}).arg(int{page.TimerActive()}).arg(page.Line())
        .arg(static_cast<double>(page.StdDev()), 0, 'f', 4).arg(page.Scale()).arg(marker).arg(markerColour)
        .arg(columns).arg(sum).arg(highest).arg(first.join(QLatin1Char(' ')))
        .arg(QString::fromLatin1(QCryptographicHash::hash(heights, QCryptographicHash::Md5).toHex().left(8)));
}

}  // namespace

class GuiHistogramTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        QVERIFY(test::WriteSmallOrf(test::Path(files_, "chart.orf"), 96, 64));
        SampleOrfOptions narrow;  // one pixel wide: too narrow to demosaic
        narrow.width = 1;
        narrow.height = 48;
        narrow.previewWidth = 32;
        QVERIFY(WriteSampleOrf(test::Path(files_, "narrow.orf"), narrow));
        narrow.width = 9;  // a processed image one pixel wide
        QVERIFY(WriteSampleOrf(test::Path(files_, "thin.orf"), narrow));
    }
    void init() { (void)test::UsePrivateConfig(); }

    // "frame" starts a main frame; each action after it is run and the page's state compared.
    void histogramsGiveTheRecordedStates() {
        const QStringList lines = test::ReadData("histograms.txt");
        QStringList written, wrong;
        std::unique_ptr<test::Frame> f;
        for (qsizetype n = 0; n < lines.size(); ++n) {
            const QString& line = lines[n];
            const QString action = line.section(QLatin1String(" -> "), 0, 0);
            const QStringList w = test::Words(action);
            if (line.startsWith(QLatin1Char('#')) || w.isEmpty() || w[0] == QLatin1String("frame")) {
                if (!w.isEmpty() && w[0] == QLatin1String("frame")) {
                    f.reset();  // the old recorder's end would unhook the new one's
                    f = std::make_unique<test::Frame>();
                }
                written << line;
                continue;
            }
            QVERIFY2(f, qPrintable(QStringLiteral("histograms.txt:%1: no frame yet").arg(n + 1)));
            auto* page = dynamic_cast<HistogramPage*>(f->frame.Page(page::histogram));
            QString result;
            if (w[0] == QLatin1String("open")) {  // the file and the size of its processed image, then the page shown
                const bool opened = f->frame.OpenByName(test::Path(files_, qPrintable(w[1])));
                const ProcessedImage& output = f->frame.Session().FullOutput();
                result = QStringLiteral("%1 %2x%3 ").arg(int{opened}).arg(output.width).arg(output.height);
                f->frame.Command(cmd::tabHistogram);
            } else if (w[0] == QLatin1String("wait")) {  // until the timer has computed the processed set
                result = QString::number(int{QTest::qWaitFor([page] { return page->SetValid(histsource::processed); }, 3000)}) + QLatin1Char(' ');
            } else if (w[0] == QLatin1String("click")) {
                test::Find<QRadioButton>(page, qPrintable(w[1]))->click();
            } else if (w[0] == QLatin1String("list")) {
                test::Find<QComboBox>(page, "channelList")->setCurrentIndex(w[1].toInt());
            } else if (w[0] == QLatin1String("choose")) {  // source channel, then refreshed
                page->ChooseSource(w[1].toInt());
                page->ChooseChannel(w[2].toInt());
                page->Refresh();
            } else if (w[0] == QLatin1String("sample")) {  // x interpolated-red processed-red
                SampleRecord record;
                record.x = record.y = w[1].toInt();
                record.interpolated[0] = static_cast<uint16_t>(w[2].toUInt());
                record.processed[0] = static_cast<uint16_t>(w[3].toUInt());
                page->ShowSample(record);
            } else if (w[0] == QLatin1String("command")) {
                f->frame.Command(w[1].toInt());
            } else if (w[0] == QLatin1String("refresh")) {
                page->Refresh();
            } else if (w[0] == QLatin1String("process")) {  // a full run with the pages' settings
                result = QString::number(int{f->frame.Processing()}) + QLatin1Char(' ');
            } else {
                result = QStringLiteral("? no action ");
            }
            result += State(*page) + QStringLiteral(" | messages %1").arg(f->recorder.messages.size());
            if (line != action + QLatin1String(" -> ") + result) wrong << QStringLiteral("histograms.txt:%1: %2\n    gives %3").arg(n + 1).arg(line, result);
            written << action + QLatin1String(" -> ") + result;
        }
        if (test::Recording()) QVERIFY(test::WriteData("histograms.txt", written));
        else QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n')) + QLatin1String(test::kRecordHint)));
    }

private:
    QTemporaryDir files_;
};

QTEST_MAIN(GuiHistogramTest)
#include "test_gui_histogram.moc"
