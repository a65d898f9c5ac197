// How long the desktop program goes without answering its event queue while it
// opens and processes a full-size file, and how long the common interactions
// take. The figures are printed (median of several runs); the checks compare
// the longest stretch without a pump with the run's own work, measured as CPU
// time of the interface thread, so that a loaded machine or a sanitizer build
// slows both sides alike.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <ctime>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/frame/CommandTable.h"
#include "gui/view/ImageWindow.h"
#include "gui/frame/MainFrame.h"
#include "gui/frame/StatusStrip.h"
#include "platform/SettingsStore.h"

using namespace kyp;

namespace {

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Watches one command: the gaps between the pumps it makes, from the moment it
// starts until the picture it produced has been painted, in wall time and in
// CPU time of this thread.
class PumpWatch {
public:
    explicit PumpWatch(StatusStrip& strip) : strip_(strip), inner_(strip.pump) {
        strip_.pump = [this] {
            Mark();
            return inner_ ? inner_() : true;
        };
    }
    ~PumpWatch() { strip_.pump = inner_; }
    PumpWatch(const PumpWatch&) = delete;
    PumpWatch& operator=(const PumpWatch&) = delete;

    void Start() {
        wall_.start();
        lastWall_ = 0.0;
        startCpu_ = lastCpu_ = ThreadCpuMs();
        longestWall_ = longestCpu_ = 0.0;
        pumps_ = 0;
    }
    void Mark() {
        const double wall = static_cast<double>(wall_.nsecsElapsed()) / 1e6;
        const double cpu = ThreadCpuMs();
        longestWall_ = std::max(longestWall_, wall - lastWall_);
        longestCpu_ = std::max(longestCpu_, cpu - lastCpu_);
        lastWall_ = wall;
        lastCpu_ = cpu;
        ++pumps_;
    }
    // The command and its painting are over: the last stretch ends here.
    void Stop() {
        Mark();
        --pumps_;
        totalWall_ = lastWall_;
        totalCpu_ = lastCpu_ - startCpu_;
    }

    double longestWall_ = 0.0, longestCpu_ = 0.0, totalWall_ = 0.0, totalCpu_ = 0.0;
    int pumps_ = 0;

private:
    StatusStrip& strip_;
    std::function<bool()> inner_;
    QElapsedTimer wall_;
    double lastWall_ = 0.0, startCpu_ = 0.0, lastCpu_ = 0.0;
};

// Everything that became due after a command: the queued refresh, the paint
// of the frame and of the image window.
void SettleAndPaint(MainFrame& frame) {
    QCoreApplication::processEvents();
    frame.repaint();
    if (frame.Image() != nullptr) frame.Image()->repaint();
}

}  // namespace

class GuiResponsivenessTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(config_.isValid() && files_.isValid());
        qputenv("KYP_CONFIG_HOME", config_.path().toUtf8());
        // One engine thread unless told otherwise: then all of a run's work is
        // on this thread, and its CPU time measures the work on any machine.
        if (!qEnvironmentVariableIsSet("KYP_THREADS")) qputenv("KYP_THREADS", "1");
        big_ = test::Path(files_, "big.orf");
        QVERIFY(test::WriteSmallOrf(big_, 2256, 1684));
        (void)SettingsStore::DeleteKey();
    }

    // Open a 2256 x 1684 file until its picture is shown; then Apply (F5)
    // after a setting change; then the preview refresh after one change.
    void fullRunsKeepPumping() {
        test::Recorder recorder;
        constexpr int kRuns = 5;
        std::vector<double> open, openGap, openCpuGap, apply, applyGap, refresh, refreshGap;
        double worstShare = 0.0;
        for (int run = 0; run < kRuns; ++run) {
            MainFrame frame;
            frame.resize(1111, 621);
            frame.show();
            QVERIFY(QTest::qWaitForWindowExposed(&frame));
            auto* invert = frame.findChild<QAbstractButton*>(QStringLiteral("invertCheck"));
            QVERIFY(invert != nullptr);
            PumpWatch watch(frame.Strip());

            watch.Start();
            QVERIFY(frame.OpenByName(big_));
            SettleAndPaint(frame);
            watch.Stop();
            QVERIFY(frame.Image() != nullptr && !frame.Image()->Image().isNull());
            open.push_back(watch.totalWall_);
            openGap.push_back(watch.longestWall_);
            openCpuGap.push_back(watch.longestCpu_);
            QVERIFY2(watch.pumps_ > 100, "a full run pumps all along");
            worstShare = std::max(worstShare, watch.longestCpu_ / watch.totalCpu_);

            // One change, then Apply: the output stage and everything after it.
            invert->click();
            QCoreApplication::processEvents();
            watch.Start();
            frame.Command(cmd::apply);
            SettleAndPaint(frame);
            watch.Stop();
            apply.push_back(watch.totalWall_);
            applyGap.push_back(watch.longestWall_);
            worstShare = std::max(worstShare, watch.longestCpu_ / watch.totalCpu_);

            // One change: the reduced preview and the thumbnail.
            watch.Start();
            invert->click();
            SettleAndPaint(frame);
            watch.Stop();
            refresh.push_back(watch.totalWall_);
            refreshGap.push_back(watch.longestWall_);
        }
        qInfo("open 2256x1684 until shown: median %.1f ms, longest gap between pumps median %.1f ms "
              "(interface thread CPU %.1f ms)",
              Median(open), Median(openGap), Median(openCpuGap));
        qInfo("Apply after one change until shown: median %.1f ms, longest gap median %.1f ms", Median(apply),
              Median(applyGap));
        qInfo("preview refresh after one change until shown: median %.1f ms, longest gap median %.1f ms",
              Median(refresh), Median(refreshGap));
        qInfo("largest share of a run's interface-thread CPU time without a pump: %.2f", worstShare);
        // The longest stretch left is the zero-filled allocation of the 8-bit
        // rendering (about a sixth of an open's work); a stage of the
        // interface's own done in one piece (the picture for the window, a
        // first touch of an image block) takes well over a third.
        QVERIFY2(worstShare < 0.35, "a stretch of the run does not pump");
        QVERIFY(recorder.messages.empty());
    }

private:
    QTemporaryDir config_;
    QTemporaryDir files_;
    std::string big_;
};

QTEST_MAIN(GuiResponsivenessTest)
#include "test_gui_responsiveness.moc"
