#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kyp {

class TiffDocument;

// The texts the desktop program shows about what the camera recorded, built
// from an open, parsed ORF document: its Exif directory and the Olympus maker
// note (read at the MakerNote's offset + 8 while the text is built). Lines
// end "\r\n". Items whose tags are missing are left out; a missing or foreign
// maker note leaves out every maker-note item. A document that is not open
// or has no Exif directory gives no text (an empty caption).
//
// The document is taken non-const because reading the maker note moves its
// file cursor; nothing else changes.

// The full text of the information page: one "Name:\tvalue" line per item.
[[nodiscard]] std::optional<std::string> cameraInfoText(TiffDocument& document);
// Two lines: file name and date; then the exposure and camera settings as one
// comma-separated line.
[[nodiscard]] std::optional<std::string> cameraSummary(TiffDocument& document);
// A short multi-line caption for previews.
[[nodiscard]] std::string cameraCaption(TiffDocument& document);

// An Exif date ("YYYY:MM:DD HH:MM:SS": six decimal numbers, each ended by one
// character of any kind) in the locale's short date format, a space and its
// time format (strftime "%x %X" under the LC_TIME locale the program set). A
// text that does not hold six numbers forming a valid date and time is shown
// as it is stored.
[[nodiscard]] std::string exifDateText(std::string_view stored);

}  // namespace kyp
