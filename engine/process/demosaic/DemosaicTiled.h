#pragma once
#include "engine/core/MemoryFunctions.h"
#include "engine/core/ProgressCallback.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/demosaic/DemosaicMethod.h"
#include "engine/raw/RawMosaic.h"

namespace kyp {

// Demosaics the whole mosaic with `method`, tile by tile, into `image`:
// (width - 2 Border) x (height - 2 Border) pixels of method.Channels() samples.
// The image's sample block is kept when already large enough, else replaced
// through allocate/release (the heap pair unless both are given). Shows
// "<method name> ..." and calls Tick(1) before each tile; progress may be null.
//
// Tiles are shared out among the engine's threads (see platform/Parallel.h), each
// extra thread with a method object of its own from
// CreateDemosaicMethod(method.Number()); when that does not give the same
// kind of object (a caller's own method), or memory runs out, the walk runs
// on this thread alone. Ticks stay on this thread, one before each tile in
// walking order; the image does not depend on the number of threads.
//
// False when the mosaic has no samples or no pixel inside the method's border
// (image unchanged), when the image block cannot be allocated (image left
// empty), or when Tick cancels (the image block is released, image left empty).
[[nodiscard]] bool DemosaicTiled(const RawMosaic& mosaic, ProcessedImage& image, DemosaicMethod& method,
                                 ProgressCallback* progress, AllocateFunction allocate,
                                 ReleaseFunction release);

}  // namespace kyp
