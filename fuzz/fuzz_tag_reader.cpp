// The tag reader over arbitrary bytes with an explicit length: it must never
// read outside them (ASan checks the copy below has no slack).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>

#include "engine/settings/TagReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(std::numeric_limits<int>::max())) return 0;
    // An exact-size heap copy: one byte past the end is a reported overflow.
    auto exact = std::make_unique<char[]>(size == 0 ? 1 : size);
    if (size) std::memcpy(exact.get(), data, size);
    size_t count = 0;
    auto callback = [](const char* name, const char* value, void* context) {
        ++*static_cast<size_t*>(context);
        return std::strlen(name) <= 80 && value != nullptr;
    };
    (void)kyp::ReadTags(exact.get(), static_cast<int>(size), callback, &count);
    return 0;
}
