#include "system/x11/XSettings.h"

#include "system/x11/X11EventPump.h"

#include <QtEndian>

namespace ostrel::x11 {

namespace {

constexpr double replyTimeout = 0.5;
const QString themeNameKey = QStringLiteral("Net/ThemeName");

// Reads the value in the byte order it names, within its bounds.
class Reader {
public:
    explicit Reader(const QByteArray &data)
        : data_(data)
    {
    }
    bool ok() const { return ok_; }
    void setBigEndian(bool big) { big_ = big; }
    quint8 u8() { return take(1) ? quint8(data_[at_ - 1]) : 0; }
    quint16 u16()
    {
        if (!take(2)) {
            return 0;
        }
        const auto *p = reinterpret_cast<const uchar *>(data_.constData() + at_ - 2);
        return big_ ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
    }
    quint32 u32()
    {
        if (!take(4)) {
            return 0;
        }
        const auto *p = reinterpret_cast<const uchar *>(data_.constData() + at_ - 4);
        return big_ ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
    }
    QByteArray bytes(quint32 length)
    {
        if (length > quint32(data_.size()) || !take(int(length))) {
            ok_ = false;
            return {};
        }
        return data_.mid(at_ - int(length), int(length));
    }
    // The items are padded to four bytes.
    void pad(quint32 length) { take(int((4 - length % 4) % 4)); }

private:
    bool take(int length)
    {
        if (!ok_ || length < 0 || at_ + qsizetype(length) > data_.size()) {
            ok_ = false;
            return false;
        }
        at_ += length;
        return true;
    }

    const QByteArray &data_;
    qsizetype at_ = 0;
    bool big_ = false;
    bool ok_ = true;
};

} // namespace

QHash<QString, QString> XSettings::parseTexts(const QByteArray &value)
{
    enum : quint8 { integerType = 0, textType = 1, colourType = 2 };
    QHash<QString, QString> texts;
    Reader in(value);
    in.setBigEndian(in.u8() == 1);
    in.bytes(3);
    in.u32(); // the serial
    const quint32 count = in.u32();
    for (quint32 i = 0; i < count && in.ok(); ++i) {
        const quint8 type = in.u8();
        in.u8();
        const quint16 nameLength = in.u16();
        const QByteArray name = in.bytes(nameLength);
        in.pad(nameLength);
        in.u32(); // the serial of its last change
        if (type == integerType) {
            in.u32();
        } else if (type == textType) {
            const quint32 length = in.u32();
            const QByteArray text = in.bytes(length);
            in.pad(length);
            if (in.ok()) {
                texts.insert(QString::fromUtf8(name), QString::fromUtf8(text));
            }
        } else if (type == colourType) {
            in.bytes(8);
        } else {
            break; // a type this reader does not know: the rest cannot be found
        }
    }
    return in.ok() ? texts : QHash<QString, QString>();
}

XSettings::XSettings(std::shared_ptr<X11Connection> connection, QObject *parent)
    : QObject(parent)
    , connection_(std::move(connection))
{
    if (!connection_) {
        return;
    }
    const Deadline deadline = deadlineIn(replyTimeout);
    selection_ = connection_->internAtom("_XSETTINGS_S0", deadline);
    property_ = connection_->internAtom("_XSETTINGS_SETTINGS", deadline);
    pump_ = X11EventPump::forConnection(connection_);
    subscription_ =
        connection_->subscribe([this](const xcb_generic_event_t &event) { handle(event); });
    read();
}

XSettings::~XSettings()
{
    if (subscription_) {
        connection_->unsubscribe(subscription_);
    }
}

void XSettings::handle(const xcb_generic_event_t &event)
{
    // Runs on whichever thread pumps: only note it and read on the main thread.
    const xcb_window_t owner = owner_;
    bool again = false;
    switch (event.response_type & 0x7F) {
    case XCB_PROPERTY_NOTIFY: {
        const auto &property = reinterpret_cast<const xcb_property_notify_event_t &>(event);
        again = owner != XCB_WINDOW_NONE && property.window == owner && property.atom == property_;
        break;
    }
    case XCB_DESTROY_NOTIFY:
        again = owner != XCB_WINDOW_NONE
            && reinterpret_cast<const xcb_destroy_notify_event_t &>(event).window == owner;
        break;
    default:
        break;
    }
    if (again) {
        QMetaObject::invokeMethod(this, &XSettings::read, Qt::QueuedConnection);
    }
}

void XSettings::read()
{
    if (!connection_ || selection_ == XCB_ATOM_NONE || property_ == XCB_ATOM_NONE) {
        return;
    }
    const Deadline deadline = deadlineIn(replyTimeout);
    auto owner = connection_->reply<xcb_get_selection_owner_reply_t>(
        xcb_get_selection_owner(connection_->raw(), selection_), deadline);
    const xcb_window_t window = owner.ok() ? owner->owner : xcb_window_t(XCB_WINDOW_NONE);
    if (window != owner_) {
        owner_ = window;
        if (window != XCB_WINDOW_NONE) {
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection_->raw(), window, XCB_CW_EVENT_MASK, &mask);
            connection_->flush();
        }
    }
    std::optional<QString> theme;
    if (window != XCB_WINDOW_NONE) {
        auto reply = connection_->reply<xcb_get_property_reply_t>(
            xcb_get_property(connection_->raw(), 0, window, property_, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             64 * 1024),
            deadline);
        if (reply.ok() && reply->format == 8) {
            const QByteArray value(
                static_cast<const char *>(xcb_get_property_value(reply.reply.get())),
                xcb_get_property_value_length(reply.reply.get()));
            const QHash<QString, QString> texts = parseTexts(value);
            if (const auto found = texts.constFind(themeNameKey); found != texts.constEnd()) {
                theme = *found;
            }
        }
    }
    if (theme != themeName_) {
        themeName_ = theme;
        emit changed();
    }
}

} // namespace ostrel::x11
