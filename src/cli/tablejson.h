#pragma once

#include <QByteArray>
#include <QStringList>
#include <QStringView>

#include <climits>
#include <cstdio>

class ColumnStore;

// The JSON of the table command, {"columns":[[...],...],"log":[...]}, written to a stream as
// it is made: byte for byte what QJsonDocument writes in its compact form, without ever
// holding the whole document. A text that many items share (one long shared string in
// thousands of cells) is encoded once and its bytes written for each of them.
namespace tablejson {

// false when the stream refuses a write. Only items firstItem..lastItem (numbered from 1,
// inclusive) of every list are written: a slice of a long table.
bool write(std::FILE *stream, const ColumnStore &store, const QStringList &log, int firstItem = 1,
           int lastItem = INT_MAX);

// Appends `text` as a JSON string, quoted.
void appendString(QByteArray &out, QStringView text);

}
