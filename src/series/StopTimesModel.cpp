#include "series/StopTimesModel.h"

#include "base/NumberFormat.h"

StopTimesModel::StopTimesModel(const std::vector<double> &stopTimes, QObject *parent)
    : QAbstractTableModel(parent), m_stopTimes(stopTimes)
{
}

int StopTimesModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    // A view cannot address more rows than an int holds.
    return int(std::min<std::size_t>(m_stopTimes.size(), std::size_t(INT_MAX)));
}

int StopTimesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant StopTimesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || std::size_t(index.row()) >= m_stopTimes.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == 0)
            return QString::number(index.row() + 1);
        return formatListValue(m_stopTimes[std::size_t(index.row())]);
    case Qt::BackgroundRole:
        return rowColour(index.row());
    case Qt::TextAlignmentRole:
        return index.column() == 1 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant StopTimesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section > 1)
        return {};
    if (role == Qt::DisplayRole)
        return m_captions[section];
    if (role == Qt::TextAlignmentRole)
        return section == 1 ? int(Qt::AlignCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void StopTimesModel::beginRemoveValue(int index)
{
    m_removingLast = index == rowCount() - 1;
    if (m_removingLast)
        beginRemoveRows({}, index, index);
    else
        beginResetModel();
}

void StopTimesModel::endRemoveValue()
{
    if (m_removingLast)
        endRemoveRows();
    else
        endResetModel();
}

void StopTimesModel::setColumnCaptions(const QString &number, const QString &stopTime)
{
    m_captions[0] = number;
    m_captions[1] = stopTime;
    emit headerDataChanged(Qt::Horizontal, 0, 1);
}

QColor StopTimesModel::rowColour(int row)
{
    return (row % 2 == 0) ? QColor(255, 255, 255) : QColor(241, 243, 244);
}
