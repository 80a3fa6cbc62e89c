#pragma once

#include "system/AXAttribute.h"
#include "system/AccessibilityElements.h"

#include <QHash>
#include <QStringList>

#include <memory>

namespace ostrel::test {

// Passes everything to another backend's elements, but answers a write begun apart only once
// some answer is waited for, as a window manager does, and notes each write sent and each
// wait: "send <window>", "await <count> of <writes>".
class DeferredWrites : public AccessibilityElements {
public:
    explicit DeferredWrites(AccessibilityElements &inner)
        : inner_(inner)
    {
    }
    QHash<quint64, QString> names;
    QStringList noted;

    AXElement applicationElement(qint32 pid) override { return inner_.applicationElement(pid); }
    void setMessagingTimeout(AXElement element, double s) override
    {
        inner_.setMessagingTimeout(element, s);
    }
    AXAttributeResult copyAttributeValue(AXElement element, const QString &attribute) override
    {
        return inner_.copyAttributeValue(element, attribute);
    }
    AXError setAttributeValue(AXElement element, const QString &attribute,
                              const AXValue &value) override
    {
        return inner_.setAttributeValue(element, attribute, value);
    }
    std::optional<AXFrameWriteResult> setSizeAndPosition(AXElement element, const AXSize &size,
                                                         const AXPoint &position) override
    {
        return inner_.setSizeAndPosition(element, size, position);
    }
    std::shared_ptr<AXPendingFrameWrite> beginSizeAndPosition(AXElement element, const AXSize &size,
                                                              const AXPoint &position) override
    {
        auto pending = std::make_shared<Pending>();
        pending->element = element;
        pending->size = size;
        pending->position = position;
        return sent(pending);
    }
    std::shared_ptr<AXPendingFrameWrite>
    beginAttributeValue(AXElement element, const QString &attribute, const AXValue &value) override
    {
        auto pending = std::make_shared<Pending>();
        pending->element = element;
        if (attribute == AXAttribute::size) {
            pending->size = std::get<AXSize>(value);
        } else {
            pending->position = std::get<AXPoint>(value);
        }
        return sent(pending);
    }
    void awaitSizesAndPositions(const QList<std::shared_ptr<AXPendingFrameWrite>> &writes,
                                qsizetype count) override
    {
        noted.append(QStringLiteral("await %1 of %2").arg(count).arg(writes.size()));
        if (count == 0) {
            return;
        }
        for (const std::shared_ptr<AXPendingFrameWrite> &write : writes) {
            auto *pending = static_cast<Pending *>(write.get());
            if (pending->answer) {
                continue;
            }
            if (pending->size && pending->position) {
                pending->answer =
                    inner_.setSizeAndPosition(pending->element, *pending->size, *pending->position);
            } else if (pending->size) {
                pending->answer = AXFrameWriteResult{
                    inner_.setAttributeValue(pending->element, AXAttribute::size, *pending->size),
                    AXError::success};
            } else {
                pending->answer = AXFrameWriteResult{AXError::success,
                                                     inner_.setAttributeValue(pending->element,
                                                                              AXAttribute::position,
                                                                              *pending->position)};
            }
        }
    }

    // How many writes went out before the first wait that waited for an answer.
    qsizetype sentBeforeFirstWait() const
    {
        qsizetype sent = 0;
        for (const QString &note : noted) {
            if (note.startsWith(QLatin1String("await ")) && !note.startsWith("await 0 ")) {
                break;
            }
            sent += note.startsWith(QLatin1String("send ")) ? 1 : 0;
        }
        return sent;
    }

private:
    struct Pending : AXPendingFrameWrite {
        AXElement element;
        std::optional<AXSize> size;
        std::optional<AXPoint> position;
    };
    std::shared_ptr<AXPendingFrameWrite> sent(const std::shared_ptr<Pending> &pending)
    {
        noted.append(QStringLiteral("send ") + names.value(pending->element.handle));
        return pending;
    }

    AccessibilityElements &inner_;
};

} // namespace ostrel::test
