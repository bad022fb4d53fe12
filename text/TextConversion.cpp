// TextConversion: UTF-8 validation and code page 932 decoding through glibc iconv.
#include "text/TextConversion.h"

#include <cerrno>
#include <iconv.h>

namespace {

const char replacementCharacter[] = "\xEF\xBF\xBD"; // U+FFFD

// Length of the well-formed UTF-8 sequence starting at text[i], or 0 when it is not one.
size_t Utf8SequenceLength(const std::string &text, size_t i)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        return 1;
    }
    size_t length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0; // no overlong forms
        } else if (lead == 0xED) {
            high = 0x9F; // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F; // nothing above U+10FFFF
        }
    } else {
        return 0;
    }
    if (text.size() - i < length) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[i + k]);
        if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) {
            return 0;
        }
    }
    return length;
}

// Used when the system has no code page 932 converter: keeps the well-formed UTF-8 sequences
// and replaces every other byte.
std::string ReplaceInvalidUtf8(const std::string &text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += replacementCharacter;
            ++i;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

} // namespace

bool IsValidUtf8(const std::string &text)
{
    size_t i = 0;
    while (i < text.size()) {
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string ToUtf8(const std::string &text)
{
    if (IsValidUtf8(text)) {
        return text;
    }
    // One converter per call: texts are converted once and then cached by the content
    // cache, and a private converter is safe on the scene-change worker thread.
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return ReplaceInvalidUtf8(text);
    }

    std::string out;
    char buffer[256];
    char *in = const_cast<char *>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char *outPointer = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converter, &in, &inLeft, &outPointer, &outLeft);
        out.append(buffer, static_cast<size_t>(outPointer - buffer));
        if (result != static_cast<size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue; // buffer full: the loop drains it and goes on
        }
        // EILSEQ: a byte that starts no character; EINVAL: a lead byte cut off at the end.
        // Either way one byte is replaced and decoding resumes at the next one.
        out += replacementCharacter;
        ++in;
        --inLeft;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(converter);
    return out;
}

std::vector<size_t> Utf8CharacterStarts(const std::string &text)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            starts.push_back(i);
        }
    }
    starts.push_back(text.size());
    return starts;
}
