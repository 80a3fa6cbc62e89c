#include "model/ResultKind.h"

namespace ostrel {

QString rawValue(ResultKind kind)
{
    return kind == ResultKind::restore ? QStringLiteral("restore") : QStringLiteral("undo");
}

template <>
QList<ResultKind> allCases<ResultKind>()
{
    return {ResultKind::restore, ResultKind::undo};
}

template <>
std::optional<ResultKind> fromRawValue<ResultKind>(const QString &text)
{
    return findRawValue<ResultKind>(text);
}

} // namespace ostrel
