// Options text and format tags: the reader must take any bytes, and what it
// read must write and read back to the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/settings/ImportSettings.h"
#include "engine/settings/OutputSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // zero-terminated copy
    kyp::ImportSettings settings;
    kyp::ReadOptionsText(text.c_str(), settings);
    const std::string written = kyp::WriteOptionsText(settings);
    if (written.size() >= static_cast<size_t>(kyp::kOptionsTextSize)) std::abort();
    kyp::ImportSettings again;
    kyp::ReadOptionsText(written.c_str(), again);
    // The keyword bits and the rotation field are written back; bits that a
    // rotation above 3 spilt elsewhere are not. Integers survive exactly.
    constexpr uint32_t kWritten = 0x01FF03FFu | kyp::opt::rotMask;
    if (again.options != (settings.options & kWritten)) std::abort();
    if (again.darkThreshold != settings.darkThreshold || again.brightThreshold != settings.brightThreshold ||
        again.textureThreshold != settings.textureThreshold || again.method != settings.method ||
        again.redScale != settings.redScale || again.greenScale != settings.greenScale ||
        again.blueScale != settings.blueScale || again.usmAmount != settings.usmAmount ||
        again.usmThreshold != settings.usmThreshold)
        std::abort();
    (void)kyp::CompareSettings(settings, again);
    (void)kyp::DifferenceMask(settings, again);

    kyp::OutputSettings output;
    (void)output.ReadFormatTags(text.c_str());
    (void)output.WriteFormatTags();
    return 0;
}
