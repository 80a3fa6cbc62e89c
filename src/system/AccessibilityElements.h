#pragma once

#include "model/AXElement.h"
#include "system/AXAttribute.h"
#include "system/AXValue.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace ostrel {

// The outcome of writing a window's size and then its position in one request: the status of
// each write; no position status when the position was not written (the size write found
// access turned off).
struct AXFrameWriteResult {
    AXError size = AXError::success;
    std::optional<AXError> position;
    friend bool operator==(const AXFrameWriteResult &, const AXFrameWriteResult &) = default;
};

// A write of `beginSizeAndPosition` whose answer has not been awaited yet. A backend keeps what
// it needs to await it in a type of its own derived from this one; `answer` is set once known.
class AXPendingFrameWrite {
public:
    virtual ~AXPendingFrameWrite() = default;
    std::optional<AXFrameWriteResult> answer;
};

// Elements of other applications (an application, its windows, the elements inside a
// window) and their attributes.
//
// A backend must guarantee:
// - Every read and write returns within the messaging timeout last set on that element (a
//   default of 6 seconds applies until one is set); a peer that does not answer in time gives
//   `AXError::cannotComplete`, never a hang. A read that takes a few messages to a peer (a
//   browser window's page address) may wait that long for each of them.
// - Every failure is a status, never an exception: an element that no longer exists gives
//   `invalidUIElement`, an attribute it does not have `noValue` or `attributeUnsupported`,
//   and every call made while the process is not trusted gives `apiDisabled`.
// - Element handles are plain values: equal handles are the same element. A window element
//   stays the same handle for as long as the window lives, so handles kept in references can
//   be compared with handles read later. `applicationElement` gives equal handles for equal
//   process identifiers.
// - All functions may be called from any thread, also concurrently (the window service's
//   actor thread, the restore engine's actor thread, the main thread).
// - Writes are `AXAttribute::position` with an `AXPoint` and `AXAttribute::size` with an
//   `AXSize`, both in global top-left points; a write returns after the application has
//   applied the value or the timeout has passed, so that a read right after it sees the result.
// - `setSizeAndPosition`, where a backend offers it, has the effects of the size write followed
//   by the position write (the latter skipped when the former returns `apiDisabled`) in one
//   request that the platform applies at once: the window goes to its new frame in one step
//   and the caller waits for one answer instead of two. It reports each write's status. A
//   backend that writes one attribute at a time returns nothing, and the caller writes them
//   in turn.
// - `beginSizeAndPosition` and `awaitSizesAndPositions` are `setSizeAndPosition` in two halves,
//   so that the answers of several windows' writes are awaited together: the first sends the
//   request and returns without waiting (nothing when the backend writes one attribute at a
//   time, and then nothing was written), the second returns once at least `count` of the writes
//   it is given (all of them, when there are fewer) have their answer, each awaited within its
//   own element's messaging timeout. A write that already has its answer counts at once; a
//   write begun on one element is answered before that element is written again. A count of 0
//   takes the answers that have come in without waiting for any.
// - `beginAttributeValue` is `setAttributeValue` of the size or the position begun the same way
//   (its status in the answer's `size` or `position`).
class AccessibilityElements {
public:
    virtual ~AccessibilityElements() = default;

    virtual AXElement applicationElement(qint32 pid) = 0;
    virtual void setMessagingTimeout(AXElement element, double seconds) = 0;
    virtual AXAttributeResult copyAttributeValue(AXElement element, const QString &attribute) = 0;
    virtual AXError setAttributeValue(AXElement element, const QString &attribute,
                                      const AXValue &value) = 0;
    virtual std::optional<AXFrameWriteResult>
    setSizeAndPosition(AXElement /*element*/, const AXSize & /*size*/, const AXPoint & /*position*/)
    {
        return std::nullopt;
    }
    // Started and awaited apart (see `beginSizeAndPosition`). A backend whose writes are answered
    // when they return keeps the answer here.
    virtual std::shared_ptr<AXPendingFrameWrite>
    beginSizeAndPosition(AXElement element, const AXSize &size, const AXPoint &position)
    {
        const std::optional<AXFrameWriteResult> written =
            setSizeAndPosition(element, size, position);
        if (!written) {
            return nullptr;
        }
        auto answered = std::make_shared<AXPendingFrameWrite>();
        answered->answer = *written;
        return answered;
    }
    virtual std::shared_ptr<AXPendingFrameWrite>
    beginAttributeValue(AXElement element, const QString &attribute, const AXValue &value)
    {
        const AXError written = setAttributeValue(element, attribute, value);
        auto answered = std::make_shared<AXPendingFrameWrite>();
        answered->answer = attribute == AXAttribute::size
            ? AXFrameWriteResult{written, AXError::success}
            : AXFrameWriteResult{AXError::success, written};
        return answered;
    }
    virtual void
    awaitSizesAndPositions(const QList<std::shared_ptr<AXPendingFrameWrite>> & /*writes*/,
                           qsizetype /*count*/)
    {
    }
};

} // namespace ostrel
