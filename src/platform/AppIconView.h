#pragma once

#include <QString>
#include <QWidget>

namespace ostrel {

class AppIconProvider;
// An application's icon by bundle identifier, `size` × `size` points; a tinted tile with the
// application's initial at 80 % of the size when the application is not installed. The icon
// says nothing to assistive technology: the row around it names the application.
class AppIconView : public QWidget {
    Q_OBJECT

public:
    // `appName` gives the stand-in its letter; without it the identifier's last part does.
    // Without `icons` (which must outlive the view) every application shows its stand-in.
    AppIconView(const QString &bundleID, int size, AppIconProvider *icons,
                QWidget *parent = nullptr, const QString &appName = {});

    QString bundleID() const { return bundleID_; }
    // Whether the application's own icon is shown (else the stand-in).
    bool showsApplicationIcon() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    AppIconProvider *icons_;
    const QString bundleID_;
    const QString appName_;
    const int size_;
};

} // namespace ostrel
