#pragma once

#include <QAbstractListModel>
#include <QObject>
#include <QString>
#include <QStringView>

#include "base/apperror.h"
#include "base/pagealloc.h"

#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

// The column store: 256 lists of cell items (a sheet's width) that a workbook read fills
// and the rest of the program reads. Lists are numbered 1..256, items inside a list from 0.
// A list that never gets an item costs only its empty vector.
//
// An item is 8 bytes. A number is kept as its value alone, for its text is the number's own
// formatting (numtext::formatGeneral), made again when a list shows it; the chart takes the
// value as it is. Any other item is a text. Texts below SharedLength sit back to back in one
// character buffer (a million distinct texts cost their characters, not a QString each);
// repeated texts are kept once: a long QString is shared with whoever handed it in, and a
// text of medium length that was stored a moment ago is found again and reused. The
// characters kept in all lists together are capped (MaxTextChars): the append that would
// pass the cap raises TextLimitError and changes nothing.
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
    static constexpr int ListCount = 256;
    static constexpr qint64 MaxTextChars = qint64(1) << 27; // 256 MB of UTF-16
    static constexpr qsizetype SharedLength = 4096;         // kept as a shared QString
    static QString textLimitReason();                        // "表格文字太多（超过 256 MB）"

    explicit ColumnStore(QObject *parent = nullptr);

    // getters (a list number outside 1..256 raises AppError):
    int count(int list) const;
    // The text of item `index` (0-based) of list `list`; AppError "List index out of bounds
    // (index)" when there is no such item.
    QString item(int list, int index) const;
    // One item without a copy: a number's value, or a text valid until the store changes.
    struct Entry {
        bool isNumber;
        double number;   // isNumber
        QStringView text; // !isNumber
    };
    Entry entry(int list, int index) const;
    // The value of a number item, without a call: false for a text, for a list number
    // outside 1..256 and for an index past the list.
    bool numberAt(int list, int index, double *value) const
    {
        if (list < 1 || list > ListCount || index < 0 || size_t(index) >= m_lists[size_t(list - 1)].size())
            return false;
        const Item item = m_lists[size_t(list - 1)][size_t(index)];
        if (isText(item))
            return false;
        std::memcpy(value, &item, sizeof *value);
        return true;
    }
    // Items first..last of a list read in place as doubles, when every one is a finite
    // number (a number item's bits are its value); null when any is a text or missing, or
    // the list number is outside 1..256. Valid until the store changes.
    const double *numbersInPlace(int list, int first, int last) const;
    // The number of lists holding at least one item.
    int filledLists() const;
    // Item counts of lists 1..256 at indexes 0..255.
    std::array<int, ListCount> counts() const;

    // Characters the store keeps, each shared text counted once.
    qint64 textChars() const { return m_textChars; }

    // changes:
    void append(int list, QStringView text);
    void append(int list, const QString &text); // shares a long text instead of copying it
    // A number whose text is formatGeneral(value): the value must be the one that text reads
    // back as (numtext::generalValue). A value that is not finite is kept as its text.
    void appendNumber(int list, double value);
    // Takes the texts of a table read as typed columns (workbook/csv/textcolumns.h): its
    // characters and long texts become the store's, so that its items can be appended as
    // they are (appendItems). Only into an empty store; TextLimitError past the cap.
    void adoptTexts(QString chars, std::vector<QString> shared, qint64 textChars);
    // Appends items in the typed columns' form, whose texts the store took by adoptTexts.
    void appendItems(int list, const quint64 *items, size_t count);
    // Takes list `list` out of the store, which keeps it empty, and puts items in the typed
    // columns' form in its place: a column is taken over without a copy.
    std::vector<quint64, FilledPageAllocator<quint64>> takeList(int list);
    // `numbersFrom`: whoever hands the items in knows those from that index on to be finite
    // numbers, which numbersInPlace() then need not look through again.
    static constexpr size_t NotKnown = size_t(-1);
    void replaceList(int list, std::vector<quint64, FilledPageAllocator<quint64>> &&items,
                     size_t numbersFrom = NotKnown);
    // Room for `items` items in every list that gets its first item from now on (until
    // clear()), so a long read does not grow them in steps.
    void reserve(int items);
    void clear();
    // Takes list `list` out; the lists after it move one to the left, the last is empty.
    void removeList(int list);
    // Drops the items past the first `items` of every list (their texts stay kept until
    // clear()): a last line read before it was complete goes when the whole line comes.
    void truncate(int items);
    // Exchanges the tables of the two stores, in one reset of each: a table read on
    // another thread into a store of its own replaces the one the windows show at once.
    void swapContents(ColumnStore &other);
    // The table's memory taken out of the store, which is left empty as by clear(). Whoever
    // holds it frees it when it goes, on any thread: a long table's hundreds of megabytes
    // can go back to the system while the program does its last work.
    struct Contents {
        std::array<std::vector<quint64, FilledPageAllocator<quint64>>, ListCount> lists;
        QString chars;
        std::vector<QString> shared;
    };
    std::unique_ptr<Contents> takeContents();

    // During and after a reset: the items of list `list` below this index are the ones it
    // held before the reset began. Appends keep them all; truncate() keeps the first items;
    // clear(), removeList() and swapContents() keep none. Whoever keeps values worked out
    // from a list then works out only the rest again.
    int keptItems(int list) const;

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
    // An item's bits: a finite double is a number. A text is a NaN no arithmetic makes,
    // tagged TextTag: with SharedBit the payload is an index into m_shared, else a copied
    // text, `begin` in the low 32 bits and its length (below SharedLength) above them.
    using Item = quint64;
    static constexpr Item TagMask = 0xFFFF000000000000ull;
    static constexpr Item TextTag = 0x7FFA000000000000ull;
    static constexpr Item SharedBit = 0x0000800000000000ull;
    static constexpr int RecentSlots = 1 << 12;
    static_assert(SharedLength <= 0x8000, "a copied text's length fits below SharedBit");
    using List = std::vector<Item, FilledPageAllocator<Item>>;

    static bool isText(Item item) { return (item & TagMask) == TextTag; }
    static Item copiedItem(quint32 begin, qsizetype length) { return TextTag | (Item(length) << 32) | begin; }
    QStringView textOf(Item item) const;
    Item itemAt(int list, int index) const; // AppError when there is no such item
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
    size_t m_reserve = 0; // items a list gets room for with its first item
    int m_batchDepth = 0;
    // Since the last reset began: items kept in every list, and each list's count then.
    int m_kept = 0;
    std::array<int, ListCount> m_countsBefore{};
    // Per list: items [first, second) known to be finite numbers (replaceList). Appends keep
    // it, anything else that changes the list's items shortens or drops it.
    std::array<std::pair<size_t, size_t>, ListCount> m_numbers{};
};

// One list of the store as a Qt item model for a list view. Follows the store's resets.
class ColumnListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    ColumnListModel(const ColumnStore *store, int list, QObject *parent = nullptr);

    int list() const { return m_list; }
    // A list view lays itself out by asking for the index of every row: answered without
    // a call to the store for each.
    QModelIndex index(int row, int column = 0, const QModelIndex &parent = QModelIndex()) const override
    {
        return row >= 0 && row < m_rows && column == 0 && !parent.isValid() ? createIndex(row, 0) : QModelIndex();
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    const ColumnStore *m_store;
    int m_list;
    int m_rows = 0; // the list's items as of the store's last reset
};
