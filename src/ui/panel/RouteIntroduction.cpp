#include "ui/panel/RouteIntroduction.h"

#include "ui/panel/ScreenReader.h"
#include "ui/panel/LineLimitedLabel.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr qreal cornerRadius = 12;
constexpr int detailWidth = 460;

class IntroductionCard : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Theme::controlBackground(palette()));
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    }
};

} // namespace

RouteIntroduction::RouteIntroduction(const QString &symbol, const QString &title,
                                     std::optional<QString> detail, QWidget *parent)
    : QWidget(parent)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 8);
    card_ = new IntroductionCard;
    card_->setObjectName(QStringLiteral("route-introduction"));
    outer->addWidget(card_);

    auto *column = new QVBoxLayout(card_);
    column->setContentsMargins(28, 24, 28, 24);
    column->setSpacing(6);

    symbol_ = new SymbolView(symbol, 23, QFont::Normal, ThemeColor::accent());
    symbol_->setObjectName(QStringLiteral("route-introduction-symbol"));
    column->addWidget(symbol_, 0, Qt::AlignHCenter);

    title_ = new LineLimitedLabel(title, 2);
    title_->setObjectName(QStringLiteral("route-introduction-title"));
    title_->setFont(UiFont::system(15, QFont::DemiBold));
    title_->setAlignment(Qt::AlignHCenter);
    column->addWidget(title_);

    if (detail) {
        auto *label = new PlainLabel(*detail);
        label->setFont(UiFont::callout());
        label->setTone(ThemeColor::secondary());
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
        label->setMaximumWidth(detailWidth);
        detail_ = label;
        // Centred by the stretches on either side, not by an alignment: an aligned label gets
        // the width of its size hint, narrower than the line it was measured on, and its
        // wrapped lines would be cut off below.
        auto *centred = new QHBoxLayout;
        centred->setContentsMargins(0, 0, 0, 0);
        centred->addStretch(0);
        centred->addWidget(detail_, 1);
        centred->addStretch(0);
        column->addLayout(centred);
    }

    // One element for assistive technology: the card speaks, its parts do not.
    card_->setAccessibleName(detail ? title + QStringLiteral(", ") + *detail : title);
    ScreenReader::setRole(card_, QAccessible::StaticText);
    ScreenReader::hide(title_);
    if (detail_) {
        ScreenReader::hide(detail_);
    }
}

} // namespace ostrel
