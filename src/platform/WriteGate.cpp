#include "platform/WriteGate.h"

namespace ostrel {

namespace {

// A free coroutine, so that its frame holds the pointer itself and not the lambda that
// called it.
QCoro::Task<bool> noButtonPressed(PointerButtons *pointer)
{
    co_return pointer->pressedMouseButtons() == 0;
}

} // namespace

WriteGate mouseButtonWriteGate(PointerButtons &pointer)
{
    return [p = &pointer] { return noButtonPressed(p); };
}

} // namespace ostrel
