#include "engine/rotation/gzip_source.h"

#include "core/utf8_path.h"

#include <cerrno>
#include <new>
#include <system_error>

#include <zlib.h>

namespace pellavane {
namespace {

constexpr std::size_t kInputSize = 1 << 16;
// 15 bits of window, plus 16: a gzip header and trailer, not zlib's own.
constexpr int kGzipWindowBits = 15 + 16;

} // namespace

struct GzipSource::Stream
{
    z_stream z{};
};

GzipSource::GzipSource(const std::string& path)
    : m_path(path), m_input(new unsigned char[kInputSize]), m_stream(std::make_unique<Stream>())
{
    errno = 0;
    m_in.open(PathFromUtf8(path), std::ios::binary);
    if (!m_in) {
        Fail(errno != 0 ? errno : ENOENT);
    }
    // Called directly rather than through the inflateInit2 macro, whose C cast the warnings refuse.
    if (inflateInit2_(&m_stream->z, kGzipWindowBits, ZLIB_VERSION, static_cast<int>(sizeof(z_stream))) !=
        Z_OK) {
        throw std::bad_alloc();
    }
}

GzipSource::~GzipSource()
{
    inflateEnd(&m_stream->z);
}

bool GzipSource::Refill()
{
    errno = 0;
    m_in.read(reinterpret_cast<char*>(m_input.get()), static_cast<std::streamsize>(kInputSize));
    if (m_in.bad()) {
        Fail(errno != 0 ? errno : EIO);
    }
    m_stream->z.next_in = m_input.get();
    m_stream->z.avail_in = static_cast<uInt>(m_in.gcount());
    return m_stream->z.avail_in > 0;
}

std::size_t GzipSource::Read(char* into, std::size_t capacity)
{
    if (!m_damage.empty()) {
        throw DamagedPieceError(m_damage);
    }
    z_stream& z = m_stream->z;
    z.next_out = reinterpret_cast<Bytef*>(into);
    z.avail_out = static_cast<uInt>(capacity);
    while (z.avail_out > 0 && !m_finished && m_damage.empty()) {
        if (z.avail_in == 0 && !Refill()) {
            if (m_inMember) {
                Damaged("it ends in the middle of its compressed text");
            } else if (!m_anyMember) {
                Damaged("it is empty");
            }
            m_finished = true;
            break;
        }
        if (!m_inMember) {
            // Each member begins afresh.
            if (inflateReset(&z) != Z_OK) {
                Damaged("its compressed text cannot be read");
                break;
            }
            m_inMember = true;
            m_anyMember = true;
        }
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            m_inMember = false;
        } else if (result != Z_OK && result != Z_BUF_ERROR) {
            Damaged(z.msg != nullptr ? z.msg : "its compressed text cannot be read");
        }
    }
    // What was inflated before the damage is given first; the damage is told by the next call.
    const std::size_t produced = capacity - z.avail_out;
    if (produced == 0 && !m_damage.empty()) {
        throw DamagedPieceError(m_damage);
    }
    return produced;
}

void GzipSource::Fail(int error) const
{
    throw PieceReadError("Cannot read history file '" + m_path +
                         "': " + std::generic_category().message(error));
}

void GzipSource::Damaged(const std::string& why)
{
    m_damage = "'" + m_path + "' is damaged (" + why + ")";
}

} // namespace pellavane
