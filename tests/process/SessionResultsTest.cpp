// Whole pipelines over generated ORF files with option sets that between them
// switch on every step and every method: alone and on the thread pool, on
// every instruction set, in banded and in separate passes, each run must give
// the same image, progress texts and ticks, and these must be the ones
// recorded in session-results.golden. Cancelling at a tick stops there with the
// same outcome on every variant.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "engine/process/ProcessingSession.h"
#include "process/ProcessTestSupport.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

// A master curve and a red curve, so that curves and raw curves change samples.
struct TestCurves {
    uint16_t master[1024], red[1024];
    CurveTables tables;
    TestCurves() {
        for (int i = 0; i < 1024; ++i) {
            master[i] = static_cast<uint16_t>(i * i / 1023);
            red[i] = static_cast<uint16_t>(1023 - (1023 - i) * (1023 - i) / 1023);
        }
        tables.table[0] = master;
        tables.table[1] = red;
    }
};

struct Variant {
    KernelTarget target;
    unsigned threads;
    bool inBands;
};
using Variants = std::vector<Variant>;
// Both kinds of passes, three thread counts, three instruction sets.
const Variants kFull = {
    {KernelTarget::avx512, 1, false}, {KernelTarget::baseline, 3, true}, {KernelTarget::avx2, 2, false}};

// Runs make(session, case, inBands) for each case in one console session per
// variant; every result must be the first variant's. Returns them in case order.
template <typename Make>
std::vector<std::string> OnEachVariant(const Variants& variants, const std::vector<std::string>& names, Make make) {
    std::vector<std::string> first;
    for (const Variant& variant : variants) {
        (void)SetKernelTargetLimit(variant.target);
        ThreadPool::Shared().SetThreadLimit(variant.threads);
        ProcessingSession session;
        session.SetStepsInBands(variant.inBands);
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string text = make(session, i, variant.inBands);
            if (first.size() <= i) first.push_back(text);
            EXPECT_EQ(text, first[i]) << names[i] << " on instruction set " << static_cast<int>(variant.target)
                                      << " with " << variant.threads << " threads, in bands " << variant.inBands;
        }
    }
    ThreadPool::Shared().SetThreadLimit(0);
    (void)SetKernelTargetLimit(KernelTarget::avx512);
    return first;
}

// Files in a folder of this process's own, so that their names (which the
// progress texts show) are the same on every run.
std::string OrfFile(const std::string& name, uint32_t width, uint32_t height) {
    const std::filesystem::path folder = test::SessionTempPath("session-results");
    std::filesystem::create_directories(folder);
    const std::string path = (folder / name).string();
    sample::SampleOrfOptions options;
    options.width = width;
    options.height = height;
    options.previewWidth = 64;
    EXPECT_TRUE(sample::WriteSampleOrf(path, options));
    return path;
}

struct Outcome {
    bool ok = false;
    LoadError error = LoadError::none;
    std::string log, image;
};

Outcome Convert(ProcessingSession& session, const std::string& path, const ImportSettings* settings,
                const CurveTables* curves, int cancelAt = 0) {
    test::Recorder progress(cancelAt);
    session.SetProgress(&progress);
    session.SetFileName(path.c_str());
    if (settings) session.SetSettings(*settings);
    session.SetCurves(curves);
    Outcome run;
    run.ok = session.Process();
    run.error = session.LastError();
    run.log = progress.log;
    run.image = test::ImageText(session.Image());
    session.SetProgress(nullptr);
    return run;
}

ImportSettings Only(uint32_t options, uint16_t method = method::best) {
    ImportSettings settings;
    SetDefaults(settings);
    settings.options = options;
    settings.method = method;
    return settings;
}

// Settings from words: the options (hex), then fields by name: method,
// saturation, usm (amount), radius, dark and bright (thresholds), red (scale
// m/d); the other fields are the defaults.
ImportSettings SettingsFrom(const std::string& text) {
    std::istringstream words(text);
    uint32_t options = 0, multiplier = 0, divisor = 0;
    char slash = 0;
    words >> std::hex >> options >> std::dec;
    ImportSettings settings = Only(options);
    for (std::string key; words >> key;) {
        EXPECT_NE(std::string(" method saturation usm radius dark bright red ").find(" " + key + " "),
                  std::string::npos) << key << " in " << text;
        if (key == "method") words >> settings.method;
        if (key == "saturation") words >> settings.saturation;
        if (key == "usm") words >> settings.usmAmount;
        if (key == "radius") words >> settings.usmRadius;
        if (key == "dark") words >> settings.darkThreshold;
        if (key == "bright") words >> settings.brightThreshold;
        if (key == "red" && words >> multiplier >> slash >> divisor) settings.redScale = multiplier << 16 | divisor;
    }
    return settings;
}

std::string Text(const Outcome& run) {
    return std::string(run.ok ? "ok " : "no ") + run.image + " " + test::LogText(run.log);
}

TEST(SessionResults, ConsoleRunsOnEveryVariantAsRecorded) {
    test::RecordedResults recorded("session-results.golden");
    const TestCurves curves;
    // Odd sizes, several tiles, a moved-back last tile row (2 x 104 + 8 + 5),
    // partial pixel blocks at the end of each pass; one session converts
    // every file with every option set as a batch does.
    const std::map<std::string, std::string> files = {{"odd.orf", OrfFile("odd.orf", 333, 221)},
                                                      {"bands.orf", OrfFile("bands.orf", 250, 190)}};
    // A case is "<file> <settings>" (or "no settings": the raw pattern
    // alone); a file not made here is missing.
    const std::vector<std::string> names = recorded.Cases();
    const auto texts = OnEachVariant(kFull, names, [&](ProcessingSession& session, size_t i, bool) {
        const std::string file = names[i].substr(0, names[i].find(' '));
        const ImportSettings settings = SettingsFrom(names[i].substr(file.size()));
        const bool made = files.count(file) != 0, none = names[i].ends_with("no settings");
        return Text(Convert(session, made ? files.at(file) : file, none ? nullptr : &settings,
                            made ? &curves.tables : nullptr));
    });
    for (size_t i = 0; i < names.size(); ++i) recorded.Check(names[i], texts[i]);

    // Cancelling at a tick, between steps or inside one: the run stops at that
    // tick with the progress so far and has not failed; its image is the same
    // on every variant that takes the same passes.
    // The defaults at every tick, banded against separate passes; the most
    // steps with curves at some ticks on one thread and several.
    const struct {
        const std::string& file;
        const ImportSettings settings;
        int stride;
        Variants variants;
    } cancelling[] = {
        {files.at("bands.orf"), Only(opt::defaults), 1000,
         {{KernelTarget::avx512, 1, false}, {KernelTarget::avx2, 3, true}}},
        {files.at("odd.orf"), SettingsFrom("1f711b5 method 8 radius 1.1 red 7/5"), 4,
         {kFull[0], {KernelTarget::avx512, 3, false}, kFull[1]}}};
    for (const auto& [file, settings, stride, variants] : cancelling) {
        ProcessingSession session;
        const std::string whole = Convert(session, file, &settings, &curves.tables).log;
        const int ticks = static_cast<int>(std::count(whole.begin(), whole.end(), '#'));
        ASSERT_GT(ticks, 20);
        std::vector<int> cancels;
        for (int cancelAt = 1; cancelAt <= ticks; cancelAt += 1 + cancelAt / stride) cancels.push_back(cancelAt);
        std::vector<std::string> cancelNames;
        for (const int cancelAt : cancels)
            cancelNames.push_back(file + " cancelled at tick " + std::to_string(cancelAt));
        std::map<std::pair<size_t, bool>, std::string> images;
        OnEachVariant(variants, cancelNames, [&](ProcessingSession& variant, size_t i, bool inBands) {
            const Outcome run = Convert(variant, file, &settings, &curves.tables, cancels[i]);
            EXPECT_FALSE(run.ok) << cancelNames[i];
            EXPECT_EQ(run.error, LoadError::none) << cancelNames[i];
            const auto [image, added] = images.emplace(std::pair{i, inBands}, run.image);
            EXPECT_EQ(run.image, image->second) << cancelNames[i] << " in bands " << inBands;
            size_t end = 0;
            for (int tick = 0; tick < cancels[i]; ++tick) end = whole.find('#', end) + 1;
            EXPECT_EQ(run.log, whole.substr(0, end) + "E") << cancelNames[i];
            return run.log;
        });
    }
    std::filesystem::remove_all(std::filesystem::path(files.at("odd.orf")).parent_path());
}

// The desktop program's runs: a preview, a full-size run, then a preview that
// follows it (its levels from the full-size run's count), and a region
// derived from the full-size run (its levels from the parent's points).
TEST(SessionResults, InteractiveRunsOnEveryVariantAsRecorded) {
    test::RecordedResults recorded("session-interactive-results.golden");
    const std::string path = OrfFile("interactive.orf", 250, 190);
    const std::vector<std::string> names = recorded.Cases();  // the settings
    const auto texts = OnEachVariant(kFull, names, [&](ProcessingSession&, size_t i, bool inBands) {
        ProcessingSession session(SessionKind::interactive);
        session.SetStepsInBands(inBands);
        test::Recorder progress;
        session.SetProgress(&progress);
        session.SetFileName(path.c_str());
        session.SetSettings(SettingsFrom(names[i]));
        session.SetReduction(3);
        std::string text;
        for (const bool preview : {true, false, true}) {
            text += std::to_string(static_cast<int>(session.Process(preview))) + " ";
            text += test::ImageText(preview ? session.PreviewOutput() : session.FullOutput()) + "; ";
        }
        ProcessingSession region(SessionKind::interactive);
        region.SetStepsInBands(inBands);
        text += std::to_string(region.DeriveRegion(session, 30, 20, 100, 70)) + " ";
        region.SetSettings(SettingsFrom(names[i]));
        text += std::to_string(static_cast<int>(region.Process(false))) + " ";
        return text + test::ImageText(region.FullOutput()) + " " + test::LogText(progress.log);
    });
    for (size_t i = 0; i < names.size(); ++i) recorded.Check(names[i], texts[i]);
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

// What one run of an interactive session returned and reported, and its image.
std::string Step(ProcessingSession& session, bool preview, int cancelAt = 0) {
    test::Recorder progress(cancelAt);
    session.SetProgress(&progress);
    const RunResult result = session.Process(preview);
    session.SetProgress(nullptr);
    return std::to_string(static_cast<int>(result)) + " " + test::LogText(progress.log) + " " +
           test::ImageText(preview ? session.PreviewOutput() : session.FullOutput()) + "; ";
}

// Interactive sessions taken through scripts of edits and runs: stages rerun
// only for what changed, a cancelled run recovers, a region derived from a
// full-size run, previews taking their levels from the full-size run while
// their input is the same, a declined texture repair holding only while the
// settings ask; beside them the console runs they must agree with.
TEST(SessionResults, InteractiveScriptsAsRecorded) {
    test::RecordedResults recorded("session-script-results.golden");
    const std::string path = OrfFile("script.orf", 256, 192);
    const std::string striped = (std::filesystem::path(path).parent_path() / "striped.orf").string();
    ASSERT_TRUE(sample::WriteStripedOrf(striped, 252, 192));
    const auto console = [](const std::string& file, const ImportSettings& settings, int32_t reduction = 0,
                            bool decline = false) {
        ProcessingSession session;
        session.SetReduction(reduction);
        if (decline) session.SetTextureConfirmation([](int32_t, int32_t) { return false; });
        return Text(Convert(session, file, &settings, nullptr));
    };

    ProcessingSession stages(SessionKind::interactive);
    stages.SetReduction(-12);
    ImportSettings settings = Only(opt::defaults);
    stages.SetFileName(path.c_str());
    stages.SetSettings(settings);
    std::ostringstream out;
    out << stages.Reduction() << " " << Step(stages, false);
    for (const float gamma : {0.6f, 0.6f, 0.45f}) {  // the output stage alone; nothing; back to the first
        settings.gammaExponent = gamma;
        stages.SetSettings(settings);
        out << Step(stages, false);
    }
    settings.options &= ~opt::wb;  // a raw-stage setting redoes everything
    stages.SetSettings(settings);
    out << Step(stages, false) << Step(stages, true) << Step(stages, true);
    recorded.Check("stages", out.str());

    settings = Only(opt::defaults | opt::balance | opt::usm);
    ProcessingSession recovering(SessionKind::interactive);
    recovering.SetFileName(path.c_str());
    recovering.SetSettings(settings);
    out.str("");
    out << Step(recovering, false, 6) << Step(recovering, false) << recovering.LevelsResults()[0] << "-"
        << recovering.LevelsResults()[1] << " console " << console(path, settings);
    recorded.Check("cancel and recover", out.str());

    settings = Only(opt::defaults | opt::balance);
    ProcessingSession parent(SessionKind::interactive), region(SessionKind::interactive);
    uint32_t r = 0, g = 0, b = 0;
    int mode = -1;
    out.str("");
    out << parent.GetCameraRatios(r, g, b, mode) << " ";
    parent.SetFileName(path.c_str());
    parent.SetSettings(settings);
    out << Step(parent, false) << parent.GetCameraRatios(r, g, b, mode) << " " << r << " " << g << " " << b << " "
        << mode << "; " << region.DeriveRegion(parent, 200, 20, 140, 140) << region.Derived() << " "
        << test::ImageText(region.FullImage()) << " " << Step(region, true);
    region.SetSettings(settings);
    out << Step(region, false);
    recorded.Check("camera ratios and region", out.str());

    const ImportSettings full = Only(opt::levels);
    ImportSettings thresholds = full;
    thresholds.darkThreshold = 20;
    thresholds.brightThreshold = 30;
    for (const ImportSettings& preview : {full, thresholds, Only(opt::levels | opt::wb)}) {
        ProcessingSession session(SessionKind::interactive);
        session.SetReduction(12);
        session.SetFileName(striped.c_str());
        session.SetSettings(full);
        out.str("");
        out << Step(session, false);
        session.SetSettings(preview);
        out << Step(session, true) << session.PreviewFollowsFullRun() << " " << Step(session, false)
            << session.PreviewFollowsFullRun() << " " << Step(session, true);
        ImportSettings before = preview;
        before.options &= ~opt::levels;
        out << "console " << console(striped, before) << " reduced " << console(striped, before, 12);
        recorded.Check("levels " + std::to_string(preview.options) + " " + std::to_string(preview.darkThreshold),
                       out.str());
    }

    const ImportSettings asking = Only(opt::tt | opt::asktt), repairing = Only(opt::tt);
    ProcessingSession texture(SessionKind::interactive);
    int asked = 0;
    texture.SetTextureConfirmation([&](int32_t, int32_t) { return ++asked, false; });
    texture.SetReduction(12);
    texture.SetFileName(striped.c_str());
    texture.SetSettings(asking);
    out.str("");
    out << Step(texture, true) << Step(texture, false) << asked << texture.TextureDeclined() << " ";
    texture.SetSettings(repairing);  // no longer asking: the answer given no longer holds
    out << Step(texture, false) << asked << texture.TextureDeclined() << " console " << console(striped, Only(0))
        << " " << console(striped, repairing) << " declined " << console(striped, asking, 0, true);
    recorded.Check("texture", out.str());

    // No file name fails before anything starts, a missing file fails, a
    // cancel at the first tick stops before loading; settings are kept in range.
    ProcessingSession bare;
    test::Recorder progress;
    bare.SetProgress(&progress);
    out.str("");
    out << bare.Process() << progress.log << " ";
    bare.SetFileName("/nonexistent/P1010001.ORF");
    bare.SetSettings(Only(opt::defaults));
    out << bare.Process() << progress.log << " ";
    progress.cancelAt = 1;
    bare.SetFileName(path.c_str());
    out << bare.Process() << progress.log << " " << (bare.Raw().samples == nullptr);
    ImportSettings odd = Only(opt::scale);
    odd.redScale = 0x00050000;  // divisor 0
    for (const int32_t threshold : {5000, -4}) {
        odd.textureThreshold = threshold;
        bare.SetSettings(odd);
        out << " " << bare.Settings().redScale << " " << bare.Settings().textureThreshold;
    }
    recorded.Check("console edges", out.str());
    std::filesystem::remove_all(std::filesystem::path(path).parent_path());
}

}  // namespace
}  // namespace kyp
