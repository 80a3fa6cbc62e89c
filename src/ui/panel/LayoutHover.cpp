#include "ui/panel/LayoutHover.h"

namespace ostrel {

void LayoutHover::set(std::optional<QUuid> &field, std::optional<QUuid> value)
{
    if (field != value) {
        field = value;
        emit changed();
    }
}

void LayoutHover::rowEntered(const QUuid &id)
{
    set(hovered_, id);
}

void LayoutHover::rowLeft(const QUuid &id)
{
    if (hovered_ == id) {
        set(hovered_, std::nullopt);
    }
}

void LayoutHover::menuEntered(const QUuid &id)
{
    set(hoveredActions_, id);
    set(hovered_, id);
}

void LayoutHover::menuLeft(const QUuid &id)
{
    if (hoveredActions_ == id) {
        set(hoveredActions_, std::nullopt);
    }
    if (hovered_ == id) {
        set(hovered_, std::nullopt);
    }
}

void LayoutHover::clear()
{
    set(hoveredActions_, std::nullopt);
    set(hovered_, std::nullopt);
}

} // namespace ostrel
