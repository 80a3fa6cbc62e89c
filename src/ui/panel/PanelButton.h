#pragma once

#include "ui/panel/ThemeColor.h"

#include <QAbstractButton>
#include <QFont>
#include <QMargins>
#include <QPointer>
#include <QString>

#include <optional>

namespace ostrel {

// A push button of the panel in one of the platform's looks, drawn from the palette at paint
// time so an appearance switch reaches it: prominent (filled with its tint, white text),
// bordered (a faint raised face), borderless and link (text in the tint), and plain (no chrome).
// Its face is an optional leading item (a symbol, or a widget such as a spinner that takes the
// symbol's place while it is visible), the title, and an optional trailing note (the Restore
// button's shortcut). Titles are fixed texts; its accessible name is the title unless set.
class PanelButton : public QAbstractButton {
    Q_OBJECT

public:
    enum class Look { prominent, bordered, borderless, link, plain };
    enum class ControlSize { mini, small, regular };

    PanelButton(const QString &title, Look look, ControlSize size, QWidget *parent = nullptr);

    QString title() const { return title_; }
    void setTitle(const QString &title);
    Look look() const { return look_; }

    // The prominent fill, or the text colour of the borderless, link and plain looks; given to a
    // bordered button, the colour of its title (a destructive action's red).
    void setTint(ThemeColor tint);
    ThemeColor tint() const { return tint_; }
    void setTitleFont(const QFont &font);

    void setSymbol(std::optional<QString> name, double pointSize = 11,
                   QFont::Weight weight = QFont::Normal);
    std::optional<QString> symbol() const { return symbol_; }
    // Owned by the button from now on; shown before the title instead of the symbol while it is
    // not hidden.
    void setLeadingWidget(QWidget *widget);
    void setTrailingNote(std::optional<QString> note, const QFont &font, qreal opacity);
    std::optional<QString> trailingNote() const { return note_; }

    void setSpacing(int spacing);
    // The face's content is centred in at least this width.
    void setMinimumContentWidth(int width);
    // Replaces the look's own padding around the content.
    void setContentPadding(QMargins padding);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Metrics {
        int leadingWidth = 0;
        int leadingHeight = 0;
        int titleWidth = 0;
        int noteWidth = 0;
        int contentWidth = 0;
        int contentHeight = 0;
    };

    Metrics metrics() const;
    int usedWidth(const Metrics &m) const;
    bool showsLeadingWidget() const;
    QMargins padding() const;
    int minimumHeight() const;
    QColor foreground() const;
    void placeLeadingWidget();
    void contentChanged();

    QString title_;
    Look look_;
    ControlSize size_;
    ThemeColor tint_;
    bool tinted_ = false;
    QFont titleFont_;
    std::optional<QString> symbol_;
    double symbolSize_ = 11;
    QFont::Weight symbolWeight_ = QFont::Normal;
    QPointer<QWidget> leading_;
    std::optional<QString> note_;
    QFont noteFont_;
    qreal noteOpacity_ = 1;
    int spacing_ = 4;
    int minimumContentWidth_ = 0;
    std::optional<QMargins> padding_;
};

} // namespace ostrel
