#include "system/x11/X11PageAddresses.h"

#include "system/AXAttribute.h"
#include "system/x11/DBusCalls.h"
#include "system/x11/X11Log.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusObjectPath>

#include <array>
#include <cmath>
#include <limits>

namespace ostrel::x11 {

namespace {

const QString accessibleInterface = QStringLiteral("org.a11y.atspi.Accessible");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");

// AT-SPI's numbers for what is read here.
constexpr quint32 roleDocumentWeb = 95;
constexpr quint32 relationEmbeds = 13;
constexpr quint32 screenCoordinates = 0;

// Finding the bus and the browser's connection on it asks the desktop's bus launcher and the
// bus itself, not the browser: they get at least this long even when the browser's calls get
// less, so that a loaded machine does not lose the first read of a program's life.
constexpr double busSetupSeconds = 0.25;

// How many element handles are kept before the oldest go: far more than any search of one
// window's content examines.
constexpr qsizetype keptHandles = 4096;

QDBusMessage methodCall(const AtspiObject &object, const QString &interface, const QString &method)
{
    return QDBusMessage::createMethodCall(object.bus, object.path, interface, method);
}

QDBusArgument structuredArgument(const QDBusMessage &reply, const char *signature)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    const QVariant first = reply.arguments().constFirst();
    if (first.metaType() != QMetaType::fromType<QDBusArgument>()) {
        return {};
    }
    QDBusArgument argument = first.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String(signature)) {
        return {};
    }
    return argument;
}

// An a(so): the objects a call listed.
std::optional<QList<AtspiObject>> objectList(const QDBusArgument &argument)
{
    if (argument.currentSignature() != QLatin1String("a(so)")) {
        return std::nullopt;
    }
    QList<AtspiObject> objects;
    argument.beginArray();
    while (!argument.atEnd()) {
        QString name;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> name >> path;
        argument.endStructure();
        objects.append(AtspiObject{name, path.path()});
    }
    argument.endArray();
    return objects;
}

std::optional<RectD> extentsOf(const QDBusMessage &reply)
{
    const QDBusArgument argument = structuredArgument(reply, "(iiii)");
    if (argument.currentSignature().isEmpty()) {
        return std::nullopt;
    }
    qint32 x = 0, y = 0, width = 0, height = 0;
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return RectD{double(x), double(y), double(width), double(height)};
}

AXAttributeResult failed(AXError error)
{
    return AXAttributeResult{error, std::monostate{}};
}

// What a failed call on an element says about it.
AXError statusOf(const QDBusMessage &reply)
{
    if (AccessibilityBus::timedOut(reply)) {
        return AXError::cannotComplete;
    }
    switch (QDBusError(reply).type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::UnknownObject:
    case QDBusError::Disconnected:
        return AXError::invalidUIElement;
    default:
        return AXError::noValue;
    }
}

// Every call to a browser waits this long at most, from when it is sent: the messaging timeout
// of the element read.
X11PageAddresses::Wait waitUntil(Deadline deadline)
{
    return std::max(X11PageAddresses::Wait(std::chrono::milliseconds(1)),
                    X11PageAddresses::Wait(deadline - std::chrono::steady_clock::now()));
}

Deadline after(X11PageAddresses::Wait wait)
{
    return std::chrono::steady_clock::now() + wait;
}

bool within(double value, double expected, double tolerance)
{
    return std::isfinite(value) && std::abs(value - expected) <= tolerance;
}

} // namespace

X11PageAddresses::X11PageAddresses(QDBusConnection sessionBus, TitleReader titles)
    : bus_(std::move(sessionBus))
    , titles_(std::move(titles))
{
}

X11PageAddresses::Fit X11PageAddresses::fit(const RectD &extents, const RectD &client)
{
    if (!extents.isUsableFrame() || !client.isUsableFrame()) {
        return Fit::none;
    }
    const std::array<double, 4> logical{extents.x, extents.y, extents.width, extents.height};
    const std::array<double, 4> device{client.x, client.y, client.width, client.height};
    bool equal = true;
    for (size_t i = 0; i < 4; ++i) {
        equal = equal && within(logical[i], device[i], 1.0);
    }
    if (equal) {
        return Fit::exact;
    }
    // Each logical value is a device value divided by the scale and rounded, so it lies within
    // one of the exact quotient; every value bounds the scale, and one scale must fit all four.
    double lowest = 0;
    double highest = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < 4; ++i) {
        const double v = std::abs(logical[i]);
        const double d = std::abs(device[i]);
        if (v > 1 && d > 1 && (logical[i] < 0) != (device[i] < 0)) {
            return Fit::none;
        }
        lowest = std::max(lowest, d / (v + 1));
        if (v > 1) {
            highest = std::min(highest, d / (v - 1));
        }
    }
    // A scale of 1 was judged above; a desktop scale is above it.
    return lowest <= highest && highest > 1.0 ? Fit::scaled : Fit::none;
}

AXElement X11PageAddresses::handleOf(const AtspiObject &object)
{
    std::lock_guard lock(mutex_);
    if (const auto found = handles_.constFind(object); found != handles_.constEnd()) {
        return AXElement{elementTag | found.value()};
    }
    if (objects_.size() >= 2 * keptHandles) {
        // Handed out long ago: no search still holds them.
        const quint64 oldestKept = nextHandle_ - keptHandles;
        for (auto it = objects_.begin(); it != objects_.end();) {
            if (it.key() < oldestKept) {
                handles_.remove(it.value());
                it = objects_.erase(it);
            } else {
                ++it;
            }
        }
    }
    const quint64 id = nextHandle_++;
    handles_.insert(object, id);
    objects_.insert(id, object);
    return AXElement{elementTag | id};
}

std::optional<AtspiObject> X11PageAddresses::objectOf(AXElement element)
{
    std::lock_guard lock(mutex_);
    const auto found = objects_.constFind(element.handle & ~elementTag);
    if (found == objects_.constEnd()) {
        return std::nullopt;
    }
    return found.value();
}

X11PageAddresses::Found X11PageAddresses::frameOf(const Window &window, Wait wait)
{
    using Status = AccessibilityBus::Status;
    if (!window.pid) {
        return Found{Status::answered, std::nullopt};
    }
    const auto now = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(mutex_);
        const auto found = frames_.constFind(window.window);
        if (found != frames_.constEnd() && found->window == window
            && now - found->at < frameLifetime) {
            return Found{Status::answered, found->frame};
        }
    }
    const Deadline setup = std::max(after(wait), deadlineIn(busSetupSeconds));
    const AccessibilityBus::Connection connection = bus_.connect(setup);
    if (connection.status != Status::answered) {
        return Found{connection.status, std::nullopt};
    }
    const AccessibilityBus::Names names = bus_.applicationNames(connection, *window.pid, setup);
    if (names.status != Status::answered) {
        return Found{names.status, std::nullopt};
    }
    const QDBusConnection &bus = connection.bus;

    QList<QDBusMessage> rootQuestions;
    for (const QString &name : names.names) {
        rootQuestions.append(methodCall(AtspiObject{name, rootPath}, accessibleInterface,
                                        QStringLiteral("GetChildren")));
    }
    bool late = false;
    QList<AtspiObject> frames;
    const QList<QDBusMessage> roots = AccessibilityBus::callAll(bus, rootQuestions, after(wait));
    for (qsizetype i = 0; i < roots.size(); ++i) {
        if (const auto listed = objectList(structuredArgument(roots[i], "a(so)"))) {
            frames.append(*listed);
        } else if (AccessibilityBus::timedOut(roots[i])) {
            late = true;
        } else if (QDBusError(roots[i]).type() == QDBusError::ServiceUnknown) {
            bus_.forget(names.names[i]);
        }
    }

    QList<QDBusMessage> extentQuestions;
    for (const AtspiObject &frame : std::as_const(frames)) {
        QDBusMessage question = methodCall(frame, QStringLiteral("org.a11y.atspi.Component"),
                                           QStringLiteral("GetExtents"));
        question << screenCoordinates;
        extentQuestions.append(question);
    }
    QList<AtspiObject> exact;
    QList<AtspiObject> scaled;
    const QList<QDBusMessage> extents =
        AccessibilityBus::callAll(bus, extentQuestions, after(wait));
    for (qsizetype i = 0; i < extents.size(); ++i) {
        if (AccessibilityBus::timedOut(extents[i])) {
            late = true;
            continue;
        }
        const std::optional<RectD> rect = extentsOf(extents[i]);
        if (!rect) {
            continue;
        }
        const Fit client = fit(*rect, window.client);
        const Fit drawn = fit(*rect, window.drawn);
        switch (client == Fit::exact || drawn == Fit::exact ? Fit::exact
                                                            : std::max(client, drawn)) {
        case Fit::exact:
            exact.append(frames[i]);
            break;
        case Fit::scaled:
            scaled.append(frames[i]);
            break;
        case Fit::none:
            break;
        }
    }
    // A frame that did not say where it stands might be this window's as well as any other.
    if (late) {
        qCDebug(x11Log) << "window" << Qt::hex << window.window << Qt::dec
                        << "has a browser that did not say in time where its frames stand";
        return Found{Status::timedOut, std::nullopt};
    }
    QList<AtspiObject> candidates = exact.isEmpty() ? scaled : exact;
    if (candidates.size() > 1) {
        // Windows in one place are told apart by their titles; the bus names a frame as the
        // window manager shows its window.
        const std::optional<QString> title =
            titles_ ? titles_(window.window, after(wait)) : std::nullopt;
        QList<QDBusMessage> nameQuestions;
        for (const AtspiObject &frame : std::as_const(candidates)) {
            QDBusMessage question = methodCall(
                frame, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
            question << accessibleInterface << QStringLiteral("Name");
            nameQuestions.append(question);
        }
        QList<AtspiObject> named;
        if (title) {
            const QList<QDBusMessage> replies =
                AccessibilityBus::callAll(bus, nameQuestions, after(wait));
            for (qsizetype i = 0; i < replies.size(); ++i) {
                if (AccessibilityBus::timedOut(replies[i])) {
                    return Found{Status::timedOut, std::nullopt};
                }
                const QVariant name = firstArgument(replies[i]);
                if (name.metaType() == QMetaType::fromType<QString>()
                    && name.toString() == *title) {
                    named.append(candidates[i]);
                }
            }
        }
        candidates = named;
    }
    std::optional<AtspiObject> frame;
    if (candidates.size() == 1) {
        frame = candidates.constFirst();
    } else {
        qCDebug(x11Log) << "window" << Qt::hex << window.window << Qt::dec << "matches"
                        << candidates.size() << "of the" << frames.size()
                        << "frames of its process on the accessibility bus";
    }
    std::lock_guard lock(mutex_);
    if (frames_.size() > keptHandles) {
        frames_.clear();
    }
    frames_.insert(window.window, Remembered{window, frame, now});
    return Found{Status::answered, frame};
}

std::optional<AtspiObject> X11PageAddresses::embeddedDocument(const QDBusConnection &bus,
                                                              const AtspiObject &frame, Wait wait,
                                                              bool *late)
{
    const QDBusMessage reply = AccessibilityBus::call(
        bus, methodCall(frame, accessibleInterface, QStringLiteral("GetRelationSet")), after(wait));
    *late = AccessibilityBus::timedOut(reply);
    const QDBusArgument relations = structuredArgument(reply, "a(ua(so))");
    if (relations.currentSignature().isEmpty()) {
        return std::nullopt;
    }
    std::optional<AtspiObject> document;
    relations.beginArray();
    while (!relations.atEnd()) {
        quint32 type = 0;
        relations.beginStructure();
        relations >> type;
        const std::optional<QList<AtspiObject>> targets = objectList(relations);
        relations.endStructure();
        if (!targets) {
            return std::nullopt;
        }
        if (type == relationEmbeds && !targets->isEmpty() && !document) {
            document = targets->constFirst();
        }
    }
    relations.endArray();
    return document;
}

AXAttributeResult X11PageAddresses::address(const QDBusConnection &bus, const AtspiObject &document,
                                            Wait wait)
{
    const QDBusMessage reply =
        AccessibilityBus::call(bus,
                               methodCall(document, QStringLiteral("org.a11y.atspi.Document"),
                                          QStringLiteral("GetAttributes")),
                               after(wait));
    const QDBusArgument attributes = structuredArgument(reply, "a{ss}");
    if (attributes.currentSignature().isEmpty()) {
        return failed(reply.type() == QDBusMessage::ErrorMessage ? statusOf(reply)
                                                                 : AXError::noValue);
    }
    QString firefox;
    QString chromium;
    attributes.beginMap();
    while (!attributes.atEnd()) {
        QString key;
        QString value;
        attributes.beginMapEntry();
        attributes >> key >> value;
        attributes.endMapEntry();
        if (key == QLatin1String("DocURL")) {
            firefox = value;
        } else if (key == QLatin1String("URI")) {
            chromium = value;
        }
    }
    attributes.endMap();
    const QString found = firefox.isEmpty() ? chromium : firefox;
    if (found.isEmpty()) {
        return failed(AXError::noValue);
    }
    return AXAttributeResult{AXError::success, found};
}

AXAttributeResult X11PageAddresses::children(const QDBusConnection &bus, const AtspiObject &object,
                                             Wait wait)
{
    const QDBusMessage reply = AccessibilityBus::call(
        bus, methodCall(object, accessibleInterface, QStringLiteral("GetChildren")), after(wait));
    const std::optional<QList<AtspiObject>> listed = objectList(structuredArgument(reply, "a(so)"));
    if (!listed) {
        return failed(reply.type() == QDBusMessage::ErrorMessage ? statusOf(reply)
                                                                 : AXError::noValue);
    }
    QList<AXElement> elements;
    elements.reserve(listed->size());
    for (const AtspiObject &child : *listed) {
        elements.append(handleOf(child));
    }
    return AXAttributeResult{AXError::success, elements};
}

AXAttributeResult X11PageAddresses::windowAttribute(const Window &window, const QString &attribute,
                                                    Deadline deadline)
{
    if (attribute != AXAttribute::url && attribute != AXAttribute::document
        && attribute != AXAttribute::children) {
        return failed(AXError::noValue);
    }
    const Wait wait = waitUntil(deadline);
    const Found found = frameOf(window, wait);
    if (found.status == AccessibilityBus::Status::timedOut) {
        return failed(AXError::cannotComplete);
    }
    if (!found.frame) {
        return failed(AXError::noValue);
    }
    const AccessibilityBus::Connection connection = bus_.connect(after(wait));
    if (connection.status != AccessibilityBus::Status::answered) {
        return failed(AXError::noValue);
    }
    if (attribute == AXAttribute::children) {
        return children(connection.bus, *found.frame, wait);
    }
    bool late = false;
    const std::optional<AtspiObject> document =
        embeddedDocument(connection.bus, *found.frame, wait, &late);
    if (!document) {
        qCDebug(x11Log) << "window" << Qt::hex << window.window << Qt::dec
                        << (late ? "has a frame that did not say in time what it embeds"
                                 : "has a frame that embeds no document");
        return failed(late ? AXError::cannotComplete : AXError::noValue);
    }
    return address(connection.bus, *document, wait);
}

AXAttributeResult X11PageAddresses::elementAttribute(AXElement element, const QString &attribute,
                                                     Deadline deadline)
{
    const std::optional<AtspiObject> object = objectOf(element);
    if (!object) {
        return failed(AXError::invalidUIElement);
    }
    if (attribute != AXAttribute::role && attribute != AXAttribute::children
        && attribute != AXAttribute::url) {
        return failed(AXError::attributeUnsupported);
    }
    const Wait wait = waitUntil(deadline);
    const AccessibilityBus::Connection connection = bus_.connect(after(wait));
    if (connection.status != AccessibilityBus::Status::answered) {
        return failed(connection.status == AccessibilityBus::Status::timedOut
                          ? AXError::cannotComplete
                          : AXError::invalidUIElement);
    }
    if (attribute == AXAttribute::children) {
        return children(connection.bus, *object, wait);
    }
    if (attribute == AXAttribute::url) {
        return address(connection.bus, *object, wait);
    }
    const QDBusMessage reply = AccessibilityBus::call(
        connection.bus, methodCall(*object, accessibleInterface, QStringLiteral("GetRole")),
        after(wait));
    const QVariant role = firstArgument(reply);
    if (role.metaType() != QMetaType::fromType<quint32>()) {
        return failed(reply.type() == QDBusMessage::ErrorMessage ? statusOf(reply)
                                                                 : AXError::noValue);
    }
    return AXAttributeResult{AXError::success,
                             role.toUInt() == roleDocumentWeb ? QString(AXRoleValue::webArea)
                                                              : QStringLiteral("AXUnknown")};
}

} // namespace ostrel::x11
