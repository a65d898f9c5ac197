#include "console/BatchLoop.h"

#include "console/FileArguments.h"
#include "console/SettingsReport.h"

namespace kyp {

BatchLoop::BatchLoop(ConsoleState& state, ConsoleStream& out, ConsoleStream& err, FileConverter* converter)
    : state_(state), out_(out), err_(err), converter_(converter), progress_(err) {}

void BatchLoop::HandleFileArgument(const std::string& argument) {
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

    if (state_.verbosity >= verbosity::brief) out_.Printf("Processing: %s\n", input.c_str());
    ProgressCallback* progress = state_.verbosity >= verbosity::full ? &progress_ : nullptr;
    if (converter_ == nullptr ||
        !converter_->Process(input, state_.settings, state_.curves.Tables(), progress)) {
        ReportFailure("!Error: Could not process '%s'\n", input);
        return;
    }

    if (state_.verbosity >= verbosity::brief) out_.Printf("Saving:     %s\n", output.c_str());
    switch (converter_->Write(output, state_.settings, state_.output)) {
        case WriteResult::written: state_.fileHandled = true; break;
        case WriteResult::notRendered: ReportFailure("!Error: Could not process '%s'\n", input); break;
        case WriteResult::writeFailed: ReportFailure("!Error: Could not write output '%s'\n", output); break;
        case WriteResult::skipped: break;
    }
}

void BatchLoop::ReportFailure(const char* format, const std::string& name) {
    err_.Printf(format, name.c_str());
    state_.fileFailed = true;
}

}  // namespace kyp
