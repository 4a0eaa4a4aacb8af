#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// The program's settings file: a sectioned key=value text file in GB18030/GBK bytes.
//
// Nothing of the file is kept in memory: every read goes to the file and every write has
// reached the file when it returns, so a change made by hand while the program runs is seen
// at the next read. Lines the program does not change keep their bytes and line ends.
// Only a value whose write the file refused is kept, and read back instead of the file's
// until a write of that key succeeds: the work it belongs to goes on as if it had been written.
class IniFile
{
public:
    explicit IniFile(const QString &fileName);   // touches no disk
    QString fileName() const;

    // reading: a missing file, section or key, or a value that does not convert gives the default
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    double readFloat(const QString &section, const QString &key, double defaultValue) const;

    // writing: throws AppError("Unable to write to <full path>") and leaves the file as it was
    // (the value is kept for reads, as above)
    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);
    void writeFloat(const QString &section, const QString &key, double value);

    // Longest value, in file bytes, that a read returns; longer stored values are cut.
    static constexpr int maxValueBytes = 2047;
    // Largest file read: a bigger one reads as defaults and refuses writes rather than take
    // the memory it would need (a settings file holds a few hundred bytes).
    static constexpr qint64 maxFileBytes = qint64(256) << 20;

private:
    bool storeInFile(const QString &section, const QString &key, const QString &value);

    QString m_fileName;
    // Refused writes: the value's stored bytes by folded section and key.
    QHash<QString, QByteArray> m_unwritten;
};
