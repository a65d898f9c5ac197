#pragma once
#include <QFont>
#include <QWidget>

#include <functional>
#include <optional>

#include "gui/view/SampleRecord.h"

class QMenu;

namespace kyp {

class MenuButton;

// The commands of the readout's sample-size menu.
namespace samplecmd {
inline constexpr int size1 = 40073;  // "1 Pixel"
inline constexpr int size3 = 40074;  // "3 x 3 Pixels"
inline constexpr int size5 = 40075;  // "5 x 5 Pixels"
}  // namespace samplecmd

// The frame's "Info" window beside the thumbnail: what the sampler read under
// the pointer. Left column: the interpolated R, G, B, K, then the processed
// R, G, B, K (each K as a percentage of 1023). Right column: the sample size,
// X and Y, then the displayed 8-bit R, G, B, K. The size button in the top
// right corner drops down the sample-size menu.
//
// Controls: sampleSizeButton (menu button; actions sampleSize1/3/5).
class SamplerReadout : public QWidget {
    Q_OBJECT
public:
    explicit SamplerReadout(QWidget* parent = nullptr);

    // A record to show (an empty one shows only the background and the button).
    void SetRecord(const SampleRecord& record);
    // After Close: the record is dropped and the size button hidden.
    void Clear();
    [[nodiscard]] const std::optional<SampleRecord>& Record() const { return record_; }
    [[nodiscard]] MenuButton* SizeButton() const { return sizeButton_; }
    [[nodiscard]] QMenu* SizeMenu() const { return sizeMenu_; }

    // The stored sample size (read when the menu opens) and where a choice goes.
    std::function<uint32_t()> sampleSize;
    std::function<void(uint32_t)> setSampleSize;

    // The client size: twice the widths of "%", "K:" and "9999" plus 20, by
    // 8 rows plus 14.
    [[nodiscard]] QSize sizeHint() const override;
    // The lines as painted, for tests: "label value" per cell, column by column.
    [[nodiscard]] QStringList Lines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Cell {
        int column;  // 0 left, 1 right
        int row;     // 0..7; rows 4..7 form the second block
        QString label;
        QString value;
        bool percent;
    };
    [[nodiscard]] std::vector<Cell> Cells() const;
    void UpdateMenu();

    QFont font_;
    int percentWidth_ = 0;
    int labelWidth_ = 0;
    int valueWidth_ = 0;
    int rowHeight_ = 0;
    std::optional<SampleRecord> record_;
    MenuButton* sizeButton_ = nullptr;
    QMenu* sizeMenu_ = nullptr;
};

}  // namespace kyp
