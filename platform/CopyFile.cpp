#include "CopyFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

bool copyFileReplacing(const QString& source, const QString& target, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!QFileInfo(source).isFile())
        return fail(QStringLiteral("The file %1 cannot be read.").arg(source));
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return fail(out.errorString());
    char buffer[65536];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return fail(in.errorString());
        if (n == 0)
            break;
        if (out.write(buffer, n) != n)
            return fail(out.errorString());
    }
    if (!out.commit())
        return fail(out.errorString());
    return true;
}

bool writeFileReplacing(const QString& target, const QByteArray& bytes, QString* error)
{
    QSaveFile out(target);
    const bool ok = out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size() && out.commit();
    if (!ok && error)
        *error = out.errorString();
    return ok;
}

} // namespace platform
