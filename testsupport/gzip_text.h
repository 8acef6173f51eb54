#pragma once

// Text compressed as gzip writes it, for the tests of rotated history pieces. Links zlib.

#include <stdexcept>
#include <string>

#include <zlib.h>

namespace pellavane::testing {

inline std::string GzipText(const std::string& text)
{
    z_stream z{};
    // deflateInit2_ rather than its macro, whose C cast the warnings refuse; 15 + 16 asks for gzip's
    // header and trailer.
    if (deflateInit2_(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY, ZLIB_VERSION,
                      static_cast<int>(sizeof(z_stream))) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("deflate did not finish");
    }
    return out;
}

} // namespace pellavane::testing
