// The RTF reader (help topics, change history) on arbitrary bytes: it must end
// with a result, never crash, hang or grow without bound.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Text documents want the font machinery of a GUI application.
    static int argc = 1;
    static char name[] = "fuzz_rtf_reader";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    (void)app;

    std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
    RtfDocument rtf;
    RtfReadResult result = ParseRtf(bytes, rtf);
    if (!result.ok && result.error.empty()) __builtin_trap();
    // Nothing shown can be longer than the text it came from (each character
    // costs at least one byte of RTF and at most four of UTF-8 per byte).
    if (rtf.PlainText().size() > 4 * bytes.size() + 4) __builtin_trap();
    QTextDocument doc;
    FillTextDocument(rtf, doc);
    return 0;
}
