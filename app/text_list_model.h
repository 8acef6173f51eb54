#pragma once

#include <QAbstractListModel>
#include <QString>
#include <QStringList>

namespace pellavane {

/** A short list of text rows under one column heading: the interval list ListView2. */
class TextListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void SetHeading(const QString& heading);
    QString Heading() const { return m_heading; }
    /** Appends one row at the end. */
    void AppendRow(const QString& text);
    void RemoveAllRows();
    /** Text of the row at a 0-based position; throws std::out_of_range outside the rows. */
    QString RowText(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList m_rows;
    QString m_heading;
};

} // namespace pellavane
