#pragma once

#include <QObject>
#include <QUuid>

#include <optional>

namespace ostrel {

// Which layout row the pointer is over, and whether it is over that row's actions menu, for the
// whole list at once. Enter and leave events of neighbouring rows can arrive in either order when
// the pointer moves fast, so a row only ever clears a highlight that is still its own.
class LayoutHover : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    std::optional<QUuid> hoveredLayoutID() const { return hovered_; }
    std::optional<QUuid> hoveredActionsLayoutID() const { return hoveredActions_; }

    // The row itself, or its select button.
    void rowEntered(const QUuid &id);
    void rowLeft(const QUuid &id);
    // The row's actions menu: the row stays highlighted while the pointer is on it.
    void menuEntered(const QUuid &id);
    void menuLeft(const QUuid &id);

    void clear();

signals:
    void changed();

private:
    void set(std::optional<QUuid> &field, std::optional<QUuid> value);

    std::optional<QUuid> hovered_;
    std::optional<QUuid> hoveredActions_;
};

} // namespace ostrel
