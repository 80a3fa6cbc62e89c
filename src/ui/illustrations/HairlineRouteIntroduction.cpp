#include "ui/illustrations/HairlineRouteIntroduction.h"

#include "ui/illustrations/HairlineCanvas.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QTransform>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrel {

namespace {

constexpr int designWidth = 400;
constexpr int spacing = 8;
constexpr int inset = 16;
constexpr int headlinePixelSize = 13;
constexpr int calloutPixelSize = 12;

// The slot the artwork is shown in: the drawing is turned about its centre and shifted as it is
// drawn into a layer of the slot's size, which is then blended into the page and cut to the slot.
class ArtworkSlot : public QWidget {
public:
    ArtworkSlot(HairlineCanvas *artwork, double canvasHeight, double artworkHeight, double rotation,
                double offsetY, const HairlineRouteIntroduction *header)
        : artwork_(artwork)
        , canvasHeight_(canvasHeight)
        , rotation_(rotation)
        , offsetY_(offsetY)
        , header_(header)
    {
        setObjectName(QStringLiteral("hairline-artwork-slot"));
        setFixedSize(designWidth, qRound(artworkHeight));
        setMouseTracking(true);
        artwork_->setParent(this);
        artwork_->setRenderedByHost(true);
        // The frame the artwork is laid out in, centred in the slot.
        artwork_->setGeometry(0, qRound((artworkHeight - canvasHeight) / 2), designWidth,
                              qRound(canvasHeight));
        connect(artwork_, &HairlineCanvas::drawingChanged, this, qOverload<>(&QWidget::update));
    }

    // From the slot to the artwork's own coordinates: undo the shift and the turn.
    QPointF toArtwork(QPointF local) const { return transform().inverted().map(local); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        // The pixels the picture lands on: the screen's, or a screenshot's denser ones.
        const QPaintDevice *target = painter.paintEngine() ? painter.paintEngine()->paintDevice()
                                                           : static_cast<QPaintDevice *>(this);
        const double ratio = std::max(1.0, target->devicePixelRatioF());
        // The strokes are drawn already turned, as vectors, into a layer of the slot's size, so
        // that hairlines stay smooth; the layer is needed for the blend: drawn straight onto the
        // page, the drawing's own filled marks could not hide the strokes behind them.
        QImage layer((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        layer.setDevicePixelRatio(ratio);
        layer.fill(Qt::transparent);
        {
            QPainter turned(&layer);
            turned.setRenderHint(QPainter::Antialiasing);
            turned.setTransform(transform());
            artwork_->paintDrawing(turned, QSizeF(designWidth, canvasHeight_));
        }
        painter.setClipRect(rect()); // a hard edge, not antialiased
        painter.setCompositionMode(header_->isDark() ? QPainter::CompositionMode_Screen
                                                     : QPainter::CompositionMode_Multiply);
        painter.drawImage(QRectF(rect()), layer);
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        const QPointF point = toArtwork(event->position());
        if (QRectF(0, 0, designWidth, canvasHeight_).contains(point)) {
            artwork_->hoverAt(point);
        } else {
            artwork_->hoverEnded();
        }
    }

    void leaveEvent(QEvent *) override { artwork_->hoverEnded(); }

private:
    // Artwork coordinates to slot coordinates: centred, turned about the centre, shifted.
    QTransform transform() const
    {
        QTransform t;
        t.translate(width() / 2.0, height() / 2.0 + offsetY_);
        t.rotate(rotation_);
        t.translate(-designWidth / 2.0, -canvasHeight_ / 2.0);
        return t;
    }

    HairlineCanvas *artwork_;
    double canvasHeight_;
    double rotation_;
    double offsetY_;
    const HairlineRouteIntroduction *header_;
};

// The header reads as one element: its title, then its detail; the artwork is not seen.
class HeaderAccessible : public QAccessibleWidget {
public:
    explicit HeaderAccessible(HairlineRouteIntroduction *header)
        : QAccessibleWidget(header, QAccessible::StaticText)
    {
    }

    QString text(QAccessible::Text kind) const override
    {
        const auto *header = static_cast<const HairlineRouteIntroduction *>(widget());
        if (kind == QAccessible::Name) {
            return header->title();
        }
        if (kind == QAccessible::Description) {
            return header->detail();
        }
        return QAccessibleWidget::text(kind);
    }

    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

QAccessibleInterface *accessibleHeader(const QString &, QObject *object)
{
    if (auto *header = qobject_cast<HairlineRouteIntroduction *>(object)) {
        return new HeaderAccessible(header);
    }
    return nullptr;
}

QFont fontOfSize(const QFont &base, int pixelSize, bool bold)
{
    QFont font = base;
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace

HairlineRouteIntroduction::HairlineRouteIntroduction(const QString &title, const QString &detail,
                                                     double canvasHeight, double artworkHeight,
                                                     double rotation, double artworkOffsetY,
                                                     HairlineCanvas *artwork, QWidget *parent)
    : QWidget(parent)
    , title_(title)
    , detail_(detail)
    , artwork_(artwork)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleHeader);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    dark_ = palette().color(QPalette::Window).lightness() < 128;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, inset, 0, inset);
    layout->setSpacing(spacing);
    layout->addWidget(
        new ArtworkSlot(artwork, canvasHeight, artworkHeight, rotation, artworkOffsetY, this), 0,
        Qt::AlignHCenter);

    auto *titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("hairline-header-title"));
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setAlignment(Qt::AlignHCenter);
    titleLabel->setWordWrap(true);
    titleLabel->setFont(fontOfSize(font(), headlinePixelSize, true));
    layout->addWidget(titleLabel);

    detailLabel_ = new QLabel(detail, this);
    detailLabel_->setObjectName(QStringLiteral("hairline-header-detail"));
    detailLabel_->setTextFormat(Qt::PlainText);
    detailLabel_->setAlignment(Qt::AlignHCenter);
    detailLabel_->setWordWrap(true); // as many lines as it needs, never cut short
    detailLabel_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    detailLabel_->setFont(fontOfSize(font(), calloutPixelSize, false));
    detailLabel_->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(detailLabel_);
}

void HairlineRouteIntroduction::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        followPalette();
    }
}

void HairlineRouteIntroduction::followPalette()
{
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    if (dark == dark_) {
        return;
    }
    dark_ = dark;
    emit schemeChanged(dark);
    update();
    for (QWidget *child : findChildren<QWidget *>()) {
        child->update();
    }
}

} // namespace ostrel
