#pragma once

#include "engine/monitor/recorder.h"

#include <QAbstractListModel>
#include <QColor>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pellavane {

/** The records behind the status list: one 64-bit word per row (seconds shifted left by one, the
 *  status in the low bit), kept in fixed-size chunks so that appending never copies the rows
 *  already held and no more than one chunk is ever allocated ahead. */
class CompactStatusStore
{
public:
    static constexpr std::size_t kChunkRows = 65536;

    /** Throws std::out_of_range when t does not fit in the 63 bits a record keeps for it. */
    static void CheckTime(std::time_t t);
    void Append(std::time_t t, bool connected);
    void Clear();
    std::size_t Size() const noexcept { return m_size; }
    std::time_t TimeAt(std::size_t row) const;
    bool ConnectedAt(std::size_t row) const;
    /** Heap bytes held for the rows: the chunks and the table that points at them. */
    std::size_t MemoryBytes() const noexcept;

private:
    using Chunk = std::array<std::uint64_t, kChunkRows>;
    std::uint64_t WordAt(std::size_t row) const;

    std::vector<std::unique_ptr<Chunk>> m_chunks;
    std::size_t m_size = 0;
};

/** Makes the text of one row; StatusLine in the program. */
using StatusRowFormatter = std::function<std::string(std::time_t, bool connected)>;

/** ListView1: the status list as one headed column over compact records, each row formatted only
 *  when a view asks for it, so that millions of rows cost a few bytes each. */
/** The text colour of a "Disconnected" row: a red that stays readable on a light background. */
inline const QColor kDisconnectedColour(0xc0, 0x10, 0x10);

class StatusListModel : public QAbstractListModel, public IStatusList
{
    Q_OBJECT
public:
    explicit StatusListModel(StatusRowFormatter format, QObject* parent = nullptr);

    void AppendStatusRow(std::time_t t, bool connected) override;
    void RemoveAllRows() override;

    /** The column heading. */
    void SetHeading(const QString& heading);
    QString Heading() const { return m_heading; }
    /** The text row (0-based) shows. */
    QString RowText(int row) const;
    std::time_t RowTime(int row) const { return m_store.TimeAt(static_cast<std::size_t>(row)); }
    bool RowConnected(int row) const { return m_store.ConnectedAt(static_cast<std::size_t>(row)); }
    const CompactStatusStore& Store() const noexcept { return m_store; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    StatusRowFormatter m_format;
    CompactStatusStore m_store;
    QString m_heading;
};

} // namespace pellavane
