#include "ui/panel/FirstRunSection.h"

#include "ui/illustrations/HairlineLayoutsCanvas.h"
#include "ui/panel/ScreenReader.h"
#include "ui/panel/ActivityIndicator.h"
#include "ui/panel/PanelActions.h"
#include "ui/panel/PanelButton.h"
#include "ui/panel/PanelState.h"
#include "ui/panel/PanelTexts.h"
#include "ui/panel/PlainLabel.h"
#include "ui/panel/SectionLabel.h"
#include "ui/panel/Theme.h"
#include "ui/panel/TrayContentPadding.h"
#include "ui/panel/UiFont.h"
#include "ui/panel/ViewEnvironment.h"

#include <QEvent>
#include <QVBoxLayout>

namespace ostrel {

FirstRunSection::FirstRunSection(const ViewEnvironment &environment, PanelActions &actions,
                                 QWidget *parent)
    : QWidget(parent)
    , actions_(&actions)
    , drawing_(new HairlineLayoutsCanvas)
    , save_(new PanelButton(QStringLiteral("Save Layout"), PanelButton::Look::prominent,
                            PanelButton::ControlSize::regular))
    , capturing_(
          new ActivityIndicator(ActivityIndicator::miniSize, ThemeColor::secondary(), environment))
{
    setObjectName(QStringLiteral("first-run"));
    drawing_->setObjectName(QStringLiteral("first-run-drawing"));
    save_->setObjectName(QStringLiteral("first-run-save-button"));
    auto *layout = new QVBoxLayout(this);
    trayContentPadding(layout, 24);
    layout->setSpacing(0);

    drawing_->setIntensity(0.5);
    drawing_->setPaused(false);
    drawing_->setShowsReadout(false);
    drawing_->setViewBox(QRectF(50, 60, 300, 240));
    drawing_->setReduceMotionSource(environment.reduceMotion);
    drawing_->setFixedSize(drawingSize);
    // A picture only: clicks pass through it and assistive technology skips it.
    drawing_->setAttribute(Qt::WA_TransparentForMouseEvents);
    ScreenReader::hide(drawing_);
    layout->addWidget(drawing_, 0, Qt::AlignHCenter);

    layout->addSpacing(2);
    PlainLabel *title = sectionLabel(QStringLiteral("No layouts yet"), 13.5, QFont::DemiBold);
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);
    layout->addSpacing(3);
    PlainLabel *detail = sectionLabel(QStringLiteral("Arrange your windows, then save them."), 12,
                                      QFont::Normal, ThemeColor::secondary(), Wrapping::wraps);
    detail->setAlignment(Qt::AlignHCenter);
    layout->addWidget(detail);

    layout->addSpacing(14);
    save_->setTitleFont(UiFont::system(13));
    save_->setSymbol(QStringLiteral("plus"), 12, QFont::DemiBold);
    save_->setSpacing(5);
    save_->setLeadingWidget(capturing_);
    capturing_->hide();
    layout->addWidget(save_, 0, Qt::AlignHCenter);

    connect(save_, &QAbstractButton::clicked, this, [this] {
        if (actions_) {
            actions_->saveCurrentLayout();
        }
    });
    followPalette();
}

void FirstRunSection::setState(const PanelState &state)
{
    capturing_->setVisible(state.isBusyWith(OperationKind::capturing));
    save_->setEnabled(state.canCapture);
    save_->setToolTip(PanelTexts::captureHelp(state));
}

void FirstRunSection::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        followPalette();
    }
}

void FirstRunSection::followPalette()
{
    drawing_->setDark(Theme::isDark(palette()));
    drawing_->setSurface(Theme::controlBackground(palette()));
}

} // namespace ostrel
