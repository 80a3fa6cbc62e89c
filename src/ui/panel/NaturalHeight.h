#pragma once

#include <functional>

class QWidget;

namespace ostrel {

// How tall a window's content is with nothing scrolled away: what it lays out top to bottom, its
// scroll areas counted at their contents' full height, at `width`. A window sized to this (within
// its bounds) has no empty band where a form ends early, and scrolls only where it must.
namespace NaturalHeight {

int of(const QWidget *content, int width);

// `of(content, width)`, kept between `floor` and `cap` (the cap wins).
int within(const QWidget *content, int width, int floor, int cap);

// Runs `fit` (once per turn of the event loop) when `view` is shown and whenever what one of its
// scroll areas holds lays itself out anew: rows come and go, texts wrap differently.
void follow(QWidget *view, std::function<void()> fit);

} // namespace NaturalHeight

} // namespace ostrel
