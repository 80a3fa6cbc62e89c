#include "ui/windows/PathText.h"

#include "ui/panel/Theme.h"
#include "ui/panel/UiFont.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QFontDatabase>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <cmath>
#include <memory>

namespace ostrel {

PathText::PathText(const QString &path, QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setFrameShape(QFrame::NoFrame);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFocusPolicy(Qt::ClickFocus);
    document()->setDocumentMargin(0);
    setViewportMargins(0, 0, 0, 0);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(UiFont::caption().pointSizeF());
    setFont(font);
    document()->setDefaultFont(font);

    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    applyTone();
    setPath(path);
}

void PathText::setPath(const QString &path)
{
    if (path == toPlainText()) {
        return;
    }
    setPlainText(path);
    setAccessibleName(path);
    updateGeometry();
}

int PathText::heightForWidth(int width) const
{
    const std::unique_ptr<QTextDocument> measured(document()->clone());
    measured->setTextWidth(std::max(1, width));
    return int(std::ceil(measured->size().height()));
}

int PathText::lineCount() const
{
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        lines += block.layout() ? block.layout()->lineCount() : 0;
    }
    return lines;
}

QSize PathText::sizeHint() const
{
    const int width = std::max(this->width(), 120);
    return {width, heightForWidth(width)};
}

QSize PathText::minimumSizeHint() const
{
    return {60, fontMetrics().height()};
}

void PathText::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    if (event->oldSize().width() != event->size().width()) {
        updateGeometry();
    }
}

void PathText::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
        applyTone();
    }
}

void PathText::applyTone()
{
    if (applying_) {
        return;
    }
    applying_ = true;
    // The secondary colour of what the text would inherit, so that an appearance switch of the
    // window reaches it; the background stays the page's.
    QPalette inherited = parentWidget() ? parentWidget()->palette() : QPalette();
    QPalette own;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        inherited.setCurrentColorGroup(group);
        own.setColor(group, QPalette::Text, Theme::secondary(inherited));
        own.setColor(group, QPalette::Base, Qt::transparent);
        own.setColor(group, QPalette::Highlight, Theme::selectedBackground(inherited));
        own.setColor(group, QPalette::HighlightedText, Theme::primary(inherited));
    }
    setPalette(own);
    applying_ = false;
}

} // namespace ostrel
