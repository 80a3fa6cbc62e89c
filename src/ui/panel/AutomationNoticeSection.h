#pragma once

#include <QPointer>
#include <QWidget>

namespace ostrel {

class AppModel;
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
    QPointer<AppModel> model_;
    PlainLabel *message_;
    DismissButton *dismiss_;
};

} // namespace ostrel
