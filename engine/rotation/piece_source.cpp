#include "engine/rotation/piece_source.h"

#include "engine/rotation/gzip_source.h"

#include "core/utf8_path.h"

#include <cerrno>
#include <fstream>
#include <system_error>

namespace pellavane {
namespace {

class PlainSource : public IPieceSource
{
public:
    explicit PlainSource(const std::string& path) : m_path(path)
    {
        errno = 0;
        m_in.open(PathFromUtf8(path), std::ios::binary);
        if (!m_in) {
            Fail(errno != 0 ? errno : ENOENT);
        }
    }

    std::size_t Read(char* into, std::size_t capacity) override
    {
        errno = 0;
        m_in.read(into, static_cast<std::streamsize>(capacity));
        if (m_in.bad()) {
            Fail(errno != 0 ? errno : EIO);
        }
        return static_cast<std::size_t>(m_in.gcount());
    }

private:
    [[noreturn]] void Fail(int error) const
    {
        throw PieceReadError("Cannot read history file '" + m_path +
                             "': " + std::generic_category().message(error));
    }

    std::string m_path;
    std::ifstream m_in;
};

} // namespace

std::unique_ptr<IPieceSource> OpenPiece(const std::string& path, bool gzip)
{
    if (gzip) {
        return std::make_unique<GzipSource>(path);
    }
    return std::make_unique<PlainSource>(path);
}

} // namespace pellavane
