#pragma once

#include "model/StorageNotice.h"
#include "ui/panel/CoordinatorHandle.h"

#include <QWidget>

#include <optional>

namespace ostrel {

class StorageUpkeep;
class DetailsDisclosure;
class DismissButton;
class PlainLabel;
struct ViewEnvironment;

// An informational notice after the store was opened, recovered or reset, until dismissed.
// Object names: "storage-notice-details", "storage-notice-dismiss".
class StorageNoticeSection : public QWidget {
    Q_OBJECT

public:
    explicit StorageNoticeSection(const ViewEnvironment &environment, QWidget *parent = nullptr);

    void setNotice(const StorageNotice &notice);

protected:
    void hideEvent(QHideEvent *event) override;

private:
    CoordinatorHandle<StorageUpkeep> storage_;
    PlainLabel *title_;
    PlainLabel *message_;
    DetailsDisclosure *details_;
    DismissButton *dismiss_;
    std::optional<StorageNotice> shown_;
};

} // namespace ostrel
