#pragma once

#include <QObject>
#include <QPointer>

namespace ostrel {

class AppModel;

// One of the model's coordinators as a view holds it: it reaches the coordinator only while the
// model that owns it exists, since a view may outlive the model (while the program shuts down,
// and in tests).
template <class Coordinator>
class CoordinatorHandle {
public:
    CoordinatorHandle() = default;
    CoordinatorHandle(AppModel *model, Coordinator *coordinator)
        : model_(model)
        , coordinator_(coordinator)
    {
    }

    Coordinator *get() const { return model_ ? coordinator_ : nullptr; }
    Coordinator *operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    // The model as a plain object: a view that only calls the coordinator needs no more of it.
    QPointer<QObject> model_;
    Coordinator *coordinator_ = nullptr;
};

} // namespace ostrel
