#pragma once

#include "ui/panel/ViewEnvironment.h"
#include "ui/windows/ResolutionChoices.h"

#include <QCoro/QCoroTask>
#include <QList>
#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <optional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace ostrel {

class AppModel;
class EmptyDecisionState;
class FormColumn;
class MarkerOverlayService;
class PanelButton;
class PlainLabel;
class RouteIntroduction;

// "Choose Windows": a restore the user started left saved windows that several open windows
// match. For each the user picks one of the numbered candidates, or skips it; "Show Markers"
// numbers the candidates on screen. "Restore Selected" hands the answer to the model, which
// restores those windows in a second pass; Cancel and closing the window drop the choice.
class WindowResolutionView : public QWidget {
    Q_OBJECT

public:
    explicit WindowResolutionView(const ViewEnvironment &environment, QWidget *parent = nullptr);
    ~WindowResolutionView() override;

    const ResolutionChoices &choices() const { return choices_; }

    // Numbers the entry's candidates on screen, after the model has found which of them still
    // exist and where they are now. Only the latest request of the latest press is shown.
    void showMarkers(const AmbiguousEntry &entry);

protected:
    // Tab and Shift+Tab follow the reading order of what the window shows.
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    struct Section {
        QUuid entryID;
        QList<QUuid> candidateIDs; // by radio button id
        QWidget *picker;
        QButtonGroup *radios;
        QCheckBox *skip;
        PlainLabel *note;
        QWidget *noteRow;
    };

    static QCoro::Task<void> refreshMarkers(QPointer<WindowResolutionView> view,
                                            QPointer<AppModel> model, AmbiguousEntry entry,
                                            QUuid requestID, QUuid token);

    void resetChoices();
    void scheduleRefresh();
    void refresh();
    // As tall as what it shows, up to the window's bound.
    void fitToContent();
    void updateSections();
    void updateFooter(const std::optional<ResolutionRequest> &request);
    void showRequest(const std::optional<ResolutionRequest> &request);
    QWidget *entrySection(const AmbiguousEntry &entry, const ResolutionRequest &request);
    void showError();
    void setIntroductionDetail(const QString &detail);
    void choose(const Section &section, int button, bool checked);
    void setSkipped(const Section &section, bool skip);
    void apply();
    void cancel();
    void forgetMarkers();

    QPointer<AppModel> model_;
    QPointer<MarkerOverlayService> markers_;
    ResolutionChoices choices_;
    // The token of the latest marker request; a refresh that finds another one here was
    // overtaken and shows nothing.
    QUuid markerRefreshID_ = QUuid::createUuid();
    std::optional<QUuid> shownRequestID_;
    std::optional<QString> shownError_;
    bool refreshQueued_ = false;

    QWidget *introductionSlot_;
    RouteIntroduction *introduction_ = nullptr;
    QStackedWidget *body_;
    FormColumn *form_;
    QWidget *errorSection_ = nullptr;
    EmptyDecisionState *empty_;
    QList<Section> sections_;
    QPushButton *cancel_;
    QLabel *status_;
    PanelButton *apply_;
    QPushButton *close_;
    int heightCap_ = 0;
};

} // namespace ostrel
