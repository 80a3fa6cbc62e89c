#pragma once

#include <QPointer>
#include <QWidget>

namespace ostrel {

class ActivityIndicator;
class HairlineLayoutsCanvas;
class PanelActions;
class PanelButton;
struct PanelState;
struct ViewEnvironment;

// The card shown while no layout is saved yet: the layouts drawing, an invitation, and the
// same capture as the list's Save in a larger button. Object names: "first-run-drawing",
// "first-run-save-button".
class FirstRunSection : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize drawingSize{296, 144};

    FirstRunSection(const ViewEnvironment &environment, PanelActions &actions,
                    QWidget *parent = nullptr);

    void setState(const PanelState &state);

protected:
    void changeEvent(QEvent *event) override;

private:
    void followPalette();

    QPointer<PanelActions> actions_;
    HairlineLayoutsCanvas *drawing_;
    PanelButton *save_;
    ActivityIndicator *capturing_;
};

} // namespace ostrel
