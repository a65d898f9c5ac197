#pragma once
#include <cstdint>
#include <string>

#include "engine/core/ProgressCallback.h"
#include "engine/output/Bitmap.h"
#include "engine/process/ProcessedImage.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

namespace kyp {

class TiffDocument;

// What an output file is made from.
struct OutputImage {
    const ProcessedImage& image;     // the processed samples
    const TiffDocument* source;      // the raw file's document: tags for the TIFF, the JPEG's Exif segment
    const ImportSettings& settings;  // the settings image was processed with (gray decides the TIFF's channels)
    // An 8-bit rendering of image already at hand: a bitmap file is written
    // from it as it is. Without one the bitmap is rendered from image here
    // (grey when settings has opt::gray), reporting to progress.
    const Bitmap* rendering = nullptr;
    ProgressCallback* progress = nullptr;
};

// How writeOutput ended.
enum class OutputStatus {
    written,
    notRendered,  // no bitmap could be rendered (memory, size): no file touched
    notEncoded,   // no JPEG stream could be encoded (memory, size): no file touched
    fileFailed,   // the file could not be created or written: error says why
    noWriter,     // no writer for the format: nothing written
};

struct OutputResult {
    OutputStatus status = OutputStatus::noWriter;
    int error = 0;  // the errno value of a file failure, otherwise 0

    [[nodiscard]] bool ok() const { return status == OutputStatus::written; }
    // Why the write failed: the system's text for a file failure ("No space
    // left on device"), a short sentence for a picture that could not be made
    // into the format; empty when written, for no writer, and for a file
    // failure without a known cause.
    [[nodiscard]] std::string reason() const;
};

// Writes picture to path in outputFormat (format::tiff, format::bitmap or
// format::jpeg) with output's choices: TIFF depth, Exif and annotation in the
// TIFF or JPEG, JPEG quality. Every file appears only when completely written,
// so a failure leaves no partial file and an existing file of that name as it
// was.
//
// With checkTargetFirst the target is created and dropped again before
// anything is rendered or encoded, so an unwritable target is found without
// that work; a bitmap or JPEG stream that cannot be made is then reported only
// for a target that could be written.
[[nodiscard]] OutputResult writeOutput(const std::string& path, uint32_t outputFormat, const OutputSettings& output,
                                       const OutputImage& picture, bool checkTargetFirst = false);

}  // namespace kyp
