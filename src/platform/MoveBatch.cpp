#include "platform/MoveBatch.h"

namespace ostrel {

MoveBatch::MoveBatch(const SystemBackend &system, std::shared_ptr<CancellationFlag> cancellation,
                     double timeout)
    : system_(system)
    , cancellation_(std::move(cancellation))
    , timeout_(timeout)
{
}

void MoveBatch::start(qsizetype index, const RectD &target, const WindowReference &reference,
                      bool hasGate)
{
    auto write =
        std::make_unique<FrameWrite>(system_, target, reference, cancellation_, hasGate, timeout_);
    FrameWrite &started = *write;
    writes_[index] = std::move(write);
    advance(index, started.start());
}

void MoveBatch::resume(qsizetype index, bool gateOpen)
{
    const auto it = writes_.find(index);
    if (it != writes_.end()) {
        advance(index, it->second->gateAnswered(gateOpen));
    }
}

void MoveBatch::advance(qsizetype index, FrameWrite::Need need)
{
    FrameWrite &write = *writes_.at(index);
    // A backend that answers a write as it makes it has the answer at once.
    while (need == FrameWrite::Need::answer && write.pending() && write.pending()->answer) {
        need = write.answered();
    }
    switch (need) {
    case FrameWrite::Need::nothing:
        turn_.done.append(index);
        break;
    case FrameWrite::Need::gate:
        turn_.atGate.append(index);
        break;
    case FrameWrite::Need::answer:
        sent_.append(write.pending());
        sentFor_.append(index);
        break;
    }
}

MoveBatch::Turn MoveBatch::collect(bool wait)
{
    if (!sent_.isEmpty() && (!wait || turn_.isEmpty())) {
        system_.elements->awaitSizesAndPositions(sent_, wait ? 1 : 0);
        QList<std::shared_ptr<AXPendingFrameWrite>> still;
        QList<qsizetype> stillFor;
        QList<qsizetype> answered;
        for (qsizetype k = 0; k < sent_.size(); ++k) {
            if (sent_[k]->answer) {
                answered.append(sentFor_[k]);
            } else {
                still.append(sent_[k]);
                stillFor.append(sentFor_[k]);
            }
        }
        sent_ = std::move(still);
        sentFor_ = std::move(stillFor);
        for (const qsizetype index : answered) {
            advance(index, writes_.at(index)->answered());
        }
    }
    return std::exchange(turn_, {});
}

const FrameApplyResult &MoveBatch::result(qsizetype index) const
{
    return writes_.at(index)->result();
}

} // namespace ostrel
