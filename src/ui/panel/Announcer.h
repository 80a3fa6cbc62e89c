#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLabel;

namespace ostrel {

// Speaks a sentence through the assistive technology. Qt 6.4 has no announcement call, so the
// sentence becomes the name of a hidden label that then posts an alert and a name change; screen
// readers read both. What was announced is kept, in order, for the tests.
class Announcer : public QObject {
    Q_OBJECT

public:
    explicit Announcer(QObject *parent = nullptr);
    ~Announcer() override;

    void announce(const QString &text);

    const QStringList &announcements() const { return announcements_; }

signals:
    void announced(const QString &text);

private:
    std::unique_ptr<QLabel> label_;
    QStringList announcements_;
};

} // namespace ostrel
