#pragma once
#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QAction;
class QMenu;

namespace kyp {

class OptionsPage;

// The commands of the Options page's white balance menu.
namespace wbcmd {
inline constexpr int camera = 40053;
inline constexpr int k3000 = 40054;
inline constexpr int k3700 = 40055;
inline constexpr int k4000 = 40056;
inline constexpr int k4500 = 40057;
inline constexpr int k5500 = 40058;
inline constexpr int k6500 = 40059;
inline constexpr int k7500 = 40060;
inline constexpr int reference = 40072;
}  // namespace wbcmd

// Red and blue balance of an ORF file's Olympus maker note (tags 4119 and
// 4120, 256 = 1.0); nothing unless the file opens as TIFF, has the maker note
// and both tags are present and nonzero.
struct CameraBalance {
    uint16_t red = 0;
    uint16_t blue = 0;
};
[[nodiscard]] std::optional<CameraBalance> ReadReferenceBalance(const std::string& path);

// The three ratios of a preset (multiplier << 16 | divisor); nothing for an
// identifier that is no preset.
struct ScaleRatios {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
};
[[nodiscard]] std::optional<ScaleRatios> PresetRatios(int id);

// The menu behind the "White balance" button: the camera's own setting, seven
// colour-temperature presets and the setting of a reference image. Each sets
// the three scale ratios on the page (not the scale option itself).
class WhiteBalanceMenu : public QObject {
    Q_OBJECT
public:
    WhiteBalanceMenu(OptionsPage& page, QObject* parent = nullptr);
    ~WhiteBalanceMenu() override;

    [[nodiscard]] QMenu* Menu() const { return menu_; }
    [[nodiscard]] QAction* Action(int id) const;
    // Brings the first entry up to date (done when the menu opens).
    void UpdateStates();
    // Runs an entry as if chosen.
    void Choose(int id);

    // The reference file dialog; tests replace it.
    std::function<std::optional<std::string>()> referenceDialog;

private:
    [[nodiscard]] std::optional<std::string> RunReferenceDialog();

    OptionsPage& page_;
    QMenu* menu_ = nullptr;
};

}  // namespace kyp
