#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;

namespace ostrel {

// The About page of the settings window: the program's icon, name, version and build, what it
// does and needs, and, at the foot of the page, where its data stays. It has no controls.
class AboutSettingsPage : public QWidget {
    Q_OBJECT

public:
    explicit AboutSettingsPage(QWidget *parent = nullptr);

    // "Version 2.3 (41)"; a missing or empty version reads 1.0.0, a missing or empty build 1.
    static QString versionLine(const std::optional<QString> &version,
                               const std::optional<QString> &build);
    // The version line of this build.
    static QString currentVersionLine();
    // What the program needs, and the processor it was built for: "X11 desktop with an EWMH
    // window manager · x86_64".
    static QString requirementsLine();

private:
    QLabel *icon_;
};

} // namespace ostrel
