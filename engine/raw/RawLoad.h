#pragma once
#include <string>

#include "engine/core/ByteView.h"
#include "engine/core/LoadError.h"
#include "engine/raw/CameraSettings.h"
#include "engine/raw/RawMosaic.h"
#include "engine/raw/RawSampleBlock.h"

namespace kyp {

class TiffDocument;

// The raw load of a processing session: ORF file test on path, open and
// parse document, readRawInfo, check that width × height 16-bit samples from
// the first strip lie inside the file, unpack, and point mosaic at the
// samples. From a file whose strip starts at an even offset the samples
// replace the strip's bytes in the document's copy of the file (block is
// then freed); otherwise block is made to hold width × height samples
// (reusing it when the count is unchanged) and they go there.
//
// On success the document stays open (the writers copy Exif tags from it)
// and the mosaic is valid until the document is closed or opened again.
// On any failure: block freed, mosaic emptied, camera set to the defaults,
// document closed; no message (callers word their own), but error (when
// given) says why.
[[nodiscard]] bool loadRawMosaic(const std::string& path, TiffDocument& document, RawSampleBlock& block,
                                 RawMosaic& mosaic, CameraSettings& camera, LoadError* error = nullptr);

// The same from bytes the caller keeps alive while the document is open (for
// fuzzing and tests): the ORF test is only the "MM" "OR" mark, without the
// least file size.
[[nodiscard]] bool loadRawMosaicFromBytes(ByteView bytes, TiffDocument& document, RawSampleBlock& block,
                                          RawMosaic& mosaic, CameraSettings& camera, LoadError* error = nullptr);

}  // namespace kyp
