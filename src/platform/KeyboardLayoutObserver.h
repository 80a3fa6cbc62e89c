#pragma once

#include "platform/KeyboardLayoutLabels.h"
#include "system/KeyboardLayoutSource.h"

#include <QObject>

#include <memory>

namespace ostrel {

// The keyboard layout as the views that show shortcut text see it: the labels to form the text
// with, and when to draw again. `revision` grows by one after every change of the layout, and the
// labels' cache is already empty when it does, so a redraw reads the new layout's labels.
class KeyboardLayoutObserver : public QObject {
    Q_OBJECT
    Q_PROPERTY(int revision READ revision NOTIFY revisionChanged)

public:
    // Both must outlive the observer; lives on the main thread.
    KeyboardLayoutObserver(KeyboardLayoutSource &layout,
                           std::shared_ptr<KeyboardLayoutLabels> labels, QObject *parent = nullptr);
    ~KeyboardLayoutObserver() override;

    int revision() const { return revision_; }
    // The labels shortcut texts are formed with; null when the observer was given none.
    KeyLabelSource *labels() const { return labels_.get(); }

signals:
    void revisionChanged(int revision);

private:
    KeyboardLayoutSource &layout_;
    std::shared_ptr<KeyboardLayoutLabels> labels_;
    int subscription_ = 0;
    int revision_ = 0;
};

// The labels of a view's observer, or none (the fixed key names) where the view was given no
// observer or it has gone.
inline KeyLabelSource *labelsOf(const KeyboardLayoutObserver *observer)
{
    return observer ? observer->labels() : nullptr;
}

} // namespace ostrel
