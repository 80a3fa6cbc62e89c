#include "storage/StoredValues.h"

#include "storage/SQLiteStatement.h"
#include "storage/StorageLog.h"

#include <QTimeZone>

#include <cmath>

namespace ostrel::StoredValues {

namespace {

constexpr double earliestSeconds = -62135596800.0;
constexpr double latestSeconds = 4102444800.0;

bool isHex(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

} // namespace

QString identifierText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseIdentifier(const QString &text)
{
    if (text.size() != 36) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool hyphen = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphen ? text[i] != QLatin1Char('-') : !isHex(text[i])) {
            return std::nullopt;
        }
    }
    // The all-zero identifier parses too: QUuid reports it as null, which is not a failure here.
    return QUuid::fromString(text);
}

double secondsSince1970(const QDateTime &moment)
{
    return static_cast<double>(moment.toMSecsSinceEpoch()) / 1000.0;
}

std::optional<QDateTime> dateFromSeconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds < earliestSeconds || seconds > latestSeconds) {
        return std::nullopt;
    }
    const auto milliseconds = static_cast<qint64>(std::round(seconds * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(milliseconds, QTimeZone::utc());
}

QDateTime storableMoment(const QDateTime &moment)
{
    const auto at = [](double seconds) {
        return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(seconds) * 1000,
                                              QTimeZone::utc());
    };
    QDateTime stored;
    if (!moment.isValid()) {
        stored = at(0);
    } else {
        const qint64 milliseconds = moment.toMSecsSinceEpoch();
        if (milliseconds > static_cast<qint64>(latestSeconds) * 1000) {
            stored = at(latestSeconds);
        } else if (milliseconds < static_cast<qint64>(earliestSeconds) * 1000) {
            stored = at(earliestSeconds);
        } else {
            return moment;
        }
    }
    qCWarning(storageLog).noquote()
        << "The clock reads"
        << (moment.isValid() ? moment.toString(Qt::ISODate) : QStringLiteral("no valid time"))
        << "which saved data cannot hold;" << stored.toString(Qt::ISODate) << "is stored instead.";
    return stored;
}

bool isStorable(const Shortcut &shortcut)
{
    return shortcut.keyCode <= 0xFFFF && (shortcut.modifiers & ~Shortcut::modifierMask) == 0;
}

void bindRect(SQLiteStatement &statement, int firstParameter, const RectD &rect)
{
    statement.bindDouble(firstParameter, rect.x);
    statement.bindDouble(firstParameter + 1, rect.y);
    statement.bindDouble(firstParameter + 2, rect.width);
    statement.bindDouble(firstParameter + 3, rect.height);
}

} // namespace ostrel::StoredValues
