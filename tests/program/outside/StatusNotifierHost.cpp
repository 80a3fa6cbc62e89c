// A StatusNotifier tray for the outside tests, as Plasma's and Xfce's panels host one: it owns
// org.kde.StatusNotifierWatcher on the session bus (so that Qt's tray icon registers its item
// there instead of looking for an XEmbed tray), and shows the items in a panel of its own along
// the top of the primary monitor: a dock window that reserves its 24 pixels (a strut), light or
// dark. It draws an item's icon as such a host does: by the name the item gives, where the icon
// theme has it, else from the item's own pixels. A click on an icon activates the item without
// a position (StatusNotifier says nothing of where the icon is); a right click asks for its menu.
//
//   ostrel_sni_host [--dark] [--edge top|bottom]
//
// Prints "ready" once the watcher is on the bus and the panel is shown, then answers one line per
// command from standard input:
//
//   item            "item <service> <icon name> <pixel sizes, as WxH joined by ','>", or "none"
//   icon            "icon <x> <y> <w> <h>": where the icon is drawn, in root coordinates
//   menu            "menu <labels joined by '|'>": the item's menu (separators as "-")
//   choose <label>  "ok" once the menu item with that label was clicked
//   quit            ends (so does the end of the input)

#include <QApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSocketNotifier>
#include <QWidget>
#include <QtEndian>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

constexpr int panelHeight = 24;
constexpr int iconSide = 22;

struct Item {
    QString service;
    QString path;
};

QDBusVariant propertyOf(const Item &item, const QString &name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        item.service, item.path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    call << QStringLiteral("org.kde.StatusNotifierItem") << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return reply.arguments().first().value<QDBusVariant>();
}

// IconPixmap: a(iiay), each ARGB32 in network byte order.
QList<QImage> pixmapsOf(const Item &item)
{
    QList<QImage> images;
    const QVariant value = propertyOf(item, QStringLiteral("IconPixmap")).variant();
    if (!value.canConvert<QDBusArgument>()) {
        return images;
    }
    const QDBusArgument argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (width <= 0 || height <= 0 || bytes.size() < qsizetype(width) * height * 4) {
            continue;
        }
        QImage image(width, height, QImage::Format_ARGB32);
        const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
        for (int y = 0; y < height; ++y) {
            auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                row[x] = qFromBigEndian<quint32>(data + 4 * (qsizetype(y) * width + x));
            }
        }
        images.append(image);
    }
    argument.endArray();
    return images;
}

struct MenuEntry {
    int id = 0;
    QString label;
};

void readLayout(const QDBusArgument &argument, QList<MenuEntry> &entries)
{
    int id = 0;
    QVariantMap properties;
    argument.beginStructure();
    argument >> id >> properties;
    if (id != 0) {
        const bool separator =
            properties.value(QStringLiteral("type")).toString() == QLatin1String("separator");
        QString label = properties.value(QStringLiteral("label")).toString();
        label.remove(QLatin1Char('_'));
        entries.append({id, separator ? QStringLiteral("-") : label});
    }
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        readLayout(child.variant().value<QDBusArgument>(), entries);
    }
    argument.endArray();
    argument.endStructure();
}

QList<MenuEntry> menuOf(const Item &item)
{
    QList<MenuEntry> entries;
    const QVariant path = propertyOf(item, QStringLiteral("Menu")).variant();
    const QString menuPath = path.value<QDBusObjectPath>().path();
    if (menuPath.isEmpty() || menuPath == QLatin1String("/NO_DBUSMENU")) {
        return entries;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(item.service, menuPath,
                                                       QStringLiteral("com.canonical.dbusmenu"),
                                                       QStringLiteral("AboutToShow"));
    call << 0;
    QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    call = QDBusMessage::createMethodCall(item.service, menuPath,
                                          QStringLiteral("com.canonical.dbusmenu"),
                                          QStringLiteral("GetLayout"));
    call << 0 << -1 << QStringList();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() >= 2) {
        readLayout(reply.arguments().at(1).value<QDBusArgument>(), entries);
    }
    return entries;
}

class Watcher;

// The panel: a dock along one edge of the primary monitor with the items' icons at its end.
class Panel final : public QWidget {
public:
    Panel(Watcher &watcher, bool dark, bool top)
        : watcher_(watcher)
        , dark_(dark)
        , top_(top)
    {
        setWindowTitle(QStringLiteral("StatusNotifier panel"));
        setAttribute(Qt::WA_X11NetWmWindowTypeDock);
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        setGeometry(screen.x(), top ? screen.y() : screen.bottom() + 1 - panelHeight,
                    screen.width(), panelHeight);
    }

    void reserve()
    {
        // _NET_WM_STRUT_PARTIAL in root coordinates: the band along its edge of the monitor.
        auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t *c = x11 ? x11->connection() : nullptr;
        if (!c) {
            return;
        }
        const QRect g = geometry();
        const QRect root = QGuiApplication::primaryScreen()->virtualGeometry();
        quint32 strut[12] = {};
        if (top_) {
            strut[2] = quint32(g.bottom() + 1);
            strut[8] = quint32(g.left());
            strut[9] = quint32(g.right());
        } else {
            strut[3] = quint32(root.bottom() + 1 - g.top());
            strut[10] = quint32(g.left());
            strut[11] = quint32(g.right());
        }
        const char *name = "_NET_WM_STRUT_PARTIAL";
        auto *reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, quint16(std::strlen(name)), name), nullptr);
        if (reply) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(winId()), reply->atom,
                                XCB_ATOM_CARDINAL, 32, 12, strut);
            std::free(reply);
            xcb_flush(c);
        }
    }

    QRect iconRect() const
    {
        return {width() - iconSide - 8, (height() - iconSide) / 2, iconSide, iconSide};
    }

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    Watcher &watcher_;
    bool dark_;
    bool top_;
};

class Watcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    Panel *panel = nullptr;
    std::optional<Item> item;

    QStringList items() const
    {
        return item ? QStringList{item->service + item->path} : QStringList();
    }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message)
    {
        // A service name with the standard path, or a path on the caller's own connection.
        if (service.startsWith(QLatin1Char('/'))) {
            item = Item{message.service(), service};
        } else {
            item = Item{service, QStringLiteral("/StatusNotifierItem")};
        }
        const QString id = item->service + item->path;
        QDBusConnection::sessionBus().connect(item->service, item->path,
                                              QStringLiteral("org.kde.StatusNotifierItem"),
                                              QStringLiteral("NewIcon"), this, SLOT(repaint()));
        emit StatusNotifierItemRegistered(id);
        repaint();
    }
    void RegisterStatusNotifierHost(const QString &) {}
    void repaint()
    {
        if (panel) {
            panel->update();
        }
    }

signals:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierItemUnregistered(const QString &service);
    void StatusNotifierHostRegistered();
};

void Panel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), dark_ ? QColor(0x2b, 0x2b, 0x2b) : QColor(0xf0, 0xf0, 0xf0));
    if (!watcher_.item) {
        return;
    }
    const QString name =
        propertyOf(*watcher_.item, QStringLiteral("IconName")).variant().toString();
    const QIcon themed = name.isEmpty() ? QIcon() : QIcon::fromTheme(name);
    if (!themed.isNull() && !themed.availableSizes().isEmpty()) {
        themed.paint(&painter, iconRect());
        return;
    }
    const QList<QImage> images = pixmapsOf(*watcher_.item);
    const QImage *best = nullptr;
    for (const QImage &image : images) {
        if (!best || std::abs(image.width() - iconSide) < std::abs(best->width() - iconSide)) {
            best = &image;
        }
    }
    if (best) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(iconRect(), *best);
    }
}

void Panel::mousePressEvent(QMouseEvent *event)
{
    if (!watcher_.item || !iconRect().contains(event->position().toPoint())) {
        return;
    }
    const QPoint at = event->globalPosition().toPoint();
    QDBusMessage call = QDBusMessage::createMethodCall(
        watcher_.item->service, watcher_.item->path, QStringLiteral("org.kde.StatusNotifierItem"),
        event->button() == Qt::RightButton ? QStringLiteral("ContextMenu")
                                           : QStringLiteral("Activate"));
    call << at.x() << at.y();
    QDBusConnection::sessionBus().asyncCall(call);
}

void answer(const QString &line)
{
    std::cout << line.toStdString() << std::endl;
}

void command(Watcher &watcher, const QString &line)
{
    const QString verb = line.section(QLatin1Char(' '), 0, 0);
    if (verb == QLatin1String("quit")) {
        QCoreApplication::quit();
    } else if (verb == QLatin1String("item")) {
        if (!watcher.item) {
            answer(QStringLiteral("none"));
            return;
        }
        QStringList sizes;
        for (const QImage &image : pixmapsOf(*watcher.item)) {
            sizes << QStringLiteral("%1x%2").arg(image.width()).arg(image.height());
        }
        const QString name =
            propertyOf(*watcher.item, QStringLiteral("IconName")).variant().toString();
        answer(QStringLiteral("item %1 %2 %3")
                   .arg(watcher.item->service, name.isEmpty() ? QStringLiteral("-") : name,
                        sizes.isEmpty() ? QStringLiteral("-") : sizes.join(QLatin1Char(','))));
    } else if (verb == QLatin1String("icon")) {
        const QRect r = watcher.panel->iconRect().translated(watcher.panel->geometry().topLeft());
        answer(QStringLiteral("icon %1 %2 %3 %4")
                   .arg(r.x())
                   .arg(r.y())
                   .arg(r.width())
                   .arg(r.height()));
    } else if (verb == QLatin1String("menu")) {
        QStringList labels;
        if (watcher.item) {
            for (const MenuEntry &entry : menuOf(*watcher.item)) {
                labels << entry.label;
            }
        }
        answer(QStringLiteral("menu ") + labels.join(QLatin1Char('|')));
    } else if (verb == QLatin1String("choose")) {
        const QString label = line.section(QLatin1Char(' '), 1);
        if (!watcher.item) {
            answer(QStringLiteral("error no item"));
            return;
        }
        for (const MenuEntry &entry : menuOf(*watcher.item)) {
            if (entry.label == label) {
                const QString menuPath = propertyOf(*watcher.item, QStringLiteral("Menu"))
                                             .variant()
                                             .value<QDBusObjectPath>()
                                             .path();
                QDBusMessage call = QDBusMessage::createMethodCall(
                    watcher.item->service, menuPath, QStringLiteral("com.canonical.dbusmenu"),
                    QStringLiteral("Event"));
                call << entry.id << QStringLiteral("clicked")
                     << QVariant::fromValue(QDBusVariant(QVariant(0))) << 0u;
                QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
                answer(QStringLiteral("ok"));
                return;
            }
        }
        answer(QStringLiteral("error no such menu item"));
    } else {
        answer(QStringLiteral("error unknown command"));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    const bool dark = arguments.contains(QStringLiteral("--dark"));
    const int edge = arguments.indexOf(QStringLiteral("--edge"));
    const bool top = edge < 0 || arguments.value(edge + 1) != QLatin1String("bottom");

    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                | QDBusConnection::ExportAllProperties)
        || !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "ostrel_sni_host: the watcher's name is taken or there is no bus\n");
        return 1;
    }
    bus.registerService(
        QStringLiteral("org.kde.StatusNotifierHost-%1").arg(QCoreApplication::applicationPid()));

    Panel panel(watcher, dark, top);
    watcher.panel = &panel;
    panel.winId();
    panel.reserve();
    panel.show();

    QSocketNotifier input(0, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &application, [&] {
        std::string line;
        if (!std::getline(std::cin, line)) {
            QCoreApplication::quit();
            return;
        }
        command(watcher, QString::fromStdString(line).trimmed());
    });
    answer(QStringLiteral("ready"));
    return application.exec();
}

#include "StatusNotifierHost.moc"
