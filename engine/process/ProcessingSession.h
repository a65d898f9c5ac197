#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/ByteView.h"
#include "engine/core/LoadError.h"
#include "engine/core/MemoryFunctions.h"
#include "engine/core/ProgressCallback.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/TableApply.h"
#include "engine/process/TextureDefect.h"
#include "engine/raw/CameraSettings.h"
#include "engine/raw/RawMosaic.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {

class TiffDocument;
class RawSampleBlock;
struct RawTables;
struct HistogramRecord;

// The four curve tables (master, red, green, blue), 1024 entries each; a null
// table is an identity curve. Not owned by the session.
struct CurveTables {
    const uint16_t* table[4] = {nullptr, nullptr, nullptr, nullptr};
    [[nodiscard]] bool any() const { return table[0] || table[1] || table[2] || table[3]; }
};

enum class SessionKind { console, interactive };

// How a run of the pipeline ended: the interactive Process(preview) returns it,
// and inside the session each stage and step ends with one.
enum class RunResult {
    processed = 2,     // the work was done (a result image was made)
    unchanged = 1,     // the cached result is still valid: nothing was done
    failed = 0,        // loading failed or a block could not be had
    cancelled = -100,  // the progress callback answered false
};

// Turns one ORF file into one processed image. Owns the input document, the raw
// mosaic, the lookup tables and the image blocks, and reuses them from file to
// file. The console form runs the whole pipeline every time; the interactive
// form caches its three stages (raw, demosaic, output) at full and preview size
// and re-runs only what the settings changes invalidate.
class ProcessingSession {
public:
    explicit ProcessingSession(SessionKind kind = SessionKind::console);
    ~ProcessingSession();
    ProcessingSession(const ProcessingSession&) = delete;
    ProcessingSession& operator=(const ProcessingSession&) = delete;

    void SetProgress(ProgressCallback* progress) {
        watch_.owner = progress;
        progress_ = progress ? &watch_ : nullptr;
    }
    [[nodiscard]] ProgressCallback* Progress() const { return watch_.owner; }
    void SetTextureConfirmation(TextureConfirmation confirm) { confirm_ = std::move(confirm); }
    // Installs the pair only when both are given; restores the heap otherwise.
    void SetMemoryFunctions(AllocateFunction allocate, ReleaseFunction release);

    // Resets the session (closes the document, zeroes the settings copy) and takes the name.
    void SetFileName(const char* name);
    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    // After SetFileName: load from these bytes instead of the named file (the
    // caller keeps them alive while the session uses them). For fuzzing.
    void SetFileBytes(ByteView bytes) {
        fileBytes_ = bytes;
        useFileBytes_ = true;
    }
    void SetSettings(const ImportSettings& settings);
    [[nodiscard]] const ImportSettings& Settings() const { return settings_; }
    void SetCurves(const CurveTables* curves);
    void SetGamma(float exponent);
    void SetScaleRatios(uint32_t red, uint32_t green, uint32_t blue);
    void SetReduction(int32_t factor);
    // Runs take the steps that work on each pixel alone in as few passes over
    // the image as the order of steps allows, band by band: the desktop
    // program's copy of the demosaiced image and the colour matrix with the
    // levels count, then levels, saturation and gamma together; results,
    // progress texts, ticks and cancel points stay those of separate passes
    // (the default). False makes every step a pass of its own.
    void SetStepsInBands(bool inBands) { stepsInBands_ = inBands; }
    [[nodiscard]] int32_t Reduction() const { return reduction_; }

    [[nodiscard]] bool LoadRaw();
    // Why the last LoadRaw or console Process failed: the load's reason, or
    // outOfMemory when the file loaded but a later step could not get its
    // memory; none after a success or a cancellation.
    [[nodiscard]] LoadError LastError() const { return lastError_; }
    [[nodiscard]] bool Report(const char* text);
    [[nodiscard]] bool ReportFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));
    [[nodiscard]] bool PrepareImage(ProcessedImage& destination, const ProcessedImage& source);

    // Console pipeline: true when the image was produced.
    [[nodiscard]] bool Process();
    // Interactive pipeline: processed, unchanged (the cached output still
    // holds), failed or cancelled; never unchanged when nothing was cached.
    [[nodiscard]] RunResult Process(bool preview);

    // Makes this (interactive) session a copy of a rectangle of the parent's
    // full demosaiced image, for a small sharpening preview.
    [[nodiscard]] bool DeriveRegion(const ProcessingSession& parent, int32_t x, int32_t y, int32_t width,
                                    int32_t height);
    // Camera white balance as scale ratios (multiplier << 16 | divisor).
    [[nodiscard]] bool GetCameraRatios(uint32_t& red, uint32_t& green, uint32_t& blue, int& mode) const;

    // Console result.
    [[nodiscard]] const ProcessedImage& Image() const { return image_; }
    // Interactive results and caches.
    [[nodiscard]] const ProcessedImage& FullOutput() const { return fullOutput_; }
    [[nodiscard]] const ProcessedImage& PreviewOutput() const { return previewOutput_; }
    [[nodiscard]] const ProcessedImage& FullImage() const { return fullImage_; }

    [[nodiscard]] const TiffDocument* InputDocument() const;
    [[nodiscard]] const RawMosaic& Raw() const { return raw_; }
    [[nodiscard]] const CameraSettings& Camera() const { return camera_; }
    [[nodiscard]] const uint16_t* LevelsResults() const { return levelsResults_; }
    [[nodiscard]] bool TextureFound() const { return textureFound_; }
    [[nodiscard]] bool Derived() const { return derived_; }
    // Set by the owner when the curve set is edited.
    void MarkCurvesChanged() { curvesChangedPreview_ = curvesChangedFull_ = true; }
    // The texture confirmation declined the repair in the raw stage that made the current mosaic.
    [[nodiscard]] bool TextureDeclined() const { return textureDeclined_; }
    // Whether the next preview run takes its levels points (and colour balance
    // values) from the last full-size run rather than from the reduced image.
    [[nodiscard]] bool PreviewFollowsFullRun() const;
    [[nodiscard]] bool CurvesChanged(bool preview) const { return preview ? curvesChangedPreview_ : curvesChangedFull_; }

    [[nodiscard]] const uint16_t* GammaTable() const { return gammaTable_; }

private:
    // Where one pass of the image steps takes its levels points and colour
    // balance values from, and whether it keeps them.
    struct ImageStepMode {
        bool interactive = false;
        bool preview = false;
        bool fromResults = false;   // a derived session: the values copied from its parent
        bool storeResults = false;  // a full-size interactive run: into the levels results
        bool followFull = false;    // a preview that follows the last full-size run
        bool banded = false;        // per-pixel steps wait for one banded pass
    };

    // Console pipeline after the load: demosaic, rotation, then the image steps.
    RunResult RunConsoleImageStages();
    // Load, black point, texture repair (the interactive session measures the
    // texture even without it), then white balance and scale through the raw tables.
    RunResult RunRawStage(bool interactive);
    // The steps after demosaic and rotation, flip to invert, on an image in
    // place; with copyFrom, the image is first a copy of that one (same shape).
    RunResult RunImageSteps(ProcessedImage& image, bool interactive, bool preview,
                            const ProcessedImage* copyFrom = nullptr);
    RunResult RunLevelsStep(ProcessedImage& image, const ImageStepMode& mode);
    RunResult RunColourBalanceStep(ProcessedImage& image, const ImageStepMode& mode);
    // The banded pass: a step added while others wait joins them; its progress
    // (the step's text, the ticks of its own pass) is kept for after the pass,
    // in order, except the ticks of the first step, which the pass makes.
    bool StepReport(const char* text);
    void AddBandStep(BandStep step, bool ticks, const ProcessedImage& image);
    // Runs the waiting steps over the image, then their kept progress. With
    // a histogram, each band is counted into it after the steps (as
    // ComputeHistogram with coloursToo, else ComputeLuminanceHistogram) and
    // the count's ticks follow the kept progress.
    RunResult RunBandSteps(ProcessedImage& image, HistogramRecord* histogram = nullptr, bool coloursToo = false);
    // Ticks count times (while none cancels), for progress kept for later.
    std::function<bool()> ReplayTicks(size_t count);
    // Interactive stages: each runs when what it caches is out of date.
    RunResult RunStages(bool preview);
    RunResult RefreshRawStage(bool preview);
    RunResult RefreshDemosaicStage(bool preview);
    RunResult RunOutputStage(bool preview, bool earlierStageRan);
    // Keeps what a preview that follows this full-size run needs.
    void RememberFullRun();

    void ReleaseImage(ProcessedImage& image);
    void ReleaseRaw();
    // Whether the curve set holds the tables the last full-size run had.
    [[nodiscard]] bool CurvesAsInFullRun() const;

    // Passes the steps' progress on to the owner's callback and notes a tick
    // that cancels, so a run stopped inside a step is told from one that failed.
    class CancelWatch final : public ProgressCallback {
    public:
        explicit CancelWatch(bool& cancelled) : cancelled_(cancelled) {}
        void SetText(const char* text) override { owner->SetText(text); }
        void Begin(int32_t count) override { owner->Begin(count); }
        [[nodiscard]] bool Tick(int32_t count) override {
            if (owner->Tick(count)) return true;
            cancelled_ = true;
            return false;
        }
        void End() override { owner->End(); }

        ProgressCallback* owner = nullptr;

    private:
        bool& cancelled_;
    };

    SessionKind kind_;
    ProgressCallback* progress_ = nullptr;  // watch_ while the owner gave a callback
    bool stepsInBands_ = true;
    std::vector<BandStep> bandSteps_;              // waiting for the banded pass
    bool bandTicks_ = false;                       // the first of them ticks
    std::vector<std::function<bool()>> afterBands_;  // progress kept for after the pass
    TextureConfirmation confirm_;
    AllocateFunction allocate_;
    ReleaseFunction release_;
    std::string fileName_;
    ByteView fileBytes_;
    bool useFileBytes_ = false;
    ImportSettings settings_{};
    const CurveTables* curves_ = nullptr;
    int32_t reduction_ = 0;
    std::unique_ptr<TiffDocument> document_;
    ProcessedImage image_{};
    std::unique_ptr<RawSampleBlock> rawBlock_;
    std::unique_ptr<RawTables> rawTables_;         // the raw-domain tables of one run
    std::unique_ptr<HistogramRecord> histogram_;   // levels and colour balance
    RawMosaic raw_{};
    CameraSettings camera_{};
    uint16_t gammaTable_[1024] = {};
    uint16_t levelsTable_[1024] = {};
    uint16_t redTable_[1024] = {};
    uint16_t greenTable_[1024] = {};
    uint16_t blueTable_[1024] = {};

    // Interactive state.
    ProcessedImage fullImage_{};
    ProcessedImage fullOutput_{};
    ProcessedImage previewImage_{};
    ProcessedImage previewOutput_{};
    ImportSettings rawSnapshot_{};
    ImportSettings fullImageSnapshot_{};
    ImportSettings previewImageSnapshot_{};
    ImportSettings fullOutputSnapshot_{};
    ImportSettings previewOutputSnapshot_{};
    uint16_t levelsResults_[10] = {};
    bool curvesChangedPreview_ = true;
    bool curvesChangedFull_ = true;
    bool derived_ = false;
    bool cancelled_ = false;  // a tick of this run was cancelled
    CancelWatch watch_{cancelled_};
    LoadError lastError_ = LoadError::none;
    bool textureFound_ = false;
    bool gammaTableBuilt_ = false;
    // Each raw-stage run makes a new generation of the corrected mosaic; a cached
    // demosaiced image is valid only for the generation (and reduction) it was made from.
    uint64_t rawGeneration_ = 0;
    uint64_t fullImageGeneration_ = 0;
    uint64_t previewImageGeneration_ = 0;
    int32_t previewImageReduction_ = 0;
    // A repair declined by the texture confirmation holds only while the
    // settings still ask before repairing: without the question the raw stage runs again.
    bool textureDeclined_ = false;
    // The last full-size run, for previews that follow its levels: its
    // settings, the histogram its levels were found in (blocks: 0 none,
    // 1 luminance only, 2 all four), whether its mosaic was declined a repair,
    // and a serial that changes with every full-size run.
    ImportSettings fullRunSettings_{};
    std::unique_ptr<HistogramRecord> fullHistogram_;
    int fullHistogramBlocks_ = 0;
    bool fullRunTextureDeclined_ = false;
    std::unique_ptr<uint16_t[]> fullRunCurves_;  // 4 × 1024 entries, the curve tables of that run
    uint8_t fullRunCurvesPresent_ = 0;           // bit i: table i was given
    uint64_t fullRunSerial_ = 0;
    uint64_t previewResultsSerial_ = 0;  // the full run the preview output followed (0: its own histograms)
};

}  // namespace kyp
