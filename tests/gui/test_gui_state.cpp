// The desktop program's state, explored: random sequences of edits on the
// Options, Curves and Sharpen pages against a small model (what the pages show,
// what the last full run was made with, how the texture question was
// answered). After every edit the Apply button must say whether the pages
// differ from the last full run; after every sequence the thumbnail, the big
// picture and the saved file must be the engine's own runs for the pages.
// A failing sequence prints itself; KYP_STATE_SEED and KYP_STATE_ONLY replay it.
#include <QComboBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "engine/output/BitmapRender.h"
#include "engine/output/TiffWriter.h"
#include "engine/process/ProcessingSession.h"
#include "engine/settings/CurveTable.h"
#include "gui/dialogs/SaveDialogControls.h"
#include "gui/frame/CommandTable.h"
#include "gui/pages/CurveNumberEdit.h"
#include "gui/pages/CurvesPage.h"
#include "gui/pages/OptionsPage.h"
#include "gui/pages/RatioText.h"
#include "gui/pages/SharpenPage.h"
#include "gui/pages/WhiteBalanceMenu.h"
#include "gui/view/ImageArea.h"
#include "gui/widgets/NumberEdit.h"

using namespace kyp;
using test::Find;

namespace {

constexpr const char* kTextureTitle = "Kyp Suite: Texture Defect Detected";

// The strip bytes of a TIFF file (the pixels, whatever the directory says besides).
QByteArray TiffPixels(const QByteArray& file) {
    const bool little = !file.isEmpty() && file[0] == 'I';
    const auto u16 = [&](qsizetype at) -> uint32_t {
        if (at < 0 || at + 2 > file.size()) return 0;
        const auto b0 = static_cast<uint8_t>(file[at]), b1 = static_cast<uint8_t>(file[at + 1]);
        return little ? uint32_t(b0 | b1 << 8) : uint32_t(b1 | b0 << 8);
    };
    const auto u32 = [&](qsizetype at) { return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2); };
    std::vector<uint32_t> lists[2];  // the strip offsets (tag 273) and byte counts (tag 279)
    for (uint32_t i = 0, ifd = u32(4), n = u16(ifd); i < n; ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        const uint32_t tag = u16(entry), size = u16(entry + 2) == 3 ? 2 : 4, count = u32(entry + 4);
        if (tag != 273 && tag != 279) continue;
        const qsizetype values = count * size <= 4 ? entry + 8 : u32(entry + 8);
        for (uint32_t k = 0; k < count; ++k) {
            lists[tag == 279].push_back(size == 2 ? u16(values + 2 * k) : u32(values + 4 * k));
        }
    }
    QByteArray pixels;
    for (size_t k = 0; k < lists[0].size() && k < lists[1].size(); ++k) pixels += file.mid(lists[0][k], lists[1][k]);
    return pixels;
}

QImage Rgb32(const Bitmap& bitmap) { return ImageFromBitmap(bitmap).convertToFormat(QImage::Format_RGB32); }

// Curve tables as the engine takes them (the set holds the tables).
struct Tables {
    explicit Tables(const CurveArray& curves) : set(curves) {
        for (int i = 0; i < kCurveCount; ++i) tables.table[i] = set.Table(i);
    }
    CurveSet set;
    CurveTables tables;
};

// kyp2tiff's run for the settings (and curves): its TIFF's pixels, its picture rendered into `full`.
QByteArray ConsolePixels(const std::string& orf, const ImportSettings& settings, const CurveArray* curves,
                         const OutputSettings& output, Bitmap* full = nullptr) {
    ProcessingSession console;
    std::optional<Tables> tables;
    console.SetFileName(orf.c_str());
    console.SetSettings(settings);
    if (curves != nullptr) console.SetCurves(&tables.emplace(*curves).tables);
    const std::string path = orf + ".console.tif";
    if (!console.Process() || !writeTiff(path, console.InputDocument(), console.Image(), settings, output)) return {};
    if (full != nullptr && !renderImage(*full, console.Image(), (settings.options & opt::gray) != 0, nullptr)) return {};
    return TiffPixels(test::ReadAll(path));
}

// What the last full run was made with, and the texture answers.
struct Model {
    ImportSettings lastRun{};
    CurveArray lastCurves{};
    bool lastDeclined = false;  // the last full run's mosaic was declined its repair
    bool declinedNow = false;   // the current mosaic's
    float exponent = 0.0f;      // the gamma the page's field stands for while untouched
    uint32_t ratios[3] = {};    // the last valid ratios
};

const char* const kRatioFields[3] = {"redRatioEdit", "greenRatioEdit", "blueRatioEdit"};

// The Options page's boxes and buttons, and the bits of the options they stand for.
const std::pair<const char*, uint32_t> kBoxes[] = {
    {"fixTextureCheck", opt::tt},       {"promptCheck", opt::asktt},          {"blackPointCheck", opt::black},
    {"cameraWhiteBalanceCheck", opt::wb}, {"scaleCheck", opt::scale},       {"rawCurvesCheck", opt::rawcurves},
    {"fudgeCheck", opt::fudge},         {"colorMatrixCheck", opt::matrix},    {"horizontalCheck", opt::hflip},
    {"verticalCheck", opt::vflip},      {"curvesCheck", opt::curves},         {"colorBalanceCheck", opt::balance},
    {"saturationCheck", opt::sat},      {"sharpenCheck", opt::usm},           {"gammaCheck", opt::gamma},
    {"invertCheck", opt::invert},       {"rotateNoneRadio", 0},               {"rotate90CwRadio", 1u << opt::rotShift},
    {"rotate90CcwRadio", 3u << opt::rotShift}, {"rotate180Radio", 2u << opt::rotShift}, {"levelsNoneRadio", 0},
    {"levelsRadio", opt::levels},       {"rgbLevelsRadio", opt::rgblevels}};

class Explorer {
public:
    Explorer(const std::string& orf, const int32_t measure[2]) : orf_(orf), measure_{measure[0], measure[1]} {}

    // One sequence; false (and the sequence printed) when an invariant breaks.
    bool Run(uint32_t seed, int* checks) {
        QFile::remove(qEnvironmentVariable("KYP_CONFIG_HOME") + QStringLiteral("/settings.json"));
        test::Frame f(true, QSize(1000, 640));
        frame_ = &f.frame;
        recorder_ = &f.recorder;
        log_.clear();
        seen_ = 0;
        checks_ = checks;
        if (!frame_->OpenByName(orf_)) return Fail("the sample does not open");
        // The untouched gamma field stands for the exponent it was shown from.
        model_ = Model{};
        model_.exponent = frame_->Settings().gammaExponent;
        model_.lastRun = Read();
        model_.exponent = model_.lastRun.gammaExponent;
        model_.ratios[0] = model_.lastRun.redScale;
        model_.ratios[1] = model_.lastRun.greenScale;
        model_.ratios[2] = model_.lastRun.blueScale;
        model_.lastCurves = frame_->Curves();

        QRandomGenerator random(seed);
        const int length = 1 + static_cast<int>(random.bounded(12));
        for (int step = 0; step < length; ++step) {
            Act(random);
            if (!Settle() || !CheckApply()) return Fail("after step " + std::to_string(step + 1));
        }
        return CheckPictures() || Fail("at the end");
    }

    std::string failure;

private:
    // ---- the pages as shown, read without the program's own reading ----
    ImportSettings Read() {
        OptionsPage* page = frame_->Options();
        ImportSettings s = frame_->Settings();  // the grayscale bit and anything no page shows
        uint32_t options = 0;
        for (const auto& [name, bit] : kBoxes) options |= Find<QAbstractButton>(page, name)->isChecked() ? bit : 0;
        auto* gamma = Find<NumberEdit>(page, "gammaEdit");
        if (gamma->isModified() || gamma->text() != gamma->Show(1.0 / static_cast<double>(model_.exponent))) {
            const std::optional<double> typed = ParseDecimal(gamma->text());
            if (typed && *typed >= 0.1 && *typed <= 10.0) model_.exponent = static_cast<float>(1.0 / *typed);
        }
        s.gammaExponent = model_.exponent;
        const auto value = [&](QWidget* on, const char* name) { return Find<NumberEdit>(on, name)->Value(); };
        const auto perMille = [](double v) { return std::max(int32_t{-1}, static_cast<int32_t>(std::lround(v * 1000.0))); };
        s.saturation = static_cast<float>(value(page, "saturationEdit"));
        s.darkThreshold = perMille(value(page, "loEdit"));
        s.brightThreshold = perMille(value(page, "hiEdit"));
        for (int c = 0; c < 3; ++c) {
            if (auto ratio = ParseRatio(Find<QLineEdit>(page, kRatioFields[c])->text().toStdString())) model_.ratios[c] = *ratio;
        }
        s.redScale = model_.ratios[0];
        s.greenScale = model_.ratios[1];
        s.blueScale = model_.ratios[2];
        auto* threshold = Find<NumberEdit>(page, "thresholdEdit");
        const double t = ParseDecimal(threshold->text()).value_or(threshold->Value());
        s.textureThreshold = t < 1.0 ? 0 : t > 1023.0 ? 1023 : static_cast<int32_t>(t);
        if (s.textureThreshold == 0) options &= ~opt::tt;
        s.options = options | (s.options & opt::gray);
        s.method = static_cast<uint16_t>(Find<QComboBox>(page, "methodList")->currentData().toInt());
        s.usmAmount = static_cast<int32_t>(value(frame_->Sharpen(), "amountEdit"));
        s.usmRadius = static_cast<float>(value(frame_->Sharpen(), "radiusEdit"));
        s.usmThreshold = static_cast<int32_t>(value(frame_->Sharpen(), "thresholdEdit"));
        return s;
    }

    bool PagesDiffer(const ImportSettings& pages) const {
        if (CompareSettings(pages, model_.lastRun) != 0) return true;
        if ((pages.options & (opt::curves | opt::rawcurves)) && frame_->Curves() != model_.lastCurves) return true;
        return model_.lastDeclined && (pages.options & opt::tt) && !(pages.options & opt::asktt);
    }

    // The defect is found (and the question asked) only above the threshold.
    bool DefectFound(const ImportSettings& s) const {
        return (s.options & opt::tt) && std::abs(measure_[(s.options & opt::black) ? 1 : 0]) > s.textureThreshold;
    }

    // ---- edits ----
    void Log(const std::string& text) { log_ += "  " + text + "\n"; }
    void Tab(int index) { frame_->Tabs()->setCurrentIndex(index); }

    // Text typed into a field of a page, the field left or not.
    void TypeInto(int tab, QWidget* page, const char* name, const char* text, bool leave) {
        Tab(tab);
        Log(std::string("type ") + name + " '" + text + "'" + (leave ? " and leave" : ""));
        auto* field = Find<QLineEdit>(page, name);
        test::Type(field, QString::fromLatin1(text));
        if (field->objectName() == QLatin1String("gammaEdit")) (void)Read();  // before leaving shows one decimal
        if (leave) test::Leave(field);
    }

    void Act(QRandomGenerator& random) {
        OptionsPage* options = frame_->Options();
        const auto pick = [&](const auto& list) { return list[random.bounded(static_cast<quint32>(std::size(list)))]; };
        switch (random.bounded(16)) {
            case 0:
            case 1:
            case 2: {
                const char* name = pick(kBoxes).first;
                Tab(page::options);
                Log(std::string("click ") + name);
                Find<QAbstractButton>(options, name)->click();
                break;
            }
            case 3: {
                Tab(page::options);
                auto* list = Find<QComboBox>(options, "methodList");
                const int index = static_cast<int>(random.bounded(list->count()));
                Log("method " + std::to_string(index));
                list->setCurrentIndex(index);
                emit list->activated(index);
                break;
            }
            case 4:
            case 5: {
                static const char* const fields[] = {"thresholdEdit", "hiEdit", "loEdit", "saturationEdit"};
                static const char* const texts[] = {"1.", "1,5", "0,25", "7", "-3", "2000", "3", "2,", "0.5",
                                                    "abc", "", "-", "1,2,3", "0.5x"};
                const char* name = pick(fields);
                const char* text = pick(texts);
                TypeInto(page::options, options, name, text, random.bounded(2) == 0);
                break;
            }
            case 6: {
                // Gamma text that is not a gamma is always left (its message resets it).
                static const char* const texts[] = {"2.0", "1,8", "2,2", "2.2", "1.", "0,5", "3", "0", "abc", "12"};
                const char* text = pick(texts);
                const std::optional<double> value = ParseDecimal(QString::fromLatin1(text));
                const bool valid = value && *value >= 0.1 && *value <= 10.0;
                TypeInto(page::options, options, "gammaEdit", text, !valid || random.bounded(2) == 0);
                break;
            }
            case 7: {
                static const char* const texts[] = {"3/2", "1", "0x10/4", "394/256", "256/256", "3/0", "/2", ""};
                const char* name = pick(kRatioFields);
                TypeInto(page::options, options, name, pick(texts), true);
                break;
            }
            case 8: {
                Tab(page::options);
                // The last entry asks for a reference file: not part of these sequences.
                QList<QAction*> usable;
                for (QAction* entry : options->Balance()->Menu()->actions()) {
                    if (!entry->isSeparator() && !entry->text().contains(QStringLiteral("reference"))) usable << entry;
                }
                QAction* entry = usable[static_cast<int>(random.bounded(static_cast<quint32>(usable.size())))];
                Log("white balance " + entry->text().toStdString());
                emit options->Balance()->Menu()->aboutToShow();
                entry->trigger();
                break;
            }
            case 9:
            case 10: CurvesEdit(random); break;
            case 11: {
                static const char* const fields[] = {"amountEdit", "radiusEdit", "thresholdEdit"};
                static const char* const texts[] = {"50", "1,5", "250", "12.5", "abc", "0", "3,25", ""};
                const char* name = pick(fields);
                const char* text = pick(texts);
                if (random.bounded(3) != 0) {
                    TypeInto(page::sharpen, frame_->Sharpen(), name, text, true);
                    break;
                }
                Tab(page::sharpen);
                Log(std::string("step up ") + name);
                auto* field = Find<NumberEdit>(frame_->Sharpen(), name);
                field->setFocus();
                QTest::keyClick(field, Qt::Key_Up);
                break;
            }
            case 12: {
                const bool enabled = frame_->ApplyButton()->isEnabled();
                Log(enabled ? "Apply" : "Apply (disabled)");
                frame_->ApplyButton()->click();
                if (enabled) Ran();
                break;
            }
            case 13:
                Log("F5");
                frame_->Command(cmd::apply);
                Ran();
                break;
            case 14: {
                const int index = static_cast<int>(random.bounded(page::count));
                Log("tab " + std::to_string(index));
                Tab(index);
                break;
            }
            default:
                recorder_->answer = random.bounded(2) == 0;
                Log(recorder_->answer ? "answer Yes from now on" : "answer No from now on");
                break;
        }
    }

    void CurvesEdit(QRandomGenerator& random) {
        Tab(page::curves);
        auto* curves = dynamic_cast<CurvesPage*>(frame_->Page(page::curves));
        const auto at = [g = curves->Graph()](int x, int y) { return QPoint(g.left() + x, g.bottom() - y); };
        switch (random.bounded(5)) {
            case 0: {
                const int channel = static_cast<int>(random.bounded(4));
                Log("curves channel " + std::to_string(channel));
                curves->SelectChannel(channel);
                break;
            }
            case 1: {
                // Pull the curve at x up or down.
                const int x = 20 + static_cast<int>(random.bounded(216));
                const int y = curves->Table()[static_cast<size_t>(x)];
                const int to = std::clamp(y + static_cast<int>(random.bounded(121)) - 60, 0, 255);
                Log("curves drag " + std::to_string(x) + "," + std::to_string(y) + " to " + std::to_string(to));
                test::Drag(curves, at(x, y), at(x, to));
                break;
            }
            case 2:
                Log("curves Default");
                curves->DefaultCurves();
                break;
            case 3:
                Log("curves Revert");
                curves->RevertCurves();
                break;
            default:
                // A click that changes nothing: the graph's corner, away from the curve.
                Log("curves click off the curve");
                test::Click(curves, at(250, 5));
                break;
        }
    }

    // A full run happened: the model follows.
    void Ran() {
        NoteQuestions();
        model_.lastRun = Read();
        model_.lastCurves = frame_->Curves();
        model_.lastDeclined = model_.declinedNow;
    }

    void NoteQuestions() {
        for (; seen_ < recorder_->messages.size(); ++seen_) {
            if (recorder_->messages[seen_].title == kTextureTitle) model_.declinedNow = !recorder_->answer;
        }
    }

    bool Settle() {
        test::Settle();
        NoteQuestions();
        // Without the question, or without a defect, nothing was declined.
        const ImportSettings pages = Read();
        if (!((pages.options & opt::asktt) && DefectFound(pages))) model_.declinedNow = false;
        return true;
    }

    // (a) Apply is enabled exactly when the pages differ from the last full run.
    bool CheckApply() {
        ++*checks_;
        const bool differ = PagesDiffer(Read());
        if (frame_->ApplyButton()->isEnabled() == differ) return true;
        return Broken(differ ? "Apply is disabled although the pages differ from the last full run"
                             : "Apply is enabled although the pages are those of the last full run");
    }

    // The engine's preview for the pages: the last full run, then the preview run.
    bool ReferencePreview(const ImportSettings& pages, Bitmap& rendering) {
        ProcessingSession session(SessionKind::interactive);
        bool answer = !model_.lastDeclined;
        session.SetTextureConfirmation([&](int32_t, int32_t) { return answer; });
        session.SetReduction(frame_->Session().Reduction());
        session.SetFileName(orf_.c_str());
        Tables last(model_.lastCurves), now(frame_->Curves());
        session.SetCurves(&last.tables);
        session.SetSettings(model_.lastRun);
        if (session.Process(false) != RunResult::processed) return false;
        session.SetCurves(&now.tables);
        session.MarkCurvesChanged();
        answer = !model_.declinedNow;
        if (model_.declinedNow != model_.lastDeclined) {
            // The mosaic was made again since, with the later answer.
            ImportSettings other = pages;
            other.options ^= opt::black;
            session.SetSettings(other);
            if (const RunResult r = session.Process(true); r == RunResult::failed || r == RunResult::cancelled) {
                return false;
            }
        }
        session.SetSettings(pages);
        if (const RunResult r = session.Process(true); r == RunResult::failed || r == RunResult::cancelled) {
            return false;
        }
        return renderImage(rendering, session.PreviewOutput(), (pages.options & opt::gray) != 0, nullptr);
    }

    bool CheckPictures() {
        const ImportSettings pages = Read();
        // (c) the thumbnail, as painted (only the thumbnail's area), is the engine's preview.
        ++*checks_;
        Bitmap preview;
        if (!ReferencePreview(pages, preview)) return Fail("the reference preview did not run");
        (void)frame_->centralWidget()->grab(frame_->ThumbnailRect().adjusted(-2, -2, 10, 2));
        const bool rendered = ImageFromBitmap(frame_->PreviewRendering()) == ImageFromBitmap(preview);
        if (!rendered || frame_->Thumb().ShownPicture() != ImageFromBitmap(preview)) {
            return Broken(std::string("the thumbnail is not the engine's preview for the pages") +
                          (rendered ? " (as drawn)" : "") + ": pages " + WriteOptionsText(pages) + ", program " +
                          WriteOptionsText(frame_->Session().Settings()));
        }
        // (d) Save writes the pages' picture.
        ++*checks_;
        const bool differed = PagesDiffer(pages);
        const std::string saved = orf_ + ".saved.tif";
        if (!frame_->SaveDocument(saved, format::tiff)) return Fail("Save failed");
        NoteQuestions();
        if (differed) Ran();
        ImportSettings effective = model_.lastRun;
        if (model_.lastDeclined) effective.options &= ~opt::tt;
        Bitmap full;
        const QByteArray expected = ConsolePixels(orf_, effective, &model_.lastCurves, frame_->SaveFormat(), &full);
        if (expected.isEmpty()) return Fail("the console run failed");
        if (TiffPixels(test::ReadAll(saved)) != expected) return Broken("Save did not write the engine's picture for the pages");
        // (b) the big picture is that picture, fitted to its window.
        ++*checks_;
        ImageWindow* window = frame_->Image();
        if (ImageFromBitmap(frame_->FullRendering()) != ImageFromBitmap(full) || window == nullptr ||
            window->Image().convertToFormat(QImage::Format_RGB32) != Rgb32(full)) {
            return Broken("the big picture is not the engine's picture for the pages");
        }
        const QRect view = window->ViewRect();
        const QSize image = window->ImageSize();
        if (window->Zoom() == 0 &&
            (std::abs(int64_t{view.width()} * image.height() - int64_t{view.height()} * image.width()) >
                 std::max(image.width(), image.height()) ||
             !window->rect().contains(view))) {
            return Broken("the fitted view does not have the picture's shape");
        }
        // (a) once more: saved, the pages are the last full run's.
        return CheckApply();
    }

    // An invariant broke: what (once), and where with the sequence so far.
    bool Broken(const std::string& what) {
        failure = what;
        return false;
    }
    bool Fail(const std::string& where) {
        if (failure.empty()) failure = "failed";
        failure += " (" + where + ")\n" + log_;
        return false;
    }

    std::string orf_;
    int32_t measure_[2] = {0, 0};  // texture defect measure without and with the black point
    MainFrame* frame_ = nullptr;
    test::Recorder* recorder_ = nullptr;
    Model model_;
    std::string log_;
    size_t seen_ = 0;
    int* checks_ = nullptr;
};

}  // namespace

class GuiStateTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir files_;
    std::string orf_;
    int32_t measure_[2] = {0, 0};

    // The texture measure of the sample, as the question reports it.
    int32_t Measure(bool black) {
        ProcessingSession session;
        int32_t measure = 0;
        session.SetTextureConfirmation([&](int32_t m, int32_t) { return measure = m, false; });
        ImportSettings settings;
        SetDefaults(settings);
        settings.options = opt::tt | opt::asktt | (black ? opt::black : 0);
        settings.textureThreshold = 0;
        session.SetFileName(orf_.c_str());
        session.SetSettings(settings);
        (void)session.Process();
        return measure;
    }

    // The frame saves a TIFF of the pixels kyp2tiff writes for `settings`.
    bool SavesConsolePixels(MainFrame& frame, const ImportSettings& settings) {
        const std::string saved = orf_ + ".edited.tif";
        const QByteArray expected = ConsolePixels(orf_, settings, nullptr, frame.SaveFormat());
        return frame.SaveDocument(saved, format::tiff) && !expected.isEmpty() &&
               TiffPixels(test::ReadAll(saved)) == expected;
    }

    static void Click(MainFrame& frame, const char* name) {
        Find<QAbstractButton>(frame.Options(), name)->click();
        test::Settle();
    }

    static void TypeInto(MainFrame& frame, const char* name, const char* text) {
        test::Type(Find<QLineEdit>(frame.Options(), name), QString::fromLatin1(text));
        test::Settle();
    }

private slots:
    void initTestCase() {
        QVERIFY(files_.isValid());
        (void)test::UsePrivateConfig();
        orf_ = test::Path(files_, "striped.orf");
        // A texture defect (odd rows greener) and dots that decide the full
        // image's levels but average away in a preview.
        QVERIFY(WriteStripedOrf(orf_, 240, 176, {60, 150, 100, 160, 30, 120, 89}));
        measure_[0] = Measure(false);
        measure_[1] = Measure(true);
        // Every threshold the sequences type (up to 7) finds the defect.
        QVERIFY2(std::abs(measure_[0]) > 7 && std::abs(measure_[1]) > 7, "the sample shows no texture defect");
    }

    void init() { (void)test::UsePrivateConfig(); }

    // "No" to the texture question holds only while the page asks.
    void declinedTextureRepairEndsWithThePrompt() {
        test::Frame f;
        f.recorder.answer = false;
        Click(f.frame, "promptCheck");
        QVERIFY(f.frame.OpenByName(orf_));
        QCOMPARE(f.recorder.messages.size(), size_t{1});
        QCOMPARE(f.recorder.messages[0].title, std::string(kTextureTitle));
        QVERIFY(!f.frame.ApplyButton()->isEnabled());
        Click(f.frame, "promptCheck");
        QVERIFY(f.frame.ApplyButton()->isEnabled());
        f.frame.Command(cmd::apply);
        ImportSettings defaults;
        SetDefaults(defaults);
        QVERIFY(SavesConsolePixels(f.frame, defaults));
        QCOMPARE(f.recorder.messages.size(), size_t{1});
    }

    // The curves editor's fields read a decimal comma (whole numbers: rounded); text that is no
    // number gets the field's message. (The other fields: the scenarios of test_gui_frame.)
    void numberFieldsReadCommasAndRefuseOtherText() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        test::Frame f(false);
        MainFrame& frame = f.frame;
        auto* output = Find<CurveNumberEdit>(dynamic_cast<CurvesPage*>(frame.Page(page::curves)), "outputEdit");
        output->SetActive(true);
        output->SetValue(10);
        output->selectAll();
        QTest::keyClicks(output, QStringLiteral("12,6"));
        QCOMPARE(output->Value(), 13);
        output->setText(QStringLiteral("7x"));
        test::Leave(output);
        QCOMPARE(f.recorder.messages.back().text, std::string("Invalid Output\r\nOutput should be a number in the range 0 - 255"));
        QCOMPARE(output->text(), QStringLiteral("13"));
        QLocale::setDefault(QLocale::c());
    }

    void randomSequencesKeepThePagesTrue() {
        const uint32_t base = qEnvironmentVariableIsSet("KYP_STATE_SEED")
                                  ? static_cast<uint32_t>(qEnvironmentVariableIntValue("KYP_STATE_SEED"))
                                  : 20261207u;
        const int only = qEnvironmentVariableIsSet("KYP_STATE_ONLY") ? qEnvironmentVariableIntValue("KYP_STATE_ONLY") : -1;
        Explorer explorer(orf_, measure_);
        int checks = 0, ran = 0;
        QElapsedTimer timer;
        timer.start();
        for (int n = 0; n < 300; ++n) {
            if (only >= 0 && n != only) continue;
            ++ran;
            if (!explorer.Run(base + static_cast<uint32_t>(n), &checks)) {
                QFAIL(qPrintable(QStringLiteral("sequence %1 (replay: KYP_STATE_SEED=%2 KYP_STATE_ONLY=%1): %3")
                                     .arg(n)
                                     .arg(base)
                                     .arg(QString::fromStdString(explorer.failure))));
            }
        }
        qInfo("%d sequences, %d checks, %lld ms", ran, checks, static_cast<long long>(timer.elapsed()));
    }
};

QTEST_MAIN(GuiStateTest)
#include "test_gui_state.moc"
