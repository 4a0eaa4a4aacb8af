#include "scriptedexcel.h"

#include "base/apperror.h"

using automation::Args;
using automation::Invoke;
using automation::Variant;

class ScriptedObject : public automation::Object
{
public:
    ScriptedObject(ScriptedExcel *server, char label, Variant value = {})
        : m_server(server), m_label(label), m_value(std::move(value))
    {
        ++m_server->live;
        ++m_server->created;
    }
    ~ScriptedObject() override { --m_server->live; }

    int memberId(QStringView name) const override
    {
        static const QMap<char, QStringList> members = {
            {'A', {"displayalerts", "workbooks", "quit"}},
            {'W', {"open"}},
            {'B', {"worksheets", "save", "saved", "close"}},
            {'S', {"usedrange", "cells"}},
            {'U', {"rows"}},
            {'R', {"count"}},
            {'C', {"value"}},
        };
        const int i = members.value(m_label).indexOf(name.toString().toLower());
        if (i < 0)
            return -1;
        m_pending = name.toString();
        return i + 1;
    }

    Variant invoke(int member, Invoke kind, Args args) override
    {
        QString name = member == automation::DefaultMember ? QStringLiteral("(value)") : m_pending;
        m_pending.clear();
        QStringList argTexts;
        for (const Variant &a : args)
            argTexts << ScriptedExcel::argText(a);
        QString line = QStringLiteral("%1.%2 %3").arg(QChar(m_label), name, automation::invokeName(kind));
        if (!argTexts.isEmpty())
            line += QLatin1Char(' ') + argTexts.join(QLatin1Char(','));
        m_server->record(line, name);

        const QString key = name.toLower();
        auto make = [this](char label, Variant value = {}) {
            return Variant::fromObject(automation::makeObject<ScriptedObject>(m_server, label, value));
        };
        switch (m_label) {
        case 'A':
            if (key == "workbooks")
                return make(args.size() == 0 ? 'W' : 'B');
            return Variant();
        case 'B':
            return key == "worksheets" ? make('S') : Variant();
        case 'S':
            if (key == "usedrange")
                return make('U');
            return make('C', m_server->cells.value({automation::toInt32(args[0]),
                                                    automation::toInt32(args[1])}));
        case 'U':
            return make('R');
        case 'R':
            return m_server->rowCount;
        case 'C':
            return m_value;
        default:
            return Variant();
        }
    }

private:
    ScriptedExcel *m_server;
    char m_label;
    Variant m_value;
    mutable QString m_pending;
};

void ScriptedExcel::failOn(const QString &member, int occurrence)
{
    m_failures.append({member, occurrence, 0});
}

void ScriptedExcel::setSheet(const QStringList &rows, int firstRow)
{
    cells.clear();
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList pieces = rows[r].split(QLatin1Char('|'));
        for (int c = 0; c < pieces.size(); ++c)
            if (!pieces[c].isEmpty())
                cells[{firstRow + r, c + 1}] = Variant::fromText(pieces[c]);
    }
    rowCount = Variant::fromInt(rows.size());
}

void ScriptedExcel::install(automation::Registry &registry)
{
    registry.add(QStringLiteral("Excel.Application"), [this] {
        return automation::ObjectRef(automation::makeObject<ScriptedObject>(this, 'A'));
    });
}

void ScriptedExcel::record(const QString &line, const QString &member)
{
    calls << line;
    bool fails = false;
    for (Failure &f : m_failures)
        if (f.member.compare(member, Qt::CaseInsensitive) == 0 && ++f.seen == f.occurrence)
            fails = true;
    if (fails)
        throw AppError(QStringLiteral("scripted failure: %1").arg(line));
}

QString ScriptedExcel::argText(const Variant &v)
{
    switch (v.type()) {
    case Variant::Type::Text:
        return QLatin1Char('"') + v.text() + QLatin1Char('"');
    case Variant::Type::Object:
        return QStringLiteral("<object>");
    case Variant::Type::Error:
        return QStringLiteral("<error %1>").arg(v.errorCode());
    default:
        return automation::toText(v);
    }
}
