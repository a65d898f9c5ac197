#include "engine/process/ProcessingSession.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/core/PathText.h"
#include "engine/process/ColourBalance.h"
#include "engine/process/ColourMatrix.h"
#include "engine/process/Curves.h"
#include "engine/process/FlipRotate.h"
#include "engine/process/GammaTable.h"
#include "engine/process/Grayscale.h"
#include "engine/process/Histogram.h"
#include "engine/process/Invert.h"
#include "engine/process/Levels.h"
#include "engine/process/RawCorrections.h"
#include "engine/process/Saturation.h"
#include "engine/process/TableApply.h"
#include "engine/process/UnsharpMask.h"
#include "engine/process/demosaic/DemosaicMethod.h"
#include "engine/process/demosaic/DemosaicReduced.h"
#include "engine/process/demosaic/DemosaicTiled.h"
#include "engine/raw/RawLoad.h"
#include "engine/raw/RawSampleBlock.h"
#include "engine/raw/TiffDocument.h"
#include "platform/LargeBlock.h"
#include "platform/Parallel.h"

namespace kyp {

namespace {

// Levels results of the interactive session: the level points found by the
// last full-size run (all channels in 0-1, per channel as red, green, blue
// pairs in 0-5) and the colour balance values (target mean, then the red,
// green and blue means) in 6-9.
constexpr int kBalanceResults = 6;

// Samples per unit of work when the output stage copies the cached image.
constexpr size_t kCopyGrain = 131072;

// A step on whole RGB pixels as a band step (bands hold whole pixels).
template <class PixelBand>
BandStep OnPixels(PixelBand band) {
    return [band](uint16_t* p, size_t count) { band(p, count / 3); };
}

// Bits of the difference mask that invalidate each cached stage.
constexpr uint32_t kDemosaicStageMask = opt::methodChanged | opt::rawStage;
constexpr uint32_t kOutputStageMask = ~kDemosaicStageMask;  // anything but the method and raw-stage bits

}  // namespace

ProcessingSession::ProcessingSession(SessionKind kind)
    : kind_(kind), allocate_(AllocateLargeBlock), release_(ReleaseLargeBlock), document_(std::make_unique<TiffDocument>()),
      rawBlock_(std::make_unique<RawSampleBlock>()), rawTables_(std::make_unique<RawTables>()),
      histogram_(std::make_unique<HistogramRecord>()), fullHistogram_(std::make_unique<HistogramRecord>()),
      fullRunCurves_(std::make_unique<uint16_t[]>(4 * 1024)) {
    if (kind_ == SessionKind::console) {
        SetDefaults(settings_);
        BuildGammaTable(gammaTable_, kDefaultGammaExponent);
        settings_.gammaExponent = kDefaultGammaExponent;
    } else {
        // The interactive session starts all zero; its first SetSettings builds the
        // gamma table. Colour balance values start at 1 (no change).
        for (int i = kBalanceResults; i < 10; ++i) levelsResults_[i] = 1;
    }
}

ProcessingSession::~ProcessingSession() {
    ReleaseImage(image_);
    ReleaseImage(fullImage_);
    ReleaseImage(fullOutput_);
    ReleaseImage(previewImage_);
    ReleaseImage(previewOutput_);
    ReleaseRaw();
    document_->close();
}

void ProcessingSession::SetMemoryFunctions(AllocateFunction allocate, ReleaseFunction release) {
    if (allocate && release) {
        allocate_ = allocate;
        release_ = release;
    } else {
        allocate_ = AllocateLargeBlock;
        release_ = ReleaseLargeBlock;
    }
}

void ProcessingSession::ReleaseImage(ProcessedImage& image) {
    if (image.samples) release_(image.samples);
    image = ProcessedImage{};
}

void ProcessingSession::ReleaseRaw() {
    rawBlock_->reset();
    raw_ = RawMosaic{};
}

void ProcessingSession::SetFileName(const char* name) {
    document_->close();
    fileBytes_ = ByteView();
    useFileBytes_ = false;
    fileName_.clear();
    settings_ = ImportSettings{};
    if (kind_ == SessionKind::interactive) {
        rawSnapshot_ = fullImageSnapshot_ = previewImageSnapshot_ = ImportSettings{};
        fullOutputSnapshot_ = previewOutputSnapshot_ = ImportSettings{};
        derived_ = false;
        rawGeneration_ = fullImageGeneration_ = previewImageGeneration_ = 0;
        textureDeclined_ = fullRunTextureDeclined_ = false;
        fullRunSettings_ = ImportSettings{};
        fullHistogramBlocks_ = 0;
        fullRunCurvesPresent_ = 0;
        fullRunSerial_ = previewResultsSerial_ = 0;
    }
    if (name) fileName_ = name;
}

void ProcessingSession::SetSettings(const ImportSettings& settings) {
    if (kind_ == SessionKind::interactive && CompareSettings(settings, settings_) == 0 &&
        gammaTableBuilt_) {
        // Whether to ask before a texture repair changes no picture by itself,
        // but it decides whether a declined repair still holds.
        settings_.options = (settings_.options & ~opt::asktt) | (settings.options & opt::asktt);
        return;
    }
    const float gamma = settings.gammaExponent;
    const uint32_t red = settings.redScale, green = settings.greenScale, blue = settings.blueScale;
    const ImportSettings previous = settings_;
    settings_ = settings;
    // SetGamma compares with the exponent held before this call.
    settings_.gammaExponent = previous.gammaExponent;
    SetGamma(gamma);
    if (!gammaTableBuilt_) {
        BuildGammaTable(gammaTable_, settings_.gammaExponent);
        gammaTableBuilt_ = true;
    }
    SetScaleRatios(red, green, blue);
    if (settings_.textureThreshold < 0) settings_.textureThreshold = 0;
    if (settings_.textureThreshold > 1023) settings_.textureThreshold = 1023;
}

void ProcessingSession::SetCurves(const CurveTables* curves) { curves_ = curves; }

void ProcessingSession::SetGamma(float exponent) {
    if (exponent != settings_.gammaExponent || !gammaTableBuilt_) {
        settings_.gammaExponent = exponent;
        BuildGammaTable(gammaTable_, exponent);
        gammaTableBuilt_ = true;
    }
}

void ProcessingSession::SetScaleRatios(uint32_t red, uint32_t green, uint32_t blue) {
    // A ratio with divisor 0 would divide by zero in the raw tables: it means 1/1.
    auto sane = [](uint32_t ratio) { return (ratio & 0xFFFF) == 0 ? 0x00010001u : ratio; };
    settings_.redScale = sane(red);
    settings_.greenScale = sane(green);
    settings_.blueScale = sane(blue);
}

void ProcessingSession::SetReduction(int32_t factor) {
    reduction_ = factor < 0 ? (factor == INT32_MIN ? INT32_MAX : -factor) : factor;
}

const TiffDocument* ProcessingSession::InputDocument() const { return document_.get(); }

bool ProcessingSession::LoadRaw() {
    const bool loaded = useFileBytes_
                            ? loadRawMosaicFromBytes(fileBytes_, *document_, *rawBlock_, raw_, camera_, &lastError_)
                            : loadRawMosaic(fileName_, *document_, *rawBlock_, raw_, camera_, &lastError_);
    if (!loaded) {
        ReleaseRaw();
        return false;
    }
    return true;
}

bool ProcessingSession::Report(const char* text) {
    if (!progress_) return true;
    if (text) progress_->SetText(text);
    return progress_->Tick(1);
}

bool ProcessingSession::ReportFormat(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return Report(buffer);
}

bool ProcessingSession::PrepareImage(ProcessedImage& destination, const ProcessedImage& source) {
    const int64_t needed = int64_t{source.channels} * source.height * source.width * 2;
    if (!destination.samples || destination.byteSize < needed) {
        if (destination.samples) release_(destination.samples);
        destination.samples = static_cast<uint16_t*>(allocate_(static_cast<size_t>(needed)));
        destination.byteSize = 0;
        if (!destination.samples) return false;
    }
    destination.width = source.width;
    destination.height = source.height;
    destination.channels = source.channels;
    destination.bitsPerSample = source.bitsPerSample;
    destination.byteSize = source.byteSize;
    return true;
}

// Loads the mosaic and applies the raw-domain corrections to it.
RunResult ProcessingSession::RunRawStage(bool interactive) {
    if (!LoadRaw()) return RunResult::failed;
    // Black point.
    if (settings_.options & opt::black) {
        if (!Report(interactive ? "Black Point ..." : "Black Point...")) return RunResult::cancelled;
        SubtractBlackPoint(raw_, camera_.blackLevels);
    }
    // Texture repair.
    if (settings_.options & opt::tt) {
        if (!Report("Texture ...")) return RunResult::cancelled;
        const int result = RepairTextureDefect(raw_, &settings_, progress_, confirm_);
        if (result == texture::kCancelled) return RunResult::cancelled;
        textureFound_ = result > 0;
        textureDeclined_ = result == texture::kDeclined;
    } else if (interactive) {
        textureDeclined_ = false;
        // Nothing is repaired, but the desktop program shows whether a defect is present.
        const int result = MeasureTextureDefect(raw_, raw_.width / 3, raw_.height / 3, settings_.textureThreshold,
                                                nullptr, progress_);
        if (result == texture::kCancelled) return RunResult::cancelled;
        textureFound_ = result > 0;
    }
    // White balance, fudge, raw curves and scale: one pass of the raw tables.
    if (settings_.options & (opt::scale | opt::rawcurves | opt::wb | opt::fudge)) {
        const uint32_t o = settings_.options;
        if (!ReportFormat("%s%s%s%s ...", (o & opt::wb) ? "White Balance..." : "",
                          (o & opt::fudge) ? "Fudge..." : "", (o & opt::rawcurves) ? "Raw Curves..." : "",
                          (o & opt::scale) ? "Scale..." : "")) {
            return RunResult::cancelled;
        }
        const uint16_t* const* curves = curves_ ? curves_->table : nullptr;
        BuildRawTables(settings_, curves, camera_.redBalance, camera_.blueBalance, *rawTables_);
        if (!ApplyRawTables(raw_, *rawTables_, progress_)) return RunResult::cancelled;
        if (interactive && (o & opt::rawcurves)) curvesChangedPreview_ = curvesChangedFull_ = false;
    }
    return RunResult::processed;
}

bool ProcessingSession::Process() {
    lastError_ = LoadError::none;
    cancelled_ = false;
    if (fileName_.empty()) {
        lastError_ = LoadError::missing;
        return false;
    }
    RunResult result = RunResult::cancelled;
    bool loaded = false;
    if (!progress_ || ReportFormat("Loading %s  ...", FileNamePart(fileName_).data())) {
        result = RunRawStage(false);
        loaded = result == RunResult::processed;
        if (loaded) result = RunConsoleImageStages();
    }
    if (progress_) progress_->End();
    // After the load only a block that could not be had stops the pipeline.
    if (result != RunResult::processed && loaded && !cancelled_) lastError_ = LoadError::outOfMemory;
    return result == RunResult::processed;
}

RunResult ProcessingSession::RunConsoleImageStages() {
    // Demosaic: reduced by averaging, or tiled with the chosen method.
    if (reduction_ >= 2) {
        if (!DemosaicReduced(raw_, image_, settings_.method == method::grayscale, reduction_, allocate_, release_)) {
            return RunResult::failed;
        }
    } else {
        if (!Report(MethodName(settings_.method))) return RunResult::cancelled;
        std::unique_ptr<DemosaicMethod> demosaic = CreateDemosaicMethod(settings_.method);
        if (!demosaic) return RunResult::failed;
        if (!DemosaicTiled(raw_, image_, *demosaic, progress_, allocate_, release_)) return RunResult::failed;
    }
    // Rotation: into a second block, which then becomes the image.
    if (settings_.rotation() != 0) {
        if (!Report("Rotate ...")) return RunResult::cancelled;
        ProcessedImage rotated{};
        if (!PrepareImage(rotated, image_)) return RunResult::failed;
        if (!RotateImage(rotated, image_, static_cast<int>(settings_.rotation()))) {
            ReleaseImage(rotated);
            return RunResult::failed;
        }
        ReleaseImage(image_);
        image_ = rotated;
    }
    return RunImageSteps(image_, false, false);
}

RunResult ProcessingSession::RunImageSteps(ProcessedImage& image, bool interactive, bool preview,
                                            const ProcessedImage* copyFrom) {
    const uint32_t o = settings_.options;
    const bool colour = image.channels == 3;
    const bool banded = stepsInBands_;
    bandSteps_.clear();
    afterBands_.clear();

    // The copy of the source: with the steps that follow it, or a pass of
    // its own that the threads share.
    if (copyFrom != nullptr) {
        const uint16_t* const from = copyFrom->samples;
        uint16_t* const to = image.samples;
        if (banded) {
            AddBandStep(
                [from, to](uint16_t* p, size_t count) { std::memcpy(p, from + (p - to), count * sizeof(uint16_t)); },
                false, image);
        } else {
            const size_t samples = static_cast<size_t>(copyFrom->byteSize) / sizeof(uint16_t);
            ParallelRanges(samples, kCopyGrain, [&](size_t first, size_t end, unsigned) {
                std::memcpy(to + first, from + first, (end - first) * sizeof(uint16_t));
            });
        }
    }

    // Flip.
    if (o & (opt::hflip | opt::vflip)) {
        if (const RunResult waiting = RunBandSteps(image); waiting != RunResult::processed) return waiting;
        if (!Report("Flip ...")) return RunResult::cancelled;
        if (!FlipImage(image, (o & opt::hflip) != 0, (o & opt::vflip) != 0)) return RunResult::failed;
    }
    // Colour matrix.
    if (colour && (o & opt::matrix)) {
        if (!Report("Color Transformation Matrix ...")) return RunResult::cancelled;
        if (banded) {
            AddBandStep(OnPixels(ColourMatrixBand(camera_.colourMatrix)), false, image);
        } else {
            ApplyColourMatrix(image, camera_.colourMatrix);
        }
    }
    // Levels.
    ImageStepMode mode;
    mode.interactive = interactive;
    mode.preview = preview;
    mode.fromResults = interactive && derived_;
    mode.storeResults = interactive && !derived_ && !preview;
    // A preview whose histogram would be the full-size run's, but for the
    // reduction, finds its points in that run's histogram: averaging the
    // reduced image removes the outlying values that decide the points.
    mode.followFull = interactive && preview && PreviewFollowsFullRun();
    mode.banded = banded;
    if (mode.storeResults) fullHistogramBlocks_ = 0;
    if (o & (opt::levels | opt::rgblevels)) {
        const RunResult levels = RunLevelsStep(image, mode);
        if (levels != RunResult::processed) return levels;
    }
    // Curves.
    if ((o & opt::curves) && curves_) {
        if (const RunResult waiting = RunBandSteps(image); waiting != RunResult::processed) return waiting;
        if (!Report("Curves ...")) return RunResult::cancelled;
        ApplyCurves(image, curves_->table);
        if (interactive) (preview ? curvesChangedPreview_ : curvesChangedFull_) = false;
    }
    // Colour balance.
    if ((o & opt::balance) && colour) {
        if (const RunResult waiting = RunBandSteps(image); waiting != RunResult::processed) return waiting;
        const RunResult balance = RunColourBalanceStep(image, mode);
        if (balance != RunResult::processed) return balance;
    }
    // Saturation.
    if ((o & opt::sat) && colour) {
        if (!StepReport("Saturation ...")) return RunResult::cancelled;
        if (banded) {
            AddBandStep(OnPixels(SaturationBand(settings_.saturation)), false, image);
        } else {
            ApplySaturation(image, settings_.saturation);
        }
    }
    // Grayscale.
    if ((o & opt::gray) && colour) {
        if (const RunResult waiting = RunBandSteps(image); waiting != RunResult::processed) return waiting;
        if (!Report("Grayscale ...")) return RunResult::cancelled;
        ConvertToGrayscale(image);
    }
    // Unsharp mask: the radius shrinks with a reduced image.
    if (o & opt::usm) {
        if (const RunResult waiting = RunBandSteps(image); waiting != RunResult::processed) return waiting;
        if (!Report("Unsharp Mask ...")) return RunResult::cancelled;
        float radius = settings_.usmRadius;
        const bool divide = interactive ? preview : reduction_ > 1;
        if (divide && reduction_ > 1) radius /= static_cast<float>(reduction_);
        if (!UnsharpMask(image, settings_.usmAmount, radius, settings_.usmThreshold, progress_)) {
            return RunResult::cancelled;
        }
    }
    // Gamma.
    if (o & opt::gamma) {
        if (!StepReport("Gamma ...")) return RunResult::cancelled;
        if (banded) {
            AddBandStep(SampleBand::Table(gammaTable_), true, image);
        } else if (!ApplyTable(image, gammaTable_, progress_)) {
            return RunResult::cancelled;
        }
    }
    if (const RunResult waiting = RunBandSteps(image); waiting != RunResult::processed) return waiting;
    // Invert.
    if (o & opt::invert) {
        if (!Report("Invert ...")) return RunResult::cancelled;
        InvertImage(image);
    }
    return RunResult::processed;
}

bool ProcessingSession::StepReport(const char* text) {
    if (bandSteps_.empty()) return Report(text);
    afterBands_.emplace_back([this, text] { return Report(text); });
    return true;
}

void ProcessingSession::AddBandStep(BandStep step, bool ticks, const ProcessedImage& image) {
    if (bandSteps_.empty()) {
        bandTicks_ = ticks;
    } else if (ticks) {
        // The ticks this step's own pass would make, after what precedes them.
        afterBands_.emplace_back(ReplayTicks(TableTicks(image)));
    }
    bandSteps_.push_back(std::move(step));
}

RunResult ProcessingSession::RunBandSteps(ProcessedImage& image, HistogramRecord* histogram, bool coloursToo) {
    if (bandSteps_.empty()) return RunResult::processed;
    const std::vector<BandStep> steps = std::move(bandSteps_);
    std::vector<std::function<bool()>> after = std::move(afterBands_);
    bandSteps_.clear();
    afterBands_.clear();
    ProgressCallback* const ticks = bandTicks_ ? progress_ : nullptr;
    if (histogram) {
        // The count's own ticks come after the text kept last ("Levels ...").
        after.emplace_back(ReplayTicks(TableTicks(image)));
        if (!ApplyAndCountHistogram(image, steps, coloursToo, histogram, ticks)) return RunResult::cancelled;
    } else if (!ApplyInBands(image, steps, ticks)) {
        return RunResult::cancelled;
    }
    for (const auto& kept : after) {
        if (!kept()) return RunResult::cancelled;
    }
    return RunResult::processed;
}

std::function<bool()> ProcessingSession::ReplayTicks(size_t count) {
    return [this, count] {
        for (size_t i = 0; i < count; ++i) {
            if (progress_ && !progress_->Tick(1)) return false;
        }
        return true;
    };
}

// Levels: all channels through one table from the luminance histogram, or
// (rgblevels alone, colour images only) each channel through its own.
RunResult ProcessingSession::RunLevelsStep(ProcessedImage& image, const ImageStepMode& mode) {
    const uint32_t o = settings_.options;
    if (!StepReport("Levels ...")) return RunResult::cancelled;
    // The all-channel levels read only the luminance block.
    const bool luminanceOnly = (o & opt::levels) != 0;
    const bool fromFullHistogram = mode.followFull && fullHistogramBlocks_ >= (luminanceOnly ? 1 : 2);
    HistogramRecord& histogram = fromFullHistogram ? *fullHistogram_ : *histogram_;
    const bool counting = !mode.fromResults && !fromFullHistogram;
    if (counting && !bandSteps_.empty()) {
        // Steps waiting for a pass (the copy, the colour matrix) go over the
        // image with the count; the text and ticks follow as kept.
        if (RunBandSteps(image, &histogram, !luminanceOnly) != RunResult::processed) return RunResult::cancelled;
    } else {
        if (const RunResult waiting = RunBandSteps(image); waiting != RunResult::processed) return waiting;
        if (counting && !(luminanceOnly ? ComputeLuminanceHistogram(image, &histogram, progress_)
                                        : ComputeHistogram(image, &histogram, progress_))) {
            return RunResult::cancelled;
        }
    }
    if (mode.storeResults) {
        *fullHistogram_ = histogram;
        fullHistogramBlocks_ = luminanceOnly ? 1 : 2;
    }
    if (o & opt::levels) {
        uint16_t lo = levelsResults_[0], hi = levelsResults_[1];
        if (!mode.fromResults) {
            const LevelPoints points = FindLevelPoints(HistogramRecord::kLuminance, histogram, settings_.darkThreshold,
                                                       settings_.brightThreshold);
            lo = points.low;
            hi = points.high;
        }
        if (mode.storeResults) {
            levelsResults_[0] = lo;
            levelsResults_[1] = hi;
        }
        BuildLevelsTable(levelsTable_, lo, hi);
        if (!mode.interactive && !Report(nullptr)) return RunResult::cancelled;
        if (mode.banded) {
            AddBandStep(SampleBand::Levels(levelsTable_, lo, hi), true, image);
        } else if (!ApplyLevelsTable(image, levelsTable_, lo, hi, progress_)) {
            return RunResult::cancelled;
        }
    } else if (image.channels == 3) {
        uint16_t (*tables[3])[1024] = {&redTable_, &greenTable_, &blueTable_};
        for (int c = 0; c < 3; ++c) {
            uint16_t lo = levelsResults_[2 * c], hi = levelsResults_[2 * c + 1];
            if (!mode.fromResults) {
                const LevelPoints points =
                    FindLevelPoints(c + 1, histogram, settings_.darkThreshold, settings_.brightThreshold);
                lo = points.low;
                hi = points.high;
            }
            if (mode.storeResults) {
                levelsResults_[2 * c] = lo;
                levelsResults_[2 * c + 1] = hi;
            }
            BuildLevelsTable(*tables[c], lo, hi);
        }
        if (!mode.interactive && !Report(nullptr)) return RunResult::cancelled;
        if (!ApplyChannelTables(image.samples, image.width * image.height, redTable_, greenTable_, blueTable_,
                                progress_)) {
            return RunResult::cancelled;
        }
    }
    return RunResult::processed;
}

// Colour balance: each channel's table moves the channel's mean to the
// luminance mean. A colour image only.
RunResult ProcessingSession::RunColourBalanceStep(ProcessedImage& image, const ImageStepMode& mode) {
    if (!Report("Color balance ...")) return RunResult::cancelled;
    uint16_t target = levelsResults_[kBalanceResults];
    uint16_t means[3] = {levelsResults_[kBalanceResults + 1], levelsResults_[kBalanceResults + 2],
                         levelsResults_[kBalanceResults + 3]};
    // The full-size run's values hold while nothing before this step changed.
    const uint32_t before = opt::levels | opt::rgblevels | opt::curves;
    const bool balanceFollows = mode.followFull && (fullRunSettings_.options & opt::balance) &&
                                (DifferenceMask(fullRunSettings_, settings_) & before) == 0 &&
                                !((settings_.options & opt::curves) && !CurvesAsInFullRun());
    if (!mode.fromResults && !balanceFollows) {
        HistogramRecord& histogram = *histogram_;
        if (!ComputeHistogram(image, &histogram, progress_)) return RunResult::cancelled;
        target = static_cast<uint16_t>(histogram.blocks[HistogramRecord::kLuminance].mean);
        for (int c = 0; c < 3; ++c) means[c] = static_cast<uint16_t>(histogram.blocks[c + 1].mean);
    }
    if (mode.storeResults) {
        levelsResults_[kBalanceResults] = target;
        for (int c = 0; c < 3; ++c) levelsResults_[kBalanceResults + 1 + c] = means[c];
    }
    BuildColourBalanceTable(redTable_, target, means[0]);
    BuildColourBalanceTable(greenTable_, target, means[1]);
    BuildColourBalanceTable(blueTable_, target, means[2]);
    if (!ApplyChannelTables(image.samples, image.width * image.height, redTable_, greenTable_, blueTable_,
                            progress_)) {
        return RunResult::cancelled;
    }
    return RunResult::processed;
}

RunResult ProcessingSession::Process(bool preview) {
    if (preview) {
        if (reduction_ < 2 || derived_) return RunResult::failed;
    } else if (!derived_ && fileName_.empty()) {
        return RunResult::failed;
    }
    if (progress_) progress_->Begin(1);
    const RunResult result = RunStages(preview);
    if (progress_) progress_->End();
    return result;
}

// The raw stage, the demosaic stage of this size and the output stage of this
// size, each only when what it caches is out of date or a stage before it ran.
RunResult ProcessingSession::RunStages(bool preview) {
    bool ran = false;
    // A derived session already holds its demosaiced image.
    if (!derived_) {
        const RunResult raw = RefreshRawStage(preview);
        if (raw == RunResult::failed || raw == RunResult::cancelled) return raw;
        const RunResult demosaic = RefreshDemosaicStage(preview);
        if (demosaic == RunResult::failed || demosaic == RunResult::cancelled) return demosaic;
        ran = raw == RunResult::processed || demosaic == RunResult::processed;
    }
    return RunOutputStage(preview, ran);
}

RunResult ProcessingSession::RefreshRawStage(bool preview) {
    const bool curvesChanged = curvesChangedPreview_ || curvesChangedFull_;
    // A declined texture repair stands only while the settings ask first.
    const bool askingDropped = textureDeclined_ && (settings_.options & opt::tt) && !(settings_.options & opt::asktt);
    const bool needed = rawGeneration_ == 0 || (DifferenceMask(rawSnapshot_, settings_) & opt::rawStage) != 0 ||
                        ((settings_.options & opt::rawcurves) && curvesChanged) || askingDropped;
    if (!needed) return RunResult::unchanged;
    if (!preview && !ReportFormat("Loading %s  ...", FileNamePart(fileName_).data())) return RunResult::cancelled;
    const RunResult raw = RunRawStage(true);
    if (raw != RunResult::processed) return raw;
    ++rawGeneration_;
    rawSnapshot_ = settings_;
    return RunResult::processed;
}

RunResult ProcessingSession::RefreshDemosaicStage(bool preview) {
    if (preview) {
        const uint16_t before = previewImageSnapshot_.method;
        const bool greyChanged =
            before != settings_.method && (before == method::grayscale || settings_.method == method::grayscale);
        if (previewImageGeneration_ == rawGeneration_ && !greyChanged && previewImage_.samples &&
            previewImageReduction_ == reduction_) {
            return RunResult::unchanged;
        }
        if (!DemosaicReduced(raw_, previewImage_, settings_.method == method::grayscale, reduction_, allocate_,
                             release_)) {
            return RunResult::failed;
        }
        previewImageSnapshot_ = settings_;
        previewImageGeneration_ = rawGeneration_;
        previewImageReduction_ = reduction_;
        return RunResult::processed;
    }
    if (fullImageGeneration_ == rawGeneration_ && fullImage_.samples &&
        (DifferenceMask(fullImageSnapshot_, settings_) & kDemosaicStageMask) == 0) {
        return RunResult::unchanged;
    }
    if (!Report(MethodName(settings_.method))) return RunResult::cancelled;
    std::unique_ptr<DemosaicMethod> demosaic = CreateDemosaicMethod(settings_.method);
    if (!demosaic) return RunResult::failed;
    if (!DemosaicTiled(raw_, fullImage_, *demosaic, progress_, allocate_, release_)) {
        // The driver releases its block when cancelled.
        return fullImage_.samples ? RunResult::failed : RunResult::cancelled;
    }
    fullImageSnapshot_ = settings_;
    fullImageGeneration_ = rawGeneration_;
    return RunResult::processed;
}

// Rotation or a copy of the demosaiced image of this size, then the image steps.
RunResult ProcessingSession::RunOutputStage(bool preview, bool earlierStageRan) {
    ProcessedImage& output = preview ? previewOutput_ : fullOutput_;
    const ProcessedImage& source = preview ? previewImage_ : fullImage_;
    ImportSettings& snapshot = preview ? previewOutputSnapshot_ : fullOutputSnapshot_;
    const bool curvesChanged = (settings_.options & opt::curves) && CurvesChanged(preview);
    if (!source.samples) return RunResult::failed;
    // A preview with levels or colour balance is redone when the full-size run it follows changed.
    const uint64_t resultsSerial = preview && PreviewFollowsFullRun() ? fullRunSerial_ : 0;
    const bool resultsChanged = preview && (settings_.options & (opt::levels | opt::rgblevels | opt::balance)) &&
                                resultsSerial != previewResultsSerial_;
    if (!earlierStageRan && output.samples && !curvesChanged && !resultsChanged &&
        (DifferenceMask(snapshot, settings_) & kOutputStageMask) == 0) {
        return RunResult::unchanged;
    }
    if (!PrepareImage(output, source)) return RunResult::failed;
    const bool rotated = settings_.rotation() != 0;
    if (rotated) {
        if (!Report("Rotate ...")) return RunResult::cancelled;
        if (!RotateImage(output, source, static_cast<int>(settings_.rotation()))) return RunResult::failed;
    }
    const RunResult steps = RunImageSteps(output, true, preview, rotated ? nullptr : &source);
    if (steps != RunResult::processed) return steps;
    snapshot = settings_;
    if (preview) {
        previewResultsSerial_ = resultsSerial;
    } else if (!derived_) {
        RememberFullRun();
    }
    return RunResult::processed;
}

void ProcessingSession::RememberFullRun() {
    fullRunSettings_ = settings_;
    fullRunTextureDeclined_ = textureDeclined_;
    fullRunCurvesPresent_ = 0;
    for (int i = 0; i < 4; ++i) {
        if (curves_ && curves_->table[i]) {
            fullRunCurvesPresent_ |= static_cast<uint8_t>(1u << i);
            std::memcpy(fullRunCurves_.get() + i * 1024, curves_->table[i], 1024 * sizeof(uint16_t));
        }
    }
    ++fullRunSerial_;
}

bool ProcessingSession::PreviewFollowsFullRun() const {
    if (derived_ || fullRunSerial_ == 0 || fullRunTextureDeclined_ != textureDeclined_) return false;
    // Flips and rotation move pixels without changing their values.
    if (DifferenceMask(fullRunSettings_, settings_) & (opt::rawStage | opt::methodChanged | opt::matrix)) return false;
    return !((settings_.options & opt::rawcurves) && !CurvesAsInFullRun());
}

bool ProcessingSession::CurvesAsInFullRun() const {
    for (int i = 0; i < 4; ++i) {
        const uint16_t* table = curves_ ? curves_->table[i] : nullptr;
        const bool present = (fullRunCurvesPresent_ >> i) & 1u;
        if ((table != nullptr) != present) return false;
        if (table && std::memcmp(table, fullRunCurves_.get() + i * 1024, 1024 * sizeof(uint16_t)) != 0) return false;
    }
    return true;
}

bool ProcessingSession::DeriveRegion(const ProcessingSession& parent, int32_t x, int32_t y, int32_t width,
                                     int32_t height) {
    SetFileName(nullptr);
    derived_ = true;
    std::memcpy(levelsResults_, parent.levelsResults_, sizeof levelsResults_);
    camera_ = parent.camera_;
    curves_ = parent.curves_;

    const ProcessedImage& full = parent.fullImage_;
    if (!full.samples || x < 0 || y < 0 || width <= 0 || height <= 0) return false;
    const uint32_t left = static_cast<uint32_t>(x), top = static_cast<uint32_t>(y);
    if (left >= full.width || top >= full.height) return false;
    const uint32_t w = std::min<uint32_t>(static_cast<uint32_t>(width), full.width - left);
    const uint32_t h = std::min<uint32_t>(static_cast<uint32_t>(height), full.height - top);

    ProcessedImage shape = full;
    shape.width = w;
    shape.height = h;
    shape.byteSize = static_cast<int32_t>(uint32_t{full.channels} * w * h * 2);
    if (!PrepareImage(fullImage_, shape)) return false;
    const size_t rowSamples = size_t{full.channels} * w;
    for (uint32_t row = 0; row < h; ++row) {
        const uint16_t* from = full.samples + (size_t{top + row} * full.width + left) * full.channels;
        std::memcpy(fullImage_.samples + row * rowSamples, from, rowSamples * 2);
    }
    // The region is the demosaiced image: every later run redoes only the output stage.
    ReleaseImage(fullOutput_);
    return true;
}

bool ProcessingSession::GetCameraRatios(uint32_t& red, uint32_t& green, uint32_t& blue, int& mode) const {
    if (fileName_.empty()) return false;
    red = uint32_t{camera_.redBalance} << 16 | 256;
    green = 0x00010001;
    blue = uint32_t{camera_.blueBalance} << 16 | 256;
    mode = camera_.whiteBalanceMode;
    return true;
}

}  // namespace kyp
