#include "system/x11/X11Elements.h"

#include "system/AXAttribute.h"
#include "system/x11/X11FrameWriter.h"

#include <signal.h>

#include <cerrno>
#include <variant>

namespace ostrel::x11 {

namespace {

constexpr double defaultTimeout = 6.0;

AXAttributeResult failed(AXError error)
{
    return AXAttributeResult{error, std::monostate{}};
}

RectD drawnArea(const X11WindowInfo &info)
{
    const Extents &shadow = info.gtkFrameExtents;
    return RectD{info.client.x + shadow[0], info.client.y + shadow[2],
                 info.client.width - shadow[0] - shadow[1],
                 info.client.height - shadow[2] - shadow[3]};
}

} // namespace

AXElement X11Elements::applicationElement(qint32 pid)
{
    return AXElement{applicationTag | quint64(quint32(pid))};
}

void X11Elements::setMessagingTimeout(AXElement element, double seconds)
{
    std::lock_guard lock(timeoutsMutex_);
    // Elements come and go with windows; drop the oldest settings before the table grows without
    // end.
    if (timeouts_.size() > 4096) {
        timeouts_.clear();
    }
    timeouts_.insert(element.handle, seconds > 0 ? seconds : defaultTimeout);
}

Deadline X11Elements::deadlineFor(AXElement element)
{
    std::lock_guard lock(timeoutsMutex_);
    return deadlineIn(timeouts_.value(element.handle, defaultTimeout));
}

Clock::Duration X11Elements::patienceFor(AXElement element)
{
    std::lock_guard lock(timeoutsMutex_);
    return seconds(timeouts_.value(element.handle, defaultTimeout));
}

AXAttributeResult X11Elements::copyAttributeValue(AXElement element, const QString &attribute)
{
    if (element.isNull()) {
        return failed(AXError::illegalArgument);
    }
    const Deadline deadline = deadlineFor(element);
    if (X11PageAddresses::isElement(element)) {
        return pages_ ? pages_->elementAttribute(element, attribute, deadline)
                      : failed(AXError::invalidUIElement);
    }
    if (isApplication(element)) {
        return applicationAttribute(qint32(quint32(element.handle)), attribute, deadline);
    }
    return windowAttribute(xcb_window_t(element.handle), attribute, deadline);
}

AXAttributeResult X11Elements::applicationAttribute(qint32 pid, const QString &attribute,
                                                    Deadline deadline)
{
    if (attribute != AXAttribute::windows) {
        return failed(AXError::attributeUnsupported);
    }
    const auto snapshot = desktop_.snapshot(deadline);
    if (!snapshot) {
        return failed(AXError::cannotComplete);
    }
    if (!snapshot->root.wmCheckValid) {
        return failed(AXError::apiDisabled);
    }
    // Front to back, as an application's own window list is ordered.
    QList<AXElement> windows;
    for (auto it = snapshot->root.stacking.crbegin(); it != snapshot->root.stacking.crend(); ++it) {
        const X11WindowInfo *info = snapshot->find(*it);
        if (info && info->pid == pid) {
            windows.append(AXElement{quint64(info->window)});
        }
    }
    // Windows the stacking list lacks (a window manager may keep them apart) come last.
    for (const X11WindowInfo &info : snapshot->windows) {
        if (info.pid == pid && !snapshot->root.stacking.contains(info.window)) {
            windows.append(AXElement{quint64(info.window)});
        }
    }
    if (windows.isEmpty() && pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) {
        return failed(AXError::invalidUIElement);
    }
    return AXAttributeResult{AXError::success, windows};
}

AXAttributeResult X11Elements::windowAttribute(xcb_window_t window, const QString &attribute,
                                               Deadline deadline)
{
    const auto snapshot = desktop_.snapshotOf(window, deadline);
    if (!snapshot) {
        return failed(AXError::cannotComplete);
    }
    if (!snapshot->root.wmCheckValid) {
        return failed(AXError::apiDisabled);
    }
    const X11WindowInfo *info = snapshot->find(window);
    if (!info) {
        return failed(AXError::invalidUIElement);
    }
    const X11Connection &connection = desktop_.connection();
    if (attribute == AXAttribute::role) {
        return AXAttributeResult{AXError::success, QString(AXRoleValue::window)};
    }
    if (attribute == AXAttribute::subrole) {
        switch (windowKind(*info, connection)) {
        case WindowKind::normal:
            return AXAttributeResult{AXError::success, QString(AXRoleValue::standardWindow)};
        case WindowKind::dialog:
            return AXAttributeResult{AXError::success, QString(AXRoleValue::dialog)};
        default:
            return AXAttributeResult{AXError::success, QString(AXRoleValue::floatingWindow)};
        }
    }
    if (attribute == AXAttribute::minimized) {
        return AXAttributeResult{AXError::success, isMinimized(*info, connection) ? 1.0 : 0.0};
    }
    if (attribute == AXAttribute::fullScreen) {
        const bool fullScreen = info->hasState(connection.atom(Atom::NetWmStateFullscreen));
        return AXAttributeResult{AXError::success, fullScreen ? 1.0 : 0.0};
    }
    const RectD frame = info->visibleFrameInRoot();
    if (attribute == AXAttribute::position) {
        return AXAttributeResult{AXError::success,
                                 AXPoint{frame.x - snapshot->originX, frame.y - snapshot->originY}};
    }
    if (attribute == AXAttribute::size) {
        return AXAttributeResult{AXError::success, AXSize{frame.width, frame.height}};
    }
    if (attribute == AXAttribute::url || attribute == AXAttribute::document
        || attribute == AXAttribute::children) {
        // Only the accessibility bus knows what a window shows.
        if (!pages_) {
            return failed(AXError::noValue);
        }
        return pages_->windowAttribute(
            X11PageAddresses::Window{info->window, info->pid, info->client, drawnArea(*info)},
            attribute, deadline);
    }
    return failed(AXError::attributeUnsupported);
}

namespace {

// The request of one attribute's write, or why it cannot be made.
std::variant<FrameRequest, AXError> requestOf(AXElement element, const QString &attribute,
                                              const AXValue &value)
{
    if (element.isNull() || X11Elements::isApplication(element)
        || X11PageAddresses::isElement(element)) {
        return AXError::attributeUnsupported;
    }
    FrameRequest request;
    if (attribute == AXAttribute::position) {
        const auto *point = std::get_if<AXPoint>(&value);
        if (!point) {
            return AXError::illegalArgument;
        }
        request.position = *point;
    } else if (attribute == AXAttribute::size) {
        const auto *size = std::get_if<AXSize>(&value);
        if (!size) {
            return AXError::illegalArgument;
        }
        request.size = *size;
    } else {
        return AXError::attributeUnsupported;
    }
    return request;
}

} // namespace

AXError X11Elements::setAttributeValue(AXElement element, const QString &attribute,
                                       const AXValue &value)
{
    const std::variant<FrameRequest, AXError> request = requestOf(element, attribute, value);
    if (const auto *refused = std::get_if<AXError>(&request)) {
        return *refused;
    }
    const FrameRequest &asked = std::get<FrameRequest>(request);
    const FrameRequestResult written =
        writer_.write(xcb_window_t(element.handle), asked, patienceFor(element));
    return asked.position ? written.position : written.size;
}

std::shared_ptr<AXPendingFrameWrite>
X11Elements::beginAttributeValue(AXElement element, const QString &attribute, const AXValue &value)
{
    const std::variant<FrameRequest, AXError> request = requestOf(element, attribute, value);
    if (const auto *refused = std::get_if<AXError>(&request)) {
        auto answered = std::make_shared<AXPendingFrameWrite>();
        answered->answer = attribute == AXAttribute::size
            ? AXFrameWriteResult{*refused, AXError::success}
            : AXFrameWriteResult{AXError::success, *refused};
        return answered;
    }
    return writer_.begin(xcb_window_t(element.handle), std::get<FrameRequest>(request),
                         patienceFor(element));
}

std::optional<AXFrameWriteResult>
X11Elements::setSizeAndPosition(AXElement element, const AXSize &size, const AXPoint &position)
{
    const std::shared_ptr<AXPendingFrameWrite> write =
        beginSizeAndPosition(element, size, position);
    awaitSizesAndPositions({write}, 1);
    return write->answer.value_or(
        AXFrameWriteResult{AXError::cannotComplete, AXError::cannotComplete});
}

std::shared_ptr<AXPendingFrameWrite>
X11Elements::beginSizeAndPosition(AXElement element, const AXSize &size, const AXPoint &position)
{
    if (element.isNull() || isApplication(element) || X11PageAddresses::isElement(element)) {
        auto refused = std::make_shared<AXPendingFrameWrite>();
        refused->answer =
            AXFrameWriteResult{AXError::attributeUnsupported, AXError::attributeUnsupported};
        return refused;
    }
    return writer_.begin(xcb_window_t(element.handle), FrameRequest{position, size},
                         patienceFor(element));
}

void X11Elements::awaitSizesAndPositions(const QList<std::shared_ptr<AXPendingFrameWrite>> &writes,
                                         qsizetype count)
{
    writer_.await(writes, count);
    for (const auto &write : writes) {
        // Without a window manager nothing was sent: the size write would have found access off,
        // and the position would not have been written.
        if (write->answer && write->answer->size == AXError::apiDisabled) {
            write->answer->position.reset();
        }
    }
}

} // namespace ostrel::x11
