#pragma once

#include <QAbstractListModel>
#include <QObject>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

// The column store: 32 lists of cell texts that a workbook read fills and the rest of the
// program reads. Lists are numbered 1..32, items inside a list from 0.
//
// Each list keeps its texts back to back in one character buffer with an offset table,
// so 65,536 rows x 32 columns cost a few tens of megabytes and no allocation per item.
//
// Views (ColumnListModel) learn of changes through resetStarted()/resetFinished(). Bulk
// changes belong inside a Batch, which makes them one reset; a single append or clear
// outside a batch is its own reset.
class ColumnStore : public QObject
{
    Q_OBJECT
public:
    static constexpr int ListCount = 32;

    explicit ColumnStore(QObject *parent = nullptr);

    // getters (a list number outside 1..32 raises AppError):
    int count(int list) const;
    // Item `index` (0-based) of list `list`; AppError "List index out of bounds (index)"
    // when there is no such item.
    QString item(int list, int index) const;
    // The same without a copy; valid until the store changes.
    QStringView itemView(int list, int index) const;
    // The number of lists holding at least one item.
    int filledLists() const;
    // Item counts of lists 1..32 at indexes 0..31.
    std::array<int, ListCount> counts() const;

    // changes:
    void append(int list, QStringView text);
    void clear();

    // Groups changes into one reset of every model; nests.
    class Batch {
    public:
        explicit Batch(ColumnStore &store) : m_store(store) { m_store.beginBatch(); }
        ~Batch() { m_store.endBatch(); }
        Batch(const Batch &) = delete;
        Batch &operator=(const Batch &) = delete;
    private:
        ColumnStore &m_store;
    };

signals:
    void resetStarted();
    void resetFinished();

private:
    struct List {
        QString chars;                  // all texts of the list back to back
        std::vector<quint32> ends{};    // end offset of every item in `chars`
    };

    void beginBatch();
    void endBatch();
    const List &list(int number) const;

    std::array<List, ListCount> m_lists;
    int m_batchDepth = 0;
};

// One list of the store as a Qt item model for a list view. Follows the store's resets.
class ColumnListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    ColumnListModel(const ColumnStore *store, int list, QObject *parent = nullptr);

    int list() const { return m_list; }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    const ColumnStore *m_store;
    int m_list;
};
