// The whole console pipeline on arbitrary bytes: the ORF is loaded from
// memory, the session runs with every demosaic method and a few option sets
// (small images only: the picture size comes from the input's own header),
// and every writer produces its file: TIFF (8 and 16 bits) and bitmap into a
// file in the temporary folder, JPEG into memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/output/Bitmap.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/BitmapWriter.h"
#include "engine/output/JpegOutputBuffer.h"
#include "engine/output/JpegWriter.h"
#include "engine/output/TiffWriter.h"
#include "engine/process/ProcessingSession.h"
#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

namespace {

using namespace kyp;

// Larger pictures are passed over: the pipeline's cost grows with the
// samples, and nothing in it depends on size beyond a few tiles.
constexpr uint64_t kMaxSamples = 96 * 64;

const std::string& OutputPath() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/kyp-fuzz-pipeline-" + std::to_string(::getpid());
    }();
    return path;
}

void WriteAll(ProcessingSession& session, const ImportSettings& settings) {
    const ProcessedImage& image = session.Image();
    OutputSettings output;
    output.ResetToDefaults();
    output.tx = output.ta = true;
    output.artist = "fuzz";
    for (const bool t16 : {false, true}) {
        output.t16 = t16;
        (void)writeTiff(OutputPath() + ".tif", session.InputDocument(), image, settings, output);
    }
    Bitmap bitmap;
    if (renderImage(bitmap, image, (settings.options & opt::gray) != 0, nullptr)) {
        (void)writeBmp(bitmap, OutputPath() + ".bmp");
    }
    JpegOutputBuffer buffer;
    (void)writeJpeg(image, session.InputDocument(), &output, buffer);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Only pictures small enough to run many times per second.
    {
        TiffDocument probe;
        RawInfo info;
        if (!probe.openMemory(ByteView(data, size)) || !probe.parse() || !readRawInfo(probe, info)) return 0;
        if (uint64_t{info.width} * info.height > kMaxSamples) return 0;
    }

    static ProcessingSession session(SessionKind::console);
    session.SetTextureConfirmation([](int32_t, int32_t) { return true; });
    ImportSettings defaults{};
    SetDefaults(defaults);
    defaults.usmAmount = 100;

    // Every method with the defaults; then everything on (rotated, flipped,
    // sharpened, per-channel levels), then grey with the raw-stage steps only.
    for (uint16_t method = 0; method <= method::best; ++method) {
        ImportSettings settings = defaults;
        settings.method = method;
        session.SetFileName("fuzz.orf");
        session.SetFileBytes(ByteView(data, size));
        session.SetSettings(settings);
        if (!session.Process()) {
            // A file the loader refuses is refused whatever the method.
            if (session.LastError() != LoadError::outOfMemory) return 0;
            continue;
        }
        if (method == method::best) WriteAll(session, settings);
    }
    const uint32_t optionSets[] = {opt::meaningful & ~opt::levels & ~opt::rawcurves,
                                   opt::gray | opt::rawStage | opt::levels | opt::invert};
    for (const uint32_t options : optionSets) {
        ImportSettings settings = defaults;
        settings.options = options;
        settings.darkThreshold = 5;
        settings.brightThreshold = 5;
        settings.method = static_cast<uint16_t>(size % (method::best + 1));
        session.SetFileName("fuzz.orf");
        session.SetFileBytes(ByteView(data, size));
        session.SetSettings(settings);
        if (session.Process()) WriteAll(session, settings);
    }
    return 0;
}
