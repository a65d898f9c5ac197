#pragma once
// The glue between libjpeg (a C library) and the engine: the error manager,
// the memory destination that feeds a JpegOutputBuffer and the memory source
// that reads an in-memory stream without ever passing its end.
//
// libjpeg reports a fatal error by calling the error manager's error_exit,
// which must not return. Ours shows the message and then longjmps back to the
// codec function that armed CMyJPEGError::jump with setjmp. No C++ exception
// ever crosses a libjpeg frame. Between the setjmp and the end of the library
// calls, the arming frame keeps no C++ object with a destructor alive, and no
// callback installed here holds one while it may raise.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

#include "engine/output/JpegOutputBuffer.h"

namespace kyp {

// Caption under which library messages are shown.
inline constexpr const char* kJpegErrorCaption = "JPEG Library Error";

// Where library messages (errors and the first warning of a stream) go. The
// desktop program installs one that shows a message box; by default they are
// printed to the error stream as "JPEG Library Error: <message>".
using JpegMessageSink = void (*)(const char* caption, const char* message);
// Installs sink for every thread; null restores the default. Returns the previous one.
JpegMessageSink setJpegMessageSink(JpegMessageSink sink) noexcept;
void showJpegMessage(const char* message) noexcept;

// The error object: libjpeg's standard error manager with output_message and
// error_exit replaced, plus the jump target and the last message text.
struct CMyJPEGError {
    jpeg_error_mgr manager;  // first member: libjpeg hands back a pointer to it
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];  // 200 characters, the library's own limit
};

// Fills error with the standard manager and the two replacements, and returns
// the pointer to store in cinfo.err. Arm error.jump with setjmp before the
// first library call that may fail.
jpeg_error_mgr* installJpegErrorManager(CMyJPEGError& error) noexcept;

// Ends the current library call with a message of our own (for limits that the
// glue enforces). The message is shown like a library error.
[[noreturn]] void raiseJpegError(j_common_ptr cinfo, const char* message) noexcept;

// Memory destination: the library writes into block; each time it fills, the
// whole block is appended to output, and at the end of the stream (or on
// flushJpegMemoryDestination) the used part is.
struct JpegMemoryDestination {
    jpeg_destination_mgr manager;  // first member
    JpegOutputBuffer* output = nullptr;
    JOCTET block[JpegOutputBuffer::kBlockSize];
};
void installJpegMemoryDestination(j_compress_ptr cinfo, JpegMemoryDestination& destination,
                                  JpegOutputBuffer& output) noexcept;
// Moves everything the library has written so far to the output buffer, so that
// bytes appended to the buffer directly come after it. Raises (longjmp) when
// the buffer cannot grow.
void flushJpegMemoryDestination(j_compress_ptr cinfo) noexcept;

// Memory source over [bytes, bytes + length). The whole stream is handed to the
// library at once; nothing past length is ever read. When the decoder asks for
// more, it first gets a fake end-of-image marker with the library's "premature
// end of JPEG file" warning (so a stream cut inside its entropy-coded data
// decodes with the missing part filled by the library); a second request means
// the stream ended inside a marker segment and raises "Premature end of input file".
struct JpegMemorySource {
    jpeg_source_mgr manager;  // first member
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    bool ended = false;
};
void installJpegMemorySource(j_decompress_ptr cinfo, JpegMemorySource& source, const uint8_t* bytes,
                             size_t length) noexcept;

}  // namespace kyp
