#include "base/language.h"

#include <QCoreApplication>

namespace language {

Language ofLocaleName(const QString &name)
{
    return name.startsWith(QLatin1String("zh")) ? Language::Chinese : Language::English;
}

QString messagesLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

Language ofEnvironment()
{
    return ofLocaleName(messagesLocaleName());
}

QString code(Language language)
{
    return language == Language::Chinese ? QStringLiteral("zh") : QStringLiteral("en");
}

QString refusal(const Choice &choice)
{
    if (choice.badValue.isEmpty())
        return QCoreApplication::translate("language", "--lang 需要 zh 或 en");
    return QCoreApplication::translate("language", "--lang 只能是 zh 或 en，不能是“%1”").arg(choice.badValue);
}

Choice takeLanguageOption(QStringList *arguments)
{
    Choice choice;
    QStringList kept;
    const QString option = QStringLiteral("--lang");
    for (int i = 0; i < arguments->size(); ++i) {
        const QString &a = arguments->at(i);
        if (a == QLatin1String("--")) {
            kept += arguments->mid(i);
            break;
        }
        QString value;
        if (a == option) {
            if (i + 1 >= arguments->size()) {
                choice = Choice();
                choice.refused = true;
                return choice;
            }
            value = arguments->at(++i);
        } else if (a.startsWith(option + QLatin1Char('='))) {
            value = a.mid(option.size() + 1);
        } else {
            kept << a;
            continue;
        }
        if (value == QLatin1String("zh"))
            choice.language = Language::Chinese;
        else if (value == QLatin1String("en"))
            choice.language = Language::English;
        else {
            choice = Choice();
            choice.refused = true;
            choice.badValue = value;
            return choice;
        }
        choice.given = true;
    }
    *arguments = kept;
    return choice;
}

}
