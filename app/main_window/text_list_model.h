#pragma once

#include <QString>
#include <QStringListModel>

namespace pellavane {

/** A short list of text rows under one column heading: the interval list ListView2. The stock
 *  string list, with the heading it lacks and without editing in place. */
class TextListModel : public QStringListModel
{
    Q_OBJECT
public:
    using QStringListModel::QStringListModel;

    void SetHeading(const QString& heading);
    QString Heading() const { return m_heading; }
    /** Appends one row at the end. */
    void AppendRow(const QString& text);
    void RemoveAllRows();
    /** Text of the row at a 0-based position; throws std::out_of_range outside the rows. */
    QString RowText(int row) const;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QString m_heading;
};

} // namespace pellavane
