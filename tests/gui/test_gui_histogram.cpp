// The histogram page: its arithmetic on hand-made histograms, then the page on
// generated ORF files against statistics the test computes on its own.
#include <QComboBox>
#include <QRadioButton>
#include <QtTest>

#include <cmath>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/HistogramPage.h"

using namespace kyp;

namespace {

// Statistics of a list of values, counted straight from the values.
struct Expected {
    std::vector<uint32_t> bins = std::vector<uint32_t>(1024, 0);
    QString line;
    double stdDev = 0.0;
    std::array<uint32_t, 256> display{};
    uint32_t scale = 0;
};

Expected Expect(const std::vector<int>& values) {
    Expected e;
    uint64_t sum = 0;
    for (int v : values) {
        ++e.bins[static_cast<size_t>(v)];
        sum += static_cast<uint64_t>(v);
    }
    int lo = 0, hi = 1023;
    while (e.bins[static_cast<size_t>(lo)] == 0) ++lo;
    while (e.bins[static_cast<size_t>(hi)] == 0) --hi;
    const int64_t mean = static_cast<int64_t>(sum / values.size());
    double squares = 0.0;
    for (int v : values) squares += static_cast<double>(v - mean) * static_cast<double>(v - mean);
    e.stdDev = std::sqrt(squares / static_cast<double>(values.size()));
    const uint32_t smallest = *std::min_element(e.bins.begin() + lo, e.bins.end());
    const uint32_t largest = *std::max_element(e.bins.begin() + lo, e.bins.end());
    e.line = QString::asprintf("%d - %d   Mean %d   Std Dev %.1f   Count %d - %d", lo, hi, static_cast<int>(mean),
                               static_cast<double>(static_cast<float>(e.stdDev)), static_cast<int>(smallest),
                               static_cast<int>(largest));
    for (size_t i = 0; i < 1024; ++i) e.display[i / 4] += e.bins[i];
    std::vector<uint32_t> distinct(e.display.begin(), e.display.end());
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    e.scale = distinct.size() >= 2 ? distinct[distinct.size() - 2] : 0;
    return e;
}

// Channel 0 luminance, 1..3 red, green, blue of a processed image.
std::vector<int> ImageValues(const ProcessedImage& image, int channel) {
    std::vector<int> values;
    for (size_t i = 0; i < size_t{image.width} * image.height; ++i) {
        const uint16_t* p = image.samples + i * image.channels;
        values.push_back(channel == 0 ? static_cast<int>((13933 * p[0] + 46871 * p[1] + 4732 * p[2]) >> 16)
                                      : p[channel - 1]);
    }
    return values;
}

// The raw sites of one colour (0 red, 1 green, 2 blue).
std::vector<int> RawValues(const RawMosaic& raw, int colour) {
    std::vector<int> values;
    for (uint32_t y = 0; y < raw.height; ++y) {
        for (uint32_t x = 0; x < raw.width; ++x) {
            if (static_cast<int>((x & 1) + (y & 1)) == colour) values.push_back(raw.samples[y * raw.width + x]);
        }
    }
    return values;
}

}  // namespace

class GuiHistogramTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        QVERIFY(test::WriteSmallOrf(test::Path(files_, "chart.orf"), 96, 64));
    }
    void init() { (void)test::UsePrivateConfig(); }

    void rawSitesByPosition() {
        // 3 by 3: red at even column and row, blue at odd both, green elsewhere.
        std::vector<uint16_t> samples = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        HistogramRecord record{};
        QVERIFY(ComputeRawHistogram(RawMosaic{samples.data(), 3, 3}, record));
        QCOMPARE(record.total, 9u);
        const auto counted = [&record](int block) {
            std::vector<int> values;
            for (int v = 0; v < 1024; ++v) values.insert(values.end(), record.blocks[block].bins[v], v);
            return values;
        };
        QCOMPARE(counted(1), std::vector<int>({1, 3, 7, 9}));
        QCOMPARE(counted(2), std::vector<int>({2, 4, 6, 8}));
        QCOMPARE(counted(3), std::vector<int>({5}));
        QVERIFY(counted(0).empty());
        QCOMPARE(record.blocks[2].mean, 5u);
        // One pixel wide: red, green, red down the column.
        std::vector<uint16_t> column = {100, 200, 1023};
        QVERIFY(ComputeRawHistogram(RawMosaic{column.data(), 1, 3}, record));
        QCOMPARE(counted(1), std::vector<int>({100, 1023}));
        QCOMPARE(counted(2), std::vector<int>({200}));
        QVERIFY(!ComputeRawHistogram(RawMosaic{}, record));
    }

    // ---- the page ----

    void processedAndInterpolatedSets() {
        test::Frame f;
        HistogramPage* page = Open(f.frame, test::Path(files_, "chart.orf"));
        QVERIFY(page->TimerActive());
        QTRY_VERIFY_WITH_TIMEOUT(page->SetValid(histsource::processed), 3000);
        QVERIFY(!page->SetValid(histsource::raw) && !page->SetValid(histsource::interpolated));  // lazily
        const ProcessingSession& session = f.frame.Session();
        const Expected luminance = Expect(ImageValues(session.FullOutput(), 0));
        QCOMPARE(page->Line(), luminance.line);
        QVERIFY(std::abs(page->StdDev() - luminance.stdDev) < 1e-3);
        QCOMPARE(page->Scale(), luminance.scale);
        CheckBars(*page, luminance);
        List(*page)->setCurrentIndex(1);
        QCOMPARE(page->Channel(), 1);
        QCOMPARE(page->Line(), Expect(ImageValues(session.FullOutput(), 1)).line);
        test::Find<QRadioButton>(page, "interpolatedImageRadio")->click();
        QVERIFY(page->SetValid(histsource::interpolated));
        const Expected red = Expect(ImageValues(session.FullImage(), 1));
        QCOMPARE(page->Line(), red.line);
        CheckBars(*page, red);

        // The sampler's marker: the interpolated red here, (998 + 2) / 4 = 250.
        SampleRecord record;
        record.x = record.y = 5;
        record.interpolated[0] = 998;
        record.processed[0] = 40;
        page->ShowSample(record);
        QCOMPARE(page->MarkerPosition(), 250);
        test::Find<QRadioButton>(page, "fullyProcessedImageRadio")->click();
        QCOMPARE(page->MarkerPosition(), 10);
        const QImage shot = page->grab().toImage();
        QCOMPARE(shot.pixelColor(page->Layout().plot.left() + 10 - 3, RangeBarRect(page->Layout().plot).bottom()),
                 QColor(Qt::black));
        // A new run invalidates every set; the timer computes the chosen one again.
        QVERIFY(f.frame.Processing());
        QVERIFY(!page->SetValid(histsource::interpolated));
        QTRY_VERIFY_WITH_TIMEOUT(page->SetValid(histsource::processed), 3000);
    }

    void rawDataDropsRgb() {
        test::Frame f;
        HistogramPage* page = Open(f.frame, test::Path(files_, "chart.orf"));
        test::Find<QRadioButton>(page, "rawImageDataRadio")->click();
        QCOMPARE(List(*page)->count(), 3);
        QCOMPARE(List(*page)->itemText(0), QStringLiteral("Red"));
        QCOMPARE(page->Channel(), 2);
        QCOMPARE(List(*page)->currentIndex(), 1);
        QCOMPARE(page->Line(), Expect(RawValues(f.frame.Session().Raw(), 1)).line);
        List(*page)->setCurrentIndex(2);
        QCOMPARE(page->Line(), Expect(RawValues(f.frame.Session().Raw(), 2)).line);
        SampleRecord record;
        record.x = 1;
        page->ShowSample(record);
        QCOMPARE(page->MarkerPosition(), -1);
        f.frame.Command(cmd::pageCommand0);
        QCOMPARE(page->Line(), QStringLiteral("Sorry, No RGB channel for RAW"));
        test::Find<QRadioButton>(page, "fullyProcessedImageRadio")->click();
        QCOMPARE(List(*page)->itemText(0), QStringLiteral("RGB"));
        QCOMPARE(List(*page)->count(), 4);
        f.frame.Command(cmd::close);
        QCOMPARE(page->Line(), QStringLiteral("No Document"));
        page->Refresh();
        QCOMPARE(page->Line(), QStringLiteral("No Document"));
        const QImage shot = page->grab().toImage();
        const QRect inner = page->Layout().plot.adjusted(1, 1, -1, -1);
        for (int x = inner.left(); x <= inner.right(); ++x) QVERIFY(shot.pixelColor(x, inner.bottom()) != Qt::black);
    }

    void narrowImages() {
        // Images one pixel wide: whatever opens is counted without a fault.
        SampleOrfOptions options;
        options.width = 1;
        options.height = 48;
        options.previewWidth = 32;
        test::Frame f;
        HistogramPage* page = Open(f.frame, test::Path(files_, "chart.orf"));
        const std::string narrow = test::Path(files_, "narrow.orf");
        QVERIFY(WriteSampleOrf(narrow, options));
        (void)f.frame.OpenByName(narrow);
        for (int source : {histsource::raw, histsource::interpolated, histsource::processed}) {
            for (int channel = 0; channel < 4; ++channel) {
                page->ChooseSource(source);
                page->ChooseChannel(channel);
                page->Refresh();
                (void)page->grab();
            }
        }
        if (f.frame.DocumentLoaded() && f.frame.Session().FullOutput().samples != nullptr) {
            page->ChooseSource(histsource::processed);
            page->ChooseChannel(0);
            QCOMPARE(page->Line(), Expect(ImageValues(f.frame.Session().FullOutput(), 0)).line);
        }
    }

private:
    static HistogramPage* Open(MainFrame& frame, const std::string& file) {
        if (!frame.OpenByName(file)) qFatal("%s does not open", file.c_str());
        frame.Command(cmd::tabHistogram);
        auto* page = dynamic_cast<HistogramPage*>(frame.Page(page::histogram));
        for (const char* name : {"channelList", "histogramForGroup", "rawImageDataRadio", "interpolatedImageRadio",
                                 "fullyProcessedImageRadio"}) {
            (void)test::Find<QWidget>(page, name);
        }
        return page;
    }
    static QComboBox* List(HistogramPage& page) { return test::Find<QComboBox>(&page, "channelList"); }

    // Every column of the plot holds the bar the expected bins and scale give.
    static void CheckBars(HistogramPage& page, const Expected& expected) {
        const QImage shot = page.grab().toImage();
        const QRect inner = page.Layout().plot.adjusted(1, 1, -1, -1);
        const int height = inner.height();
        for (int i = 0; i < 256; ++i) {
            int black = 0;
            for (int y = inner.top(); y <= inner.bottom(); ++y) black += shot.pixelColor(inner.left() + i, y) == Qt::black;
            const uint32_t bin = expected.display[static_cast<size_t>(i)];
            int want = 0;
            if (bin != 0 && expected.scale == 0) want = height;
            if (bin != 0 && expected.scale != 0) {
                want = std::max(1, static_cast<int>(std::min<double>(
                                       height, std::floor(double(bin) * height / expected.scale + 0.5))));
            }
            QVERIFY2(black == want, qPrintable(QStringLiteral("column %1: %2 black, %3 expected").arg(i).arg(black).arg(want)));
        }
    }

    QTemporaryDir files_;
};

QTEST_MAIN(GuiHistogramTest)
#include "test_gui_histogram.moc"
