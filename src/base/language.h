#pragma once

#include <QString>
#include <QStringList>

// The language the programs speak: Chinese, their own, or English. Chosen by the desktop's
// locale unless `--lang zh|en` says otherwise; both programs share this choice.
namespace language {

enum class Language { Chinese, English };

// Chinese for a locale name starting with "zh" (zh_CN.UTF-8, zh_TW ...), English for any
// other, the POSIX locale and an empty name included.
Language ofLocaleName(const QString &name);

// The locale that names the language of messages, as the C library takes it: LC_ALL, else
// LC_MESSAGES, else LANG (the first one set and not empty).
QString messagesLocaleName();

// ofLocaleName(messagesLocaleName()).
Language ofEnvironment();

// "zh" or "en", as `--lang` takes them.
QString code(Language language);

// What `--lang` said, taken out of the arguments.
struct Choice {
    bool given = false;
    Language language = Language::Chinese;
    bool refused = false; // given wrongly; the arguments are then unchanged
    QString badValue;     // what was given instead of zh or en (empty: nothing)
};

// Why a refused choice was refused, in the language installed when this is called.
QString refusal(const Choice &choice);

// Takes `--lang VALUE` and `--lang=VALUE` out of `arguments`, wherever they stand before a
// "--" (after it everything is a file name). The last one given counts.
Choice takeLanguageOption(QStringList *arguments);

}
