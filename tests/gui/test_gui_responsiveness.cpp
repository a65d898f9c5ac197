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
#include "gui/frame/StatusStrip.h"
#include "gui/view/ImageWindow.h"

using namespace kyp;

namespace {

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Watches one command, from the moment it starts until the picture it produced
// has been painted: the longest gap between the pumps it makes in wall time and
// in CPU time of this thread, against the whole.
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

    // Runs the command and everything that became due after it: the queued
    // refresh, the paint of the frame and of the image window.
    void Watch(MainFrame& frame, const std::function<void()>& command) {
        wall_.start();
        last_[0] = 0.0;
        start_ = last_[1] = ThreadCpuMs();
        longest_[0] = longest_[1] = 0.0;
        pumps = -1;  // the stop below is no pump
        command();
        QCoreApplication::processEvents();
        frame.repaint();
        if (frame.Image() != nullptr) frame.Image()->repaint();
        Mark();
        wall = last_[0];
        share = longest_[1] / (last_[1] - start_);
    }

    double wall = 0.0, share = 0.0;
    int pumps = 0;
    double LongestWall() const { return longest_[0]; }

private:
    void Mark() {
        const double now[2] = {static_cast<double>(wall_.nsecsElapsed()) / 1e6, ThreadCpuMs()};
        for (int k = 0; k < 2; ++k) {
            longest_[k] = std::max(longest_[k], now[k] - last_[k]);
            last_[k] = now[k];
        }
        ++pumps;
    }

    StatusStrip& strip_;
    std::function<bool()> inner_;
    QElapsedTimer wall_;
    double last_[2] = {}, longest_[2] = {}, start_ = 0.0;  // [0] wall, [1] CPU
};

}  // namespace

class GuiResponsivenessTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        (void)test::UsePrivateConfig();
        // One engine thread unless told otherwise: then all of a run's work is
        // on this thread, and its CPU time measures the work on any machine.
        if (!qEnvironmentVariableIsSet("KYP_THREADS")) qputenv("KYP_THREADS", "1");
        big_ = test::Path(files_, "big.orf");
        QVERIFY(test::WriteSmallOrf(big_, 2256, 1684));
        // The file after it in the folder, for the next-file command.
        QVERIFY(test::WriteSmallOrf(test::Path(files_, "big2.orf"), 2256, 1684));
    }

    // Open a 2256 x 1684 file until its picture is shown; then Apply (F5)
    // after a setting change; then the preview refresh after one change; then
    // the next file of the folder (F7).
    void fullRunsKeepPumping() {
        constexpr int kCommands = 4;
        const char* const names[kCommands] = {"open 2256x1684", "Apply after one change",
                                              "preview refresh after one change", "next file (F7)"};
        std::vector<double> wall[kCommands], gap[kCommands], share[kCommands];
        for (int run = 0; run < 5; ++run) {
            test::Frame f(true, QSize(1111, 621));
            QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
            auto* invert = test::Find<QAbstractButton>(&f.frame, "invertCheck");
            PumpWatch watch(f.frame.Strip());
            const std::function<void()> commands[kCommands] = {
                [&] { QVERIFY(f.frame.OpenByName(big_)); },
                [&] { f.frame.Command(cmd::apply); },  // the output stage and everything after it
                [&] { invert->click(); },              // the reduced preview and the thumbnail
                [&] { f.frame.Command(cmd::nextFile); },
            };
            for (int k = 0; k < kCommands; ++k) {
                watch.Watch(f.frame, commands[k]);
                wall[k].push_back(watch.wall);
                gap[k].push_back(watch.LongestWall());
                share[k].push_back(watch.share);
                if (k == 0) {
                    QVERIFY(f.frame.Image() != nullptr && !f.frame.Image()->Image().isNull());
                    QVERIFY2(watch.pumps > 100, "a full run pumps all along");
                    invert->click();
                    QCoreApplication::processEvents();
                }
            }
            QVERIFY(f.recorder.messages.empty());
            QVERIFY(f.frame.FileName().ends_with("big2.orf"));
        }
        for (int k = 0; k < kCommands; ++k) {
            qInfo("%s until shown: median %.1f ms, longest gap between pumps median %.1f ms", names[k], Median(wall[k]),
                  Median(gap[k]));
        }
        // A stage done in one piece is there in every run; one run slowed by
        // the machine is not: the median of the runs counts.
        double worstShare = 0.0;
        for (int k = 0; k < kCommands; ++k)
            if (k != 2) worstShare = std::max(worstShare, Median(share[k]));
        qInfo("largest share of a run's interface-thread CPU time without a pump (median of the runs): %.2f", worstShare);
        // The longest stretch left is the zero-filled allocation of the 8-bit
        // rendering (about a sixth of an open's work); a stage of the
        // interface's own done in one piece (the picture for the window, a
        // first touch of an image block) takes well over a third.
        QVERIFY2(worstShare < 0.35, qPrintable(QStringLiteral("a stretch of %1 of a run does not pump").arg(worstShare)));
    }

private:
    QTemporaryDir files_;
    std::string big_;
};

QTEST_MAIN(GuiResponsivenessTest)
#include "test_gui_responsiveness.moc"
