#include "console/CommandLine.h"

#include "console/ConsoleState.h"
#include "console/SettingsReport.h"
#include "console/Switches.h"
#include "console/UsageText.h"
#include "engine/core/PathText.h"

namespace kyp {

namespace {

class ArgumentReader {
public:
    ArgumentReader(ConsoleState& state, const ConsoleEnvironment& environment)
        : state_(state),
          out_(environment.out),
          err_(environment.err),
          batch_(state, environment.out, environment.err, environment.converter) {}

    static bool IsFileArgument(const std::string& argument) {
        const char first = argument.empty() ? '\0' : argument[0];
        return first != '=' && first != '-' && !HasExtension(argument, ".acv") && !HasExtension(argument, ".kis");
    }

    // Before the run: every input it names.
    void NoteInputs(const std::vector<std::string>& arguments) {
        for (size_t i = 1; i < arguments.size(); ++i)
            if (IsFileArgument(arguments[i])) batch_.NoteInput(arguments[i]);
    }

    [[nodiscard]] bool AnyInput() const { return batch_.AnyInput(); }

    // One argument, classified by its first character.
    ArgumentResult Handle(const std::string& argument) {
        const char first = argument.empty() ? '\0' : argument[0];
        if (first == '=') {
            state_.fileHandled = false;
            if (const std::string unknown = ApplyOptionList(argument.substr(1), state_); !unknown.empty()) {
                err_.Printf("!Warning: ignored unknown letters '%s' in option list '%s'\n", unknown.c_str(),
                            argument.c_str());
            }
            return ArgumentResult::ok;
        }
        if (first == '-') {
            state_.fileHandled = false;
            return ApplySwitch(argument, state_, err_);
        }
        if (HasExtension(argument, ".acv")) {
            state_.fileHandled = false;
            if (!state_.curves.LoadCurveFile(argument)) {
                err_.Printf("!Error: Cannot load curve file '%s'\n", argument.c_str());
                return ArgumentResult::error;
            }
            state_.curves.RebuildTables();
            return ArgumentResult::ok;
        }
        if (HasExtension(argument, ".kis")) {
            state_.fileHandled = false;
            if (!state_.curves.LoadSettingsFile(argument, state_.settings, state_.output)) {
                err_.Printf("!Error: Cannot load settings file '%s'\n", argument.c_str());
                return ArgumentResult::error;
            }
            state_.curves.RebuildTables();
            return ArgumentResult::ok;
        }
        batch_.HandleFileArgument(argument);
        return ArgumentResult::ok;
    }

    void Usage() {
        PrintBanner(out_);
        PrintUsage(out_);
    }

private:
    ConsoleState& state_;
    ConsoleStream& out_;
    ConsoleStream& err_;
    BatchLoop batch_;
};

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, const ConsoleEnvironment& environment) {
    ConsoleState state;
    ArgumentReader reader(state, environment);
    ConsoleStream& out = environment.out;

    // Started as "@kyp2tiff" (kyp's Convert All): show the banner first and
    // keep the window open at the end.
    state.pause = !arguments.empty() && !arguments[0].empty() && arguments[0][0] == '@';
    if (state.pause) {
        out.Write("\n");
        PrintBanner(out);
        out.Write("\n");
    }

    int code = exitcode::ok;
    if (arguments.size() < 2) {
        reader.Usage();
        code = exitcode::usage;
    } else {
        reader.NoteInputs(arguments);
        for (size_t i = 1; i < arguments.size(); ++i) {
            const ArgumentResult result = reader.Handle(arguments[i]);
            if (result == ArgumentResult::usage) {
                reader.Usage();
                code = exitcode::usage;
                break;
            }
            if (result == ArgumentResult::error) {
                code = exitcode::argumentError;
                break;
            }
        }
    }
    if (code == exitcode::ok && state.fileFailed) code = exitcode::fileFailed;
    if (code == exitcode::ok && !state.printOnly && !reader.AnyInput()) {
        environment.err.Write("!Warning: no input file named, nothing converted\n");
    }

    if (state.printOnly && !state.fileHandled) {
        PrintSettingsReport(out, state.settings, state.output, state.curves);
    }
    if (state.pause) {
        out.Write("\nDone! Press any key to continue.");
        if (environment.waitForKey) environment.waitForKey();
    }
    return code;
}

}  // namespace kyp
