#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace ostrel {

class LineLimitedLabel;
class SymbolView;

// The centred introduction card at the top of a window: the symbol in the accent colour, the
// title (at most two lines) and an optional secondary detail, on a rounded card in the control
// background colour. Assistive technology reads the card as one element: title, then detail.
// Object names: the card "route-introduction", holding "route-introduction-symbol" and
// "route-introduction-title".
class RouteIntroduction : public QWidget {
    Q_OBJECT

public:
    RouteIntroduction(const QString &symbol, const QString &title,
                      std::optional<QString> detail = std::nullopt, QWidget *parent = nullptr);

    // The detail line; null without one.
    QLabel *detailLabel() const { return detail_; }

private:
    QWidget *card_;
    SymbolView *symbol_;
    LineLimitedLabel *title_;
    QLabel *detail_ = nullptr;
};

} // namespace ostrel
