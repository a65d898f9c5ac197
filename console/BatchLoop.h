#pragma once
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

private:
    void ReportFailure(const char* format, const std::string& name);

    ConsoleState& state_;
    ConsoleStream& out_;
    ConsoleStream& err_;
    FileConverter* converter_;
    ConsoleProgress progress_;
};

}  // namespace kyp
