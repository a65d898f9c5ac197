#include "gui/app/StartupCommandLine.h"

#include <algorithm>

#include "engine/core/AsciiText.h"
#include "engine/core/PathText.h"

namespace kyp {

namespace {

bool IsBlank(const std::string& word) {
    // Characters 1 to 32 separate words on a command line.
    return std::all_of(word.begin(), word.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code >= 1 && code <= 32;
    });
}

}  // namespace

std::vector<StartupStep> ScanStartupCommandLine(const std::vector<std::string>& arguments) {
    std::vector<StartupStep> steps;
    for (const std::string& word : arguments) {
        if (IsBlank(word)) continue;
        if (word[0] == '-') {
            std::string option = word.substr(1);
            std::transform(option.begin(), option.end(), option.begin(), ascii::ToLower);
            if (option == "reg" || option == "register") {
                steps.push_back({StartupStep::Kind::registerTypes, {}});
                return steps;
            }
            if (option == "unreg" || option == "unregister") {
                steps.push_back({StartupStep::Kind::unregisterTypes, {}});
                return steps;
            }
            continue;
        }
        if (HasExtension(word, ".kis")) {
            steps.push_back({StartupStep::Kind::settingsFile, word});
            continue;
        }
        steps.push_back({StartupStep::Kind::imageFile, word});
        return steps;
    }
    return steps;
}

bool WantsNoLogo(const std::vector<std::string>& arguments) {
    return std::find(arguments.begin(), arguments.end(), std::string("-nologo")) != arguments.end();
}

}  // namespace kyp
