#pragma once

// Runs the built tabrovex-plot as a user would, for the tests of the batch tool.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <signal.h>
#include <sys/resource.h>

struct Result {
    int exitCode = -1;
    QJsonObject json;
    QString out;
    QString err;
};

// How a run differs from a plain one.
struct Setup {
    QString workingDir;
    qint64 fileLimit = 0;   // bytes a file may reach, standing for a full disk; 0: none
    QString stdoutFile;
};

inline Result plot(const QStringList &arguments, const Setup &setup = {})
{
    QProcess process;
    if (!setup.workingDir.isEmpty())
        process.setWorkingDirectory(setup.workingDir);
    if (!setup.stdoutFile.isEmpty())
        process.setStandardOutputFile(setup.stdoutFile);
    const qint64 fileLimit = setup.fileLimit;
    if (fileLimit > 0) {
        process.setChildProcessModifier([fileLimit] {
            signal(SIGXFSZ, SIG_IGN);   // the write fails instead of the process dying
            const rlimit limit{rlim_t(fileLimit), rlim_t(fileLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The tool picks its own platform: a display that nobody serves must not matter.
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":97"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // The usage and messages follow the locale; the tests read them in English.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TABROVEX_BINARY_DIR "/tabrovex-plot"), arguments);
    Result r;
    if (!process.waitForFinished(30000))
        return r;
    r.exitCode = process.exitCode();
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    r.json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    return r;
}

// The texts of a JSON array.
inline QStringList lines(const QJsonValue &v)
{
    QStringList out;
    for (const QJsonValue &line : v.toArray())
        out << line.toString();
    return out;
}
