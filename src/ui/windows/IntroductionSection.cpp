#include "ui/windows/IntroductionSection.h"

#include "ui/illustrations/HairlineCanvas.h"
#include "ui/illustrations/HairlineRouteIntroduction.h"
#include "ui/panel/GroupedSurface.h"
#include "ui/panel/Theme.h"
#include "ui/panel/ViewEnvironment.h"

#include <QPainter>
#include <QVBoxLayout>

namespace ostrel {

IntroductionSection::IntroductionSection(HairlineRouteIntroduction *header,
                                         const ViewEnvironment &environment, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QVBoxLayout(this);
    row->setContentsMargins(16, 8, 16, 8);
    header->setParent(this);
    row->addWidget(header);
    HairlineCanvas *artwork = header->artwork();
    artwork->setReduceMotionSource(environment.reduceMotion);
    followScheme(artwork, header->isDark());
    connect(header, &HairlineRouteIntroduction::schemeChanged, artwork,
            [artwork](bool dark) { followScheme(artwork, dark); });
}

void IntroductionSection::followScheme(HairlineCanvas *canvas, bool dark)
{
    canvas->setDark(dark);
    canvas->setSurface(dark ? QColor(Qt::black) : QColor(Qt::white));
}

void IntroductionSection::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::controlBackground(palette()));
    painter.drawRoundedRect(QRectF(rect()), GroupedSurface::cornerRadius,
                            GroupedSurface::cornerRadius);
}

} // namespace ostrel
