#pragma once
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>

#include "gui/pages/HistogramData.h"
#include "gui/pages/HistogramPlot.h"
#include "gui/pages/OptionPage.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QRadioButton;

namespace kyp {

class MainFrame;

// Sources of the histogram page.
namespace histsource {
inline constexpr int raw = 0;           // the raw sensor data
inline constexpr int interpolated = 1;  // the demosaiced full image
inline constexpr int processed = 2;     // the fully processed image
}  // namespace histsource

// The Histogram tab: the histogram of one channel of the raw
// data, the interpolated image or the fully processed image, with a
// statistics line, a range bar (lowest, highest, mean, spread) and the
// sampler's marker. Each set is computed at most once per document state,
// 400 ms after the page is shown or the document changes.
class HistogramPage : public QWidget, public OptionPage {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 400;

    explicit HistogramPage(MainFrame& frame, QWidget* parent = nullptr);
    ~HistogramPage() override;

    // ---- OptionPage ----
    [[nodiscard]] QWidget* GetWindow() override { return this; }
    void ShowSample(const SampleRecord& record) override;
    void Activate(bool shown) override;
    void DocumentChanged() override;
    void DocumentClosed() override;
    void PageCommand(int command) override;

    void ChooseSource(int source);
    void ChooseChannel(int channel);
    // What the delay timer does: compute the chosen set when needed, then
    // choose the source again.
    void Refresh();

    // ---- state, for tests ----
    [[nodiscard]] int Source() const { return source_; }
    [[nodiscard]] int Channel() const { return channel_; }
    [[nodiscard]] QString Line() const { return line_; }
    [[nodiscard]] bool SetValid(int source) const { return sets_[static_cast<size_t>(source)].valid; }
    [[nodiscard]] float StdDev() const { return Current().stdDev; }
    [[nodiscard]] uint32_t Scale() const { return Current().scale; }
    [[nodiscard]] const DisplayBins& Bins() const { return Current().bins; }
    [[nodiscard]] const HistogramRecord* Record(int source) const { return sets_[static_cast<size_t>(source)].record.get(); }
    [[nodiscard]] const HistogramLayout& Layout() const { return layout_; }
    // Column of the sampler's marker (0..255 from the plot's left edge), or -1.
    [[nodiscard]] int MarkerPosition() const;
    [[nodiscard]] bool TimerActive() const { return timer_.isActive(); }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Set {
        bool valid = false;
        bool error = false;
        float stdDev = 0.0f;
        uint32_t scale = 0;
        DisplayBins bins{};
        std::unique_ptr<HistogramRecord> record = std::make_unique<HistogramRecord>();
    };

    void BuildControls();
    void PlaceControls();
    void Invalidate();
    void ComputeIfNeeded();
    void RebuildLine();
    void SelectListItem();
    [[nodiscard]] const Set& Current() const { return sets_[static_cast<size_t>(source_)]; }
    [[nodiscard]] HistogramPlotView View() const;

    MainFrame& frame_;
    std::array<Set, 3> sets_;
    int source_ = histsource::processed;
    int channel_ = 0;
    QString line_;
    bool shown_ = false;
    bool sampleShown_ = false;
    SampleRecord sample_;
    HistogramLayout layout_;
    QTimer timer_;

    QLabel* channelLabel_ = nullptr;
    QComboBox* channelList_ = nullptr;
    QGroupBox* group_ = nullptr;
    QRadioButton* rawButton_ = nullptr;
    QRadioButton* interpolatedButton_ = nullptr;
    QRadioButton* processedButton_ = nullptr;
};

}  // namespace kyp
