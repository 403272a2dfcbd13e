#include "messages.h"

#include <cstring>
#include <new>
#include <string>

#include "../interface/platform.h"
#include "format.h"

namespace tovra {

namespace {

// Shows prefix + path + suffix with the path in full. Should the memory
// for that not be had, the path is shortened to what a fixed buffer holds,
// rather than no message at all.
void ShowWithPath(const char *prefix, const char *path, const char *suffix) {
    try {
        std::string text(prefix);
        text += path;
        text += suffix;
        ShowMessage(text.c_str());
    } catch (const std::bad_alloc &) {
        char text[512];
        std::size_t room = sizeof text - std::strlen(prefix) - std::strlen(suffix) - 1;
        std::size_t n = std::strlen(path);
        if (n > room) n = room;
        std::strcpy(text, prefix);
        std::strncat(text, path, n);
        std::strcat(text, suffix);
        ShowMessage(text);
    }
}

}  // namespace

void ShowCannotOpenForWriting(const char *path) {
    ShowWithPath("\n kann File \"", path, "\" nicht oeffnen");
}

void ShowCannotWrite(const char *path) { ShowWithPath("\n kann File \"", path, "\" nicht schreiben"); }

void ShowCannotOpenForReading(const char *path) {
    ShowWithPath("\nKann File \"", path, "\" nicht oeffnen");
}

void ShowLimitExceeded(std::int32_t kk, std::int32_t maxAnz) {
    char text[96];
    char *p = text;
    auto put = [&p](const char *s) {
        std::size_t n = std::strlen(s);
        std::memcpy(p, s, n);
        p += n;
    };
    put("\nAbbruch in KK=");
    p += FormatInt(p, kk);
    put(" wurde MaxAnz=");
    p += FormatInt(p, maxAnz);
    put(" \x81"
        "berschritten");
    *p = '\0';
    ShowMessage(text);
}

}  // namespace tovra
