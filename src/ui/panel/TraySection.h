#pragma once

#include <QWidget>

namespace ostrel {

// The container of every panel section: the content with `verticalPadding` above and below and
// none at the sides, spanning the panel's width; content that does not grow stays at the
// leading edge. It draws nothing.
class TraySection : public QWidget {
    Q_OBJECT

public:
    TraySection(int verticalPadding, QWidget *content, QWidget *parent = nullptr);
};

} // namespace ostrel
