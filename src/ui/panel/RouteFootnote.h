#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace ostrel {

class SymbolView;

// A one-symbol footnote line across the full width: the symbol, then the secondary text that
// wraps under itself, the symbol beside its first line.
class RouteFootnote : public QWidget {
    Q_OBJECT

public:
    RouteFootnote(const QString &symbol, const QString &text, QWidget *parent = nullptr);

private:
    SymbolView *symbol_;
    QLabel *text_;
};

} // namespace ostrel
