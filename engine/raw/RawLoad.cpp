#include "engine/raw/RawLoad.h"

#include <cstdint>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"

namespace kyp {

namespace {

// path, or (when null) bytes.
LoadError LoadInto(const std::string* path, ByteView bytes, TiffDocument& document, RawSampleBlock& block,
                   RawMosaic& mosaic, CameraSettings& camera) {
    if (path) {
        LoadError error = LoadError::none;
        if (!isOrfFile(*path, &error)) return error;
        // The whole file in memory: a file changed on the disk meanwhile
        // cannot disturb the load.
        if (!document.open(*path)) return document.file().error();
    } else {
        const uint8_t* head = bytes.at(0, 4);
        if (!head || head[0] != 'M' || head[1] != 'M' || head[2] != 'O' || head[3] != 'R') return LoadError::notOrf;
        if (!document.openMemory(bytes)) return LoadError::notOrf;
    }
    if (!document.parse()) return LoadError::damaged;

    RawInfo info;
    if (!readRawInfo(document, info)) return LoadError::damaged;
    // width × height samples of two bytes from the first strip must lie in the
    // file; counted in 64 bits so that huge dimensions cannot wrap the test.
    const uint64_t samples = uint64_t{info.width} * info.height;
    if (samples == 0) return LoadError::damaged;
    if (!document.file().view().contains(info.rawOffset, samples * 2)) return LoadError::truncated;
    // A file read into memory is unpacked where its strip lies, when the
    // strip starts on a word: no second block to fill, and the strip's bytes
    // are read once. Otherwise (caller's bytes, odd offset) into the block.
    uint8_t* strip = document.file().writableBytes(info.rawOffset, samples * 2);
    if (strip != nullptr && reinterpret_cast<uintptr_t>(strip) % alignof(uint16_t) == 0) {
        block.reset();
        mosaic.samples = reinterpret_cast<uint16_t*>(strip);
        unpackInPlace(mosaic.samples, static_cast<size_t>(samples));
    } else {
        if (!block.ensure(static_cast<size_t>(samples))) return LoadError::outOfMemory;
        unpack(block.samples(), document.file().view().at(info.rawOffset, samples * 2),
               static_cast<size_t>(samples));
        mosaic.samples = block.samples();
    }
    mosaic.width = info.width;
    mosaic.height = info.height;
    camera = info.camera;
    return LoadError::none;
}

bool Finish(LoadError result, TiffDocument& document, RawSampleBlock& block, RawMosaic& mosaic,
            CameraSettings& camera, LoadError* error) {
    if (error) *error = result;
    if (result == LoadError::none) return true;
    block.reset();
    mosaic = RawMosaic{};
    camera = CameraSettings{};
    document.close();
    return false;
}

}  // namespace

bool loadRawMosaic(const std::string& path, TiffDocument& document, RawSampleBlock& block, RawMosaic& mosaic,
                   CameraSettings& camera, LoadError* error) {
    return Finish(LoadInto(&path, ByteView(), document, block, mosaic, camera), document, block, mosaic, camera,
                  error);
}

bool loadRawMosaicFromBytes(ByteView bytes, TiffDocument& document, RawSampleBlock& block, RawMosaic& mosaic,
                            CameraSettings& camera, LoadError* error) {
    return Finish(LoadInto(nullptr, bytes, document, block, mosaic, camera), document, block, mosaic, camera,
                  error);
}

}  // namespace kyp
