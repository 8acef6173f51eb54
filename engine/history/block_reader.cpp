#include "engine/history/block_reader.h"

#include "engine/history/history.h"

#include "core/utf8_path.h"

#include <system_error>

namespace pellavane {

BlockReader::BlockReader(const std::string& path) : m_path(path), m_buffer(new char[kBlockSize])
{
    errno = 0;
    m_in.open(PathFromUtf8(path), std::ios::binary);
    if (!m_in) {
        Fail(errno != 0 ? errno : ENOENT);
    }
}

void BlockReader::Fail(int error) const
{
    throw HistoryReadError("Cannot read history file '" + m_path +
                           "': " + std::generic_category().message(error));
}

} // namespace pellavane
