#include "ui/windows/EmptyDecisionState.h"

#include "ui/panel/PlainLabel.h"
#include "ui/panel/SymbolView.h"
#include "ui/panel/UiFont.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace ostrel {

EmptyDecisionState::EmptyDecisionState(const QString &symbol, const QString &text, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setSpacing(8);
    column->addStretch(1);
    column->addWidget(new SymbolView(symbol, 26, QFont::Normal, ThemeColor::secondary()), 0,
                      Qt::AlignHCenter);
    auto *label = new PlainLabel(text);
    label->setFont(UiFont::callout());
    label->setTone(ThemeColor::secondary());
    column->addWidget(label, 0, Qt::AlignHCenter);
    close_ = new QPushButton(QStringLiteral("Close"));
    column->addWidget(close_, 0, Qt::AlignHCenter);
    column->addStretch(1);
}

} // namespace ostrel
