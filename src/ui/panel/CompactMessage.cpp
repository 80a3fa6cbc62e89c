#include "ui/panel/CompactMessage.h"

#include "ui/panel/DisclosureButton.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/UiFont.h"

#include <QTextBoundaryFinder>
#include <QVBoxLayout>

namespace ostrel {

int CompactMessage::characterCount(const QString &text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0) {
        ++count;
    }
    return count;
}

bool CompactMessage::folds(const QString &message, bool alwaysSummarize)
{
    return alwaysSummarize || message.contains(QLatin1Char('\n'))
        || characterCount(message) > plainLimit;
}

CompactMessage::CompactMessage(const QString &message, const QString &summary, bool alwaysSummarize,
                               QWidget *parent)
    : QWidget(parent)
    , message_(message)
    , summary_(summary)
    , folded_(folds(message, alwaysSummarize))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    primary_ = new PlainLabel(folded_ ? summary : message);
    primary_->setObjectName(QStringLiteral("compact-message-text"));
    primary_->setWordWrap(true);
    layout->addWidget(primary_);
    if (!folded_ || message.isEmpty()) {
        return;
    }

    const QFont small = UiFont::system(11);
    disclosure_ = new DisclosureButton(QStringLiteral("Details"));
    disclosure_->setObjectName(QStringLiteral("compact-message-details"));
    disclosure_->setFont(small);
    disclosure_->setTone(ThemeColor::secondary());
    layout->addWidget(disclosure_, 0, Qt::AlignLeft);

    auto *details = new PlainLabel(message);
    details->setObjectName(QStringLiteral("compact-message-details-text"));
    details->setFont(small);
    details->setTone(ThemeColor::secondary());
    details->setWordWrap(true);
    details->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    details->setCursor(Qt::IBeamCursor);
    details->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    details->hide();
    details_ = details;
    layout->addWidget(details_);

    connect(disclosure_, &QAbstractButton::toggled, details_, &QWidget::setVisible);
}

bool CompactMessage::hasDetails() const
{
    return disclosure_ != nullptr;
}

bool CompactMessage::isExpanded() const
{
    return disclosure_ && disclosure_->isChecked();
}

void CompactMessage::setExpanded(bool expanded)
{
    if (disclosure_) {
        disclosure_->setChecked(expanded);
    }
}

} // namespace ostrel
