#include "console/BatchLoop.h"

#include "console/FileArguments.h"
#include "console/SettingsReport.h"
#include "engine/raw/OrfRaw.h"

#include <sys/stat.h>

namespace kyp {

BatchLoop::BatchLoop(ConsoleState& state, ConsoleStream& out, ConsoleStream& err, FileConverter* converter)
    : state_(state), out_(out), err_(err), converter_(converter), progress_(err) {}

std::optional<BatchLoop::FileId> BatchLoop::Identify(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileId{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

void BatchLoop::NoteInput(const std::string& argument) {
    const std::string path = CollapseSeparators(argument);
    const std::vector<std::string> names = HasWildcard(path) ? ExpandWildcard(path) : std::vector<std::string>{path};
    // Raw files only: an old output matched by "*" is no input worth keeping.
    for (const std::string& name : names) {
        if (!isOrfFile(name)) continue;
        if (const std::optional<FileId> id = Identify(name)) inputs_.emplace(*id, name);
    }
}

std::string BatchLoop::Conflict(const std::string& input, const std::string& output) const {
    const std::optional<FileId> target = Identify(output);
    if (!target) return {};
    const std::optional<FileId> source = Identify(input);
    if (source && *source == *target) return "Would replace the input '" + input + "'";
    if (const auto named = inputs_.find(*target); named != inputs_.end()) {
        return "Would replace the input '" + named->second + "'";
    }
    // The same input converted again (a.orf =g a.orf) may replace its own output.
    if (const auto earlier = outputs_.find(*target); earlier != outputs_.end() && (!source || earlier->second.input != *source)) {
        return "Would replace the output of '" + earlier->second.name + "'";
    }
    return {};
}

void BatchLoop::HandleFileArgument(const std::string& argument) {
    anyInput_ = true;
    const std::string path = CollapseSeparators(argument);
    if (!HasWildcard(path)) {
        ConvertOneFile(path);
        return;
    }
    for (const std::string& match : ExpandWildcard(path)) ConvertOneFile(match);
}

void BatchLoop::ConvertOneFile(const std::string& input) {
    const std::string output = MakeOutputName(input, state_.outputFolder, FormatExtension(state_.output.format));

    if (state_.printOnly) {
        PrintSettingsReport(out_, state_.settings, state_.output, state_.curves);
        out_.Printf("Input  : %s\n", input.c_str());
        out_.Printf("Output : %s\n\n", output.c_str());
        state_.fileHandled = true;
        return;
    }

    if (state_.depthAsked && state_.output.t16 && state_.output.format != format::tiff && !state_.depthWarned) {
        err_.Write("!Warning: 16 bits per component apply to TIFF output only; JPEG and bitmap files get 8\n");
        state_.depthWarned = true;
    }
    if (state_.verbosity >= verbosity::brief) out_.Printf("Processing: %s\n", input.c_str());
    // Never over an input of the run, nor over the output of another input.
    if (const std::string conflict = Conflict(input, output); !conflict.empty()) {
        ReportFailure("!Error: Could not write output '%s'", output, conflict);
        return;
    }
    ProgressCallback* progress = state_.verbosity >= verbosity::full ? &progress_ : nullptr;
    if (converter_ == nullptr ||
        !converter_->Process(input, state_.settings, state_.curves.Tables(), progress)) {
        ReportFailure("!Error: Could not process '%s'", input, converter_ ? converter_->FailureReason() : "");
        return;
    }

    if (state_.verbosity >= verbosity::brief) out_.Printf("Saving:     %s\n", output.c_str());
    switch (converter_->Write(output, state_.settings, state_.output)) {
        case WriteResult::written:
            state_.fileHandled = true;
            if (const std::optional<FileId> written = Identify(output)) {
                const std::optional<FileId> source = Identify(input);
                outputs_.insert_or_assign(*written, Source{source.value_or(FileId{}), input});
            }
            break;
        case WriteResult::notRendered:
            ReportFailure("!Error: Could not process '%s'", input, converter_->FailureReason());
            break;
        case WriteResult::writeFailed:
            ReportFailure("!Error: Could not write output '%s'", output, converter_->FailureReason());
            break;
        case WriteResult::skipped: break;
    }
}

void BatchLoop::ReportFailure(const char* format, const std::string& name, const std::string& reason) {
    err_.Printf(format, name.c_str());
    // The system's reason, when known, after the fixed text.
    if (!reason.empty()) err_.Printf(": %s", reason.c_str());
    err_.Write("\n");
    state_.fileFailed = true;
}

}  // namespace kyp
