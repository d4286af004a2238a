// Whether a folder name handed over by the host is UTF-8 already.
#ifndef RILO_PLUGIN_UTF8_H
#define RILO_PLUGIN_UTF8_H

// Whether TEXT is well-formed UTF-8: no stray or missing continuation bytes,
// no overlong forms, no surrogates, nothing past U+10FFFF.
inline bool is_utf8(const char *text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    while (*p != 0) {
        int extra = 0;
        unsigned code = *p, least = 0;
        // The lead byte: how many bytes follow, its own bits of the code
        // point, and the least code point that needs that many.
        if (code >= 0xF8) {
            return false;
        } else if (code >= 0xF0) {
            extra = 3;
            code &= 0x07;
            least = 0x10000;
        } else if (code >= 0xE0) {
            extra = 2;
            code &= 0x0F;
            least = 0x800;
        } else if (code >= 0xC0) {
            extra = 1;
            code &= 0x1F;
            least = 0x80;
        } else if (code >= 0x80) {
            return false;
        }
        for (++p; extra > 0; --extra, ++p) {
            if ((*p & 0xC0) != 0x80) return false;  // the terminator ends here too
            code = code << 6 | (*p & 0x3Fu);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    }
    return true;
}

#endif
