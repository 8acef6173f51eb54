#include "app/main_window/status_list_model.h"

#include <QBrush>

#include <limits>
#include <stdexcept>

namespace pellavane {

void CompactStatusStore::CheckTime(std::time_t t)
{
    const auto seconds = static_cast<std::int64_t>(t);
    // One bit goes to the status, so the time must fit in 63 bits; every real clock value does.
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 2;
    if (seconds > kLimit || seconds < -kLimit - 1)
        throw std::out_of_range("Status time " + std::to_string(seconds) +
                                " is outside the range the status list holds");
}

void CompactStatusStore::Append(std::time_t t, bool connected)
{
    CheckTime(t);
    const auto seconds = static_cast<std::int64_t>(t);
    // Left unfilled: a chunk's pages are taken as its rows arrive, so a short list costs its rows.
    if (m_size == m_chunks.size() * kChunkRows)
        m_chunks.push_back(std::make_unique_for_overwrite<Chunk>());
    const std::uint64_t word = (static_cast<std::uint64_t>(seconds) << 1) | (connected ? 1u : 0u);
    (*m_chunks[m_size / kChunkRows])[m_size % kChunkRows] = word;
    ++m_size;
}

void CompactStatusStore::Clear()
{
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_size = 0;
}

std::uint64_t CompactStatusStore::WordAt(std::size_t row) const
{
    if (row >= m_size)
        throw std::out_of_range("Status row " + std::to_string(row) + " does not exist; the list has " +
                                std::to_string(m_size) + " rows");
    return (*m_chunks[row / kChunkRows])[row % kChunkRows];
}

std::time_t CompactStatusStore::TimeAt(std::size_t row) const
{
    // An arithmetic shift of the signed word restores times before 1970 too.
    return static_cast<std::time_t>(static_cast<std::int64_t>(WordAt(row)) >> 1);
}

bool CompactStatusStore::ConnectedAt(std::size_t row) const
{
    return (WordAt(row) & 1u) != 0;
}

std::size_t CompactStatusStore::MemoryBytes() const noexcept
{
    return m_chunks.size() * sizeof(Chunk) + m_chunks.capacity() * sizeof(m_chunks[0]);
}

StatusListModel::StatusListModel(StatusRowFormatter format, QObject* parent)
    : QAbstractListModel(parent), m_format(std::move(format))
{}

void StatusListModel::AppendStatusRow(std::time_t t, bool connected)
{
    // A view counts rows in int; beyond that the row could never be shown.
    if (m_store.Size() >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("The status list cannot hold more rows");
    const int row = static_cast<int>(m_store.Size());
    CompactStatusStore::CheckTime(t);
    beginInsertRows(QModelIndex(), row, row);
    m_store.Append(t, connected);
    endInsertRows();
}

void StatusListModel::RemoveAllRows()
{
    beginResetModel();
    m_store.Clear();
    endResetModel();
}

void StatusListModel::SetHeading(const QString& heading)
{
    m_heading = heading;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

QString StatusListModel::RowText(int row) const
{
    const auto r = static_cast<std::size_t>(row);
    return QString::fromStdString(m_format(m_store.TimeAt(r), m_store.ConnectedAt(r)));
}

int StatusListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_store.Size());
}

QVariant StatusListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() != 0 || index.row() < 0 ||
        static_cast<std::size_t>(index.row()) >= m_store.Size())
        return {};
    if (role == Qt::DisplayRole)
        return RowText(index.row());
    // A "Disconnected" check stands out in a list of thousands of connected ones.
    if (role == Qt::ForegroundRole && !m_store.ConnectedAt(static_cast<std::size_t>(index.row())))
        return QBrush(kDisconnectedColour);
    return {};
}

QVariant StatusListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole)
        return m_heading;
    return {};
}

Qt::ItemFlags StatusListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace pellavane
