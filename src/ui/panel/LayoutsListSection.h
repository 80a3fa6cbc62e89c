#pragma once

#include "model/Layout.h"
#include "ui/panel/ViewEnvironment.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class QScrollArea;
class QVBoxLayout;

namespace ostrel {

class ActivityIndicator;
class LayoutHover;
class LayoutRow;
class PanelActions;
class PanelButton;
class PlainLabel;
struct PanelState;
struct ViewEnvironment;

// The saved layouts under a header that counts them and carries Save. Up to six rows stand in
// the panel; from seven on they scroll in a fixed height.
//
// Object names: "layout-count", "save-layout-button", "layout-hover" (who is under the pointer),
// and "layout-rows" holding a LayoutRow per layout, inside "layout-list" while the rows scroll.
class LayoutsListSection : public QWidget {
    Q_OBJECT

public:
    static constexpr int scrollThreshold = 7;
    static constexpr int scrollHeight = 228;

    LayoutsListSection(const ViewEnvironment &environment, PanelActions &actions,
                       QWidget *parent = nullptr);

    void setState(const PanelState &state);

private:
    LayoutRow *row(const QUuid &id) const;
    void rebuildRows(const QList<Layout> &layouts);

    ViewEnvironment environment_;
    QPointer<PanelActions> actions_;
    LayoutHover *hover_;
    QVBoxLayout *layout_;
    PlainLabel *count_;
    PanelButton *save_;
    ActivityIndicator *capturing_;
    QWidget *rowsHost_ = nullptr;
    QScrollArea *scroll_ = nullptr;
    QList<LayoutRow *> rows_;
    std::optional<QList<Layout>> shownLayouts_;
};

} // namespace ostrel
