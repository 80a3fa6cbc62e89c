#include "system/fake/FakeDesktop.h"

#include "system/AXAttribute.h"

#include <algorithm>

namespace ostrel {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

} // namespace

FakeDesktop::FakeDesktop() = default;

SystemBackend FakeDesktop::backend()
{
    return SystemBackend{this, this, this, this, this, this, &clock_};
}

void FakeDesktop::setHook(std::function<void(const FakeCall &)> hook)
{
    Lock lock(mutex_);
    hook_ = std::move(hook);
}

QList<FakeCall> FakeDesktop::calls()
{
    Lock lock(mutex_);
    return calls_;
}

void FakeDesktop::clearCalls()
{
    Lock lock(mutex_);
    calls_.clear();
}

void FakeDesktop::notify(FakeCall call)
{
    std::function<void(const FakeCall &)> hook;
    {
        Lock lock(mutex_);
        calls_.append(call);
        hook = hook_;
    }
    if (hook) {
        hook(call);
    }
}

void FakeDesktop::setTrusted(bool trusted)
{
    Lock lock(mutex_);
    trusted_ = trusted;
}

qint32 FakeDesktop::addApplication(RunningApplication application)
{
    Lock lock(mutex_);
    if (application.pid == 0) {
        application.pid = nextPid_++;
    }
    applications_.append(application);
    return application.pid;
}

qint32 FakeDesktop::addApplication(const QString &bundleID, const QString &name)
{
    RunningApplication application;
    application.bundleIdentifier = bundleID;
    application.localizedName = name;
    return addApplication(application);
}

void FakeDesktop::updateApplication(qint32 pid,
                                    const std::function<void(RunningApplication &)> &change)
{
    Lock lock(mutex_);
    for (RunningApplication &application : applications_) {
        if (application.pid == pid) {
            change(application);
        }
    }
}

void FakeDesktop::setOwnIdentity(qint32 pid, std::optional<QString> bundleID)
{
    Lock lock(mutex_);
    ownPid_ = pid;
    ownBundleID_ = std::move(bundleID);
}

AXElement FakeDesktop::addWindow(qint32 pid, const RectD &frame, const QString &subrole)
{
    Lock lock(mutex_);
    Element window;
    window.kind = ElementKind::window;
    window.pid = pid;
    window.windowNumber = nextWindowNumber_++;
    window.attributes.insert(AXAttribute::role, QString(AXRoleValue::window));
    window.attributes.insert(AXAttribute::subrole, subrole);
    window.attributes.insert(AXAttribute::minimized, 0.0);
    window.attributes.insert(AXAttribute::position, AXPoint{frame.x, frame.y});
    window.attributes.insert(AXAttribute::size, AXSize{frame.width, frame.height});
    const quint64 handle = nextHandle_++;
    elements_.insert(handle, window);
    windowOrder_.append(handle);
    return AXElement{handle};
}

AXElement FakeDesktop::addElement(const QHash<QString, AXValue> &attributes)
{
    Lock lock(mutex_);
    Element element;
    element.attributes = attributes;
    const quint64 handle = nextHandle_++;
    elements_.insert(handle, element);
    return AXElement{handle};
}

void FakeDesktop::removeElement(AXElement element)
{
    edit(element, [&](Element &e) { e.removed = true; });
}

void FakeDesktop::setAttribute(AXElement element, const QString &attribute, const AXValue &value)
{
    edit(element, [&](Element &e) { e.attributes.insert(attribute, value); });
}

void FakeDesktop::removeAttribute(AXElement element, const QString &attribute)
{
    edit(element, [&](Element &e) { e.attributes.remove(attribute); });
}

std::optional<AXValue> FakeDesktop::attribute(AXElement element, const QString &attribute)
{
    Lock lock(mutex_);
    Element *e = find(element);
    if (!e || !e->attributes.contains(attribute)) {
        return std::nullopt;
    }
    return e->attributes.value(attribute);
}

void FakeDesktop::setFrame(AXElement window, const RectD &frame)
{
    edit(window, [&](Element &e) {
        e.attributes.insert(AXAttribute::position, AXPoint{frame.x, frame.y});
        e.attributes.insert(AXAttribute::size, AXSize{frame.width, frame.height});
    });
}

std::optional<RectD> FakeDesktop::frame(AXElement window)
{
    Lock lock(mutex_);
    const Element *e = find(window);
    return e ? frameOf(*e) : std::nullopt;
}

std::optional<RectD> FakeDesktop::frameOf(const Element &element)
{
    const AXValue position = element.attributes.value(AXAttribute::position);
    const AXValue size = element.attributes.value(AXAttribute::size);
    const auto *p = std::get_if<AXPoint>(&position);
    const auto *s = std::get_if<AXSize>(&size);
    if (!p || !s) {
        return std::nullopt;
    }
    return RectD{p->x, p->y, s->width, s->height};
}

void FakeDesktop::setBehaviour(AXElement window, const FakeWindowBehaviour &behaviour)
{
    edit(window, [&](Element &e) {
        e.behaviour = behaviour;
        e.movedSinceBehaviourSet = false;
    });
}

double FakeDesktop::messagingTimeout(AXElement element)
{
    Lock lock(mutex_);
    const Element *e = find(element);
    return e ? e->timeout : defaultMessagingTimeout;
}

void FakeDesktop::failReads(AXElement element, const QString &attribute, AXError error)
{
    edit(element, [&](Element &e) {
        if (error == AXError::success) {
            e.readErrors.remove(attribute);
        } else {
            e.readErrors.insert(attribute, error);
        }
    });
}

void FakeDesktop::setReadLatency(AXElement element, const QString &attribute, double seconds)
{
    edit(element, [&](Element &e) { e.readLatency.insert(attribute, seconds); });
}

void FakeDesktop::failWrites(AXElement element, const QString &attribute, QList<AXError> errors)
{
    edit(element, [&](Element &e) { e.writeErrors.insert(attribute, std::move(errors)); });
}

void FakeDesktop::setWriteLatency(AXElement element, const QString &attribute, double seconds)
{
    edit(element, [&](Element &e) { e.writeLatency.insert(attribute, seconds); });
}

void FakeDesktop::setWritesFramesInOneRequest(bool inOneRequest)
{
    Lock lock(mutex_);
    writesFramesInOneRequest_ = inOneRequest;
}

void FakeDesktop::setServerFrame(AXElement window, const RectD &frame)
{
    edit(window, [&](Element &e) { e.serverFrame = frame; });
}

void FakeDesktop::setOnScreen(AXElement window, bool onScreen)
{
    edit(window, [&](Element &e) { e.onScreen = onScreen; });
}

std::optional<quint32> FakeDesktop::windowNumber(AXElement window)
{
    Lock lock(mutex_);
    const Element *e = find(window);
    if (!e || e->kind != ElementKind::window) {
        return std::nullopt;
    }
    return e->windowNumber;
}

void FakeDesktop::addServerRow(const WindowServerRow &row)
{
    Lock lock(mutex_);
    extraRows_.append(row);
}

void FakeDesktop::setWindowListReadable(bool readable)
{
    Lock lock(mutex_);
    windowListReadable_ = readable;
}

void FakeDesktop::setScreens(const QList<Screen> &screens, std::optional<quint32> mainDisplayNumber)
{
    Lock lock(mutex_);
    screens_ = screens;
    mainDisplayNumber_ = mainDisplayNumber;
}

void FakeDesktop::setPressedMouseButtons(quint32 mask)
{
    Lock lock(mutex_);
    pressedButtons_ = mask;
}

void FakeDesktop::edit(AXElement element, const std::function<void(Element &)> &change)
{
    Lock lock(mutex_);
    if (Element *e = find(element)) {
        change(*e);
    }
}

FakeDesktop::Element *FakeDesktop::find(AXElement element)
{
    auto it = elements_.find(element.handle);
    return it == elements_.end() ? nullptr : &it.value();
}

bool FakeDesktop::answersInTime(const Element &element, double latency)
{
    if (latency <= 0) {
        return true;
    }
    if (latency > element.timeout) {
        clock_.advance(seconds(element.timeout));
        return false;
    }
    clock_.advance(seconds(latency));
    return true;
}

bool FakeDesktop::isProcessTrusted()
{
    notify({FakeCall::Kind::trust, {}, {}});
    Lock lock(mutex_);
    return trusted_;
}

AXElement FakeDesktop::applicationElement(qint32 pid)
{
    Lock lock(mutex_);
    auto it = applicationElements_.constFind(pid);
    if (it != applicationElements_.constEnd()) {
        return AXElement{it.value()};
    }
    Element application;
    application.kind = ElementKind::application;
    application.pid = pid;
    const quint64 handle = nextHandle_++;
    elements_.insert(handle, application);
    applicationElements_.insert(pid, handle);
    return AXElement{handle};
}

void FakeDesktop::setMessagingTimeout(AXElement element, double seconds)
{
    notify({FakeCall::Kind::timeout, element, {}});
    Lock lock(mutex_);
    if (Element *e = find(element)) {
        e->timeout = seconds;
    }
}

AXAttributeResult FakeDesktop::copyAttributeValue(AXElement element, const QString &attribute)
{
    notify({FakeCall::Kind::read, element, attribute});
    Lock lock(mutex_);
    if (!trusted_) {
        return {AXError::apiDisabled, {}};
    }
    Element *e = find(element);
    if (!e || e->removed) {
        return {AXError::invalidUIElement, {}};
    }
    if (!answersInTime(*e, e->readLatency.value(attribute))) {
        return {AXError::cannotComplete, {}};
    }
    if (e->readErrors.contains(attribute)) {
        return {e->readErrors.value(attribute), {}};
    }
    if (e->attributes.contains(attribute)) {
        return {AXError::success, e->attributes.value(attribute)};
    }
    if (e->kind == ElementKind::application && attribute == AXAttribute::windows) {
        QList<AXElement> windows;
        for (quint64 handle : windowOrder_) {
            const Element &w = elements_[handle];
            if (w.pid == e->pid && !w.removed) {
                windows.append(AXElement{handle});
            }
        }
        return {AXError::success, windows};
    }
    return {AXError::noValue, {}};
}

AXError FakeDesktop::setAttributeValue(AXElement element, const QString &attribute,
                                       const AXValue &value)
{
    notify({FakeCall::Kind::write, element, attribute});
    Lock lock(mutex_);
    if (!trusted_) {
        return AXError::apiDisabled;
    }
    Element *e = find(element);
    if (!e || e->removed) {
        return AXError::invalidUIElement;
    }
    if (!answersInTime(*e, e->writeLatency.value(attribute))) {
        return AXError::cannotComplete;
    }
    QList<AXError> &errors = e->writeErrors[attribute];
    if (!errors.isEmpty()) {
        const AXError error = errors.takeFirst();
        if (error != AXError::success) {
            return error;
        }
    }
    const FakeWindowBehaviour &behaviour = e->behaviour;
    if (attribute == AXAttribute::size) {
        const auto *size = std::get_if<AXSize>(&value);
        if (!size) {
            return AXError::illegalArgument;
        }
        if (behaviour.sizeOnlyAfterMove && !e->movedSinceBehaviourSet) {
            return AXError::success;
        }
        AXSize applied = *size;
        if (behaviour.minimumSize) {
            applied.width = std::max(applied.width, behaviour.minimumSize->width);
            applied.height = std::max(applied.height, behaviour.minimumSize->height);
        }
        if (behaviour.maximumSize) {
            applied.width = std::min(applied.width, behaviour.maximumSize->width);
            applied.height = std::min(applied.height, behaviour.maximumSize->height);
        }
        e->attributes.insert(attribute, applied);
        return AXError::success;
    }
    if (attribute == AXAttribute::position) {
        const auto *point = std::get_if<AXPoint>(&value);
        if (!point) {
            return AXError::illegalArgument;
        }
        e->attributes.insert(
            attribute,
            AXPoint{point->x + behaviour.positionOffset.x, point->y + behaviour.positionOffset.y});
        e->movedSinceBehaviourSet = true;
        return AXError::success;
    }
    return AXError::attributeUnsupported;
}

std::optional<AXFrameWriteResult>
FakeDesktop::setSizeAndPosition(AXElement element, const AXSize &size, const AXPoint &position)
{
    {
        Lock lock(mutex_);
        if (!writesFramesInOneRequest_) {
            return std::nullopt;
        }
    }
    notify({FakeCall::Kind::frameWrite, element, {}});
    AXFrameWriteResult result;
    result.size = setAttributeValue(element, AXAttribute::size, size);
    if (result.size != AXError::apiDisabled) {
        result.position = setAttributeValue(element, AXAttribute::position, position);
    }
    return result;
}

QList<RunningApplication> FakeDesktop::runningApplications()
{
    notify({FakeCall::Kind::applications, {}, {}});
    Lock lock(mutex_);
    return applications_;
}

qint32 FakeDesktop::ownProcessIdentifier()
{
    Lock lock(mutex_);
    return ownPid_;
}

std::optional<QString> FakeDesktop::ownBundleIdentifier()
{
    Lock lock(mutex_);
    return ownBundleID_;
}

std::optional<QList<WindowServerRow>> FakeDesktop::windowList()
{
    notify({FakeCall::Kind::windowList, {}, {}});
    Lock lock(mutex_);
    if (!windowListReadable_) {
        return std::nullopt;
    }
    QList<WindowServerRow> rows;
    for (quint64 handle : windowOrder_) {
        const Element &w = elements_[handle];
        // Like a real window server, nothing of a minimized window is on screen.
        const AXValue minimized = w.attributes.value(AXAttribute::minimized);
        const auto *minimizedFlag = std::get_if<double>(&minimized);
        if (w.removed || !w.onScreen || (minimizedFlag && *minimizedFlag != 0)) {
            continue;
        }
        const std::optional<RectD> bounds = w.serverFrame ? w.serverFrame : frameOf(w);
        if (!bounds) {
            continue;
        }
        rows.append(WindowServerRow{w.pid, w.windowNumber, 0, 1.0, bounds});
    }
    rows.append(extraRows_);
    return rows;
}

QList<Screen> FakeDesktop::screens()
{
    Lock lock(mutex_);
    return screens_;
}

std::optional<quint32> FakeDesktop::mainDisplayNumber()
{
    Lock lock(mutex_);
    return mainDisplayNumber_;
}

quint32 FakeDesktop::pressedMouseButtons()
{
    Lock lock(mutex_);
    return pressedButtons_;
}

} // namespace ostrel
