#pragma once

#include "model/Layout.h"
#include "model/MutationScope.h"
#include "ui/panel/ViewEnvironment.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <optional>

class QScrollArea;
class QVBoxLayout;

namespace ostrel {

class ActivityIndicator;
class LayoutHover;
class LayoutRow;
class LazyRows;
class PanelActions;
class PanelButton;
class PlainLabel;
struct PanelState;
struct ViewEnvironment;

// The saved layouts under a header that counts them and carries Save. Up to six rows stand in
// the panel; from seven on they scroll in a fixed height, and only the rows in view or near it
// exist (LazyRows): a library of thousands of layouts costs the panel a handful of rows.
//
// Object names: "layout-count", "save-layout-button", "layout-hover" (who is under the pointer),
// and "layout-rows" holding the LayoutRow of each layout that exists, inside "layout-list" while
// the rows scroll.
class LayoutsListSection : public QWidget {
    Q_OBJECT

public:
    static constexpr int scrollThreshold = 7;
    static constexpr int scrollHeight = 228;

    LayoutsListSection(const ViewEnvironment &environment, PanelActions &actions,
                       QWidget *parent = nullptr);

    void setState(const PanelState &state);

private:
    void rebuildRows(const QList<Layout> &layouts);
    LayoutRow *makeRow(int index);

    ViewEnvironment environment_;
    QPointer<PanelActions> actions_;
    LayoutHover *hover_;
    QVBoxLayout *layout_;
    PlainLabel *count_;
    PanelButton *save_;
    ActivityIndicator *capturing_;
    QWidget *rowsHost_ = nullptr;
    LazyRows *rows_ = nullptr;
    std::optional<QList<Layout>> shownLayouts_;
    // What a row made later, as it scrolls in, is to show.
    std::optional<QUuid> selectedLayoutID_;
    QSet<MutationScope> pendingMutations_;
};

} // namespace ostrel
