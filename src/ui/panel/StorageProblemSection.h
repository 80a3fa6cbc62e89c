#pragma once

#include "model/StorageProblem.h"
#include "ui/panel/CoordinatorHandle.h"

#include <QWidget>

#include <optional>

namespace ostrel {

class StorageUpkeep;
class DetailsDisclosure;
class PanelButton;
class PlainLabel;
struct ViewEnvironment;

// Shown instead of everything else while storage is unusable: what went wrong, Retry when a
// retry can help, Reveal Folder always, and the details with the database's path.
//
// Object names: "storage-retry-button", "reveal-folder-button", "storage-problem-details".
class StorageProblemSection : public QWidget {
    Q_OBJECT

public:
    explicit StorageProblemSection(const ViewEnvironment &environment, QWidget *parent = nullptr);

    void setProblem(const StorageProblem &problem);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    CoordinatorHandle<StorageUpkeep> storage_;
    PlainLabel *title_;
    PlainLabel *message_;
    PanelButton *retry_;
    PanelButton *reveal_;
    DetailsDisclosure *details_;
    std::optional<StorageProblem> shown_;
};

} // namespace ostrel
