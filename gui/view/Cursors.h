#pragma once
#include <QCursor>

namespace kyp {

// The program's own cursors, drawn once on first use (32 × 32, hot spot in
// the middle unless noted).
// 116: over the image while the left button samples (a filled crosshair).
[[nodiscard]] const QCursor& SamplingCursor();
// 123: over the image with the button up (an open crosshair).
[[nodiscard]] const QCursor& ImageCursor();
// 129: over the Options page's "White balance" button (a dropper, hot spot at its tip).
[[nodiscard]] const QCursor& WhiteBalanceCursor();
// 132: over the image while the Sharpen page is shown (a loupe).
[[nodiscard]] const QCursor& LoupeCursor();

}  // namespace kyp
