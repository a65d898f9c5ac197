// Settings store text: parsed without throwing or crashing whatever the bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/SettingsStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kyp::StoreValues values;
    if (kyp::ParseSettingsStoreText(std::string_view(reinterpret_cast<const char*>(data), size), values)) {
        for (const auto& [name, value] : values) (void)name.size(), (void)value.text.size();
    }
    return 0;
}
