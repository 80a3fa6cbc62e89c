#pragma once

#include <QWidget>

namespace ostrel {

struct ViewEnvironment;

// What the panel shows while the program opens its store: a spinner and "Loading layouts…".
class LoadingSection : public QWidget {
    Q_OBJECT

public:
    explicit LoadingSection(const ViewEnvironment &environment, QWidget *parent = nullptr);
};

} // namespace ostrel
