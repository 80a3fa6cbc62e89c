#pragma once

#include <QString>
#include <QWidget>

class QPushButton;

namespace ostrel {

// What a decision window shows once its question is gone (answered or withdrawn) while the
// window is still up: a symbol, a short secondary line and a Close button, centred in the space.
class EmptyDecisionState : public QWidget {
    Q_OBJECT

public:
    EmptyDecisionState(const QString &symbol, const QString &text, QWidget *parent = nullptr);

    QPushButton *closeButton() const { return close_; }

private:
    QPushButton *close_;
};

} // namespace ostrel
