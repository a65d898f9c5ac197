#include "engine/output/JpegGlue.h"

#include <atomic>
#include <cstring>

#include <jerror.h>

namespace kyp {

namespace {

void printToErrorStream(const char* caption, const char* message) {
    std::fprintf(stderr, "%s: %s\n", caption, message);
}

std::atomic<JpegMessageSink> g_sink{&printToErrorStream};

CMyJPEGError* errorOf(j_common_ptr cinfo) {
    // manager is the first member of CMyJPEGError.
    return reinterpret_cast<CMyJPEGError*>(cinfo->err);
}

void outputMessage(j_common_ptr cinfo) {
    CMyJPEGError* error = errorOf(cinfo);
    (*cinfo->err->format_message)(cinfo, error->message);
    showJpegMessage(error->message);
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    // The arming frame destroys the library object once control is back there.
    std::longjmp(errorOf(cinfo)->jump, 1);
}

// ---- destination ----

JpegMemoryDestination* destinationOf(j_compress_ptr cinfo) {
    return reinterpret_cast<JpegMemoryDestination*>(cinfo->dest);
}

void initDestination(j_compress_ptr cinfo) {
    JpegMemoryDestination* d = destinationOf(cinfo);
    d->manager.next_output_byte = d->block;
    d->manager.free_in_buffer = sizeof d->block;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
    // Called with the whole block full, whatever free_in_buffer says.
    JpegMemoryDestination* d = destinationOf(cinfo);
    if (!d->output->append(d->block, sizeof d->block)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    d->manager.next_output_byte = d->block;
    d->manager.free_in_buffer = sizeof d->block;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) { flushJpegMemoryDestination(cinfo); }

// ---- source ----

JpegMemorySource* sourceOf(j_decompress_ptr cinfo) { return reinterpret_cast<JpegMemorySource*>(cinfo->src); }

void initSource(j_decompress_ptr) {}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
    static const JOCTET fakeEndOfImage[2] = {0xFF, JPEG_EOI};
    JpegMemorySource* s = sourceOf(cinfo);
    if (s->ended) ERREXIT(cinfo, JERR_INPUT_EOF);
    s->ended = true;
    WARNMS(cinfo, JWRN_JPEG_EOF);
    s->manager.next_input_byte = fakeEndOfImage;
    s->manager.bytes_in_buffer = sizeof fakeEndOfImage;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr& m = sourceOf(cinfo)->manager;
    if (static_cast<unsigned long>(count) <= m.bytes_in_buffer) {
        m.next_input_byte += count;
        m.bytes_in_buffer -= static_cast<size_t>(count);
        return;
    }
    // Skipping past the end: the stream is over.
    m.next_input_byte += m.bytes_in_buffer;
    m.bytes_in_buffer = 0;
    (void)fillInputBuffer(cinfo);
}

void termSource(j_decompress_ptr) {}

}  // namespace

JpegMessageSink setJpegMessageSink(JpegMessageSink sink) noexcept {
    return g_sink.exchange(sink ? sink : &printToErrorStream);
}

void showJpegMessage(const char* message) noexcept { g_sink.load()(kJpegErrorCaption, message); }

jpeg_error_mgr* installJpegErrorManager(CMyJPEGError& error) noexcept {
    jpeg_std_error(&error.manager);
    error.manager.error_exit = &errorExit;
    error.manager.output_message = &outputMessage;
    error.message[0] = '\0';
    return &error.manager;
}

void raiseJpegError(j_common_ptr cinfo, const char* message) noexcept {
    CMyJPEGError* error = errorOf(cinfo);
    std::snprintf(error->message, sizeof error->message, "%s", message);
    showJpegMessage(error->message);
    std::longjmp(error->jump, 1);
}

void installJpegMemoryDestination(j_compress_ptr cinfo, JpegMemoryDestination& destination,
                                  JpegOutputBuffer& output) noexcept {
    destination.output = &output;
    destination.manager.init_destination = &initDestination;
    destination.manager.empty_output_buffer = &emptyOutputBuffer;
    destination.manager.term_destination = &termDestination;
    destination.manager.next_output_byte = destination.block;
    destination.manager.free_in_buffer = sizeof destination.block;
    cinfo->dest = &destination.manager;
}

void flushJpegMemoryDestination(j_compress_ptr cinfo) noexcept {
    JpegMemoryDestination* d = destinationOf(cinfo);
    const size_t used = sizeof d->block - d->manager.free_in_buffer;
    if (!d->output->append(d->block, used)) ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    d->manager.next_output_byte = d->block;
    d->manager.free_in_buffer = sizeof d->block;
}

void installJpegMemorySource(j_decompress_ptr cinfo, JpegMemorySource& source, const uint8_t* bytes,
                             size_t length) noexcept {
    source.bytes = bytes;
    source.length = bytes ? length : 0;
    source.ended = false;
    source.manager.init_source = &initSource;
    source.manager.fill_input_buffer = &fillInputBuffer;
    source.manager.skip_input_data = &skipInputData;
    source.manager.resync_to_restart = &jpeg_resync_to_restart;  // the library's own
    source.manager.term_source = &termSource;
    source.manager.next_input_byte = source.bytes;
    source.manager.bytes_in_buffer = source.length;
    cinfo->src = &source.manager;
}

}  // namespace kyp
