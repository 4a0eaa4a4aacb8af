#include "import/columnstore.h"

#include "base/apperror.h"

ColumnStore::ColumnStore(QObject *parent)
    : QObject(parent)
{
}

const ColumnStore::List &ColumnStore::list(int number) const
{
    if (number < 1 || number > ListCount)
        throw AppError(QStringLiteral("Column list number out of range (%1)").arg(number));
    return m_lists[size_t(number - 1)];
}

int ColumnStore::count(int list) const
{
    return int(this->list(list).ends.size());
}

QStringView ColumnStore::itemView(int list, int index) const
{
    const List &l = this->list(list);
    // The message is the one the chart loading relies on for a column that is too short.
    if (index < 0 || size_t(index) >= l.ends.size())
        throw AppError(QStringLiteral("List index out of bounds (%1)").arg(index));
    const quint32 begin = index == 0 ? 0 : l.ends[size_t(index) - 1];
    return QStringView(l.chars).mid(begin, l.ends[size_t(index)] - begin);
}

QString ColumnStore::item(int list, int index) const
{
    return itemView(list, index).toString();
}

int ColumnStore::filledLists() const
{
    int n = 0;
    for (const List &l : m_lists)
        if (!l.ends.empty())
            ++n;
    return n;
}

std::array<int, ColumnStore::ListCount> ColumnStore::counts() const
{
    std::array<int, ListCount> out{};
    for (int i = 0; i < ListCount; ++i)
        out[size_t(i)] = int(m_lists[size_t(i)].ends.size());
    return out;
}

void ColumnStore::append(int number, QStringView text)
{
    list(number); // validates the number before anything changes
    List &l = m_lists[size_t(number - 1)];
    if (qint64(l.chars.size()) + text.size() > qint64(0xFFFFFFFFu))
        throw AppError(QStringLiteral("Column list %1 is full").arg(number));
    Batch batch(*this);
    l.chars.append(text);
    l.ends.push_back(quint32(l.chars.size()));
}

void ColumnStore::clear()
{
    Batch batch(*this);
    for (List &l : m_lists) {
        // Release the memory: a read of a small workbook after a big one should not keep
        // the big one's buffers.
        l.chars = QString();
        std::vector<quint32>().swap(l.ends);
    }
}

void ColumnStore::beginBatch()
{
    if (m_batchDepth++ == 0)
        emit resetStarted();
}

void ColumnStore::endBatch()
{
    if (--m_batchDepth == 0)
        emit resetFinished();
}

ColumnListModel::ColumnListModel(const ColumnStore *store, int list, QObject *parent)
    : QAbstractListModel(parent), m_store(store), m_list(list)
{
    store->count(list); // rejects a bad list number at construction
    connect(store, &ColumnStore::resetStarted, this, [this] { beginResetModel(); });
    connect(store, &ColumnStore::resetFinished, this, [this] { endResetModel(); });
}

int ColumnListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_store->count(m_list);
}

QVariant ColumnListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.column() != 0
        || index.row() >= m_store->count(m_list))
        return QVariant();
    return m_store->item(m_list, index.row());
}
