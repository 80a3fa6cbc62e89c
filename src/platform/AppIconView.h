#pragma once

#include <QString>
#include <QWidget>

namespace ostrel {

// An application's icon by bundle identifier, `size` × `size` points; the generic "app" symbol at
// 80 % of the size in the secondary text colour when the application is not installed. The icon
// says nothing to assistive technology: the row around it names the application.
class AppIconView : public QWidget {
    Q_OBJECT

public:
    AppIconView(const QString &bundleID, int size, QWidget *parent = nullptr);

    QString bundleID() const { return bundleID_; }
    // Whether the application's own icon is shown (else the symbol).
    bool showsApplicationIcon() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const QString bundleID_;
    const int size_;
};

} // namespace ostrel
