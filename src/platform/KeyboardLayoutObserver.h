#pragma once

#include "platform/KeyboardLayoutLabels.h"
#include "system/KeyboardLayoutSource.h"

#include <QObject>

#include <memory>

namespace ostrel {

// Tells the views that show shortcut text when to draw again: `revision` grows by one after every
// change of the keyboard layout, and the labels' cache is already empty when it does, so a redraw
// reads the new layout's labels.
class KeyboardLayoutObserver : public QObject {
    Q_OBJECT
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)

public:
    // Both must outlive the observer; lives on the main thread.
    KeyboardLayoutObserver(KeyboardLayoutSource &layout,
                           std::shared_ptr<KeyboardLayoutLabels> labels, QObject *parent = nullptr);
    ~KeyboardLayoutObserver() override;

    int revision() const { return revision_; }

signals:
    void revisionChanged(int revision);

private:
    KeyboardLayoutSource &layout_;
    int subscription_ = 0;
    int revision_ = 0;
};

} // namespace ostrel
