#pragma once
#include <QTimer>
#include <QWidget>

#include "engine/output/Bitmap.h"
#include "engine/process/ProcessingSession.h"
#include "gui/pages/OptionPage.h"
#include "gui/view/Sampler.h"

class QLabel;

namespace kyp {

class MainFrame;
class NumberEdit;

// The Sharpen tab: the unsharp-mask amount, radius and threshold,
// and a 140 × 140 preview of the processed image around a point, made by a
// session of its own derived from the document's. While the image is sampled
// the preview follows the pointer without sharpening; 200 ms after sampling
// ends (or the page is shown, or a run finished) it is made again sharpened.
//
// The page's controls, by object name:
//   amountEdit "&Amount:"   radiusEdit "&Radius:"   thresholdEdit "&Threshold:"
class SharpenPage : public QWidget, public OptionPage {
    Q_OBJECT
public:
    static constexpr int kDelayMs = 200;
    static constexpr PixelPoint kStartCentre{1050, 770};

    explicit SharpenPage(MainFrame& frame, QWidget* parent = nullptr);
    ~SharpenPage() override;

    [[nodiscard]] QWidget* GetWindow() override { return this; }
    void ShowSample(const SampleRecord& record) override;
    void EndSample() override;
    [[nodiscard]] std::optional<QCursor> GetCursor(bool buttonDown) override;
    void Activate(bool shown) override;
    void DocumentChanged() override;
    void DocumentClosed() override;
    void ResetToDefaults() override;

    [[nodiscard]] const Bitmap& Preview() const { return preview_; }
    [[nodiscard]] bool PreviewSharpened() const { return sharpened_; }
    [[nodiscard]] PixelPoint Centre() const { return centre_; }
    [[nodiscard]] bool TimerActive() const { return timer_.isActive(); }
    [[nodiscard]] bool Stale() const { return stale_; }
    // Where the preview is drawn (140 × 140), in page coordinates.
    [[nodiscard]] QRect PreviewRect() const;
    // Makes the preview now, sharpened or not.
    void Rebuild(bool sharpened);
    // The timer's work: a sharpened preview when the page is shown, nothing
    // runs, the preview is stale and a document is loaded.
    void TimerFired();
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ValueEdited(int identifier);
    void LoadValues();

    MainFrame& frame_;
    NumberEdit* amount_ = nullptr;
    NumberEdit* radius_ = nullptr;
    NumberEdit* threshold_ = nullptr;
    QLabel* thresholdLabel_ = nullptr;
    ProcessingSession own_{SessionKind::interactive};
    Bitmap preview_;
    QTimer timer_;
    PixelPoint centre_ = kStartCentre;
    bool stale_ = true;
    bool shown_ = false;
    bool closed_ = true;  // the document was closed after the last run
    bool sharpened_ = false;
};

}  // namespace kyp
