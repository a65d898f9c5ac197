#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "console/ConsoleProgress.h"
#include "console/ConsoleState.h"
#include "console/ConsoleStream.h"
#include "engine/process/ProcessingSession.h"

namespace kyp {

// Outcome of writing one processed image.
enum class WriteResult {
    written,
    notRendered,   // the image could not be turned into the file's form (bitmap, JPEG stream)
    writeFailed,   // the file could not be written
    skipped,       // no writer for the format: nothing written
};

// Turns input files into output files. The program's converter owns the one
// processing session of the run; tests give their own.
class FileConverter {
public:
    virtual ~FileConverter() = default;
    // Processes one input file with the settings and curve set in force.
    [[nodiscard]] virtual bool Process(const std::string& input, const ImportSettings& settings,
                                       const CurveTables& curves, ProgressCallback* progress) = 0;
    // Writes the image of the last successful Process to output.
    [[nodiscard]] virtual WriteResult Write(const std::string& output, const ImportSettings& settings,
                                            const OutputSettings& outputSettings) = 0;
    // Why the last Process or Write failed, in the style of the system's
    // error texts ("No space left on device"); empty when unknown.
    [[nodiscard]] virtual std::string FailureReason() const { return {}; }
};

// The per-file part of kyp2tiff: wildcard expansion, output names, the
// conversion through the converter and its console report. Streams: the
// "Processing"/"Saving" lines, reports and Input/Output lines go to out;
// progress and every "!Error" line to err.
class BatchLoop {
public:
    BatchLoop(ConsoleState& state, ConsoleStream& out, ConsoleStream& err, FileConverter* converter);

    // An argument that names input files: converted as given, or expanded
    // when it holds "*" or "?" (a pattern that matches nothing is passed over
    // silently).
    void HandleFileArgument(const std::string& argument);

    // One input file: in print-only mode the settings report and the names,
    // otherwise processing and writing.
    void ConvertOneFile(const std::string& input);

    // Notes a file argument before the run starts, so that no output of the
    // run replaces it (when it is a raw file), even one written before the
    // argument is reached.
    void NoteInput(const std::string& argument);
    // True once a file argument was handled.
    [[nodiscard]] bool AnyInput() const { return anyInput_; }

private:
    // A file on the disk: device and inode.
    struct FileId {
        uint64_t device = 0;
        uint64_t inode = 0;
        auto operator<=>(const FileId&) const = default;
    };
    static std::optional<FileId> Identify(const std::string& path);
    // Why output must not be written for input; empty when it may.
    std::string Conflict(const std::string& input, const std::string& output) const;

    void ReportFailure(const char* format, const std::string& name, const std::string& reason = {});

    ConsoleState& state_;
    ConsoleStream& out_;
    ConsoleStream& err_;
    FileConverter* converter_;
    ConsoleProgress progress_;
    std::map<FileId, std::string> inputs_;  // every input of the run, by name
    struct Source {
        FileId input;
        std::string name;
    };
    std::map<FileId, Source> outputs_;  // each output written in this run, with its input
    bool anyInput_ = false;
};

}  // namespace kyp
