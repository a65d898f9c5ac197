#include "console/ConsoleState.h"

namespace kyp {

ConsoleState::ConsoleState() {
    SetDefaults(settings);
    output.ResetToDefaults();
}

}  // namespace kyp
