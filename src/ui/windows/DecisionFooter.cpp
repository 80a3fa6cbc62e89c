#include "ui/windows/DecisionFooter.h"

#include "ui/panel/Divider.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/WindowKeys.h"

#include <QBoxLayout>
#include <QPushButton>

#include <utility>

namespace ostrel {

DecisionFooter::DecisionFooter(QWidget *view, QBoxLayout *column, const Setup &setup,
                               std::function<void()> dismiss, std::function<void()> confirm)
    : view_(view)
    , dismiss_(std::move(dismiss))
{
    column->addWidget(new Divider(0.55));

    auto *footer = new QHBoxLayout;
    footer->setContentsMargins(setup.margins);
    if (setup.spacing >= 0) {
        footer->setSpacing(setup.spacing);
    }
    if (setup.cancel) {
        cancel_ = new QPushButton(QStringLiteral("Cancel"));
        cancel_->setObjectName(setup.name + QStringLiteral("-cancel"));
        footer->addWidget(cancel_);
    } else if (setup.leading) {
        footer->addWidget(setup.leading);
    }
    footer->addStretch(1);
    if (setup.trailing) {
        footer->addWidget(setup.trailing);
    }
    if (setup.primaryTitle) {
        primary_ = new PanelButton(*setup.primaryTitle, PanelButton::Look::prominent,
                                   PanelButton::ControlSize::regular);
        primary_->setObjectName(setup.primaryName);
        footer->addWidget(primary_);
    }
    close_ = new QPushButton(QStringLiteral("Close"));
    close_->setObjectName(setup.name + QStringLiteral("-close"));
    footer->addWidget(close_);
    column->addLayout(footer);

    if (cancel_) {
        dismissWith(cancel_);
    }
    dismissWith(close_);
    QAbstractButton *escape = cancel_ ? static_cast<QAbstractButton *>(cancel_) : close_;
    WindowKeys::onEscape(view, [escape] { escape->click(); });
    if (primary_) {
        QObject::connect(primary_, &PanelButton::clicked, view,
                         [confirm = std::move(confirm)] { confirm(); });
        WindowKeys::onReturn(view, [primary = primary_] {
            if (primary->isVisible()) {
                primary->click();
            }
        });
    }
}

void DecisionFooter::showDecision(bool deciding)
{
    if (primary_) {
        primary_->setVisible(deciding);
    }
    close_->setVisible(!deciding);
}

void DecisionFooter::dismissWith(QAbstractButton *button)
{
    QObject::connect(button, &QAbstractButton::clicked, view_, [dismiss = dismiss_] { dismiss(); });
}

} // namespace ostrel
