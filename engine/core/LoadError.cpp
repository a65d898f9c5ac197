#include "engine/core/LoadError.h"

namespace kyp {

const char* LoadErrorText(LoadError error) {
    switch (error) {
        case LoadError::none: return "No error";
        case LoadError::missing: return "No such file or directory";
        case LoadError::denied: return "Permission denied";
        case LoadError::notRegular: return "Not a regular file";
        case LoadError::notOrf: return "Not an ORF file";
        case LoadError::damaged: return "Damaged ORF file";
        case LoadError::truncated: return "Raw data cut short";
        case LoadError::changed: return "File changed while it was read";
        case LoadError::readFailed: return "Read error";
        case LoadError::outOfMemory: return "Out of memory";
    }
    return "Unknown error";
}

}  // namespace kyp
