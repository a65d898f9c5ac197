#include "engine/raw/RawLoad.h"

#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"

namespace kyp {

namespace {

bool LoadInto(const std::string& path, TiffDocument& document, RawSampleBlock& block, RawMosaic& mosaic,
              CameraSettings& camera) {
    if (!IsOrfFile(path)) return false;
    // The raw data is most of the file: map all of it at once.
    if (!document.open(path, true) || !document.parse()) return false;

    RawInfo info;
    if (!readRawInfo(document, info)) return false;
    // width × height samples of two bytes from the first strip must lie in the
    // file; counted in 64 bits so that huge dimensions cannot wrap the test.
    const uint64_t samples = uint64_t{info.width} * info.height;
    if (samples == 0 || !document.file().view().contains(info.rawOffset, samples * 2)) return false;
    if (!block.ensure(static_cast<size_t>(samples))) return false;

    unpack(block.samples(), document.file().view().at(info.rawOffset, samples * 2), static_cast<size_t>(samples));
    // The packed samples are not read again (the writers use only the TIFF
    // structures): give their pages back while the image is being made.
    document.file().dropPages(info.rawOffset, samples * 2);
    mosaic.samples = block.samples();
    mosaic.width = info.width;
    mosaic.height = info.height;
    camera = info.camera;
    return true;
}

}  // namespace

bool LoadRaw(const std::string& path, TiffDocument& document, RawSampleBlock& block, RawMosaic& mosaic,
             CameraSettings& camera) {
    if (LoadInto(path, document, block, mosaic, camera)) return true;
    block.reset();
    mosaic = RawMosaic{};
    camera = CameraSettings{};
    document.close();
    return false;
}

}  // namespace kyp
