#include "restore/RestoreLog.h"

namespace ostrel {

Q_LOGGING_CATEGORY(restoreLog, "ostrel.restore", QtInfoMsg)

namespace RestoreLog {

namespace {

QString rectText(const RectD &r)
{
    return QStringLiteral("%1,%2 %3×%4").arg(r.x).arg(r.y).arg(r.width).arg(r.height);
}

} // namespace

QString entryLine(const QString &pass, const QString &layoutName, const EntryResult &entry,
                  const FrameApplyResult *write)
{
    QString line = pass + QStringLiteral(" “") + layoutName + QStringLiteral("”: “") + entry.label
        + QStringLiteral("” (") + entry.bundleID + QStringLiteral(") ") + rawValue(entry.outcome);
    if (entry.windowID) {
        line += QStringLiteral(", window 0x") + QString::number(*entry.windowID, 16);
    }
    if (write && write->attemptedWrite) {
        line += QStringLiteral("; asked ") + rectText(write->target)
            + (write->after
                   ? QStringLiteral(", the window manager left it at ") + rectText(*write->after)
                   : QStringLiteral(", no frame read back"));
    }
    if (entry.detail) {
        line += QStringLiteral(" — ") + *entry.detail;
    }
    return line;
}

void passEntries(const QString &pass, const QString &layoutName, const QList<EntryResult> &entries,
                 const QHash<QUuid, FrameApplyResult> &writes)
{
    if (!restoreLog().isDebugEnabled()) {
        return;
    }
    for (const EntryResult &entry : entries) {
        const auto write = writes.constFind(entry.entryID);
        qCDebug(restoreLog).noquote()
            << entryLine(pass, layoutName, entry, write == writes.constEnd() ? nullptr : &*write);
    }
}

} // namespace RestoreLog

} // namespace ostrel
