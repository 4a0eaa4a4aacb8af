#pragma once

#include <QAbstractListModel>
#include <QObject>
#include <QString>
#include <QStringView>

#include "base/apperror.h"

#include <array>
#include <unordered_map>
#include <vector>

// The column store: 32 lists of cell texts that a workbook read fills and the rest of the
// program reads. Lists are numbered 1..32, items inside a list from 0.
//
// Short texts sit back to back in one character buffer with an offset table, so 65,536
// rows x 32 columns cost a few tens of megabytes and no allocation per item. Repeated
// texts are kept once: a long QString is shared with whoever handed it in, and a text of
// medium length that was stored a moment ago is found again and reused. The characters
// kept in all lists together are capped (MaxTextChars): the append that would pass the
// cap raises TextLimitError and changes nothing.
//
// Views (ColumnListModel) learn of changes through resetStarted()/resetFinished(). Bulk
// changes belong inside a Batch, which makes them one reset; a single append or clear
// outside a batch is its own reset.
class TextLimitError : public AppError
{
public:
    using AppError::AppError;
};

class ColumnStore : public QObject
{
    Q_OBJECT
public:
    static constexpr int ListCount = 32;
    static constexpr qint64 MaxTextChars = qint64(1) << 27; // 256 MB of UTF-16
    static constexpr qsizetype SharedLength = 64;           // kept as a shared QString
    static QString textLimitReason();                        // "表格文字太多（超过 256 MB）"

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

    // Characters the store keeps, each shared text counted once.
    qint64 textChars() const { return m_textChars; }

    // changes:
    void append(int list, QStringView text);
    void append(int list, const QString &text); // shares a long text instead of copying it
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
    // An item: `length` characters of m_chars from `begin`, or with SharedBit in `length`
    // the text m_shared[begin].
    struct Item {
        quint32 begin;
        quint32 length;
    };
    static constexpr quint32 SharedBit = 0x80000000u;
    static constexpr int RecentSlots = 1 << 12;
    using List = std::vector<Item>;

    void beginBatch();
    void endBatch();
    const List &list(int number) const;
    List &listForAppend(int number);
    Item storeCopy(QStringView text);
    Item storeShared(const QString &text);
    void push(List &list, Item item);
    void reserveChars(qint64 more) const;

    std::array<List, ListCount> m_lists;
    QString m_chars;                    // copied texts back to back
    std::vector<QString> m_shared;      // long texts, each kept once
    // Shared texts by their characters' address: the store holds them, so an address in
    // here cannot be reused by another text.
    std::unordered_map<const QChar *, quint32> m_sharedIndex;
    std::array<Item, RecentSlots> m_recent{}; // medium texts stored lately, by hash
    qint64 m_textChars = 0;
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
