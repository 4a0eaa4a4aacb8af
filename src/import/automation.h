#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

// A small late-bound automation layer: variant values, objects whose members are looked
// up by name and invoked, and a registry that creates objects from class names. The
// workbook read talks only to this layer, so any server registered under the class name
// (the in-process spreadsheet application, or a scripted one in tests) can answer it.
namespace automation {

class Object;

// Intrusive reference to an Object: copying adds a reference, destruction releases one.
template <typename T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    // Takes a new reference to `p` (a freshly created object starts with count 0).
    explicit Ref(T *p) : m_p(p) { if (m_p) m_p->addRef(); }
    Ref(const Ref &o) : m_p(o.m_p) { if (m_p) m_p->addRef(); }
    Ref(Ref &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <typename U>
    Ref(const Ref<U> &o) : m_p(o.get()) { if (m_p) m_p->addRef(); }
    ~Ref() { reset(); }
    Ref &operator=(Ref o) noexcept { std::swap(m_p, o.m_p); return *this; }

    void reset() { if (T *p = std::exchange(m_p, nullptr)) p->release(); }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    T &operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T *m_p = nullptr;
};

using ObjectRef = Ref<Object>;

template <typename T, typename... A>
Ref<T> makeObject(A &&...args) { return Ref<T>(new T(std::forward<A>(args)...)); }

// Error codes as automation carries them for spreadsheet error values: the facility bits
// 0x800A0000 plus 2000 + the sheet's own code (#DIV/0! = 7 -> 2007).
constexpr qint32 sheetErrorCode(int code) { return qint32(0x800A0000u | unsigned(2000 + code)); }

class Variant;

// A two-dimensional array of values, row after row, as a range's values travel.
struct VariantArray {
    int rows = 0;
    int columns = 0;
    std::vector<Variant> values; // rows x columns
    const Variant &at(int row, int column) const { return values[size_t(row) * size_t(columns) + size_t(column)]; }
};

class Variant {
public:
    enum class Type : quint8 { Empty, Boolean, Int32, Double, Date, Text, Error, Object, Array };

    Variant() = default;
    static Variant fromBool(bool v) { Variant r(Type::Boolean); r.m_int = v ? -1 : 0; return r; }
    static Variant fromInt(qint32 v) { Variant r(Type::Int32); r.m_int = v; return r; }
    static Variant fromDouble(double v) { Variant r(Type::Double); r.m_double = v; return r; }
    // An OLE date: days since 1899-12-30 00:00, the fraction the time of day.
    static Variant fromDate(double oleDate) { Variant r(Type::Date); r.m_double = oleDate; return r; }
    static Variant fromText(QString v) { Variant r(Type::Text); r.m_text = std::move(v); return r; }
    static Variant fromError(qint32 code) { Variant r(Type::Error); r.m_int = code; return r; }
    static Variant fromObject(ObjectRef v) { Variant r(Type::Object); r.m_object = std::move(v); return r; }
    static Variant fromArray(std::shared_ptr<const VariantArray> v) { Variant r(Type::Array); r.m_array = std::move(v); return r; }

    Type type() const { return m_type; }
    bool isEmpty() const { return m_type == Type::Empty; }
    // Raw payloads; meaningful only for the matching type.
    bool boolean() const { return m_int != 0; }
    qint32 integer() const { return m_int; }   // Int32
    qint32 errorCode() const { return m_int; } // Error
    double number() const { return m_double; } // Double, Date
    const QString &text() const { return m_text; }
    const ObjectRef &object() const { return m_object; }
    const std::shared_ptr<const VariantArray> &array() const { return m_array; }

    bool operator==(const Variant &o) const;
    bool operator!=(const Variant &o) const { return !(*this == o); }

private:
    explicit Variant(Type t) : m_type(t) {}
    Type m_type = Type::Empty;
    qint32 m_int = 0;
    double m_double = 0;
    QString m_text;
    ObjectRef m_object;
    std::shared_ptr<const VariantArray> m_array;
};

// How a member is invoked. A call whose result is used goes as MethodOrGet, one whose
// result is thrown away as Method.
enum class Invoke : quint8 { Method = 1, PropertyGet = 2, MethodOrGet = 3, PropertyPut = 4 };
inline bool allowsMethod(Invoke k) { return (quint8(k) & 1) != 0; }
inline bool allowsGet(Invoke k) { return (quint8(k) & 2) != 0; }
QString invokeName(Invoke k); // "method", "get", "method|get", "put" (for messages and logs)

// Arguments of one invocation: a view, valid during the call only.
class Args {
public:
    Args() = default;
    // The list's array lives until the end of the full expression holding the call, which
    // is as long as an Args is used.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winit-list-lifetime"
#endif
    Args(std::initializer_list<Variant> l) : m_data(l.begin()), m_size(int(l.size())) {}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    Args(const std::vector<Variant> &v) : m_data(v.data()), m_size(int(v.size())) {}
    int size() const { return m_size; }
    const Variant &operator[](int i) const { return m_data[i]; }
    const Variant *begin() const { return m_data; }
    const Variant *end() const { return m_data + m_size; }

private:
    const Variant *m_data = nullptr;
    int m_size = 0;
};

// The id of an object's default member: the one the text conversion reads.
constexpr int DefaultMember = 0;

// An automation object. Members are found by name (without regard to case) and then
// invoked by id, as a late-bound dispatch interface does. Objects are reference counted
// and delete themselves when the last reference goes.
class Object {
public:
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;

    // The member's id, or -1 when the object has no member of that name. Called for every
    // invocation, so it must not allocate.
    virtual int memberId(QStringView name) const = 0;
    // Invokes a member. Failures raise AppError.
    virtual Variant invoke(int member, Invoke kind, Args args) = 0;

    void addRef() noexcept { ++m_refs; }
    void release() noexcept { if (--m_refs == 0) delete this; }
    int refCount() const { return m_refs; }

protected:
    Object() = default;
    virtual ~Object() = default;

private:
    int m_refs = 0;
};

// Looks `name` up on `object` and invokes it. An unknown name raises AppError naming it.
Variant dispatch(Object &object, QStringView name, Invoke kind, Args args = {});

// The object a variant holds; AppError when it holds none.
ObjectRef toObject(const Variant &v);

// The array a variant holds; AppError when it holds none.
const VariantArray &toArray(const Variant &v);

// The platform's conversion of a value to text. Numbers in the general format, booleans
// "True"/"False", dates "yyyy/M/d" plus " H:mm:ss" when there is a time of day, a pure time
// (no day part) "H:mm:ss", empty "". An object converts through its default member. An
// error value, an array, or a date outside years 100..9999, raises AppError.
QString toText(const Variant &v);

// Conversion to a 32-bit integer: numbers round half to even, booleans give -1/0, empty 0,
// text must read as a number. Anything else, or a value out of range, raises AppError.
qint32 toInt32Converted(const Variant &v);
inline qint32 toInt32(const Variant &v)
{
    // Integers come first: every cell request carries two.
    return v.type() == Variant::Type::Int32 ? v.integer() : toInt32Converted(v);
}

// Creates objects by class name (matched without regard to case).
class Registry {
public:
    using Factory = std::function<ObjectRef()>;

    void add(const QString &className, Factory factory);
    void remove(const QString &className);
    bool contains(const QString &className) const;
    // A new object of the class; AppError when the class is unknown or its factory fails.
    ObjectRef create(const QString &className) const;

    // The process-wide registry the program reads through; the program registers its
    // servers here at start.
    static Registry &global();

private:
    std::vector<std::pair<QString, Factory>> m_classes;
};

}
