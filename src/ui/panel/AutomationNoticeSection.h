#pragma once

#include "ui/panel/CoordinatorHandle.h"

#include <QWidget>

namespace ostrel {

class SessionUpkeep;
class DismissButton;
class PlainLabel;
struct ViewEnvironment;

// The latest word from automation ("The displays changed, but no layout is linked to this
// setup.", a restore's summary, …), until dismissed. Object name of its button:
// "automation-notice-dismiss".
class AutomationNoticeSection : public QWidget {
    Q_OBJECT

public:
    explicit AutomationNoticeSection(const ViewEnvironment &environment, QWidget *parent = nullptr);

    void setNotice(const QString &notice);

private:
    CoordinatorHandle<SessionUpkeep> session_;
    PlainLabel *message_;
    DismissButton *dismiss_;
};

} // namespace ostrel
