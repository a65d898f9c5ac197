// Camera-information texts on arbitrary bytes taken as a TIFF/ORF structure:
// the three texts and the word form of every entry must neither crash nor
// read outside the input.
#include <clocale>
#include <cstddef>
#include <cstdint>

#include "engine/raw/CameraInfo.h"
#include "engine/raw/TagVocabulary.h"
#include "engine/raw/TiffDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool localeSet = [] { return std::setlocale(LC_TIME, "C") != nullptr; }();
    (void)localeSet;
    kyp::TiffDocument document;
    if (!document.openMemory(kyp::ByteView(data, size)) || !document.parse()) return 0;
    (void)kyp::cameraInfoText(document);
    (void)kyp::cameraSummary(document);
    (void)kyp::cameraCaption(document);
    document.root()->walk([](const kyp::TiffDirectory&, const kyp::TiffEntry* entry) {
        if (entry) (void)kyp::formatValue(*entry);
        return 0;
    });
    return 0;
}
