// Feeds arbitrary bytes to the RTF reader, then checks that what it kept writes and reads back
// to the same RTF.
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "richtext/rich_text_document.h"
#include "richtext/rtf.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    tallivo::RichTextDocument doc;
    doc.LoadRtf(input);
    const std::string once = doc.ToRtf();

    tallivo::RichTextDocument again;
    again.LoadRtf(once);
    const std::string twice = again.ToRtf();
    if (once != twice) {
        std::fprintf(stderr, "round trip differs:\n%s\n---\n%s\n", once.c_str(), twice.c_str());
        std::abort();
    }

    // Byte positions taken from the input itself, including ones inside characters.
    if (size >= 2) {
        doc.SetSelection(data[0] % (doc.ByteLength() + 1), data[1]);
        doc.ReplaceSelection(std::string(input.substr(0, 3)));
        (void)doc.PlainText();
    }
    return 0;
}
