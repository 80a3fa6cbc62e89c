#pragma once

#include "app/Published.h"
#include "app/Refusal.h"
#include "app/SavedData.h"
#include "app/WindowRequests.h"
#include "model/CapturePreview.h"
#include "model/Layout.h"

#include <QCoro/QCoroTask>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

namespace ostrel {

class AppModel;
class CaptureHost;
class LayoutStore;
class StorageUpkeep;
class WindowService;

// The model's capture and save: the windows open now captured into a preview that waits for a
// name, trimmed by the save window, then stored as a new layout or over the one of the same name;
// and the windows of a saved layout replaced with the ones open now in one step. It keeps the
// pending capture, which the model publishes, and lives exactly as long as that model, so its
// coroutines look at the model before they touch anything after an await.
class CaptureCoordinator {
public:
    struct Links {
        AppModel &model; // read through its public face
        CaptureHost &host;
        Published<WindowRequests> &requests;
        Published<SavedData> &saved;
        WindowService &windows;
        StorageUpkeep &storage;
    };

    explicit CaptureCoordinator(Links links);
    CaptureCoordinator(const CaptureCoordinator &) = delete;
    CaptureCoordinator &operator=(const CaptureCoordinator &) = delete;

    // Captures the windows open now into the pending capture; false when refused or failed (the
    // alert says why).
    QCoro::Task<bool> beginSave();
    // Forgets the pending capture while it is still the one named.
    void discardPendingCapture(const QUuid &id);
    void removePendingEntry(const QUuid &entryID);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> savePendingLayout(QString name,
                                                                        bool replaceExisting);
    [[nodiscard]] QCoro::Task<std::optional<Refusal>> replaceLayoutWithCurrentWindows(QUuid id);

private:
    // The capture of the windows open now, written as a new layout or over the one of the same
    // name; returns the saved layout's identifier.
    QCoro::Task<QUuid> writeCapture(std::shared_ptr<LayoutStore> store, CapturePreview preview,
                                    std::optional<Layout> existing, QString name);
    QCoro::Task<CapturePreview> captureOver(std::shared_ptr<LayoutStore> store, QUuid id);

    AppModel &model_;
    CaptureHost &host_;
    Published<WindowRequests> &requests_;
    Published<SavedData> &saved_;
    WindowService &windows_;
    StorageUpkeep &storage_;
};

} // namespace ostrel
