#include "ui/windows/AboutSettingsPage.h"

#include "ui/panel/Accessibility.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/Symbols.h"
#include "ui/panel/Theme.h"
#include "ui/panel/UiLog.h"
#include "ui/panel/UiFont.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSysInfo>
#include <QVBoxLayout>

namespace ostrel {

namespace {

constexpr int iconSide = 76;

std::optional<QString> definedText(const char *value)
{
    const QString text = QString::fromUtf8(value).trimmed();
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

PlainLabel *centred(const QString &text, const QFont &font, bool secondary)
{
    auto *label = new PlainLabel(text);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    if (secondary) {
        label->setTone(ThemeColor::secondary());
    }
    return label;
}

// The application's own icon, else its window symbol in the accent colour.
QPixmap applicationIcon(const QPalette &palette, qreal ratio)
{
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        QPixmap pixmap = icon.pixmap(QSize(iconSide, iconSide), ratio);
        if (!pixmap.isNull()) {
            return pixmap;
        }
    }
    qCDebug(uiLog, "The application has no icon: the About page draws its window symbol.");
    return Symbols::pixmap(QStringLiteral("macwindow"), iconSide * 0.8, Theme::accent(palette),
                           ratio);
}

} // namespace

AboutSettingsPage::AboutSettingsPage(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("settings-about"));
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(28, 28, 28, 28);
    page->setSpacing(0);

    auto *identity = new QVBoxLayout;
    identity->setSpacing(7);
    identity->addStretch(1);
    icon_ = new QLabel;
    icon_->setObjectName(QStringLiteral("about-icon"));
    icon_->setFixedSize(iconSide, iconSide);
    icon_->setAlignment(Qt::AlignCenter);
    icon_->setPixmap(applicationIcon(palette(), devicePixelRatioF()));
    Accessibility::hide(icon_);
    identity->addWidget(icon_, 0, Qt::AlignHCenter);
    auto *name = centred(QStringLiteral("Ostrel"), UiFont::system(17, QFont::DemiBold), false);
    name->setObjectName(QStringLiteral("about-name"));
    identity->addWidget(name);
    auto *version = centred(currentVersionLine(), UiFont::subheadline(), true);
    version->setObjectName(QStringLiteral("about-version"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    identity->addWidget(version);
    identity->addSpacing(4);
    auto *description = centred(
        QStringLiteral("Save the arrangement of open windows and bring it back when you need it."),
        UiFont::callout(), false);
    description->setObjectName(QStringLiteral("about-description"));
    description->setMaximumWidth(360);
    // Centred by stretches, not by an alignment flag: an aligned item gets its size hint, not its
    // height for the width it is given, and the wrapped description would lose its second line.
    auto *descriptionRow = new QHBoxLayout;
    descriptionRow->setSpacing(0);
    descriptionRow->addStretch(1);
    descriptionRow->addWidget(description, 1000);
    descriptionRow->addStretch(1);
    identity->addLayout(descriptionRow);
    identity->addSpacing(4);
    auto *requirements = centred(requirementsLine(), UiFont::system(10), true);
    requirements->setObjectName(QStringLiteral("about-requirements"));
    identity->addWidget(requirements);
    identity->addStretch(1);
    page->addLayout(identity, 1);

    auto *footer = centred(
        QStringLiteral("Everything stays on this computer. No account, tracking, or cloud sync."),
        UiFont::subheadline(), true);
    footer->setObjectName(QStringLiteral("about-footer"));
    page->addWidget(footer);
}

QString AboutSettingsPage::versionLine(const std::optional<QString> &version,
                                       const std::optional<QString> &build)
{
    const QString shown =
        version && !version->trimmed().isEmpty() ? *version : QStringLiteral("1.0.0");
    const QString number = build && !build->trimmed().isEmpty() ? *build : QStringLiteral("1");
    return QStringLiteral("Version ") + shown + QStringLiteral(" (") + number + QLatin1Char(')');
}

QString AboutSettingsPage::currentVersionLine()
{
    return versionLine(definedText(OSTREL_VERSION), definedText(OSTREL_BUILD_NUMBER));
}

QString AboutSettingsPage::requirementsLine()
{
    return QStringLiteral("X11 desktop with an EWMH window manager · ")
        + QSysInfo::buildCpuArchitecture();
}

} // namespace ostrel
