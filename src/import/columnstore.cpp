#include "import/columnstore.h"

#include "base/apperror.h"
#include "base/numtext.h"
#include "base/twothreads.h"
#include "workbook/csv/textcolumns.h"
#include "workbook/sheetbuilder.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include <QCoreApplication>

static_assert(ColumnStore::MaxTextChars == workbook::MaxTextChars,
              "the readers refuse a text the store could never keep by the same bound");
static_assert(ColumnStore::SharedLength == textcolumns::SharedLength,
              "text columns keep their texts as the store does");

ColumnStore::ColumnStore(QObject *parent)
    : QObject(parent)
{
}

QString ColumnStore::textLimitReason()
{
    return QCoreApplication::translate("workbook", "表格文字太多（超过 %1 MB）").arg((MaxTextChars * 2) >> 20);
}

const ColumnStore::List &ColumnStore::list(int number) const
{
    if (number < 1 || number > ListCount)
        throw AppError(QStringLiteral("Column list number out of range (%1)").arg(number));
    return m_lists[size_t(number - 1)];
}

ColumnStore::List &ColumnStore::listForAppend(int number)
{
    list(number); // validates the number before anything changes
    List &l = m_lists[size_t(number - 1)];
    if (l.capacity() == 0 && m_reserve > 0) {
        // Only a head start: without the memory the list grows as items come.
        try {
            l.reserve(m_reserve);
        } catch (const std::bad_alloc &) {
            m_reserve = 0;
        }
    }
    return l;
}

int ColumnStore::count(int list) const
{
    return int(this->list(list).size());
}

namespace {

// Whether none of `count` items is a text or an infinite number (a text is a NaN; both have
// every exponent bit), a block at a time without a branch per item; gives up, answering
// true, once `stop` is set by whoever found one elsewhere.
bool allFinite(const quint64 *items, size_t count, const std::atomic<bool> *stop)
{
    constexpr quint64 Exponent = 0x7FF0000000000000ull;
    constexpr size_t Block = 2048;
    for (size_t at = 0; at < count; at += Block) {
        if (stop && stop->load(std::memory_order_relaxed))
            return true;
        const size_t end = std::min(count, at + Block);
        unsigned nonFinite = 0;
        for (size_t i = at; i < end; ++i)
            nonFinite |= unsigned((items[i] & Exponent) == Exponent);
        if (nonFinite)
            return false;
    }
    return true;
}

// Whether every one of `count` items is a finite number.
bool finiteNumbers(const quint64 *begin, size_t count)
{
    // A list of texts shows it at once; a long list of numbers is looked through on both cores.
    const size_t head = std::min<size_t>(count, 4096);
    if (!allFinite(begin, head, nullptr))
        return false;
    std::atomic<bool> found{false};
    const size_t middle = head + size_t(twothreads::middle(qint64(count - head)));
    // Only ever set, never cleared: either half that finds one answers for both.
    const auto look = [&](size_t from, size_t to) {
        if (!found && !allFinite(begin + from, to - from, &found))
            found = true;
    };
    if (middle > head)
        twothreads::both([&] { look(middle, count); }, [&] { look(head, middle); });
    else
        look(head, count);
    return !found;
}

}

const double *ColumnStore::numbersInPlace(int list, int first, int last) const
{
    static_assert(sizeof(Item) == sizeof(double), "an item reads as a double");
    if (list < 1 || list > ListCount || first < 0 || last < first)
        return nullptr;
    const List &items = m_lists[size_t(list - 1)];
    if (size_t(last) >= items.size())
        return nullptr;
    const Item *begin = items.data() + first;
    const size_t count = size_t(last) - size_t(first) + 1;
    // Items known to be numbers are passed over: only those before and after them are looked at.
    const std::pair<size_t, size_t> known = m_numbers[size_t(list - 1)];
    const size_t knownFrom = std::clamp(known.first, size_t(first), size_t(last) + 1) - size_t(first);
    const size_t knownTo = std::clamp(known.second, size_t(first), size_t(last) + 1) - size_t(first);
    if (!finiteNumbers(begin, knownFrom) || !finiteNumbers(begin + knownTo, count - knownTo))
        return nullptr;
    return reinterpret_cast<const double *>(begin);
}

QStringView ColumnStore::textOf(Item item) const
{
    if (item & SharedBit)
        return QStringView(m_shared[size_t(item & 0xFFFFFFFFu)]);
    return QStringView(m_chars).mid(qsizetype(item & 0xFFFFFFFFu), qsizetype((item >> 32) & 0xFFFF));
}

ColumnStore::Item ColumnStore::itemAt(int list, int index) const
{
    const List &l = this->list(list);
    // The message is the one the chart loading relies on for a column that is too short.
    if (index < 0 || size_t(index) >= l.size())
        throw AppError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return l[size_t(index)];
}

ColumnStore::Entry ColumnStore::entry(int list, int index) const
{
    const Item item = itemAt(list, index);
    if (isText(item))
        return Entry{false, 0, textOf(item)};
    double value;
    std::memcpy(&value, &item, sizeof value);
    return Entry{true, value, QStringView()};
}

QString ColumnStore::item(int list, int index) const
{
    const Item item = itemAt(list, index);
    if (!isText(item)) {
        double value;
        std::memcpy(&value, &item, sizeof value);
        return numtext::formatGeneral(value);
    }
    if (item & SharedBit)
        return m_shared[size_t(item & 0xFFFFFFFFu)]; // no copy of a shared text
    return textOf(item).toString();
}

int ColumnStore::filledLists() const
{
    int n = 0;
    for (const List &l : m_lists)
        if (!l.empty())
            ++n;
    return n;
}

std::array<int, ColumnStore::ListCount> ColumnStore::counts() const
{
    std::array<int, ListCount> out{};
    for (int i = 0; i < ListCount; ++i)
        out[size_t(i)] = int(m_lists[size_t(i)].size());
    return out;
}

void ColumnStore::reserveChars(qint64 more) const
{
    if (m_textChars + more > MaxTextChars)
        throw TextLimitError(textLimitReason());
}

ColumnStore::Item ColumnStore::storeCopy(QStringView text)
{
    // Medium texts repeat in real tables (labels, units, a text in every row) and in
    // hostile ones; a small table of the latest ones finds most repeats at no cost.
    constexpr qsizetype RecentFrom = 8;
    Item *recent = nullptr;
    if (text.size() >= RecentFrom) {
        recent = &m_recent[qHash(text) & (RecentSlots - 1)];
        if (isText(*recent) && textOf(*recent) == text)
            return *recent;
    }
    reserveChars(text.size());
    const Item item = copiedItem(quint32(m_chars.size()), text.size());
    m_chars.append(text);
    m_textChars += text.size();
    if (recent)
        *recent = item;
    return item;
}

ColumnStore::Item ColumnStore::storeShared(const QString &text)
{
    const auto found = m_sharedIndex.find(text.constData());
    if (found != m_sharedIndex.end() && m_shared[found->second].size() == text.size())
        return TextTag | SharedBit | found->second;
    reserveChars(text.size());
    const quint32 index = quint32(m_shared.size());
    m_shared.push_back(text);
    m_sharedIndex[m_shared.back().constData()] = index;
    m_textChars += text.size();
    return TextTag | SharedBit | index;
}

void ColumnStore::push(List &list, Item item)
{
    if (m_batchDepth > 0) {
        list.push_back(item); // inside a read's batch: the models hear of it at its end
        return;
    }
    Batch batch(*this);
    list.push_back(item);
}

void ColumnStore::append(int number, QStringView text)
{
    List &l = listForAppend(number);
    if (text.size() >= SharedLength) {
        push(l, storeShared(text.toString()));
        return;
    }
    push(l, storeCopy(text));
}

void ColumnStore::append(int number, const QString &text)
{
    List &l = listForAppend(number);
    // A text without its own buffer (raw data, literals) may not outlive the caller's
    // memory: that one is copied.
    if (text.size() >= SharedLength) {
        push(l, storeShared(text.data_ptr().isMutable() ? text : QString(text.constData(), text.size())));
        return;
    }
    push(l, storeCopy(text));
}

void ColumnStore::appendNumber(int number, double value)
{
    if (!std::isfinite(value)) {
        append(number, numtext::formatGeneral(value));
        return;
    }
    List &l = listForAppend(number);
    Item item;
    std::memcpy(&item, &value, sizeof item);
    push(l, item);
}

void ColumnStore::adoptTexts(QString chars, std::vector<QString> shared, qint64 textChars)
{
    if (!m_chars.isEmpty() || !m_shared.empty())
        throw AppError(QStringLiteral("Texts adopted into a store that holds texts"));
    if (textChars > MaxTextChars)
        throw TextLimitError(textLimitReason());
    m_chars = std::move(chars);
    m_shared = std::move(shared);
    for (size_t i = 0; i < m_shared.size(); ++i)
        m_sharedIndex[m_shared[i].constData()] = quint32(i);
    m_textChars = textChars;
}

void ColumnStore::appendItems(int number, const quint64 *items, size_t count)
{
    static_assert(TextTag == textcolumns::TextTag && SharedBit == textcolumns::SharedBit
                      && TagMask == textcolumns::TagMask,
                  "text columns tag their items as the store does");
    static_assert(std::is_same_v<List, textcolumns::Column>, "a text column is a list");
    List &l = listForAppend(number);
    Batch batch(*this);
    l.insert(l.end(), items, items + count);
}

ColumnStore::List ColumnStore::takeList(int number)
{
    list(number); // rejects a bad list number
    Batch batch(*this);
    List out;
    out.swap(m_lists[size_t(number - 1)]);
    m_numbers[size_t(number - 1)] = {};
    return out;
}

void ColumnStore::replaceList(int number, List &&items, size_t numbersFrom)
{
    list(number);
    Batch batch(*this);
    List &l = m_lists[size_t(number - 1)];
    l = std::move(items);
    m_numbers[size_t(number - 1)] = numbersFrom < l.size() ? std::make_pair(numbersFrom, l.size()) : std::pair<size_t, size_t>();
}

void ColumnStore::reserve(int items)
{
    // Lists that get their first item get the room then: a table of 8 columns reserves 8.
    m_reserve = size_t(std::max(items, 0));
}

void ColumnStore::clear()
{
    Batch batch(*this);
    m_kept = 0;
    // Release the memory: a read of a small workbook after a big one should not keep the
    // big one's buffers.
    for (List &l : m_lists)
        List().swap(l);
    m_numbers.fill({});
    m_chars = QString();
    std::vector<QString>().swap(m_shared);
    std::unordered_map<const QChar *, quint32>().swap(m_sharedIndex);
    m_recent.fill(Item(0));
    m_reserve = 0;
    m_textChars = 0;
}

void ColumnStore::removeList(int number)
{
    list(number); // rejects a bad list number
    Batch batch(*this);
    m_kept = 0;
    for (int k = number; k < ListCount; ++k) {
        m_lists[size_t(k - 1)].swap(m_lists[size_t(k)]);
        m_numbers[size_t(k - 1)] = m_numbers[size_t(k)];
    }
    List().swap(m_lists[ListCount - 1]);
    m_numbers[ListCount - 1] = {};
}

void ColumnStore::truncate(int items)
{
    Batch batch(*this);
    if (items >= 0)
        m_kept = std::min(m_kept, items);
    for (List &l : m_lists)
        if (items >= 0 && l.size() > size_t(items))
            l.resize(size_t(items));
    for (std::pair<size_t, size_t> &known : m_numbers)
        if (items >= 0 && known.second > size_t(items))
            known = size_t(items) > known.first ? std::make_pair(known.first, size_t(items)) : std::pair<size_t, size_t>();
}

void ColumnStore::swapContents(ColumnStore &other)
{
    Batch mine(*this);
    Batch theirs(other);
    m_kept = 0;
    other.m_kept = 0;
    m_lists.swap(other.m_lists);
    m_numbers.swap(other.m_numbers);
    m_chars.swap(other.m_chars);
    m_shared.swap(other.m_shared);
    m_sharedIndex.swap(other.m_sharedIndex);
    m_recent.swap(other.m_recent);
    std::swap(m_textChars, other.m_textChars);
    std::swap(m_reserve, other.m_reserve);
}

std::unique_ptr<ColumnStore::Contents> ColumnStore::takeContents()
{
    auto contents = std::make_unique<Contents>();
    Batch batch(*this);
    m_lists.swap(contents->lists);
    contents->chars.swap(m_chars);
    contents->shared.swap(m_shared);
    clear();
    return contents;
}

void ColumnStore::beginBatch()
{
    if (m_batchDepth++ == 0) {
        m_kept = INT_MAX;
        m_countsBefore = counts();
        emit resetStarted();
    }
}

void ColumnStore::endBatch()
{
    if (--m_batchDepth == 0)
        emit resetFinished();
}

int ColumnStore::keptItems(int number) const
{
    list(number); // rejects a bad list number
    return std::min(m_kept, m_countsBefore[size_t(number - 1)]);
}

ColumnListModel::ColumnListModel(const ColumnStore *store, int list, QObject *parent)
    : QAbstractListModel(parent), m_store(store), m_list(list)
{
    m_rows = store->count(list); // rejects a bad list number at construction
    connect(store, &ColumnStore::resetStarted, this, [this] { beginResetModel(); });
    connect(store, &ColumnStore::resetFinished, this, [this] {
        m_rows = m_store->count(m_list);
        endResetModel();
    });
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
